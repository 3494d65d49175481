#pragma once
#include <windows.h>

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
    MAPPED_BUFFER alphaBuffer;
    BYTE* AlphaBlendBBTableC;      // 0 when no mapping could be made: the fade must not use it
};
extern BITMAPS_STATE Bitmaps;

BYTE* CreateMappedBuffer(MAPPED_BUFFER* buf, const char* name, int index, DWORD size, DWORD mapBytes);
void BuildAlphaBlendTable();                  // once; again after its release
void ReleaseAlphaBlendTable();
const BYTE* AlphaBlendTable();

void CreateFileMapFolder();
// Deletes the backing files (closed by now) and then the folder itself.
void RemoveFileMapFolder();
