#pragma once
#include <cstddef>
#include <cstdint>

#include "base/Limits.h"
#include "base/PictureKind.h"

enum { QX5_BMP_HEADER = 54, QX5_PIXEL_BYTES = 4 };

// Output of one conversion: the picture turned upright by its orientation, as a 32-bit
// bottom-up BMP (blue, green, red, 255), the layout the display stretches from without
// converting it first.
struct QX5_GEOMETRY {
    int orient;            // 1..8, EXIF meaning
    unsigned srcW, srcH;   // as decoded
    unsigned outW, outH;   // as shown
    size_t stride;         // bytes per output row
    size_t imageBytes;     // stride * outH
    unsigned fullW, fullH; // as shown at full size; larger than outW x outH when decoded smaller
};

// False for an empty or too large picture.
bool Qx5PlanGeometry(QX5_GEOMETRY* g, unsigned w, unsigned h, int orient);
// The smallest M (1..8) at which the picture decoded at M/8 still covers it fitted into a
// box of boxW x boxH as shown (turned by orient); 8 for a picture that already fits.
unsigned Qx5ChooseEighths(unsigned w, unsigned h, int orient, int boxW, int boxH);
// Turns a full-size plan into the plan of the same picture decoded at eighths/8.
void Qx5ScaleGeometry(QX5_GEOMETRY* g, unsigned eighths);
bool Qx5Transposed(int orient);                 // 5..8 turn rows into columns
// Where source pixel (sx, sy) is shown.
void Qx5OrientPoint(const QX5_GEOMETRY* g, unsigned sx, unsigned sy, unsigned* dx, unsigned* dy);
// Source row sy, pixel sx, lands at byte base + sx * step of the BMP pixel data.
void Qx5RowPlacement(const QX5_GEOMETRY* g, unsigned sy, long long* base, long long* step);
// Source rows y0..y1-1 of a picture whose orientation keeps rows rows (1..4) fill one
// contiguous span of the pixel data; false for a turned picture or rows past the end.
bool Qx5BandBlock(const QX5_GEOMETRY* g, unsigned y0, unsigned y1, size_t* start, size_t* bytes);
void Qx5BmpHeader(const QX5_GEOMETRY* g, unsigned char out[QX5_BMP_HEADER]);
// How a decoder hands over its pixels.
enum QX5_PIXELS {
    QX5_BGRA,               // straight alpha (WIC, libwebp's animations)
    QX5_BGRA_PREMULTIPLIED, // colour already multiplied by alpha (libwebp)
    QX5_RGBA,               // libheif
    QX5_RGBA_PREMULTIPLIED,
    QX5_RGB,                // three bytes a pixel, opaque
};
#define QX5_WHITE 0xFFFFFFu
// n pixels laid over the colour back (0x00BBGGRR) by their alpha into opaque 32-bit pixels
// at dst + base + i * step.
void Qx5CompositeRow(const unsigned char* px, unsigned n, QX5_PIXELS kind, uint32_t back, unsigned char* dst,
                     long long base, long long step);

// A picture shrunk to outW x outH as its rows come in, each output pixel the mean of the
// source pixels of its box once they are laid over the colour: what a HALFTONE stretch of
// the whole picture shows, from a BMP a fraction of its size.
struct QX5_REDUCE {
    unsigned srcW, srcH, outW, outH;
    QX5_PIXELS kind;
    uint32_t back;
    uint32_t* sums;         // three per output pixel and a row, from the caller: Qx5ReduceSums
    unsigned row;           // the next source row
    unsigned outRow;        // the output row being summed, and the source row that ends it
    unsigned outEnd, outRem;
    unsigned rowsIn;        // source rows summed into it so far
};
size_t Qx5ReduceSums(unsigned srcW, unsigned outW);   // in uint32_t
// outW x outH no larger than srcW x srcH, none of them 0.
void Qx5ReduceBegin(QX5_REDUCE* r, unsigned srcW, unsigned srcH, unsigned outW, unsigned outH, QX5_PIXELS kind,
                    uint32_t back, uint32_t* sums);
// Adds the next source row; true when that completes output row *outRow, which
// Qx5ReduceEmit then writes.
bool Qx5ReduceRow(QX5_REDUCE* r, const unsigned char* px, unsigned* outRow);
void Qx5ReduceEmit(QX5_REDUCE* r, unsigned char* dst, long long base, long long step);

// Which decoder a picture of this kind goes to first, given the decoders at hand (libheif
// once its DLL loaded); whatever a library refuses as unsupported then goes to WIC, which
// on Windows may have codecs of its own for these formats.
enum QX5_DECODER { QX5_DECODER_WIC, QX5_DECODER_LIBJPEG, QX5_DECODER_LIBWEBP, QX5_DECODER_LIBHEIF };
QX5_DECODER Qx5ChooseDecoder(PICTURE_KIND kind, bool libjpeg, bool libwebp, bool libheif);
// n BGR pixels (24 bits each, as WIC decodes JPEG photos) likewise, without a conversion pass.
void Qx5PlaceBgrRow(const unsigned char* bgr, unsigned n, unsigned char* dst, long long base, long long step);
// n 32-bit pixels whose fourth byte is already 255 (as libjpeg-turbo decodes to BGRX).
void Qx5PlaceBgrxRow(const unsigned char* bgrx, unsigned n, unsigned char* dst, long long base, long long step);
