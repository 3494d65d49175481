#pragma once
#include <windows.h>

// One off-screen 32-bit surface whose pixels live in a named file mapping.
// Zero until DCCreateByFSFM or BmpToDC fills it; DCDeleteByFSFM releases it.
struct FSFM_DC {
    int width;
    int height;
    HDC hDC;            // 0: not created
    HBITMAP hBmp;       // DIB section selected into hDC
    HBITMAP hOldBmp;    // put back on release
    DWORD dibSize;      // width * height * 4 + 40
    HANDLE hMap;        // 0: the pixels live in the DIB section's own memory
    BYTE* pView;        // first byte of the pixels (bottom-up rows)
    HANDLE hFile;       // backing file in the file-map folder, 0 when there is none
};

int DCCreateByFSFM(FSFM_DC* rec, const char* name, int index, int width, int height, int bpp);
int BmpToDC(FSFM_DC* rec, const char* name, int index, const char* bmpPath);
// 1 when everything it held was released (or it held nothing), 0 when a step failed.
int DCDeleteByFSFM(FSFM_DC* rec);
// Over the mapping hMap, or (hMap 0) in memory of its own, whose address goes to bits.
HBITMAP MakeDIBSection(HANDLE hMap, int width, int height, int bpp, BYTE** bits = nullptr);
