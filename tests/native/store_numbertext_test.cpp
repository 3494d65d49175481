#include <gtest/gtest.h>

#include "base/NumberText.h"

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
