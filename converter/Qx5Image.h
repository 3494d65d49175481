#pragma once
#include <cstddef>

enum { QX5_BMP_HEADER = 54 };
// Beyond these the output could not be held or written; such pictures are refused.
#define QX5_MAX_PIXELS 200000000ull
#define QX5_MAX_SIDE   1048576u

// Output of one conversion: the picture turned upright by its orientation, as a 24-bit
// bottom-up BMP.
struct QX5_GEOMETRY {
    int orient;            // 1..8, EXIF meaning
    unsigned srcW, srcH;   // as decoded
    unsigned outW, outH;   // as shown
    size_t stride;         // bytes per output row, a multiple of 4
    size_t imageBytes;     // stride * outH
};

// False for an empty or too large picture.
bool Qx5PlanGeometry(QX5_GEOMETRY* g, unsigned w, unsigned h, int orient);
bool Qx5Transposed(int orient);                 // 5..8 turn rows into columns
// Where source pixel (sx, sy) is shown.
void Qx5OrientPoint(const QX5_GEOMETRY* g, unsigned sx, unsigned sy, unsigned* dx, unsigned* dy);
// Source row sy, pixel sx, lands at byte base + sx * step of the BMP pixel data.
void Qx5RowPlacement(const QX5_GEOMETRY* g, unsigned sy, long long* base, long long* step);
// For an orientation that keeps rows rows: the contiguous span of pixel data that source
// rows y0..y1-1 fill. False for the transposed orientations.
bool Qx5StripBlock(const QX5_GEOMETRY* g, unsigned y0, unsigned y1, size_t* start, size_t* bytes);
void Qx5BmpHeader(const QX5_GEOMETRY* g, unsigned char out[QX5_BMP_HEADER]);
// n straight-alpha BGRA pixels over white into 24-bit BGR pixels at dst + base + i * step.
void Qx5CompositeRow(const unsigned char* bgra, unsigned n, unsigned char* dst, long long base, long long step);
