#include "bitmaps/BlendTable.h"

#include <stdint.h>

void FillBlendTable(unsigned char* table)
{
    // Divided by 256, not 255: cheaper, and the cross-fade never shows the difference.
    // s * a + m * (255 - a) is at most 255 * 255, so the row is computed in 16 bits, which
    // the compiler does eight or sixteen entries at a time: start-up waits for this table.
    unsigned char* p = table;
    for (unsigned int a = 0; a < 256; a++)
        for (unsigned int m = 0; m < 256; m++, p += 256) {
            uint16_t base = (uint16_t)(m * (255 - a));
            for (unsigned int s = 0; s < 256; s++)
                p[s] = (unsigned char)((uint16_t)(base + (uint16_t)(s * a)) >> 8);
        }
}
