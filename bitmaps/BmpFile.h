#pragma once
#include <cstddef>
#include <cstdint>

// Where a BMP file keeps what a stretch from it needs, read from its headers. Only
// uncompressed pixel arrays (and 16/32-bit bit fields) are drawn straight from the file.
struct BMP_LAYOUT {
    int width;              // > 0
    int height;             // rows; negative when they are stored top-down
    unsigned bitCount;      // 1, 4, 8, 16, 24 or 32
    unsigned compression;   // BMP_RGB or BMP_BITFIELDS
    uint32_t masks[3];      // red, green, blue, for BMP_BITFIELDS
    unsigned colours;       // entries of the colour table (only below 16 bits a pixel)
    size_t tableOffset;     // the colour table, 4 bytes an entry
    size_t bitsOffset;      // the pixel array
    size_t bitsBytes;
    int fullWidth;          // the picture's full size, for fitting it: the converter's BMP of
    int fullHeight;         // a photo decoded smaller says it in the reserved words; else the BMP's
};
enum { BMP_RGB = 0, BMP_BITFIELDS = 3 };

// False for anything but a whole BMP of those kinds: every size, offset and count is
// checked against the file's size before a byte of pixels is trusted.
bool BmpReadLayout(const unsigned char* file, size_t size, BMP_LAYOUT* out);
