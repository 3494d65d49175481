#include "bitmaps/MappedBuffer.h"

#include <string>

#include "base/Edge.h"
#include "base/Limits.h"
#include "base/NumberText.h"
#include "base/PathJoin.h"
#include "bitmaps/BlendTable.h"

BITMAPS_STATE Bitmaps;

static BYTE* MapBuffer(MAPPED_BUFFER* buf, HANDLE file, const char* name, int index, DWORD size, DWORD mapBytes)
{
    std::string mapName = std::string(name) + NumberToText(index);
    buf->size = size;
    buf->hFile = file == INVALID_HANDLE_VALUE ? 0 : file;
    buf->hMap = EdgeCreateFileMapping(file, PAGE_READWRITE, 0, size, mapName.c_str());
    buf->pView = buf->hMap ? (BYTE*)MapViewOfFile(buf->hMap, FILE_MAP_ALL_ACCESS, 0, 0, mapBytes) : nullptr;
    return buf->pView;
}

BYTE* CreateMappedBuffer(MAPPED_BUFFER* buf, const char* name, int index, DWORD size, DWORD mapBytes)
{
    std::string filePath = std::string(KP_FILEMAP_DIR "\\") + name + NumberToText(index) + ".txt";
    HANDLE file = EdgeCreateFile(filePath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL);
    // No file-map folder: the paging file backs the mapping.
    return MapBuffer(buf, file, name, index, size, mapBytes);
}

void BuildAlphaBlendTable()
{
    if (Bitmaps.AlphaBlendBBTableC)
        return;
    // Backed by the paging file: it is made again at every start, no file need hold it.
    Bitmaps.AlphaBlendBBTableC =
        MapBuffer(&Bitmaps.alphaBuffer, INVALID_HANDLE_VALUE, "AlphaBlendBBTableC", 0, BLEND_TABLE_BYTES, 0);
    if (Bitmaps.AlphaBlendBBTableC)
        FillBlendTable(Bitmaps.AlphaBlendBBTableC);
}

void ReleaseAlphaBlendTable()
{
    MAPPED_BUFFER* buf = &Bitmaps.alphaBuffer;
    if (buf->pView)
        UnmapViewOfFile(buf->pView);
    buf->pView = nullptr;
    Bitmaps.AlphaBlendBBTableC = nullptr;
    if (buf->hMap)
        CloseHandle(buf->hMap);
    buf->hMap = 0;
    if (buf->hFile)
        CloseHandle(buf->hFile);
    buf->hFile = 0;
}

const BYTE* AlphaBlendTable()
{
    return Bitmaps.AlphaBlendBBTableC;
}

void CreateFileMapFolder()
{
    EdgeCreateDirectory(KP_FILEMAP_DIR);
}

void RemoveFileMapFolder()
{
    EDGE_FIND_DATA fd;
    HANDLE find = EdgeFindFirstFile(KP_FILEMAP_DIR "\\*", &fd);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        char path[KP_PATH_BYTES];
        if (!fd.lossy && PathJoin(path, sizeof(path), KP_FILEMAP_DIR, "\\", fd.name))
            EdgeDeleteFile(path);
    } while (EdgeFindNextFile(find, &fd));
    FindClose(find);
    EdgeRemoveDirectory(KP_FILEMAP_DIR);
}
