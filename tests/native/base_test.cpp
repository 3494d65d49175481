#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/Cp932.h"
#include "base/NumberText.h"
#include "base/HandOff.h"
#include "base/PathJoin.h"
#include "base/Random.h"
#include "base/TraceFormat.h"

namespace {

// 表 is 0x95 0x5C and ソ is 0x83 0x5C: their trail byte is a backslash.
TEST(Cp932, TrailBackslashesAreNoSeparators)
{
    EXPECT_STREQ(Cp932FindFileName("C:\\表\\ソ.jpg"), "ソ.jpg");
    EXPECT_STREQ(Cp932FindFileName("C:\\dir\\表"), "表");
    EXPECT_STREQ(Cp932FindFileName("C:表"), "表");
    EXPECT_STREQ(Cp932FindFileName("a/b"), "b");
    EXPECT_STREQ(Cp932FindExtension("C:\\a.b\\ソ.JPG"), ".JPG");
    EXPECT_STREQ(Cp932FindExtension("C:\\a.b\\noext"), "");
    EXPECT_STREQ(Cp932FindExtension("x.tar.gz"), ".gz");

    char out[64];
    EXPECT_EQ(Cp932FolderOfPath("C:\\表\\ソ.jpg", out, sizeof out), 6u);
    EXPECT_STREQ(out, "C:\\表\\");
    EXPECT_EQ(Cp932FolderOfPath("C:\\ソ", out, sizeof out), 3u);
    EXPECT_STREQ(out, "C:\\");
    EXPECT_EQ(Cp932FolderOfPath("\\\\server\\share\\x", out, sizeof out), 0u);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(Cp932FolderOfPath("relative\\x", out, sizeof out), 0u);
    EXPECT_EQ(Cp932FolderOfPath("C:\\abc\\d", out, 4), 0u);  // doesn't fit: empty
    EXPECT_STREQ(out, "");
}

TEST(Cp932, CuttingAndComparing)
{
    EXPECT_TRUE(IsCp932Lead(0x81));
    EXPECT_TRUE(IsCp932Lead(0x9F));
    EXPECT_TRUE(IsCp932Lead(0xE0));
    EXPECT_TRUE(IsCp932Lead(0xFC));
    EXPECT_FALSE(IsCp932Lead(0x80));
    EXPECT_FALSE(IsCp932Lead(0xA0));  // half-width katakana start
    EXPECT_FALSE(IsCp932Lead(0xDF));
    EXPECT_FALSE(IsCp932Lead(0xFD));

    const char* s = "ab表c";
    EXPECT_EQ(Cp932CutLength(s, 5, 3), 2u);
    EXPECT_EQ(Cp932CutLength(s, 5, 4), 4u);
    EXPECT_EQ(Cp932CutLength(s, 5, 9), 5u);
    char out[4];
    EXPECT_EQ(Cp932CopyCut(out, sizeof out, s), 2u);
    EXPECT_STREQ(out, "ab");

    EXPECT_EQ(Cp932CompareNoCase("abc.JPG", "ABC.jpg"), 0);
    EXPECT_LT(Cp932CompareNoCase("a", "b"), 0);
    // ａ (0x82 0x81) and Ａ (0x82 0x60): the trail bytes are no ASCII letters to fold.
    EXPECT_NE(Cp932CompareNoCase("\x82\x61", "\x82\x41"), 0);
    EXPECT_NE(Cp932CompareNoCase("表", "表x"), 0);
}

TEST(Cp932, PlainFolderNames)
{
    EXPECT_TRUE(IsPlainFolderName("★ほめる"));
    EXPECT_TRUE(IsPlainFolderName("表ソ"));
    EXPECT_TRUE(IsPlainFolderName("a b"));
    const char* bad[] = {"", ".", "..", "a\\b", "a/b", "C:", "a*", "a?", "\"a\"", "<a>", "a|b",
                         "a\tb", "\x81", "a\x95", "\x81\x20"};
    for (const char* b : bad)
        EXPECT_FALSE(IsPlainFolderName(b)) << b;
}

std::string Join(const char* folder, const char* name, size_t cap = 264)
{
    char out[600];
    memset(out, 'x', sizeof out);
    if (!PathJoin(out, cap, folder, name)) {
        EXPECT_EQ(0, out[0]);
        return "(none)";
    }
    EXPECT_EQ(PathJoined(folder, name), out);
    return out;
}

TEST(PathJoin, OneBackslashBetween)
{
    EXPECT_EQ("C:\\K\\個人設定\\猫\\a.png", Join("C:\\K\\個人設定\\猫", "a.png"));
    EXPECT_EQ("C:\\K\\個人設定\\猫\\a.png", Join("C:\\K\\個人設定\\猫\\", "a.png"));
    // 表 and ソ end in 0x5C: still a separator is needed.
    EXPECT_EQ("C:\\表\\a.png", Join("C:\\表", "a.png"));
    EXPECT_EQ("C:\\ソ\\a.png", Join("C:\\ソ", "a.png"));
    EXPECT_EQ("C:\\表\\a.png", Join("C:\\表\\", "a.png"));
}

TEST(PathJoin, RefusesEmptyNameAndOverflow)
{
    EXPECT_EQ("(none)", Join("C:\\x", ""));
    // "C:\x\ab" is 7 bytes: fits in 8, not in 7.
    EXPECT_EQ("C:\\x\\ab", Join("C:\\x", "ab", 8));
    EXPECT_EQ("(none)", Join("C:\\x", "ab", 7));
    EXPECT_EQ("(none)", Join(std::string(300, 'a').c_str(), "b.png"));
}

// A failed hand-off names the file or folder as it stands, to be opened by hand.
TEST(HandOff, FailureTellsWhatToOpenByHand)
{
    std::string file = HandOffFailedText(HAND_OFF_FILE, "C:\\表\\個人設定\\猫\\猫セリフ.txt");
    std::string folder = HandOffFailedText(HAND_OFF_FOLDER, "C:\\表\\個人設定");
    EXPECT_EQ(0u, file.find("次のファイルを開けませんでした。"));
    EXPECT_EQ(0u, folder.find("次のフォルダを開けませんでした。"));
    EXPECT_EQ("\r\n\r\nC:\\表\\個人設定", folder.substr(folder.size() - 18));
}

TEST(NumberToText, PlainAndExponentForms)
{
    struct { double v; const char* text; } cases[] = {
        {16777215, "16777215"}, {-5, "-5"}, {0, "0"}, {-0.0, "0"}, {1, "1"},
        {0.5, "0.5"}, {0.001, "0.001"}, {0.0001, "0.0001"}, {-2.25, "-2.25"},
        {4294967295.0, "4294967295"}, {123456789012345.0, "123456789012345"},
        {999999999999999.0, "999999999999999"}, {1e15, "1.00000000000000e+015"},
        {1e16, "1.00000000000000e+016"}, {-1e16, "-1.00000000000000e+016"},
        {1.5e300, "1.50000000000000e+300"},
        {1e-5, "1.00000000000000e-05"}, {2.5e-7, "2.50000000000000e-07"},
        {1e-100, "1.00000000000000e-100"}, {0.1, "0.1"}, {1.0 / 3, "0.333333333333333"},
    };
    for (auto& c : cases)
        EXPECT_EQ(NumberToText(c.v), c.text) << c.v;
}

TEST(TextToNumber, DecimalOctalHexAndJunk)
{
    struct { const char* text; double v; } cases[] = {
        {"1", 1}, {"0", 0}, {"", 0}, {"abc", 0}, {"-", 0}, {".", 0},
        {"2.9", 2.9}, {"  -3.5x", -3.5}, {"\t+7", 7}, {"12 34", 12}, {".5", 0.5},
        {"5.", 5}, {"1e5", 1}, {"-0.25", -0.25}, {"16777215", 16777215},
        {"&H1", 1}, {"&hff", 255}, {"&HfF", 255}, {"&O17", 15}, {"&o8", 0},
        {"&O178", 15}, {"&HG", 0}, {"&X12", 0}, {"&", 0}, {" &H10", 16},
        {"&HFFFFFFFF", 4294967295.0},
    };
    for (auto& c : cases)
        EXPECT_DOUBLE_EQ(TextToNumber(c.text), c.v) << c.text;
}

TEST(TextToNumber, ReadsBackWhatNumberToTextWrites)
{
    double values[] = {0, 1, -5, 16777215, 0.5, 0.001, 123456.75, 1e-5, 1e16};
    for (double v : values) {
        std::string t = NumberToText(v);
        if (t.find('e') == std::string::npos) {  // no exponent is read
            EXPECT_DOUBLE_EQ(TextToNumber(t.c_str()), v) << t;
        }
    }
}

TEST(DigitsToNumber, EveryByteIsTakenAsADigit)
{
    EXPECT_EQ(DigitsToNumber("255", 0), 255);               // red
    EXPECT_EQ(DigitsToNumber("16711680", 0), 16711680);     // blue
    EXPECT_EQ(DigitsToNumber("", 0), 0);
    EXPECT_EQ(DigitsToNumber("2555", 3), 255);
    EXPECT_EQ(DigitsToNumber("25", 10), 25);                // never past the terminator
    // A leading space counts as the digit -16: a wrong colour, not 255.
    EXPECT_EQ(DigitsToNumber(" 255", 0), ((-16 * 10 + 2) * 10 + 5) * 10 + 5);
    // 32-bit wrap-around instead of overflow.
    EXPECT_EQ(DigitsToNumber("4294967295", 0), -1);
    EXPECT_EQ(DigitsToNumber("99999999999", 0), (int)(99999999999LL & 0xFFFFFFFF));
}

TEST(TraceFormat, ValueTraceShowsFiveNumbersAfterTheLabel)
{
    const double v[5] = { 2, 0, 0, 0, 0 };
    EXPECT_EQ(FormatTraceValues("III", v), "III=2, 0, 0, 0, 0\r\n");
    const double w[5] = { -5, 0.5, 16777215, 0.001, 0 };
    EXPECT_EQ(FormatTraceValues("x", w), "x=-5, 0.5, 16777215, 0.001, 0\r\n");
}

TEST(TraceFormat, TextAndRectangleTraces)
{
    EXPECT_EQ(FormatTraceText("Path=", "C:\\a"), "Path=C:\\a\r\n");
    EXPECT_EQ(FormatTraceRect("glMenuRect[0]", 3, -19, 40, -1),
              "glMenuRect[0].left=3\r\n .top=-19\r\n .right=40\r\n .bottom=-1\r\n");
}

TEST(Random, ReplaysTheClassicSequenceFromSeedOne)
{
    RandomSeed(1);
    const int expected[] = {16838, 5758, 10113, 17515, 31051, 5627, 23010, 7419};
    for (int v : expected)
        EXPECT_EQ(v, RandomNext());
    RandomSeed(1);
    EXPECT_DOUBLE_EQ((16838 * 5758 % 100000) / 100000.0, RandomFraction());
    EXPECT_DOUBLE_EQ((10113 * 17515 % 100000) / 100000.0, RandomFraction());
    // Whatever the seed, fractions stay in [0, 0.99999] on the 0.00001 grid.
    RandomSeed(0xDEADBEEF);
    for (int k = 0; k < 20000; k++) {
        double f = RandomFraction();
        ASSERT_GE(f, 0.0);
        ASSERT_LE(f, 0.99999);
        double steps = f * 100000.0;
        ASSERT_NEAR(steps, (double)(long)(steps + 0.5), 1e-6);
    }
}

}  // namespace
