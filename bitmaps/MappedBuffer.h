#pragma once
#include <windows.h>

#include <string>

// The folder (relative to the working directory) whose files back the mappings while the
// program runs.
#define KP_FILEMAP_DIR "ファイルマップフォルダ"

struct MAPPED_BUFFER {
    HANDLE hMap;
    HANDLE hFile;
    BYTE* pView;
    DWORD size;
};

// The alpha-blend table (built at start-up, released at shutdown).
struct BITMAPS_STATE {
    MAPPED_BUFFER alphaBuffer;     // in committed memory: no mapping, no file
    BYTE* AlphaBlendBBTableC;      // 0 when no memory could be had: the fade must not use it
    int fileMapFull;               // the file-map folder's disk had no room for a backing file
};
extern BITMAPS_STATE Bitmaps;

// A mapping of size bytes over the backing file name + index + ".txt" in the file-map
// folder, whose blocks are taken on the disk before it is mapped (mapBytes 0: all mapped).
// 0 when the file can't be made, or (fileMapFull then set) the disk has no room for it.
BYTE* CreateMappedBuffer(MAPPED_BUFFER* buf, const char* name, int index, DWORD size, DWORD mapBytes);
std::string BackingFilePath(const char* name, int index);   // relative to the working directory
void BuildAlphaBlendTable();                  // once; again after its release
void ReleaseAlphaBlendTable();
const BYTE* AlphaBlendTable();

// Deletes the backing files (closed by now) and then the folder itself; the next files
// may find room again.
void RemoveFileMapFolder();
