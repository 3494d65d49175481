#include <gtest/gtest.h>

#include <string>

#include "store/LineText.h"
#include "store/TextDecode.h"

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
        std::vector<size_t> starts;   // read from where LineStarts puts it, line n is the same
        LineStarts(c.data.data(), c.data.size(), &starts);
        bool has = c.n >= 0 && (size_t)c.n < starts.size();
        EXPECT_EQ(has ? Line(c.data.substr(starts[c.n]), 0).text : "", c.text) << c.n << " from its start";
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

// Bytes as editors save them: which encoding is taken, and the text it gives.
TEST(TextDecode, EncodingsBomsAndDamage)
{
#define U8(lit) std::string((const char*)u8##lit)
#define B(lit) std::string(lit, sizeof(lit) - 1)
    struct { std::string bytes; bool cut; TEXT_ENCODING enc; std::u16string text; } cases[] = {
        { B("\x95\x5C\x83\x5C\\\r\n"), false, TEXT_CP932, u"" }, { B("abc\r\n"), false, TEXT_CP932, u"" },
        { U8("がんばって！\r\n応援してるよ"), false, TEXT_UTF8, u"がんばって！\r\n応援してるよ" },
        { B("\xFF\xFE\x68\x88\x61\x00\x3D\xD8\x00\xDE"), false, TEXT_UTF16LE, u"表a\U0001F600" },
        { B("\xFE\xFF\x88\x68\x00\x61"), false, TEXT_UTF16BE, u"表a" },
        { U8("あ\\x"), false, TEXT_UTF8, u"あ\\x" },   // あ ends in a code page 932 lead byte: the \ stays
        { B("\xEF\xBB\xBF" "a\xFF" "b\xE3\x81" "c\xC0\x80"), false, TEXT_UTF8, u"a\uFFFDb\uFFFDc\uFFFD\uFFFD" },
        // Cut at the end of the file, or where reading stopped.
        { B("\xEF\xBB\xBF" "a\xE3\x81"), false, TEXT_UTF8, u"a\uFFFD" }, { B("\xEF\xBB\xBF" "a\xE3\x81"), true, TEXT_UTF8, u"a" },
        { U8("あ") + "\xE3\x81", false, TEXT_CP932, u"" }, { U8("あ") + "\xE3\x81", true, TEXT_UTF8, u"あ" },
        { B("\xFE\xFF\x00\x61\xD8\x3D"), true, TEXT_UTF16BE, u"a" },
        { B("a\xC0\x80\xED\xA0\x80"), false, TEXT_CP932, u"" },   // overlong and surrogate forms
        { B("\xFF\xFE\x61\x00\x62"), false, TEXT_UTF16LE, u"a\uFFFD" },   // odd byte count
        { B("\xFF\xFE\x00\xD8\x61\x00\x00\xDC\x3D\xD8"), false, TEXT_UTF16LE, u"\uFFFDa\uFFFD\uFFFD" },
        { B("\xFF\xFE\x61\x00\x00\x00\x62\x00"), false, TEXT_UTF16LE, u"a" },   // zero ends the text
        { U8("〜‖−¢£¬—"), false, TEXT_UTF8, u"\uFF5E\u2225\uFF0D\uFFE0\uFFE1\uFFE2\u2015" },
    };
    for (auto& c : cases) {
        const unsigned char* p = (const unsigned char*)c.bytes.data();
        size_t bom = 99;
        EXPECT_EQ(DetectTextEncoding(p, c.bytes.size(), c.cut, &bom), c.enc) << c.bytes;
        std::u16string text;
        DecodeUnicodeText(p + bom, c.bytes.size() - bom, c.enc, c.cut, &text);
        EXPECT_TRUE(text == c.text) << c.bytes;
    }
}
