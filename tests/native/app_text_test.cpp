#include <gtest/gtest.h>
#include "base/TraceFormat.h"
#include "display/DisplayCalc.h"

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
