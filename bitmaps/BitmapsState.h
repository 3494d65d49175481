#pragma once
#include <windows.h>

// The off-screen bitmaps' own state: the alpha-blend table (built at start-up, released at
// shutdown) and what the surfaces learnt of the file-map folder's disk.
struct BITMAPS_STATE {
    BYTE* AlphaBlendBBTableC;      // in committed memory; 0 when none could be had
    int fileMapFull;               // the file-map folder's disk had no room for a backing file
};
extern BITMAPS_STATE Bitmaps;
