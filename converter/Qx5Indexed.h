#pragma once
#include <cstdint>

// An indexed picture's colours as straight-alpha BGRA (0xAARRGGBB), one per possible index.
struct QX5_INDEXED {
    unsigned bits;              // 1, 2, 4 or 8 bits per index
    uint32_t table[256];
};

// Fills the table from the picture's count colours. Indices past the end of a short
// palette, which only a damaged file holds, are opaque black, as libpng and GDI show them.
void Qx5PaletteTable(QX5_INDEXED* idx, const uint32_t* colours, unsigned count);
// n indices packed from the high bits of each byte, as a row of WIC pixels is, into n
// BGRA pixels.
void Qx5ExpandIndices(const QX5_INDEXED* idx, const unsigned char* src, unsigned n, unsigned char* bgra);
