#pragma once
#include <cstddef>

enum { QX5_BMP_HEADER = 54, QX5_PIXEL_BYTES = 4 };
// Beyond these the output could not be held or written; such pictures are refused.
#define QX5_MAX_PIXELS 200000000ull
#define QX5_MAX_SIDE   1048576u

// Output of one conversion: the picture turned upright by its orientation, as a 32-bit
// bottom-up BMP (blue, green, red, 255), the layout the display stretches from without
// converting it first.
struct QX5_GEOMETRY {
    int orient;            // 1..8, EXIF meaning
    unsigned srcW, srcH;   // as decoded
    unsigned outW, outH;   // as shown
    size_t stride;         // bytes per output row
    size_t imageBytes;     // stride * outH
};

// False for an empty or too large picture.
bool Qx5PlanGeometry(QX5_GEOMETRY* g, unsigned w, unsigned h, int orient);
bool Qx5Transposed(int orient);                 // 5..8 turn rows into columns
// Where source pixel (sx, sy) is shown.
void Qx5OrientPoint(const QX5_GEOMETRY* g, unsigned sx, unsigned sy, unsigned* dx, unsigned* dy);
// Source row sy, pixel sx, lands at byte base + sx * step of the BMP pixel data.
void Qx5RowPlacement(const QX5_GEOMETRY* g, unsigned sy, long long* base, long long* step);
// The source is read in bands that fill whole output rows: full-width rows y0..y1-1 when
// the orientation keeps rows rows, full-height columns x0..x1-1 when it turns them.
// The contiguous span of pixel data that band fills; false for any other rectangle.
bool Qx5BandBlock(const QX5_GEOMETRY* g, unsigned x0, unsigned y0, unsigned x1, unsigned y1, size_t* start,
                  size_t* bytes);
void Qx5BmpHeader(const QX5_GEOMETRY* g, unsigned char out[QX5_BMP_HEADER]);
// n straight-alpha BGRA pixels over white into opaque 32-bit pixels at dst + base + i * step.
void Qx5CompositeRow(const unsigned char* bgra, unsigned n, unsigned char* dst, long long base, long long step);
// n BGR pixels (24 bits each, as JPEG photos decode) likewise, without a conversion pass.
void Qx5PlaceBgrRow(const unsigned char* bgr, unsigned n, unsigned char* dst, long long base, long long step);
