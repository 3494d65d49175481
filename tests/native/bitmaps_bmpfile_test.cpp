#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <vector>
#include <string>

#include "bitmaps/BmpFile.h"

static void Put(std::string& s, size_t at, uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; i++)
        s[at + i] = (char)(v >> (8 * i));
}

// A BMP of w x h at the given depth: file header, a header of headerBytes, the masks after
// a 40-byte header for bit fields, the colour table, then zeroed pixels.
static std::string Bmp(int w, int h, unsigned bits, unsigned compression = BMP_RGB, unsigned headerBytes = 40,
                       unsigned clrUsed = 0)
{
    unsigned colours = bits <= 8 ? (clrUsed ? clrUsed : 1u << bits) : 0;
    size_t masks = compression == BMP_BITFIELDS && headerBytes == 40 ? 12 : 0;
    size_t off = 14 + headerBytes + masks + colours * 4;
    size_t stride = ((size_t)w * bits + 31) / 32 * 4;
    std::string s(off + stride * (size_t)(h < 0 ? -h : h), '\0');
    s[0] = 'B';
    s[1] = 'M';
    Put(s, 2, (uint32_t)s.size(), 4);
    Put(s, 10, (uint32_t)off, 4);
    Put(s, 14, headerBytes, 4);
    Put(s, 18, (uint32_t)w, 4);
    Put(s, 22, (uint32_t)h, 4);
    Put(s, 26, 1, 2);
    Put(s, 28, bits, 2);
    Put(s, 30, compression, 4);
    Put(s, 46, clrUsed, 4);
    if (compression == BMP_BITFIELDS) {
        uint32_t m[3] = {bits == 16 ? 0xF800u : 0xFF0000u, bits == 16 ? 0x07E0u : 0xFF00u, bits == 16 ? 0x1Fu : 0xFFu};
        for (int i = 0; i < 3; i++)
            Put(s, 54 + 4 * i, m[i], 4);
    }
    return s;
}

static bool Read(const std::string& s, BMP_LAYOUT* l)
{
    return BmpReadLayout((const unsigned char*)s.data(), s.size(), l);
}

TEST(BmpFile, LayoutOfTheKindsDrawnFromTheFile)
{
    BMP_LAYOUT l;
    ASSERT_TRUE(Read(Bmp(3, 2, 32), &l));       // the converter's own kind
    EXPECT_EQ(3, l.width);
    EXPECT_EQ(2, l.height);
    EXPECT_EQ(32u, l.bitCount);
    EXPECT_EQ(54u, l.bitsOffset);
    EXPECT_EQ(24u, l.bitsBytes);
    EXPECT_EQ(0u, l.colours);

    ASSERT_TRUE(Read(Bmp(5, -3, 24), &l));      // rows padded to 4 bytes, stored top-down
    EXPECT_EQ(-3, l.height);
    EXPECT_EQ(48u, l.bitsBytes);

    ASSERT_TRUE(Read(Bmp(9, 2, 1), &l));        // a full table when the count is 0
    EXPECT_EQ(2u, l.colours);
    EXPECT_EQ(54u, l.tableOffset);
    EXPECT_EQ(62u, l.bitsOffset);
    EXPECT_EQ(8u, l.bitsBytes);
    ASSERT_TRUE(Read(Bmp(4, 4, 8, BMP_RGB, 40, 3), &l));
    EXPECT_EQ(3u, l.colours);

    ASSERT_TRUE(Read(Bmp(2, 2, 16, BMP_BITFIELDS), &l));       // masks after a 40-byte header
    EXPECT_EQ(0xF800u, l.masks[0]);
    EXPECT_EQ(0x1Fu, l.masks[2]);
    EXPECT_EQ(66u, l.bitsOffset);
    ASSERT_TRUE(Read(Bmp(2, 2, 32, BMP_BITFIELDS, 124), &l));  // inside a V5 header
    EXPECT_EQ(0xFF00u, l.masks[1]);
    EXPECT_EQ(138u, l.bitsOffset);

    // The converter's BMP of a photo decoded at M/8 keeps the full size in the reserved
    // words; it is taken only when the BMP is that size at some M/8 < 8, else the BMP's own.
    struct { int w, h; unsigned fullW, fullH; int wantW, wantH; } full[] = {
        {1500, 1000, 6000, 4000, 6000, 4000}, {1125, 844, 3000, 2250, 3000, 2250}, {1500, 1000, 0, 0, 1500, 1000},
        {1500, 1000, 6000, 9000, 1500, 1000}, {1500, 1000, 1500, 1000, 1500, 1000}, {1500, 1000, 65535, 4000, 1500, 1000},
    };
    for (auto& f : full) {
        std::string b = Bmp(f.w, f.h, 32);
        Put(b, 6, f.fullW | f.fullH << 16, 4);
        ASSERT_TRUE(Read(b, &l));
        EXPECT_TRUE(l.fullWidth == f.wantW && l.fullHeight == f.wantH) << f.fullW << "x" << f.fullH;
    }
}

// Each damage alone makes the file unreadable; nothing past its end is ever trusted.
TEST(BmpFile, MalformedHeadersAreRefused)
{
    const std::string good = Bmp(6, 4, 32);
    struct CASE {
        const char* what;
        std::function<void(std::string&)> damage;
    } cases[] = {
        {"magic", [](std::string& s) { s[1] = 'A'; }},
        {"core header", [](std::string& s) { Put(s, 14, 12, 4); }},
        {"header past the end", [](std::string& s) { Put(s, 14, 124, 4); s.resize(100); }},
        {"planes", [](std::string& s) { Put(s, 26, 2, 2); }},
        {"no width", [](std::string& s) { Put(s, 18, 0, 4); }},
        {"negative width", [](std::string& s) { Put(s, 18, (uint32_t)-6, 4); }},
        {"no rows", [](std::string& s) { Put(s, 22, 0, 4); }},
        {"most negative rows", [](std::string& s) { Put(s, 22, 0x80000000u, 4); }},
        {"depth", [](std::string& s) { Put(s, 28, 7, 2); }},
        {"run-length", [](std::string& s) { Put(s, 30, 1, 4); }},
        {"bit fields at 24 bits", [](std::string& s) { Put(s, 28, 24, 2); Put(s, 30, BMP_BITFIELDS, 4); }},
        {"pixels inside the header", [](std::string& s) { Put(s, 10, 40, 4); }},
        {"pixels past the end", [](std::string& s) { Put(s, 10, (uint32_t)s.size() + 1, 4); }},
        {"one row too many", [](std::string& s) { Put(s, 22, 5, 4); }},
        {"huge width", [](std::string& s) { Put(s, 18, 0x7FFFFFFF, 4); }},
        {"too many pixels", [](std::string& s) { Put(s, 18, 1000000, 4); Put(s, 22, 1000, 4); }},
        {"one byte short", [](std::string& s) { s.pop_back(); }},
    };
    for (const CASE& c : cases) {
        std::string s = good;
        c.damage(s);
        BMP_LAYOUT l;
        EXPECT_FALSE(Read(s, &l)) << c.what;
    }
    BMP_LAYOUT l;
    EXPECT_FALSE(Read(Bmp(4, 4, 8, BMP_RGB, 40, 257), &l)) << "more colours than indices";
    std::string zeroMask = Bmp(2, 2, 32, BMP_BITFIELDS);
    Put(zeroMask, 58, 0, 4);
    EXPECT_FALSE(Read(zeroMask, &l)) << "a colour without bits";
    for (size_t n = 0; n < good.size(); n++)
        EXPECT_FALSE(BmpReadLayout((const unsigned char*)good.data(), n, &l)) << "cut to " << n;
    EXPECT_FALSE(BmpReadLayout(nullptr, 100, &l));
}

// Valid files with a few header bytes changed at random, under the sanitizers: whatever is
// accepted keeps every byte it points at inside the file.
TEST(BmpFile, MutatedHeadersNeverPointOutsideTheFile)
{
    std::mt19937 rng(20261209);
    const std::string seeds[] = {Bmp(7, 5, 24), Bmp(3, -4, 8), Bmp(9, 2, 1), Bmp(4, 4, 16, BMP_BITFIELDS),
                                 Bmp(2, 3, 32, BMP_BITFIELDS, 108), Bmp(5, 5, 4, BMP_RGB, 40, 3)};
    int accepted = 0;
    for (int round = 0; round < 100000; round++) {
        std::string s = seeds[round % 6];
        for (int k = 1 + (int)(rng() % 4); k > 0; k--)
            s[rng() % std::min<size_t>(s.size(), 80)] = (char)(rng() % 4 ? rng() : (rng() % 2 ? 0xFF : 0));
        if (rng() % 8 == 0)
            s.resize(rng() % s.size());
        // An exact-size heap copy, so ASan sees any read past the end.
        std::vector<unsigned char> file(s.begin(), s.end());
        BMP_LAYOUT l;
        if (!BmpReadLayout(file.data(), file.size(), &l))
            continue;
        accepted++;
        ASSERT_GT(l.width, 0);
        ASSERT_NE(l.height, 0);
        ASSERT_LE(l.bitsOffset + l.bitsBytes, file.size());
        ASSERT_LE(l.tableOffset + (size_t)l.colours * 4, file.size());
        size_t rows = (size_t)(l.height < 0 ? -(long long)l.height : l.height);
        ASSERT_GE(l.bitsBytes, ((size_t)l.width * l.bitCount + 31) / 32 * 4 * rows);
    }
    EXPECT_GT(accepted, 100) << "the mutations left some files whole";
}
