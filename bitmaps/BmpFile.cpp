#include "bitmaps/BmpFile.h"

#include <string.h>

#include "base/Limits.h"
#include "base/PictureFit.h"

static uint32_t Get32(const unsigned char* p)
{
    return p[0] | p[1] << 8 | p[2] << 16 | (uint32_t)p[3] << 24;
}

static unsigned Get16(const unsigned char* p)
{
    return p[0] | p[1] << 8;
}

enum { FILE_HEADER = 14 };

bool BmpReadLayout(const unsigned char* file, size_t size, BMP_LAYOUT* out)
{
    memset(out, 0, sizeof(*out));
    if (!file || size < FILE_HEADER + 40 || file[0] != 'B' || file[1] != 'M')
        return false;
    const unsigned char* ih = file + FILE_HEADER;
    uint32_t headerBytes = Get32(ih);
    // BITMAPINFOHEADER and its longer versions (V2, V3, V4, V5).
    if (headerBytes != 40 && headerBytes != 52 && headerBytes != 56 && headerBytes != 108 && headerBytes != 124)
        return false;
    if (size < FILE_HEADER + (size_t)headerBytes)
        return false;
    int32_t w = (int32_t)Get32(ih + 4), h = (int32_t)Get32(ih + 8);
    unsigned planes = Get16(ih + 12), bits = Get16(ih + 14);
    uint32_t compression = Get32(ih + 16), clrUsed = Get32(ih + 32);
    if (planes != 1 || w <= 0 || h == 0 || h == INT32_MIN)
        return false;
    uint32_t rows = h < 0 ? (uint32_t)-h : (uint32_t)h;
    if ((uint32_t)w > PICTURE_MAX_SIDE || rows > PICTURE_MAX_SIDE || (unsigned long long)w * rows > PICTURE_MAX_PIXELS)
        return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return false;
    if (compression != BMP_RGB && !(compression == BMP_BITFIELDS && (bits == 16 || bits == 32)))
        return false;

    size_t next = FILE_HEADER + headerBytes;
    if (compression == BMP_BITFIELDS) {
        // A 40-byte header is followed by the three masks; the longer ones hold them.
        const unsigned char* m = ih + 40;
        if (headerBytes == 40) {
            if (size < next + 12)
                return false;
            m = file + next;
            next += 12;
        }
        for (int i = 0; i < 3; i++) {
            out->masks[i] = Get32(m + 4 * i);
            if (!out->masks[i] || (bits == 16 && out->masks[i] > 0xFFFF))
                return false;
        }
    }
    unsigned colours = 0;
    if (bits <= 8) {
        colours = clrUsed ? clrUsed : 1u << bits;
        if (colours > (1u << bits))
            return false;
    }
    size_t tableEnd = next + (size_t)colours * 4;
    uint32_t offBits = Get32(file + 10);
    if (offBits < tableEnd || offBits > size)
        return false;
    unsigned long long stride = (((unsigned long long)w * bits + 31) / 32) * 4;
    unsigned long long bytes = stride * rows;
    if (bytes > size - offBits)
        return false;

    out->width = w;
    out->height = h;
    out->bitCount = bits;
    out->compression = compression;
    out->colours = colours;
    out->tableOffset = next;
    out->bitsOffset = offBits;
    out->bitsBytes = (size_t)bytes;
    // A full size is believed only when this BMP is that picture decoded at M/8 (M < 8):
    // any other pair would distort the picture.
    unsigned fullW = Get16(file + 6), fullH = Get16(file + 8);
    out->fullWidth = w;
    out->fullHeight = (int)rows;
    for (unsigned m = 1; m < 8 && fullW && fullH; m++)
        if (ScaledSide(fullW, m) == (unsigned)w && ScaledSide(fullH, m) == rows) {
            out->fullWidth = (int)fullW;
            out->fullHeight = (int)fullH;
            break;
        }
    return true;
}
