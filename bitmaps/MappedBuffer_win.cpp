#include "bitmaps/MappedBuffer.h"

#include <string>

#include "app/Globals.h"
#include "base/Edge.h"
#include "base/NumberText.h"
#include "bitmaps/BlendTable.h"
#include "store/Paths.h"

BYTE* CreateMappedBuffer(MAPPED_BUFFER* buf, const char* name, int index, DWORD size, DWORD mapBytes)
{
    std::string number = NumberToText(index);
    std::string filePath = std::string(KP_FILEMAP_DIR "\\") + name + number + ".txt";
    std::string mapName = std::string(name) + number;
    buf->size = size;
    HANDLE file = EdgeCreateFile(filePath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL);
    // No file-map folder yet (the normal start): the paging file backs the mapping.
    buf->hFile = file == INVALID_HANDLE_VALUE ? 0 : file;
    buf->hMap = EdgeCreateFileMapping(file, PAGE_READWRITE, 0, size, mapName.c_str());
    buf->pView = buf->hMap ? (BYTE*)MapViewOfFile(buf->hMap, FILE_MAP_ALL_ACCESS, 0, 0, mapBytes) : nullptr;
    return buf->pView;
}

// When no mapping can be made the table address stays 0 and the fade must not use it.
void BuildAlphaBlendTable()
{
    Globals.AlphaBlendBBTableC =
        CreateMappedBuffer(&Globals.alphaBuffer, "AlphaBlendBBTableC", 0, BLEND_TABLE_BYTES, 0);
    if (Globals.AlphaBlendBBTableC)
        FillBlendTable(Globals.AlphaBlendBBTableC);
}

void ReleaseAlphaBlendTable()
{
    MAPPED_BUFFER* buf = &Globals.alphaBuffer;
    if (buf->pView)
        UnmapViewOfFile(buf->pView);
    buf->pView = nullptr;
    Globals.AlphaBlendBBTableC = nullptr;
    if (buf->hMap)
        CloseHandle(buf->hMap);
    buf->hMap = 0;
    if (buf->hFile)
        CloseHandle(buf->hFile);
    buf->hFile = 0;
}
