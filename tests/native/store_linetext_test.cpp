#include <gtest/gtest.h>

#include <string>

#include "store/LineText.h"

namespace {
struct Got {
    int reached;
    std::string text;
};
Got Line(const std::string& data, int n, size_t cap = 1004)
{
    std::string out(cap + 8, '#');
    int r = ExtractLine(data.data(), data.size(), n, &out[0], cap);
    return {r, std::string(out.c_str())};
}
}

TEST(ExtractLine, BreaksAndReachedFlag)
{
#define D(lit) std::string(lit, sizeof(lit) - 1)
    struct { std::string data; int n; int reached; const char* text; } cases[] = {
        {D("a\r\n\r\nb"), 0, 1, "a"}, {D("a\r\n\r\nb"), 1, 1, ""}, {D("a\r\n\r\nb"), 2, 1, "b"},
        {D("a\r\n\r\nb"), 3, 0, ""},
        {D("a\n\nb"), 1, 1, "b"},                      // LF LF is one break
        {D("a\n\n\nb"), 1, 1, ""}, {D("a\n\n\nb"), 2, 1, "b"},
        {D("a\r\nb\r\n"), 2, 1, ""},                   // after the final break: reached, empty
        {D("a\r\nb\r\n"), 3, 0, ""},
        {D("a\rb\nc\n\rd\r\re"), 3, 1, "d"}, {D("a\rb\nc\n\rd\r\re"), 4, 1, "e"},
        {D(""), 0, 0, ""}, {D("x"), -1, 0, ""},
        {D("one\ttwo\x01\x1f" "three"), 0, 1, "onetwothree"},  // control bytes dropped
        {D("ab\0cd\r\nef"), 0, 1, "ab"}, {D("ab\0cd\r\nef"), 1, 0, ""},  // zero byte ends the text
        {D("\0\0\0"), 0, 0, ""},
    };
    for (auto& c : cases) {
        Got g = Line(c.data, c.n);
        EXPECT_EQ(g.reached, c.reached) << c.n << " in " << c.data;
        EXPECT_EQ(g.text, c.text) << c.n;
    }
#undef D
}

TEST(ExtractLine, TwoByteCharactersStayWhole)
{
    std::string jp = "表示ソフト\x81\x40";  // includes 0x5C trail bytes and a full-width space
    Got g = Line(jp + "\r\n" + jp, 1);
    EXPECT_EQ(g.reached, 1);
    EXPECT_EQ(g.text, jp);
}

TEST(ExtractLine, LongLinesAreCutAtCharacterBoundaries)
{
    std::string ascii(1500, 'x');
    EXPECT_EQ(Line(ascii, 0).text.size(), 1003u);

    // 1002 ASCII bytes then a two-byte character: it doesn't fit in 1003 bytes whole.
    std::string straddle = std::string(1002, 'x') + "表yy";
    EXPECT_EQ(Line(straddle, 0).text, std::string(1002, 'x'));

    // The caller's buffer: 21 bytes hold 20 bytes of text.
    std::string name = std::string(19, 'a') + "ソ";
    EXPECT_EQ(Line(name, 0, 21).text, std::string(19, 'a'));
    EXPECT_EQ(Line("abc", 0, 1).text, "");
    EXPECT_EQ(Line("abc", 0, 1).reached, 1);
    char untouched = '#';
    EXPECT_EQ(ExtractLine("abc", 3, 0, &untouched, 0), 1);
    EXPECT_EQ(untouched, '#');
}
