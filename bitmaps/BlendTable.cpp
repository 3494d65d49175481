#include "bitmaps/BlendTable.h"

void FillBlendTable(unsigned char* table)
{
    // Divided by 256, not 255: cheaper, and the cross-fade never shows the difference.
    unsigned char* p = table;
    for (unsigned int a = 0; a < 256; a++)
        for (unsigned int m = 0; m < 256; m++)
            for (unsigned int s = 0; s < 256; s++)
                *p++ = (unsigned char)(((s * a + m * (255 - a)) >> 8) & 0xFF);
}
