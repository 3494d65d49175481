#pragma once
#include <windows.h>

struct MAPPED_BUFFER {
    HANDLE hMap;
    HANDLE hFile;
    BYTE* pView;
    DWORD size;
};

BYTE* CreateMappedBuffer(MAPPED_BUFFER* buf, const char* name, int index, DWORD size, DWORD mapBytes);
// Builds AlphaBlendBBTableC in Globals (start-up) and releases it (shutdown).
void BuildAlphaBlendTable();
void ReleaseAlphaBlendTable();
