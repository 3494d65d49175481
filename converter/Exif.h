#pragma once
#include <cstddef>

// Orientation (EXIF tag 274, 1..8) of a JPEG from its first bytes; 1 when the file has
// none or the segment is damaged. Reads nothing past size.
int Qx5JpegOrientation(const unsigned char* data, size_t size);
// The same tag from a TIFF structure (the body of an "Exif\0\0" APP1 segment).
int Qx5TiffOrientation(const unsigned char* tiff, size_t size);

// What the converter needs of a JPEG's markers before it decodes one.
struct QX5_JPEG_HEAD {
    int orient;              // EXIF orientation 1..8; 1 without one
    unsigned sof;            // the frame's marker (0xC0..0xCF), 0 when none came before the scan
    unsigned width, height;  // from the frame header
    unsigned precision;      // bits per sample
    unsigned components;
};
// Walks the markers up to the start of scan, reading nothing past size; a damaged marker
// ends the walk with what was found. False when the data is no JPEG.
bool Qx5ReadJpegHead(const unsigned char* data, size_t size, QX5_JPEG_HEAD* out);

// Which decoder takes a JPEG: libjpeg-turbo takes 8-bit grayscale and YCbCr (or RGB)
// pictures in the sequential, progressive and arithmetic-coded kinds; WIC takes CMYK/YCCK,
// 12-bit, lossless and hierarchical ones. A picture past the converter's bound is refused
// before anything is allocated for it.
enum QX5_JPEG_ROUTE { QX5_JPEG_LIBJPEG, QX5_JPEG_WIC, QX5_JPEG_REFUSE };
QX5_JPEG_ROUTE Qx5JpegRoute(const QX5_JPEG_HEAD* head);
