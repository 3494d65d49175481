#include "bitmaps/MappedBmp.h"

#include <string.h>

#include "base/Edge.h"

bool MappedBmpOpen(MAPPED_BMP* bmp, const char* path)
{
    memset(bmp, 0, sizeof(*bmp));
    HANDLE file = EdgeCreateFile(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size = {};
    // An empty file can't be mapped; one past 4 GB is past any picture drawn here.
    if (!GetFileSizeEx(file, &size) || size.QuadPart <= 0 || size.QuadPart > 0xFFFFFFFFll) {
        CloseHandle(file);
        return false;
    }
    bmp->hFile = file;
    bmp->hMap = CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    bmp->pView = bmp->hMap ? (const BYTE*)MapViewOfFile(bmp->hMap, FILE_MAP_READ, 0, 0, 0) : nullptr;
    if (!bmp->pView || !BmpReadLayout(bmp->pView, (size_t)size.QuadPart, &bmp->layout)) {
        MappedBmpClose(bmp);
        return false;
    }
    return true;
}

bool MappedBmpDraw(const MAPPED_BMP* bmp, HDC dc, int x, int y, int w, int h)
{
    const BMP_LAYOUT* l = &bmp->layout;
    // The headers as GDI takes them, whatever version the file has: a 40-byte header,
    // then the masks or the colour table.
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[256];
    } info;
    memset(&info, 0, sizeof(info));
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = l->width;
    info.header.biHeight = l->height;
    info.header.biPlanes = 1;
    info.header.biBitCount = (WORD)l->bitCount;
    info.header.biCompression = l->compression;
    if (l->compression == BMP_BITFIELDS) {
        memcpy(info.colours, l->masks, sizeof(l->masks));
    } else if (l->colours) {
        info.header.biClrUsed = l->colours;
        memcpy(info.colours, bmp->pView + l->tableOffset, (size_t)l->colours * 4);
    }
    int rows = l->height < 0 ? -l->height : l->height;
    return StretchDIBits(dc, x, y, w, h, 0, 0, l->width, rows, bmp->pView + l->bitsOffset, (BITMAPINFO*)&info,
                         DIB_RGB_COLORS, SRCCOPY) != 0;
}

void MappedBmpClose(MAPPED_BMP* bmp)
{
    if (bmp->pView)
        UnmapViewOfFile(bmp->pView);
    if (bmp->hMap)
        CloseHandle(bmp->hMap);
    if (bmp->hFile)
        CloseHandle(bmp->hFile);
    memset(bmp, 0, sizeof(*bmp));
}
