#include "converter/Qx5Image.h"

#include <string.h>

#include "base/PictureFit.h"

bool Qx5Transposed(int orient)
{
    return orient >= 5 && orient <= 8;
}

bool Qx5PlanGeometry(QX5_GEOMETRY* g, unsigned w, unsigned h, int orient)
{
    if (orient < 1 || orient > 8)
        orient = 1;
    if (w == 0 || h == 0 || w > PICTURE_MAX_SIDE || h > PICTURE_MAX_SIDE
        || (unsigned long long)w * h > PICTURE_MAX_PIXELS)
        return false;
    g->orient = orient;
    g->srcW = w;
    g->srcH = h;
    g->outW = Qx5Transposed(orient) ? h : w;
    g->outH = Qx5Transposed(orient) ? w : h;
    g->stride = (size_t)g->outW * QX5_PIXEL_BYTES;
    unsigned long long bytes = (unsigned long long)g->stride * g->outH;
    // The BMP header holds the file size in 32 bits.
    if (bytes > 0xFFFFFFFFull - QX5_BMP_HEADER)
        return false;
    g->imageBytes = (size_t)bytes;
    g->fullW = g->outW;
    g->fullH = g->outH;
    return true;
}

unsigned Qx5ChooseEighths(unsigned w, unsigned h, int orient, int boxW, int boxH)
{
    bool turned = Qx5Transposed(orient);
    unsigned shownW = turned ? h : w, shownH = turned ? w : h;
    if (boxW <= 0 || boxH <= 0 || shownW == 0 || shownH == 0 || shownW > PICTURE_MAX_SIDE || shownH > PICTURE_MAX_SIDE)
        return 8;
    PICTURE_PLACE p = PlacePicture(boxW, boxH, (int)shownW, (int)shownH);
    for (unsigned m = 1; m < 8; m++)
        if (ScaledSide(shownW, m) >= (unsigned)p.width && ScaledSide(shownH, m) >= (unsigned)p.height)
            return m;
    return 8;
}

void Qx5ScaleGeometry(QX5_GEOMETRY* g, unsigned eighths)
{
    // Smaller than the full plan, which passed every bound.
    g->srcW = ScaledSide(g->srcW, eighths);
    g->srcH = ScaledSide(g->srcH, eighths);
    bool turned = Qx5Transposed(g->orient);
    g->outW = turned ? g->srcH : g->srcW;
    g->outH = turned ? g->srcW : g->srcH;
    g->stride = (size_t)g->outW * QX5_PIXEL_BYTES;
    g->imageBytes = g->stride * g->outH;
}

void Qx5OrientPoint(const QX5_GEOMETRY* g, unsigned sx, unsigned sy, unsigned* dx, unsigned* dy)
{
    unsigned W = g->srcW, H = g->srcH;
    switch (g->orient) {
    case 2: *dx = W - 1 - sx; *dy = sy; break;
    case 3: *dx = W - 1 - sx; *dy = H - 1 - sy; break;
    case 4: *dx = sx; *dy = H - 1 - sy; break;
    case 5: *dx = sy; *dy = sx; break;
    case 6: *dx = H - 1 - sy; *dy = sx; break;
    case 7: *dx = H - 1 - sy; *dy = W - 1 - sx; break;
    case 8: *dx = sy; *dy = W - 1 - sx; break;
    default: *dx = sx; *dy = sy; break;
    }
}

void Qx5RowPlacement(const QX5_GEOMETRY* g, unsigned sy, long long* base, long long* step)
{
    // How the shown point moves per source pixel along the row.
    static const int kStepX[9] = {0, 1, -1, -1, 1, 0, 0, 0, 0};
    static const int kStepY[9] = {0, 0, 0, 0, 0, 1, 1, -1, -1};
    unsigned dx, dy;
    Qx5OrientPoint(g, 0, sy, &dx, &dy);
    long long stride = (long long)g->stride;
    // Bottom-up rows: shown row dy is stored as row outH - 1 - dy.
    *base = (long long)(g->outH - 1 - dy) * stride + (long long)dx * QX5_PIXEL_BYTES;
    *step = (long long)kStepX[g->orient] * QX5_PIXEL_BYTES - (long long)kStepY[g->orient] * stride;
}

bool Qx5BandBlock(const QX5_GEOMETRY* g, unsigned y0, unsigned y1, size_t* start, size_t* bytes)
{
    if (y0 >= y1 || y1 > g->srcH || Qx5Transposed(g->orient))
        return false;
    // Bottom-up rows: the band's last shown row is stored first.
    unsigned dx, dyA, dyB;
    Qx5OrientPoint(g, 0, y0, &dx, &dyA);
    Qx5OrientPoint(g, 0, y1 - 1, &dx, &dyB);
    unsigned dyMax = dyA > dyB ? dyA : dyB;
    *start = (size_t)(g->outH - 1 - dyMax) * g->stride;
    *bytes = (size_t)(y1 - y0) * g->stride;
    return true;
}

static void Qx5Put16(unsigned char* p, unsigned v)
{
    p[0] = (unsigned char)v;
    p[1] = (unsigned char)(v >> 8);
}

static void Qx5Put32(unsigned char* p, unsigned long v)
{
    for (int i = 0; i < 4; i++)
        p[i] = (unsigned char)(v >> (8 * i));
}

void Qx5BmpHeader(const QX5_GEOMETRY* g, unsigned char out[QX5_BMP_HEADER])
{
    for (int i = 0; i < QX5_BMP_HEADER; i++)
        out[i] = 0;
    out[0] = 'B';
    out[1] = 'M';
    Qx5Put32(out + 2, (unsigned long)(QX5_BMP_HEADER + g->imageBytes));
    // The full size of a picture decoded smaller, in the two reserved words (see
    // converter/Qx5Protocol.h); JPEG sides always fit in them.
    if ((g->fullW != g->outW || g->fullH != g->outH) && g->fullW <= 0xFFFF && g->fullH <= 0xFFFF) {
        Qx5Put16(out + 6, g->fullW);
        Qx5Put16(out + 8, g->fullH);
    }
    Qx5Put32(out + 10, QX5_BMP_HEADER);
    Qx5Put32(out + 14, 40);                 // BITMAPINFOHEADER
    Qx5Put32(out + 18, g->outW);
    Qx5Put32(out + 22, g->outH);            // positive: bottom-up
    Qx5Put16(out + 26, 1);
    Qx5Put16(out + 28, 8 * QX5_PIXEL_BYTES);
    Qx5Put32(out + 34, (unsigned long)g->imageBytes);
    Qx5Put32(out + 38, 2835);               // 72 dpi
    Qx5Put32(out + 42, 2835);
}

// One pixel of a source layout over the colour; the output's fourth byte is unused in this
// format, and set so that readers that take it for alpha see opaque.
template <int B, int G, int R, int BYTES, bool PREMULTIPLIED>
static void Qx5Over(const unsigned char* px, unsigned n, const unsigned char back[3], unsigned char* dst,
                    long long base, long long step)
{
    long long at = base;
    for (unsigned i = 0; i < n; i++, px += BYTES, at += step) {
        unsigned char* p = dst + at;
        unsigned a = BYTES == 4 ? px[3] : 255;
        if (a == 255) {
            p[0] = px[B];
            p[1] = px[G];
            p[2] = px[R];
        } else if (PREMULTIPLIED) {
            // A damaged picture may hold colours above its alpha: kept within a byte.
            for (int c = 0; c < 3; c++) {
                unsigned v = px[c == 0 ? B : c == 1 ? G : R] + (back[c] * (255 - a) + 127) / 255;
                p[c] = (unsigned char)(v > 255 ? 255 : v);
            }
        } else {
            p[0] = (unsigned char)((px[B] * a + back[0] * (255 - a) + 127) / 255);
            p[1] = (unsigned char)((px[G] * a + back[1] * (255 - a) + 127) / 255);
            p[2] = (unsigned char)((px[R] * a + back[2] * (255 - a) + 127) / 255);
        }
        p[3] = 255;
    }
}

void Qx5CompositeRow(const unsigned char* px, unsigned n, QX5_PIXELS kind, uint32_t back, unsigned char* dst,
                     long long base, long long step)
{
    const unsigned char bgr[3] = {(unsigned char)(back >> 16), (unsigned char)(back >> 8), (unsigned char)back};
    switch (kind) {
    case QX5_BGRA: Qx5Over<0, 1, 2, 4, false>(px, n, bgr, dst, base, step); break;
    case QX5_BGRA_PREMULTIPLIED: Qx5Over<0, 1, 2, 4, true>(px, n, bgr, dst, base, step); break;
    case QX5_RGBA: Qx5Over<2, 1, 0, 4, false>(px, n, bgr, dst, base, step); break;
    case QX5_RGBA_PREMULTIPLIED: Qx5Over<2, 1, 0, 4, true>(px, n, bgr, dst, base, step); break;
    case QX5_RGB: Qx5Over<2, 1, 0, 3, false>(px, n, bgr, dst, base, step); break;
    }
}

size_t Qx5ReduceSums(unsigned srcW, unsigned outW)
{
    // The sums, then a source row laid over the colour.
    return (size_t)outW * 3 + srcW;
}

// The boxes of the output: output pixel k covers source pixels floor(k * src / out) up to
// floor((k + 1) * src / out), stepped without a division per pixel.
struct QX5_SPAN {
    unsigned q, r, out, end, rem;
};

static void Qx5SpanStart(QX5_SPAN* s, unsigned src, unsigned out)
{
    s->q = src / out;
    s->r = src % out;
    s->out = out;
    s->end = 0;
    s->rem = 0;
}

static unsigned Qx5SpanNext(QX5_SPAN* s)
{
    unsigned start = s->end;
    s->end += s->q;
    s->rem += s->r;
    if (s->rem >= s->out) {
        s->rem -= s->out;
        s->end++;
    }
    return s->end - start;
}

void Qx5ReduceBegin(QX5_REDUCE* r, unsigned srcW, unsigned srcH, unsigned outW, unsigned outH, QX5_PIXELS kind,
                    uint32_t back, uint32_t* sums)
{
    r->srcW = srcW;
    r->srcH = srcH;
    r->outW = outW;
    r->outH = outH;
    r->kind = kind;
    r->back = back;
    r->sums = sums;
    r->row = 0;
    r->outRow = 0;
    r->rowsIn = 0;
    QX5_SPAN rows;
    Qx5SpanStart(&rows, srcH, outH);
    Qx5SpanNext(&rows);
    r->outEnd = rows.end;
    r->outRem = rows.rem;
    memset(sums, 0, (size_t)outW * 3 * sizeof(uint32_t));
}

// Sums a row of a layout into the boxes, one box at a time.
template <int B, int G, int R, int BYTES>
static void Qx5SumRow(const unsigned char* px, unsigned srcW, unsigned outW, uint32_t* sums)
{
    QX5_SPAN cols;
    Qx5SpanStart(&cols, srcW, outW);
    for (unsigned k = 0; k < outW; k++, sums += 3) {
        uint32_t b = 0, g = 0, r = 0;
        for (unsigned n = Qx5SpanNext(&cols); n > 0; n--, px += BYTES) {
            b += px[B];
            g += px[G];
            r += px[R];
        }
        sums[0] += b;
        sums[1] += g;
        sums[2] += r;
    }
}

bool Qx5ReduceRow(QX5_REDUCE* r, const unsigned char* px, unsigned* outRow)
{
    if (r->row >= r->srcH)
        return false;
    if (r->kind == QX5_RGB) {
        Qx5SumRow<2, 1, 0, 3>(px, r->srcW, r->outW, r->sums);
    } else {
        // Laid over the colour first: the mean of what is shown.
        unsigned char* over = (unsigned char*)(r->sums + (size_t)r->outW * 3);
        Qx5CompositeRow(px, r->srcW, r->kind, r->back, over, 0, 4);
        Qx5SumRow<0, 1, 2, 4>(over, r->srcW, r->outW, r->sums);
    }
    r->row++;
    r->rowsIn++;
    if (r->row < r->outEnd)
        return false;
    *outRow = r->outRow;
    return true;
}

void Qx5ReduceEmit(QX5_REDUCE* r, unsigned char* dst, long long base, long long step)
{
    QX5_SPAN cols;
    Qx5SpanStart(&cols, r->srcW, r->outW);
    long long at = base;
    for (unsigned k = 0; k < r->outW; k++, at += step) {
        unsigned count = Qx5SpanNext(&cols) * r->rowsIn;
        uint32_t* sum = r->sums + (size_t)k * 3;
        unsigned char* p = dst + at;
        for (int c = 0; c < 3; c++) {
            p[c] = (unsigned char)((sum[c] + count / 2) / count);
            sum[c] = 0;
        }
        p[3] = 255;
    }
    // The next output row's end, one row span further.
    QX5_SPAN rows = {r->srcH / r->outH, r->srcH % r->outH, r->outH, r->outEnd, r->outRem};
    Qx5SpanNext(&rows);
    r->outEnd = rows.end;
    r->outRem = rows.rem;
    r->outRow++;
    r->rowsIn = 0;
}

QX5_DECODER Qx5ChooseDecoder(PICTURE_KIND kind, bool libjpeg, bool libwebp, bool libheif)
{
    switch (kind) {
    case PICTURE_JPEG: return libjpeg ? QX5_DECODER_LIBJPEG : QX5_DECODER_WIC;
    case PICTURE_WEBP: return libwebp ? QX5_DECODER_LIBWEBP : QX5_DECODER_WIC;
    case PICTURE_HEIF:
    case PICTURE_AVIF: return libheif ? QX5_DECODER_LIBHEIF : QX5_DECODER_WIC;
    default: return QX5_DECODER_WIC;
    }
}

void Qx5PlaceBgrRow(const unsigned char* bgr, unsigned n, unsigned char* dst, long long base, long long step)
{
    long long at = base;
    for (unsigned i = 0; i < n; i++, bgr += 3, at += step) {
        unsigned char* p = dst + at;
        p[0] = bgr[0];
        p[1] = bgr[1];
        p[2] = bgr[2];
        p[3] = 255;
    }
}

void Qx5PlaceBgrxRow(const unsigned char* bgrx, unsigned n, unsigned char* dst, long long base, long long step)
{
    long long at = base;
    for (unsigned i = 0; i < n; i++, bgrx += 4, at += step)
        memcpy(dst + at, bgrx, 4);
}
