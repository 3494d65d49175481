#include "bitmaps/BlendTable.h"

#include "base/Trace.h"
#include "bitmaps/BitmapsState.h"

BITMAPS_STATE Bitmaps;

void BuildAlphaBlendTable()
{
    if (Bitmaps.AlphaBlendBBTableC)
        return;
    // Memory the system commits now (backed by the paging file): it is made again at every
    // start, no file need hold it, and no write to it can fault on a full disk.
    Bitmaps.AlphaBlendBBTableC = (BYTE*)VirtualAlloc(nullptr, BLEND_TABLE_BYTES, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (Bitmaps.AlphaBlendBBTableC)
        FillBlendTable(Bitmaps.AlphaBlendBBTableC);
    else
        TraceLastError("VirtualAlloc", "AlphaBlendBBTableC");
}

void ReleaseAlphaBlendTable()
{
    if (Bitmaps.AlphaBlendBBTableC)
        VirtualFree(Bitmaps.AlphaBlendBBTableC, 0, MEM_RELEASE);
    Bitmaps.AlphaBlendBBTableC = nullptr;
}

const unsigned char* AlphaBlendTable()
{
    return Bitmaps.AlphaBlendBBTableC;
}
