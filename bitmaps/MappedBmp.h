#pragma once
#include <windows.h>

#include "bitmaps/BmpFile.h"

// A BMP file mapped read-only and drawn straight from the mapping: no bitmap object and
// no copy of the pixels, so a large photo costs mapped file pages that the system can drop,
// not private memory.
struct MAPPED_BMP {
    HANDLE hFile;
    HANDLE hMap;
    const BYTE* pView;
    BMP_LAYOUT layout;
};

// False, with nothing left open, when the file is missing, empty or not a BMP that
// BmpReadLayout accepts.
bool MappedBmpOpen(MAPPED_BMP* bmp, const char* path);
// The whole picture stretched to (x, y, w, h) of dc with dc's stretch mode.
bool MappedBmpDraw(const MAPPED_BMP* bmp, HDC dc, int x, int y, int w, int h);
void MappedBmpClose(MAPPED_BMP* bmp);
