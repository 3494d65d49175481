#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/Cp932.h"
#include "base/PictureKind.h"
#include "base/Random.h"
#include "display/DisplayCalc.h"
#include "store/SaveTemp.h"

namespace {

struct FitCase {
    int iw, ih;
    int x, w, h;
};

TEST(DisplayFit, PlacesPicturesInTheWindowBox)
{
    // A 952 x 610 box: the window 952 wide, picture area H - 110 high.
    const FitCase cases[] = {
        {1000, 500, 0, 952, 476},
        {100, 100, 426, 100, 100},
        {400, 1200, 374, 203, 610},
        {952, 610, 0, 952, 610},
        {953, 611, 0, 951, 610},     // single precision makes it a pixel narrow
        {951, 609, 0, 951, 609},     // fitting would enlarge it
        {1, 1, 475, 1, 1},
        {6000, 4000, 18, 915, 610},
        {4000, 6000, 273, 406, 610},
        {4000, 2, 0, 952, 1},        // never thinner than a pixel
        {2, 4000, 475, 1, 610},
    };
    for (const FitCase& c : cases) {
        PICTURE_PLACE p = PlacePicture(952, 610, c.iw, c.ih);
        EXPECT_EQ(c.x, p.x) << c.iw << "x" << c.ih;
        EXPECT_EQ(c.w, p.width) << c.iw << "x" << c.ih;
        EXPECT_EQ(c.h, p.height) << c.iw << "x" << c.ih;
    }
}

TEST(DisplayFit, FitInsideMayEnlargeAndSurvivesEmptySizes)
{
    int w = 952, h = 610;
    FitInside(&w, &h, 951, 609);
    EXPECT_EQ(952, w);
    EXPECT_EQ(609, h);
    w = 952, h = 610;
    FitInside(&w, &h, 0, 100);      // no division by zero, box unchanged
    EXPECT_EQ(952, w);
    EXPECT_EQ(610, h);
}

TEST(StoredSettings, BackgroundColourDigits)
{
    EXPECT_EQ(BackColorFromLine("255"), 0xFFu);
    EXPECT_EQ(BackColorFromLine("16711680"), 0xFF0000u);
    EXPECT_EQ(BackColorFromLine("16777215"), 0xFFFFFFu);
    EXPECT_EQ(BackColorFromLine(""), 0u);
    // Hand-edited lines that are not a colour fall back to black instead of a wrong colour.
    EXPECT_EQ(BackColorFromLine(" 255"), 0u);
    EXPECT_EQ(BackColorFromLine("12a"), 0u);
    EXPECT_EQ(BackColorFromLine("-1"), 0u);
    EXPECT_EQ(BackColorFromLine("16777216"), 0u);
    EXPECT_EQ(BackColorFromLine("99999999999999999999"), 0u);
}

TEST(StoredSettings, HeartFlagText)
{
    EXPECT_EQ(HeartFlagFromLine("1"), 1);
    EXPECT_EQ(HeartFlagFromLine("0"), 0);
    EXPECT_EQ(HeartFlagFromLine("&H1"), 1);
    EXPECT_EQ(HeartFlagFromLine("2.9"), 2);
    EXPECT_EQ(HeartFlagFromLine("-2.9"), -2);
    EXPECT_EQ(HeartFlagFromLine(""), 0);
    EXPECT_EQ(HeartFlagFromLine("99999999999999999999"), 0);   // out of range: off, not undefined
}

// The loop of the category display, without the folder listing.
int Choose(int count, int previous)
{
    int chosen;
    do {
        chosen = OrdinalFromFraction(RandomFraction(), count);
    } while (ChooseAgain(count, chosen, previous));
    return chosen;
}

TEST(DisplayChoice, AvoidsThePreviousOrdinalWhenThereIsAChoice)
{
    RandomSeed(1);
    EXPECT_EQ(1, Choose(2, 0));   // the first category after start skips ordinal 0
    for (int k = 0; k < 200; k++) {
        int prev = k % 2;
        ASSERT_EQ(1 - prev, Choose(2, prev));
        int c = Choose(7, 3);
        ASSERT_NE(3, c);
        ASSERT_GE(c, 0);
        ASSERT_LT(c, 7);
        ASSERT_EQ(0, Choose(1, 0));   // one picture: taken at once
    }
}

TEST(DisplayChoice, CountsPictureEntries)
{
    EXPECT_FALSE(IsPictureEntry("."));
    EXPECT_FALSE(IsPictureEntry(".."));
    EXPECT_FALSE(IsPictureEntry("a.b"));
    EXPECT_TRUE(IsPictureEntry("abcd"));               // a subfolder with a four-letter name
    EXPECT_TRUE(IsPictureEntry("a.png"));
    EXPECT_FALSE(IsPictureEntry("LINES.TXT"));
    EXPECT_FALSE(IsPictureEntry("★ほめるセリフ.txt"));
    EXPECT_TRUE(IsPictureEntry("x.txt.jpg"));
    EXPECT_TRUE(IsPictureEntry("表.txtx"));
    EXPECT_TRUE(IsPictureEntry("notes.tx"));
    // What a save cut short leaves is no picture; names merely like it still are.
    EXPECT_FALSE(IsPictureEntry(SaveTempName("★ほめるセリフ.txt", 4242, 0).c_str()));
    EXPECT_FALSE(IsPictureEntry("a.png.~1_99.tmp"));
    for (const char* name : { "photo.tmp", "a.~_1.tmp", "a.~1_.tmp", "a~1_2.tmp", "a.~1_2.tmpx",
                              "a.~x1_2.tmp" })
        EXPECT_TRUE(IsPictureEntry(name)) << name;
    EXPECT_FALSE(IsPictureEntry("._a.jpg"));   // a dot file, hidden or not (Wine shows them hidden)

    // By the first bytes: what a phone's export folder holds beside its photos stays out.
    const struct {
        std::string head;
        PICTURE_KIND kind;
    } kHeads[] = {
        { std::string("\xFF\xD8\xFF\xE1\0\x10" "Exif", 10), PICTURE_JPEG },
        { std::string("\xFF\xD8", 2), PICTURE_JPEG },                  // cut short: still a picture
        { std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16), PICTURE_PNG },
        { "GIF89a\x01", PICTURE_GIF },
        { std::string("BM\x36\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0", 18), PICTURE_BMP },
        { "BMW service notes, spring", PICTURE_NOT },
        { std::string("II*\0\x08\0", 6), PICTURE_TIFF },
        { std::string("\0\0\1\0\1\0", 6), PICTURE_ICO },
        { std::string("RIFF\x24\0\0\0WEBPVP8 ", 16), PICTURE_WEBP },
        { std::string("RIFF\x24\0\0\0AVI LIST", 16), PICTURE_NOT },
        { std::string("\0\0\0\x18" "ftypheic\0\0\0\0mif1heic", 24), PICTURE_HEIF },
        { std::string("\0\0\0\x18" "ftypmif1\0\0\0\0mif1heic", 24), PICTURE_HEIF },
        { std::string("\0\0\0\x20" "ftypavif\0\0\0\0avifmif1miafMA1B", 32), PICTURE_AVIF },
        { std::string("\0\0\0\x14" "ftypqt  \0\0\0\0qt  ", 20), PICTURE_NOT },   // IMG_0001.MOV
        { std::string("\0\0\0\x1C" "ftypisom\0\0\2\0isomiso2mp41", 28), PICTURE_NOT },
        { std::string("\0\0\0\x18" "ftypcrx \0\0\0\1crx isom", 24), PICTURE_UNKNOWN },
        { std::string("\0\0\0\x08wide", 8), PICTURE_NOT },
        { "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<plist", PICTURE_NOT },   // .AAE, .xmp
        { "{\"title\": \"IMG_0001.HEIC\", \"photoTakenTime\": {", PICTURE_NOT },
        { "\xEF\xBB\xBFがんばって！", PICTURE_NOT },
        { "がんばって！\r\n応援してるよ", PICTURE_NOT },                       // code page 932 text
        { std::string("\xFF\xFE[\0.\0S\0", 8), PICTURE_NOT },              // desktop.ini
        { std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1\0\0", 10), PICTURE_NOT },   // Thumbs.db
        { "PK\3\4\x14\0", PICTURE_NOT },
        { std::string("\0\0\x0A\0\0\0\0", 7), PICTURE_UNKNOWN },          // no signature, not text either
        { "", PICTURE_NOT },
    };
    for (const auto& h : kHeads)
        EXPECT_EQ(h.kind, PictureKindOf((const unsigned char*)h.head.data(), h.head.size())) << h.head;
}

TEST(DisplayFade, WeightsAndBlendMatchTheTable)
{
    int w[FADE_FRAMES];
    FadeWeights(w);
    const int expected[FADE_FRAMES] = {128, 102, 76, 50, 24};
    for (int k = 0; k < FADE_FRAMES; k++)
        EXPECT_EQ(expected[k], w[k]);

    std::vector<uint8_t> table(1 << 24);
    for (int a = 0; a < 256; a++)
        for (int m = 0; m < 256; m++)
            for (int s = 0; s < 256; s++)
                table[(a << 16) | (m << 8) | s] = (uint8_t)(((s * a + m * (255 - a)) >> 8) & 0xFF);

    const size_t pixels = 4099;
    std::vector<uint8_t> src(pixels * 4), dst(pixels * 4);
    uint32_t x = 12345;
    for (auto& b : src) b = (uint8_t)((x = x * 1664525u + 1013904223u) >> 24);
    for (auto& b : dst) b = (uint8_t)((x = x * 1664525u + 1013904223u) >> 24);
    for (int a : {0, 24, 128, 255}) {
        std::vector<uint8_t> out = dst;
        BlendFrame(out.data(), src.data(), pixels, table.data(), a);
        for (size_t k = 0; k < pixels * 4; k++) {
            int m = dst[k], s = src[k];
            int want = (k % 4 == 3) ? m : ((s * a + m * (255 - a)) >> 8) & 0xFF;
            ASSERT_EQ(want, out[k]) << "a=" << a << " byte " << k;
        }
    }
}

TEST(DisplayBubble, GeometryInA952Window)
{
    BUBBLE_LAYOUT b = LayoutBubble(952, 952, 300, false);
    EXPECT_EQ(326, b.textLeft);
    EXPECT_EQ(306, b.bodyLeft);
    EXPECT_EQ(646, b.bodyRight);
    EXPECT_EQ(0, b.bodyTop);
    EXPECT_EQ(51, b.bodyBottom);
    EXPECT_EQ(476, b.pointX[0]);
    EXPECT_EQ(60, b.pointY[0]);
    EXPECT_EQ(471, b.pointX[1]);
    EXPECT_EQ(481, b.pointX[2]);
    EXPECT_EQ(50, b.pointY[1]);

    b = LayoutBubble(952, 952, 300, true);
    EXPECT_EQ(696, b.bodyRight);
    EXPECT_EQ(626, b.heartLeft);
    EXPECT_EQ(676, b.heartRight);
    EXPECT_EQ(50, b.heartBottom);

    // Empty line: 40 wide (90 with the heart), centred.
    b = LayoutBubble(952, 952, 0, false);
    EXPECT_EQ(40, b.bodyRight - b.bodyLeft);
    b = LayoutBubble(951, 951, 1, false);
    EXPECT_EQ(475, b.textLeft);
    EXPECT_EQ(475, b.pointX[0]);
    EXPECT_EQ(470, b.pointX[1]);
    EXPECT_EQ(480, b.pointX[2]);

    // The widest line shown whole and centred, and one pixel more: the bubble then fills the
    // band, the text starts at the margin and is cut where the heart begins.
    b = LayoutBubble(952, 952, 952, false);
    EXPECT_EQ(0, b.textLeft);
    EXPECT_EQ(-20, b.bodyLeft);
    b = LayoutBubble(952, 952, 953, false);
    EXPECT_EQ(20, b.textLeft);
    EXPECT_EQ(0, b.bodyLeft);
    EXPECT_EQ(952, b.bodyRight);
    EXPECT_EQ(932, b.clipRight);
    b = LayoutBubble(952, 952, 812, true);
    EXPECT_EQ(70, b.textLeft);
    EXPECT_EQ(952, b.bodyRight);
    b = LayoutBubble(952, 952, 814, true);      // centred, the heart right after the text
    EXPECT_EQ(69, b.textLeft);
    EXPECT_EQ(883, b.heartLeft);
    b = LayoutBubble(952, 952, 5000, true);     // far too wide: heart at the band's end
    EXPECT_EQ(0, b.bodyLeft);
    EXPECT_EQ(952, b.bodyRight);
    EXPECT_EQ(882, b.clipRight);
    EXPECT_EQ(882, b.heartLeft);
    EXPECT_EQ(932, b.heartRight);
    EXPECT_EQ(476, b.pointX[0]);                // the pointer stays at the middle
    EXPECT_EQ(494, TextDrawX(-524, 30));
    EXPECT_EQ(326, TextDrawX(326, 300));
}

std::vector<std::string> TypedPrefixes(const char* line)
{
    std::vector<std::string> out;
    size_t i = 0;
    for (size_t n; (n = Cp932Step(line, i, SIZE_MAX)) != 0; i += n)
        out.push_back(std::string(line, i + n));
    return out;
}

TEST(DisplayTyping, RevealsWholeCharacters)
{
    EXPECT_EQ((std::vector<std::string>{"a", "ab"}), TypedPrefixes("ab"));
    EXPECT_EQ((std::vector<std::string>{"\x82\xa0", "\x82\xa0x", "\x82\xa0x\x95\x5c"}),
              TypedPrefixes("\x82\xa0x\x95\x5c"));    // あ x 表: the 0x5C trail stays with its lead
    // Half-width katakana are one byte each: ｱ表 never shows 表's lead byte alone.
    EXPECT_EQ((std::vector<std::string>{"\xb1", "\xb1\x95\x5c"}), TypedPrefixes("\xb1\x95\x5c"));
    // A lead byte at the very end never pulls in the terminator.
    EXPECT_EQ((std::vector<std::string>{"a", "a\x82"}), TypedPrefixes("a\x82"));
    EXPECT_TRUE(TypedPrefixes("").empty());
    std::string longLine(1003, 'w');
    EXPECT_EQ(1003u, TypedPrefixes(longLine.c_str()).size());
}

TEST(DisplayTyping, OneCharacterPerStepUntilTheLineGetsLong)
{
    const int cases[][2] = {{0, 1}, {20, 1}, {60, 1}, {61, 2}, {120, 2}, {121, 3}, {1003, 17}};
    for (const auto& c : cases) {
        int per = CharsPerStep(c[0]);
        EXPECT_EQ(c[1], per) << c[0] << " characters";
        EXPECT_LE((c[0] + per - 1) / per, (int)TYPING_MAX_STEPS);
    }
}

}  // namespace
