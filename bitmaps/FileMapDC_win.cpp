#include "bitmaps/FileMapDC.h"

#include "base/Edge.h"
#include "base/Trace.h"
#include "base/Window.h"
#include "bitmaps/BitmapsState.h"
#include "bitmaps/FileMapFolder.h"

static const char kDiskFull[] =
    "ディスクの空きが足りないため、画像を作業用のファイルではなくメモリに置きます。\r\n"
    "このままお使いになれます。空きを作ってからKotopaneを起動し直すと、作業用のファイルに戻ります。";
static const char kNoMemory[] =
    "メモリが足りないため、画像を置く場所を作れませんでした。画像は表示されません。\r\n"
    "ほかのプログラムを閉じてから、Kotopaneを起動し直してください。";

HBITMAP MakeDIBSection(HANDLE hMap, int width, int height, int bpp, BYTE** bits)
{
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colors[256];
    } bmi = {};
    bmi.header.biSize = sizeof(BITMAPINFOHEADER);
    bmi.header.biWidth = width;
    bmi.header.biHeight = height;  // positive: rows bottom-up
    bmi.header.biPlanes = 1;
    bmi.header.biBitCount = (WORD)bpp;
    bmi.header.biCompression = BI_RGB;
    void* at = nullptr;  // over a mapping, the caller's view of it is the same memory
    HBITMAP dib = CreateDIBSection(nullptr, (BITMAPINFO*)&bmi, bpp < 24 ? DIB_PAL_COLORS : DIB_RGB_COLORS,
                                   &at, hMap, 0);
    if (bits)
        *bits = dib ? (BYTE*)at : nullptr;
    return dib;
}

// Unmaps, closes and deletes what a file-backed attempt made.
static void DropBacking(FSFM_DC* rec, const char* name, int index)
{
    if (rec->pView)
        UnmapViewOfFile(rec->pView);
    rec->pView = nullptr;
    if (rec->hMap)
        CloseHandle(rec->hMap);
    rec->hMap = 0;
    if (rec->hFile) {
        CloseHandle(rec->hFile);
        EdgeDeleteFile(BackingFilePath(name, index).c_str());
    }
    rec->hFile = 0;
}

int DCCreateByFSFM(FSFM_DC* rec, const char* name, int index, int width, int height, int bpp)
{
    if (rec->hDC)
        return 0;
    rec->width = width;
    rec->height = height;

    HDC windowDC = GetDC(MainWindow());
    rec->hDC = CreateCompatibleDC(windowDC);
    ReleaseDC(MainWindow(), windowDC);

    // The pixels and the 1000 spare bytes live in a mapping named and backed like every
    // other buffer of the file-map folder, its blocks taken on the disk beforehand. Only a
    // DIB section over our own mapping will do: without it the pixel view would not be
    // the bitmap's memory.
    unsigned long long mapSize = 0;
    if (width > 0 && height > 0)
        mapSize = (unsigned long long)width * (unsigned long long)height * 4 + 1000;
    bool hadRoom = !Bitmaps.fileMapFull;
    if (rec->hDC && mapSize > 0 && mapSize <= 0xFFFFFFFFull && hadRoom) {
        MAPPED_BUFFER buf = {};
        CreateMappedBuffer(&buf, name, index, (DWORD)mapSize, 0);
        rec->hFile = buf.hFile;
        rec->hMap = buf.hMap;
        rec->pView = buf.pView;
        rec->hBmp = rec->pView ? MakeDIBSection(rec->hMap, width, height, bpp) : 0;
        if (!rec->hBmp)
            DropBacking(rec, name, index);
    }
    // No file-map folder, or no room on its disk: the pixels live in memory that the
    // system commits now (backed by the paging file), which no write can fault on either.
    if (rec->hDC && !rec->hBmp)
        rec->hBmp = MakeDIBSection(nullptr, width, height, bpp, &rec->pView);

    // The full disk is told once, the first time; the surfaces work on from memory.
    bool tell = hadRoom && Bitmaps.fileMapFull;
    if (rec->hBmp) {
        rec->hOldBmp = (HBITMAP)SelectObject(rec->hDC, rec->hBmp);
        rec->dibSize = (DWORD)((unsigned long long)width * height * 4 + 40);
        if (tell)
            EdgeMessageBox(MainWindow(), kDiskFull, "<(_ _)>", MB_OK);
        return 1;
    }

    TraceLastError(rec->hDC ? "CreateDIBSection" : "CreateCompatibleDC", name);
    rec->pView = nullptr;
    if (rec->hDC)
        DeleteDC(rec->hDC);
    rec->hDC = 0;
    EdgeMessageBox(MainWindow(), kNoMemory, "<(_ _)>", MB_OK);
    return 0;
}

int BmpToDC(FSFM_DC* rec, const char* name, int index, const char* bmpPath)
{
    HBITMAP loaded = (HBITMAP)EdgeLoadBitmapFile(ModuleInstance(), bmpPath);
    if (!loaded)
        return 0;
    BITMAP bm = {};
    GetObjectW(loaded, sizeof bm, &bm);
    if (!DCCreateByFSFM(rec, name, index, bm.bmWidth, bm.bmHeight, 32)) {
        DeleteObject(loaded);
        return 0;
    }
    HDC temp = CreateCompatibleDC(rec->hDC);
    HGDIOBJ old = SelectObject(temp, loaded);
    BitBlt(rec->hDC, 0, 0, bm.bmWidth, bm.bmHeight, temp, 0, 0, SRCCOPY);
    SelectObject(temp, old);
    DeleteObject(loaded);
    DeleteDC(temp);
    return 1;
}

// One trace line for a release step that failed, with the error it left.
static bool ReleaseStep(BOOL done, const char* label)
{
    if (!done)
        TraceValues(label, (double)GetLastError(), 0, 0, 0, 0);
    return done != FALSE;
}

// Releases in reverse order of acquisition: the DC and its bitmap before the view they
// draw into, the view before its mapping, the mapping before its file. Every step is
// tried, even after one failed, and only what was made is released.
int DCDeleteByFSFM(FSFM_DC* rec)
{
    bool ok = true;
    if (rec->hDC && rec->hOldBmp) {
        SetLastError(0);
        ok &= ReleaseStep(SelectObject(rec->hDC, rec->hOldBmp) != nullptr, "DCDeleteByFSFM　SelectObject(hDC,hOldBmp)失敗");
    }
    rec->hOldBmp = 0;
    if (rec->hDC) {
        SetLastError(0);
        ok &= ReleaseStep(DeleteDC(rec->hDC), "DCDeleteByFSFM　DeleteDC失敗");
    }
    rec->hDC = 0;
    if (rec->hBmp) {
        SetLastError(0);
        ok &= ReleaseStep(DeleteObject(rec->hBmp), "DCDeleteByFSFM　DeleteObject(hBmp)失敗");
    }
    rec->hBmp = 0;
    // Without a mapping the pixels were the DIB section's own memory, gone with it.
    if (rec->hMap && rec->pView)
        ok &= ReleaseStep(UnmapViewOfFile(rec->pView), "DCDeleteByFSFM　UnmapViewOfFile失敗");
    rec->pView = nullptr;
    if (rec->hMap)
        ok &= ReleaseStep(CloseHandle(rec->hMap), "DCDeleteByFSFM　CloseHandle失敗");
    rec->hMap = 0;
    if (rec->hFile)
        ok &= ReleaseStep(CloseHandle(rec->hFile), "DCDeleteByFSFM　CloseHandle失敗");
    rec->hFile = 0;
    return ok ? 1 : 0;
}
