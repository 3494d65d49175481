#pragma once
#include <cstddef>

// What a file is, judged by its first bytes: the converter picks its decoder by it, and a
// drop takes from a folder only what the converter can show.
enum PICTURE_KIND {
    PICTURE_UNKNOWN,        // nothing known: the system's imaging component may still read it
    PICTURE_NOT,            // plainly no picture: empty, text, video, sound, an archive, a program
    PICTURE_BMP,
    PICTURE_JPEG,
    PICTURE_PNG,
    PICTURE_GIF,
    PICTURE_TIFF,           // camera raw files built on TIFF included
    PICTURE_ICO,
    PICTURE_WEBP,
    PICTURE_HEIF,           // HEIC from phones, and other HEIF stills
    PICTURE_AVIF,
    PICTURE_OTHER,          // other formats the system's imaging component reads (JPEG XR, DDS)
};
// The rule reads at most this many bytes; fewer when the file is shorter.
enum { PICTURE_HEAD_BYTES = 64 };

// A file shorter than a signature that matches as far as it goes is taken for that kind:
// a damaged picture is still a picture.
PICTURE_KIND PictureKindOf(const unsigned char* head, size_t size);
bool IsPictureKind(PICTURE_KIND kind);
