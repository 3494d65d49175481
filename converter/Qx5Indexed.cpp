#include "converter/Qx5Indexed.h"

void Qx5PaletteTable(QX5_INDEXED* idx, const uint32_t* colours, unsigned count)
{
    for (unsigned i = 0; i < 256; i++)
        idx->table[i] = i < count ? colours[i] : 0xFF000000u;
}

void Qx5ExpandIndices(const QX5_INDEXED* idx, const unsigned char* src, unsigned n, unsigned char* bgra)
{
    unsigned bits = idx->bits, mask = (1u << bits) - 1;
    for (unsigned x = 0; x < n; x++, bgra += 4) {
        unsigned bit = x * bits;
        unsigned i = (src[bit / 8] >> (8 - bits - bit % 8)) & mask;
        uint32_t c = idx->table[i];
        bgra[0] = (unsigned char)c;
        bgra[1] = (unsigned char)(c >> 8);
        bgra[2] = (unsigned char)(c >> 16);
        bgra[3] = (unsigned char)(c >> 24);
    }
}
