#include "converter/Exif.h"
#include <gtest/gtest.h>
#include <ctime>
#include <random>
#include <vector>

typedef std::vector<unsigned char> Bytes;

static void Put16(Bytes& b, unsigned v, bool big)
{
    if (big) { b.push_back((unsigned char)(v >> 8)); b.push_back((unsigned char)v); }
    else { b.push_back((unsigned char)v); b.push_back((unsigned char)(v >> 8)); }
}

static void Put32(Bytes& b, unsigned long v, bool big)
{
    for (int i = 0; i < 4; i++)
        b.push_back((unsigned char)(v >> (big ? 24 - 8 * i : 8 * i)));
}

// A TIFF block with IFD0 holding a few tags, the orientation among them.
static Bytes Tiff(bool big, unsigned orient, unsigned type = 3, unsigned long ifdOffset = 8)
{
    Bytes t;
    t.push_back(big ? 'M' : 'I');
    t.push_back(big ? 'M' : 'I');
    Put16(t, 42, big);
    Put32(t, ifdOffset, big);
    while (t.size() < ifdOffset)
        t.push_back(0);
    Put16(t, 3, big);
    // ImageWidth, Orientation, XResolution-like entries
    Put16(t, 256, big); Put16(t, 4, big); Put32(t, 1, big); Put32(t, 640, big);
    Put16(t, 274, big); Put16(t, type, big); Put32(t, 1, big);
    if (type == 4) {
        Put32(t, orient, big);
    } else {
        Put16(t, orient, big); Put16(t, 0, big);
    }
    Put16(t, 282, big); Put16(t, 5, big); Put32(t, 1, big); Put32(t, 0, big);
    Put32(t, 0, big);
    return t;
}

static void Segment(Bytes& jpg, unsigned char marker, const Bytes& body)
{
    jpg.push_back(0xFF);
    jpg.push_back(marker);
    jpg.push_back((unsigned char)((body.size() + 2) >> 8));
    jpg.push_back((unsigned char)(body.size() + 2));
    jpg.insert(jpg.end(), body.begin(), body.end());
}

static Bytes ExifBody(const Bytes& tiff)
{
    Bytes b = {'E', 'x', 'i', 'f', 0, 0};
    b.insert(b.end(), tiff.begin(), tiff.end());
    return b;
}

// SOI, a JFIF APP0, the EXIF APP1, a quantisation table stand-in and the start of scan.
static Bytes Jpeg(const Bytes& tiff, bool withJfif = true)
{
    Bytes j = {0xFF, 0xD8};
    if (withJfif)
        Segment(j, 0xE0, Bytes{'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0});
    Segment(j, 0xE1, ExifBody(tiff));
    Segment(j, 0xDB, Bytes(65, 1));
    j.push_back(0xFF);
    j.push_back(0xDA);
    j.insert(j.end(), {0, 2, 0x12, 0x34, 0xFF, 0xD9});
    return j;
}

// A start of frame: its kind, precision, size and component count.
static void Frame(Bytes& jpg, unsigned char marker, unsigned bits, unsigned w, unsigned h, unsigned comps)
{
    Segment(jpg, marker, Bytes{(unsigned char)bits, (unsigned char)(h >> 8), (unsigned char)h,
                               (unsigned char)(w >> 8), (unsigned char)w, (unsigned char)comps, 1, 0x11, 0});
}

// The frame is read beside the orientation and decides the decoder: libjpeg-turbo's kinds
// of 8-bit gray or colour pictures go there, the rest to WIC, oversized ones nowhere.
TEST(ConverterExif, FrameDecidesTheDecoder)
{
    struct { unsigned char marker; unsigned bits, w, h, comps; QX5_JPEG_ROUTE route; } cases[] = {
        {0xC0, 8, 6000, 4000, 3, QX5_JPEG_LIBJPEG}, {0xC1, 8, 640, 480, 1, QX5_JPEG_LIBJPEG},
        {0xC2, 8, 640, 480, 3, QX5_JPEG_LIBJPEG},   {0xC9, 8, 640, 480, 3, QX5_JPEG_LIBJPEG},   // arithmetic
        {0xCA, 8, 640, 480, 3, QX5_JPEG_LIBJPEG},
        {0xC0, 8, 640, 480, 4, QX5_JPEG_WIC},       // CMYK or YCCK
        {0xC1, 12, 640, 480, 3, QX5_JPEG_WIC},      {0xC3, 8, 640, 480, 3, QX5_JPEG_WIC},       // lossless
        {0xC5, 8, 640, 480, 3, QX5_JPEG_WIC},       {0xC0, 8, 640, 0, 3, QX5_JPEG_WIC},         // height later
        {0xC0, 8, 65000, 65000, 3, QX5_JPEG_REFUSE}, {0xC0, 8, 20000, 10000, 3, QX5_JPEG_LIBJPEG},
        {0xC0, 8, 20000, 10001, 3, QX5_JPEG_REFUSE},
    };
    for (auto& c : cases) {
        Bytes j = {0xFF, 0xD8};
        Segment(j, 0xE1, ExifBody(Tiff(true, 6)));
        Segment(j, 0xC4, Bytes(20, 0));           // tables are no frame
        Frame(j, c.marker, c.bits, c.w, c.h, c.comps);
        j.insert(j.end(), {0xFF, 0xDA, 0, 2});
        Frame(j, 0xC0, 8, 1, 1, 3);               // nor is anything after the scan
        QX5_JPEG_HEAD head;
        ASSERT_TRUE(Qx5ReadJpegHead(j.data(), j.size(), &head));
        EXPECT_TRUE(head.orient == 6 && head.sof == c.marker && head.width == c.w && head.height == c.h);
        EXPECT_EQ(c.route, Qx5JpegRoute(&head)) << std::hex << (int)c.marker << std::dec << " " << c.w << "x" << c.h;
    }
    // No frame in the bytes read: libjpeg-turbo reads the header itself.
    Bytes none = Jpeg(Tiff(false, 3));
    QX5_JPEG_HEAD head;
    ASSERT_TRUE(Qx5ReadJpegHead(none.data(), none.size(), &head));
    EXPECT_EQ(QX5_JPEG_LIBJPEG, Qx5JpegRoute(&head));
}

TEST(ConverterExif, EveryOrientationInBothByteOrders)
{
    for (int big = 0; big < 2; big++)
        for (unsigned o = 1; o <= 8; o++) {
            Bytes j = Jpeg(Tiff(big, o));
            EXPECT_EQ((int)o, Qx5JpegOrientation(j.data(), j.size())) << "big=" << big << " o=" << o;
            Bytes plain = Jpeg(Tiff(big, o), false);
            EXPECT_EQ((int)o, Qx5JpegOrientation(plain.data(), plain.size()));
        }
}

TEST(ConverterExif, LongTypeAndFarIfdAccepted)
{
    Bytes a = Jpeg(Tiff(true, 6, 4));
    EXPECT_EQ(6, Qx5JpegOrientation(a.data(), a.size()));
    Bytes b = Jpeg(Tiff(false, 8, 3, 100));
    EXPECT_EQ(8, Qx5JpegOrientation(b.data(), b.size()));
}

TEST(ConverterExif, OutOfRangeOrWrongTypeMeansUpright)
{
    for (unsigned v : {0u, 9u, 0xFFFFu}) {
        Bytes j = Jpeg(Tiff(false, v));
        EXPECT_EQ(1, Qx5JpegOrientation(j.data(), j.size())) << v;
    }
    Bytes ascii = Jpeg(Tiff(false, 6, 2));
    EXPECT_EQ(1, Qx5JpegOrientation(ascii.data(), ascii.size()));
}

TEST(ConverterExif, MissingOrMisplacedExifMeansUpright)
{
    Bytes none = {0xFF, 0xD8};
    Segment(none, 0xE0, Bytes{'J', 'F', 'I', 'F', 0});
    none.insert(none.end(), {0xFF, 0xDA, 0, 2, 0xFF, 0xD9});
    EXPECT_EQ(1, Qx5JpegOrientation(none.data(), none.size()));

    // An APP1 that is XMP, not EXIF, is skipped; the EXIF one after it counts.
    Bytes xmp = {0xFF, 0xD8};
    const char* ns = "http://ns.adobe.com/xap/1.0/";
    Segment(xmp, 0xE1, Bytes(ns, ns + 29));
    Segment(xmp, 0xE1, ExifBody(Tiff(true, 3)));
    xmp.insert(xmp.end(), {0xFF, 0xDA, 0, 2});
    EXPECT_EQ(3, Qx5JpegOrientation(xmp.data(), xmp.size()));

    // EXIF after the start of scan is image data, not metadata.
    Bytes late = {0xFF, 0xD8, 0xFF, 0xDA, 0, 2};
    Segment(late, 0xE1, ExifBody(Tiff(false, 6)));
    EXPECT_EQ(1, Qx5JpegOrientation(late.data(), late.size()));

    // Not a JPEG at all, even with an EXIF block inside.
    Bytes png = {0x89, 'P', 'N', 'G'};
    Bytes tail = Jpeg(Tiff(false, 6));
    png.insert(png.end(), tail.begin(), tail.end());
    EXPECT_EQ(1, Qx5JpegOrientation(png.data(), png.size()));
    EXPECT_EQ(1, Qx5JpegOrientation(nullptr, 0));
}

TEST(ConverterExif, FillBytesAndStandaloneMarkersAreWalked)
{
    Bytes j = {0xFF, 0xD8, 0xFF, 0xFF, 0xFF, 0xD0, 0xFF, 0x01};
    Segment(j, 0xE1, ExifBody(Tiff(false, 5)));
    EXPECT_EQ(5, Qx5JpegOrientation(j.data(), j.size()));
}

TEST(ConverterExif, EveryTruncationIsSafeAndNeverInventsAValue)
{
    Bytes full = Jpeg(Tiff(true, 7));
    ASSERT_EQ(7, Qx5JpegOrientation(full.data(), full.size()));
    for (size_t n = 0; n < full.size(); n++) {
        // A fresh copy of exactly n bytes, so ASan sees any read past the end.
        Bytes cut(full.begin(), full.begin() + n);
        int o = Qx5JpegOrientation(cut.data(), cut.size());
        EXPECT_TRUE(o == 1 || o == 7) << n;
    }
    // Once the whole APP1 segment is there the value is found.
    Bytes jfifLess = Jpeg(Tiff(true, 7), false);
    size_t app1End = 2 + 4 + 6 + Tiff(true, 7).size();
    Bytes exact(jfifLess.begin(), jfifLess.begin() + app1End);
    EXPECT_EQ(7, Qx5JpegOrientation(exact.data(), exact.size()));
}

TEST(ConverterExif, HostileOffsetsAndCounts)
{
    // IFD offset near 4 GB, beyond the block, and an entry count running past the end.
    for (unsigned long off : {0xFFFFFFFFul, 0xFFFFFFF8ul, 4000ul, 7ul}) {
        Bytes t = Tiff(false, 6);
        t[4] = (unsigned char)off; t[5] = (unsigned char)(off >> 8);
        t[6] = (unsigned char)(off >> 16); t[7] = (unsigned char)(off >> 24);
        Bytes j = Jpeg(t);
        EXPECT_EQ(1, Qx5JpegOrientation(j.data(), j.size())) << off;
    }
    Bytes t = Tiff(false, 6);
    t[8] = 0xFF; t[9] = 0xFF;   // 65535 entries, the orientation second: still found
    Bytes j = Jpeg(t);
    EXPECT_EQ(6, Qx5JpegOrientation(j.data(), j.size()));
    Bytes lone = Tiff(false, 6);
    lone.resize(8 + 2 + 12);   // one entry left, not the orientation; the count claims three
    EXPECT_EQ(1, Qx5TiffOrientation(lone.data(), lone.size()));
    // A segment length shorter than its own length field.
    Bytes bad = {0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x01, 'E', 'x'};
    EXPECT_EQ(1, Qx5JpegOrientation(bad.data(), bad.size()));
}

// Random and mutated inputs, each in a buffer of its exact size; ASan and UBSan catch any
// stray read. Bounded by count and by time.
TEST(ConverterExif, Fuzz)
{
    std::mt19937 rng(12345);
    std::vector<Bytes> seeds;
    for (int big = 0; big < 2; big++)
        for (unsigned o = 1; o <= 8; o++) {
            seeds.push_back(Jpeg(Tiff(big, o, o % 2 ? 3 : 4, 8 + o * 3)));
            Bytes framed = {0xFF, 0xD8};
            Frame(framed, (unsigned char)(0xC0 + o), 8, 4000 * o, 3000, o % 2 ? 3 : 1);
            framed.insert(framed.end(), {0xFF, 0xDA, 0, 2});
            seeds.push_back(framed);
        }
    std::clock_t begin = std::clock();
    long runs = 0;
    for (; runs < 400000; runs++) {
        if ((runs & 1023) == 0 && std::clock() - begin > 4 * CLOCKS_PER_SEC)
            break;
        Bytes in;
        if (runs % 5 == 0) {
            in.resize(rng() % 300);
            for (auto& b : in)
                b = (unsigned char)rng();
            if (in.size() >= 2 && rng() % 2) { in[0] = 0xFF; in[1] = 0xD8; }
        } else {
            in = seeds[rng() % seeds.size()];
            int edits = 1 + rng() % 8;
            for (int e = 0; e < edits; e++) {
                size_t at = rng() % in.size();
                switch (rng() % 4) {
                case 0: in[at] = (unsigned char)rng(); break;
                case 1: in[at] ^= (unsigned char)(1u << (rng() % 8)); break;
                case 2: in[at] = (rng() % 2) ? 0xFF : 0x00; break;
                case 3: in.resize(at > 0 ? at : 1); break;
                }
            }
        }
        Bytes exact(in);
        int o = Qx5JpegOrientation(exact.data(), exact.size());
        ASSERT_GE(o, 1);
        ASSERT_LE(o, 8);
        QX5_JPEG_HEAD h;
        if (Qx5ReadJpegHead(exact.data(), exact.size(), &h) && h.sof && Qx5JpegRoute(&h) == QX5_JPEG_LIBJPEG) {
            ASSERT_TRUE(h.precision == 8 && h.width * (unsigned long long)h.height <= 200000000ull);
        }
        int t = Qx5TiffOrientation(exact.data(), exact.size());
        ASSERT_GE(t, 1);
        ASSERT_LE(t, 8);
    }
    EXPECT_GT(runs, 10000);
}
