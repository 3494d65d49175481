#pragma once
#include <windows.h>

#include "converter/Qx5Image.h"

// The BMP being written, fed with the decoded picture's rows in source order, each placed
// where its orientation shows it. Rows of an upright (or flipped) picture fill bands of the
// file that are written as they fill; a turned picture's rows are columns of the output,
// so its whole pixel data is held and written at the end (a photo decoded at the shown
// scale is small).
struct QX5_OUT {
    const QX5_GEOMETRY* g;
    HANDLE file;
    unsigned char* buf;
    bool whole;
    unsigned bandRows;         // source rows a band holds
    unsigned bandFirst;        // the band in buf: its first source row, or bandRows when none
    size_t bandStart, bandBytes;
};

// Creates the file at path and writes the header; false, with nothing left open or behind,
// when it can't. With whole, the pixel data is held in buf (bottom-up rows, g->stride bytes
// each) for a decoder that writes it there itself, and written at the end.
bool Qx5OutBegin(QX5_OUT* out, const QX5_GEOMETRY* g, const wchar_t* path, bool whole = false);
// Where source row sy goes: pixel i at the returned pointer + base + i * step. Rows come in
// order. Null when the file could not be written.
unsigned char* Qx5OutRow(QX5_OUT* out, unsigned sy, long long* base, long long* step);
// Writes what is left and closes the file; when ok is false, or the write fails, the file is
// deleted. Frees everything either way.
bool Qx5OutEnd(QX5_OUT* out, const wchar_t* path, bool ok);

// Writes a picture decoded whole (rows of stride bytes, top to bottom) upright into a BMP at
// dst, laid over back; one larger than a boxW x boxH box shows it is shrunk to the eighths the
// box needs, its full size in the header as for a JPEG decoded smaller.
bool Qx5WritePicture(const unsigned char* px, size_t stride, unsigned w, unsigned h, QX5_PIXELS kind, uint32_t back,
                     int boxW, int boxH, const wchar_t* dst);

// A library decoder's answer for one picture.
enum QX5_RESULT { QX5_WRITTEN, QX5_TO_WIC, QX5_REFUSED };
// Decodes the JPEG at src at the scale a boxW x boxH box shows it, turned by orient, into a
// BMP at dst. Anything libjpeg-turbo can't decode leaves no file and goes to WIC; a
// picture past the converter's bound is refused. Without libjpeg-turbo in the build every
// JPEG goes to WIC.
QX5_RESULT Qx5JpegConvert(const wchar_t* src, int orient, int boxW, int boxH, const wchar_t* dst);

// libwebp: stills (lossy, lossless, with alpha) decoded at the scale the box shows them,
// animations as their first frame on its canvas; laid over back. What libwebp does not
// support goes to WIC; a damaged file, or one past the converter's bound, is refused.
// Without libwebp in the build every WebP goes to WIC.
QX5_RESULT Qx5WebpConvert(const wchar_t* src, int boxW, int boxH, uint32_t back, const wchar_t* dst);
bool Qx5HaveLibwebp();

// libheif, loaded from its DLL beside QX5 when the first HEIF or AVIF arrives: the primary
// image with its own transforms and alpha, laid over back, shrunk for the box as above. What
// it does not support goes to WIC; a damaged file, one past the converter's bound or one
// that takes too long is refused.
QX5_RESULT Qx5HeifConvert(const wchar_t* src, int boxW, int boxH, uint32_t back, const wchar_t* dst);
// The DLL is loaded (on the first call) and new enough.
bool Qx5HaveLibheif();
