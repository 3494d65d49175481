#include "converter/Qx5Image.h"
#include "converter/Qx5Message.h"
#include "base/PictureFit.h"
#include <gtest/gtest.h>
#include <cstring>
#include <vector>

static unsigned Get32(const unsigned char* p)
{
    return p[0] | p[1] << 8 | p[2] << 16 | (unsigned)p[3] << 24;
}

TEST(ConverterImage, GeometrySizesAndLimits)
{
    QX5_GEOMETRY g;
    ASSERT_TRUE(Qx5PlanGeometry(&g, 5, 3, 1));
    EXPECT_EQ(5u, g.outW);
    EXPECT_EQ(3u, g.outH);
    EXPECT_EQ(20u, g.stride);          // four bytes a pixel, never padding
    EXPECT_EQ(60u, g.imageBytes);
    ASSERT_TRUE(Qx5PlanGeometry(&g, 5, 3, 6));
    EXPECT_EQ(3u, g.outW);
    EXPECT_EQ(5u, g.outH);
    EXPECT_EQ(12u, g.stride);
    EXPECT_EQ(60u, g.imageBytes);
    ASSERT_TRUE(Qx5PlanGeometry(&g, 4, 4, 42));   // nonsense orientation: upright
    EXPECT_EQ(1, g.orient);

    ASSERT_TRUE(Qx5PlanGeometry(&g, 8000, 6000, 8));
    EXPECT_EQ(6000u, g.outW);
    EXPECT_EQ(192000000u, g.imageBytes);

    EXPECT_FALSE(Qx5PlanGeometry(&g, 0, 10, 1));
    EXPECT_FALSE(Qx5PlanGeometry(&g, 10, 0, 1));
    EXPECT_FALSE(Qx5PlanGeometry(&g, 20000, 10001, 1));          // just over 200 MP
    EXPECT_TRUE(Qx5PlanGeometry(&g, 20000, 10000, 1));
    EXPECT_FALSE(Qx5PlanGeometry(&g, PICTURE_MAX_SIDE + 1, 1, 1));
    EXPECT_FALSE(Qx5PlanGeometry(&g, 0xFFFFFFFFu, 0xFFFFFFFFu, 1));
}

TEST(ConverterImage, HeaderIsA32BitBottomUpBmp)
{
    QX5_GEOMETRY g;
    ASSERT_TRUE(Qx5PlanGeometry(&g, 7, 2, 1));
    unsigned char h[QX5_BMP_HEADER];
    memset(h, 0xCC, sizeof(h));
    Qx5BmpHeader(&g, h);
    EXPECT_EQ('B', h[0]);
    EXPECT_EQ('M', h[1]);
    EXPECT_EQ(54u + 28u * 2, Get32(h + 2));
    EXPECT_EQ(0u, Get32(h + 6));
    EXPECT_EQ(54u, Get32(h + 10));
    EXPECT_EQ(40u, Get32(h + 14));
    EXPECT_EQ(7u, Get32(h + 18));
    EXPECT_EQ(2u, Get32(h + 22));
    EXPECT_EQ(1, h[26] | h[27] << 8);
    EXPECT_EQ(32, h[28] | h[29] << 8);
    EXPECT_EQ(0u, Get32(h + 30));      // BI_RGB
    EXPECT_EQ(56u, Get32(h + 34));
    EXPECT_EQ(0u, Get32(h + 46));
    EXPECT_EQ(0u, Get32(h + 50));
}

// Every orientation, odd sizes: the fast row placement puts every source pixel exactly
// where the point mapping says, and the stored image is the upright one.
TEST(ConverterImage, RowPlacementMatchesEveryOrientation)
{
    const unsigned W = 5, H = 3;
    for (int o = 1; o <= 8; o++) {
        QX5_GEOMETRY g;
        ASSERT_TRUE(Qx5PlanGeometry(&g, W, H, o));
        std::vector<unsigned char> out(g.imageBytes, 0);
        for (unsigned sy = 0; sy < H; sy++) {
            std::vector<unsigned char> row(W * 4);
            for (unsigned sx = 0; sx < W; sx++) {
                row[sx * 4 + 0] = (unsigned char)sx;
                row[sx * 4 + 1] = (unsigned char)sy;
                row[sx * 4 + 2] = 200;
                row[sx * 4 + 3] = 255;
            }
            long long base, step;
            Qx5RowPlacement(&g, sy, &base, &step);
            Qx5CompositeRow(row.data(), W, QX5_BGRA, QX5_WHITE, out.data(), base, step);
        }
        for (unsigned sy = 0; sy < H; sy++)
            for (unsigned sx = 0; sx < W; sx++) {
                unsigned dx, dy;
                Qx5OrientPoint(&g, sx, sy, &dx, &dy);
                ASSERT_LT(dx, g.outW);
                ASSERT_LT(dy, g.outH);
                const unsigned char* p = out.data() + (g.outH - 1 - dy) * g.stride + dx * 4;
                EXPECT_EQ(sx, p[0]) << "o=" << o;
                EXPECT_EQ(sy, p[1]) << "o=" << o;
                EXPECT_EQ(200, p[2]);
                EXPECT_EQ(255, p[3]);
            }
    }
    // Orientation 6 (turned right): the source's top-left pixel is shown top-right,
    // the source's bottom-left pixel top-left.
    QX5_GEOMETRY g;
    Qx5PlanGeometry(&g, W, H, 6);
    unsigned dx, dy;
    Qx5OrientPoint(&g, 0, 0, &dx, &dy);
    EXPECT_EQ(H - 1, dx);
    EXPECT_EQ(0u, dy);
    Qx5OrientPoint(&g, 0, H - 1, &dx, &dy);
    EXPECT_EQ(0u, dx);
    Qx5OrientPoint(&g, W - 1, 0, &dx, &dy);   // the source's top-right ends bottom-right
    EXPECT_EQ(H - 1, dx);
    EXPECT_EQ(W - 1, dy);
    Qx5PlanGeometry(&g, W, H, 8);
    Qx5OrientPoint(&g, 0, 0, &dx, &dy);       // turned left: top-left goes bottom-left
    EXPECT_EQ(0u, dx);
    EXPECT_EQ(W - 1, dy);
}

// Bands of rows of the orientations that keep rows fill one contiguous span each, every
// source pixel of a band lands inside its span, and the spans of all bands tile the pixel
// data exactly once. Turned pictures have no row bands.
TEST(ConverterImage, BandBlocksTileThePixelData)
{
    const unsigned W = 3, H = 10;
    for (int o = 1; o <= 4; o++) {
        QX5_GEOMETRY g;
        ASSERT_TRUE(Qx5PlanGeometry(&g, W, H, o));
        std::vector<int> hits(g.imageBytes, 0);
        for (unsigned y0 = 0; y0 < H; y0 += 3) {
            unsigned y1 = y0 + 3 < H ? y0 + 3 : H;
            size_t start, bytes;
            ASSERT_TRUE(Qx5BandBlock(&g, y0, y1, &start, &bytes)) << "o=" << o;
            ASSERT_LE(start + bytes, g.imageBytes);
            for (size_t b = start; b < start + bytes; b++)
                hits[b]++;
            for (unsigned y = y0; y < y1; y++) {
                long long base, step;
                Qx5RowPlacement(&g, y, &base, &step);
                for (unsigned x = 0; x < W; x++) {
                    long long at = base + step * x;
                    EXPECT_GE(at, (long long)start) << "o=" << o;
                    EXPECT_LE(at + 4, (long long)(start + bytes)) << "o=" << o;
                }
            }
        }
        for (int h : hits)
            ASSERT_EQ(1, h) << "o=" << o;
    }
    QX5_GEOMETRY g;
    size_t s, b;
    Qx5PlanGeometry(&g, W, H, 6);
    EXPECT_FALSE(Qx5BandBlock(&g, 0, 4, &s, &b));     // rows of a turned picture
    Qx5PlanGeometry(&g, W, H, 1);
    EXPECT_FALSE(Qx5BandBlock(&g, 8, 11, &s, &b));    // past the end
}

// The scale a photo is decoded at: the smallest M/8 whose output still covers the picture
// as fitted into the box, turned as shown.
TEST(ConverterImage, ScaleCoversThePictureFittedIntoTheBox)
{
    struct { unsigned w, h; int orient, boxW; unsigned m; } cases[] = {
        {1920, 1080, 1, 1870, 8},    // fitted 1724 x 970: 7/8 would be 1680 wide
        {4000, 3000, 1, 1870, 3},    // 1293 x 970: 2/8 is 1000 x 750, 3/8 1500 x 1125
        {6000, 4000, 1, 1870, 2},    // 1455 x 970 <= 1500 x 1000
        {8000, 6000, 6, 1870, 1},    // turned: 727 x 970 <= 750 x 1000
        {6000, 4000, 8, 1870, 2},    // turned: 646 x 970; 1/8 is 500 wide
        {1800, 900, 1, 1870, 8},     // fits: full size
        {16000, 1000, 1, 1870, 1},   // a panorama: 1870 x 116 <= 2000 x 125
        {1870, 971, 1, 1870, 8},     // a pixel too tall: 1868 x 970 needs all of it
        {3000, 2000, 1, 0, 8},       // no box: full size
    };
    for (auto& c : cases) {
        unsigned m = Qx5ChooseEighths(c.w, c.h, c.orient, c.boxW, 970);
        EXPECT_EQ(c.m, m) << c.w << "x" << c.h << " o=" << c.orient;
        QX5_GEOMETRY g;
        ASSERT_TRUE(Qx5PlanGeometry(&g, c.w, c.h, c.orient));
        unsigned shownW = g.outW, shownH = g.outH;
        Qx5ScaleGeometry(&g, m);
        EXPECT_EQ((size_t)ScaledSide(shownW, m) * 4 * ScaledSide(shownH, m), g.imageBytes);
    }
}

// Each layout a decoder hands over, laid over white (the plain request) and over a colour:
// opaque as it is, clear the colour, partly clear blended by its alpha.
TEST(ConverterImage, TransparencyGoesOverTheColour)
{
    const uint32_t pink = 0xA0C0FF;   // 0x00BBGGRR: red FF, green C0, blue A0
    struct { QX5_PIXELS kind; unsigned char px[4]; uint32_t back; unsigned char bgr[3]; } cases[] = {
        {QX5_BGRA, {10, 20, 30, 255}, pink, {10, 20, 30}},
        {QX5_BGRA, {10, 20, 30, 0}, QX5_WHITE, {255, 255, 255}},
        {QX5_BGRA, {10, 20, 30, 0}, pink, {0xA0, 0xC0, 0xFF}},
        {QX5_BGRA, {0, 0, 0, 128}, QX5_WHITE, {127, 127, 127}},
        {QX5_BGRA, {0, 0, 255, 64}, QX5_WHITE, {191, 191, 255}},
        {QX5_BGRA, {0, 0, 0, 128}, pink, {80, 96, 127}},
        {QX5_RGBA, {0, 0, 255, 64}, pink, {184, 144, 191}},         // a quarter blue
        {QX5_BGRA_PREMULTIPLIED, {0, 0, 64, 64}, pink, {120, 144, 255}},
        {QX5_RGBA_PREMULTIPLIED, {0, 0, 64, 64}, pink, {184, 144, 191}},
        {QX5_BGRA_PREMULTIPLIED, {200, 0, 0, 64}, QX5_WHITE, {255, 191, 191}},   // damaged: kept in a byte
        {QX5_RGB, {1, 2, 3, 99}, pink, {3, 2, 1}},
    };
    for (auto& c : cases) {
        unsigned char out[4] = {};
        Qx5CompositeRow(c.px, 1, c.kind, c.back, out, 0, 4);
        EXPECT_EQ(c.bgr[0], out[0]) << c.kind << " a=" << (int)c.px[3];
        EXPECT_EQ(c.bgr[1], out[1]) << c.kind << " a=" << (int)c.px[3];
        EXPECT_EQ(c.bgr[2], out[2]) << c.kind << " a=" << (int)c.px[3];
        EXPECT_EQ(255, out[3]);
    }

    // A JPEG's BGR pixels are placed as they are, right to left here.
    unsigned char out[16];
    const unsigned char bgr[] = {1, 2, 3, 4, 5, 6};
    Qx5PlaceBgrRow(bgr, 2, out, 4, -4);
    const unsigned char placed[] = {4, 5, 6, 255, 1, 2, 3, 255};
    for (int i = 0; i < 8; i++)
        EXPECT_EQ(placed[i], out[i]) << i;
}

// A picture shrunk by eighths: every output pixel the mean of its box over the colour, the
// boxes tiling the source exactly (7 x 5 to 3 x 2: columns of 2, 2, 3, rows of 2, 3).
TEST(ConverterImage, ReductionAveragesBoxesOverTheColour)
{
    const unsigned W = 7, H = 5;
    std::vector<uint32_t> sums(Qx5ReduceSums(W, 3));
    QX5_REDUCE r;
    Qx5ReduceBegin(&r, W, H, 3, 2, QX5_BGRA, 0x000000, sums.data());
    unsigned char out[2][3 * 4] = {};
    int emitted = 0;
    for (unsigned y = 0; y < H; y++) {
        unsigned char row[W * 4];
        for (unsigned x = 0; x < W; x++) {
            row[x * 4] = (unsigned char)(10 * x + y);   // blue: a ramp
            row[x * 4 + 1] = 200;
            row[x * 4 + 2] = 90;
            row[x * 4 + 3] = x == 6 ? 0 : 255;          // the last column clear: black
        }
        unsigned oy = 99;
        if (Qx5ReduceRow(&r, row, &oy)) {
            ASSERT_EQ((unsigned)emitted, oy);
            Qx5ReduceEmit(&r, out[oy], 0, 4);
            emitted++;
        }
    }
    ASSERT_EQ(2, emitted);
    const int blue[2][3] = {{6, 26, 30}, {8, 28, 32}};   // the mean of 10x + y over each box, the clear pixels black
    const int green[3] = {200, 200, 133};
    for (int oy = 0; oy < 2; oy++)
        for (int ox = 0; ox < 3; ox++) {
            EXPECT_EQ(blue[oy][ox], out[oy][ox * 4]) << ox << "," << oy;
            EXPECT_EQ(green[ox], out[oy][ox * 4 + 1]) << ox << "," << oy;
            EXPECT_EQ(255, out[oy][ox * 4 + 3]);
        }
}

// The first decoder of each kind; without its library (or libheif's DLL) WIC.
TEST(ConverterImage, DecoderByKindAndLibraries)
{
    struct { PICTURE_KIND kind; bool jpeg, webp, heif; QX5_DECODER want; } cases[] = {
        {PICTURE_JPEG, true, true, true, QX5_DECODER_LIBJPEG},
        {PICTURE_JPEG, false, true, true, QX5_DECODER_WIC},
        {PICTURE_WEBP, true, true, true, QX5_DECODER_LIBWEBP},
        {PICTURE_WEBP, true, false, true, QX5_DECODER_WIC},
        {PICTURE_HEIF, true, true, true, QX5_DECODER_LIBHEIF},
        {PICTURE_AVIF, true, true, true, QX5_DECODER_LIBHEIF},
        {PICTURE_AVIF, true, true, false, QX5_DECODER_WIC},
        {PICTURE_PNG, true, true, true, QX5_DECODER_WIC},
        {PICTURE_UNKNOWN, true, true, true, QX5_DECODER_WIC},
        {PICTURE_OTHER, true, true, true, QX5_DECODER_WIC},
    };
    for (auto& c : cases)
        EXPECT_EQ(c.want, Qx5ChooseDecoder(c.kind, c.jpeg, c.webp, c.heif)) << c.kind;
}

TEST(ConverterMessage, PathBlockChecks)
{
    char out[CONVERTER_DEST_BYTES];
    char block[CONVERTER_DEST_BYTES] = {};
    const char* good = "C:\\Kotopane\\個人設定\\Gazou.bmp";
    strcpy(block, good);
    EXPECT_EQ(QX5_BLOCK_OK, Qx5CheckPathBlock(block, sizeof(block), out));
    EXPECT_STREQ(good, out);

    strcpy(block, "\\\\server\\share\\表ソ.bmp");   // trail bytes 0x5C inside
    EXPECT_EQ(QX5_BLOCK_OK, Qx5CheckPathBlock(block, sizeof(block), out));

    EXPECT_EQ(QX5_BLOCK_SIZE, Qx5CheckPathBlock(block, 259, out));
    EXPECT_EQ(QX5_BLOCK_SIZE, Qx5CheckPathBlock(block, 261, out));
    EXPECT_EQ(QX5_BLOCK_SIZE, Qx5CheckPathBlock(nullptr, 260, out));
    EXPECT_EQ(0, out[0]);

    memset(block, 'a', sizeof(block));
    EXPECT_EQ(QX5_BLOCK_UNTERMINATED, Qx5CheckPathBlock(block, sizeof(block), out));
    block[259] = 0;
    EXPECT_EQ(QX5_BLOCK_NOT_ABSOLUTE, Qx5CheckPathBlock(block, sizeof(block), out));
    memset(block, 0, sizeof(block));
    EXPECT_EQ(QX5_BLOCK_EMPTY, Qx5CheckPathBlock(block, sizeof(block), out));

    strcpy(block, "relative\\Gazou.bmp");
    EXPECT_EQ(QX5_BLOCK_NOT_ABSOLUTE, Qx5CheckPathBlock(block, sizeof(block), out));
    strcpy(block, "C:Gazou.bmp");
    EXPECT_EQ(QX5_BLOCK_NOT_ABSOLUTE, Qx5CheckPathBlock(block, sizeof(block), out));

    // A lead byte at the end, a lead byte before a byte that can't follow it, stray bytes.
    const char* bad[] = {"C:\\a\x95", "C:\\a\x95\x20", "C:\\a\x80", "C:\\a\xA0", "C:\\a\xFD",
                         "C:\\a\tb", "C:\\a\x7F"};
    for (const char* s : bad) {
        memset(block, 0, sizeof(block));
        strcpy(block, s);
        EXPECT_EQ(QX5_BLOCK_BAD_TEXT, Qx5CheckPathBlock(block, sizeof(block), out)) << s;
    }
    // A path of 259 bytes plus its terminator is the longest that fits.
    memset(block, 0, sizeof(block));
    strcpy(block, "C:\\");
    memset(block + 3, 'x', 256);
    EXPECT_EQ(QX5_BLOCK_OK, Qx5CheckPathBlock(block, sizeof(block), out));
    EXPECT_EQ(259u, strlen(out));
    // Half-width katakana are single bytes and fine.
    EXPECT_TRUE(Qx5ValidCp932Path("C:\\\xB1\xB2", 5));

    // Kotopane's request: the same block with the colour after it, only under its tag.
    CONVERTER_CONVERT_REQUEST req = {};
    strcpy(req.destination, good);
    req.backColour = 0x123456;
    uint32_t back = 0;
    EXPECT_EQ(QX5_BLOCK_OK, Qx5CheckRequest(CONVERTER_CONVERT_OVER_COLOUR, &req, sizeof(req), out, &back));
    EXPECT_STREQ(good, out);
    EXPECT_EQ(0x123456u, back);
    EXPECT_EQ(QX5_BLOCK_OK, Qx5CheckRequest(77, &req, CONVERTER_DEST_BYTES, out, &back));
    EXPECT_EQ(QX5_WHITE, back) << "the plain block: over white, whatever dwData holds";
    EXPECT_EQ(QX5_BLOCK_TAG, Qx5CheckRequest(77, &req, sizeof(req), out, &back));
    EXPECT_EQ(QX5_BLOCK_SIZE, Qx5CheckRequest(CONVERTER_CONVERT_OVER_COLOUR, &req, sizeof(req) + 1, out, &back));
    req.backColour = 0x01000000;
    EXPECT_EQ(QX5_BLOCK_BAD_COLOUR, Qx5CheckRequest(CONVERTER_CONVERT_OVER_COLOUR, &req, sizeof(req), out, &back));
    req.backColour = 0;
    memset(req.destination, 'a', sizeof(req.destination));
    EXPECT_EQ(QX5_BLOCK_UNTERMINATED, Qx5CheckRequest(CONVERTER_CONVERT_OVER_COLOUR, &req, sizeof(req), out, &back));
    EXPECT_EQ(0, out[0]);
    EXPECT_EQ(QX5_WHITE, back);
}
