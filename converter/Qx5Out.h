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
// when it can't.
bool Qx5OutBegin(QX5_OUT* out, const QX5_GEOMETRY* g, const wchar_t* path);
// Where source row sy goes: pixel i at the returned pointer + base + i * step. Rows come in
// order. Null when the file could not be written.
unsigned char* Qx5OutRow(QX5_OUT* out, unsigned sy, long long* base, long long* step);
// Writes what is left and closes the file; when ok is false, or the write fails, the file is
// deleted. Frees everything either way.
bool Qx5OutEnd(QX5_OUT* out, const wchar_t* path, bool ok);

// libjpeg-turbo's answer for one JPEG.
enum QX5_JPEG_RESULT { QX5_JPEG_WRITTEN, QX5_JPEG_TO_WIC, QX5_JPEG_REFUSED };
// Decodes the JPEG at src at the scale a boxW x boxH box shows it, turned by orient, into a
// BMP at dst. Anything libjpeg-turbo can't decode leaves no file and goes to WIC; a
// picture past the converter's bound is refused. Without libjpeg-turbo in the build every
// JPEG goes to WIC.
QX5_JPEG_RESULT Qx5JpegConvert(const wchar_t* src, int orient, int boxW, int boxH, const wchar_t* dst);
