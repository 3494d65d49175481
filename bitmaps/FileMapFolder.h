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

// A mapping of size bytes over the backing file name + index + ".txt" in the file-map
// folder, whose blocks are taken on the disk before it is mapped (mapBytes 0: all mapped).
// 0 when the file can't be made, or (fileMapFull then set) the disk has no room for it.
BYTE* CreateMappedBuffer(MAPPED_BUFFER* buf, const char* name, int index, DWORD size, DWORD mapBytes);
std::string BackingFilePath(const char* name, int index);   // relative to the working directory

// Deletes the backing files (closed by now) and then the folder itself; the next files
// may find room again.
void RemoveFileMapFolder();
