#include "lines/LineChoice.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

int Suu(const std::string& bytes)
{
    return LineSuuOf(bytes.data(), bytes.size());
}

TEST(LineSuu, CountsLineEnds)
{
    // The first-start lines files: three CR LF lines and a closing zero byte.
    EXPECT_EQ(3, Suu(std::string("すごい！\r\nえらい！\r\nさすが！\r\n\0", 31)));
    EXPECT_EQ(2, Suu("a\r\nb"));
    EXPECT_EQ(0, Suu("a"));
    EXPECT_EQ(1, Suu("ab"));
    EXPECT_EQ(1, Suu("\r\n"));
    EXPECT_EQ(1, Suu("\n"));
    EXPECT_EQ(0, Suu(""));
    EXPECT_EQ(1, Suu("a\r"));                    // CR-only ends: one line
    EXPECT_EQ(3, Suu("a\n\nb\n"));             // the empty line counts
}

TEST(LineSuu, TextEndsAtFirstZeroByte)
{
    EXPECT_EQ(0, Suu(std::string("\0a\r\nb\r\n", 7)));
    EXPECT_EQ(1, Suu(std::string("a\r\n\0b\r\nc\r\n", 10)));
    // "ab" then zero: the zero ends the text, so "ab" gets its LF.
    EXPECT_EQ(1, Suu(std::string("ab\0\n\n", 5)));
    // The length bounds the scan when there is no zero byte.
    EXPECT_EQ(1, LineSuuOf("a\nb\nc\n", 2));
}

TEST(UsableLine, EmptyAndLoneSpaceAreNot)
{
    EXPECT_FALSE(IsUsableLine(""));
    EXPECT_FALSE(IsUsableLine(" "));
    EXPECT_TRUE(IsUsableLine("  "));
    EXPECT_TRUE(IsUsableLine("a"));
    EXPECT_TRUE(IsUsableLine(" a"));
    EXPECT_TRUE(IsUsableLine("　"));              // an ideographic space is a line
}

// The system's generator: seed * 1103515245 + 12345, value bits 16 to 30.
struct CHOICE_CTX {
    uint32_t seed;
    std::vector<std::string> lines;
    int reads;
    std::vector<int> picked;
};

double LcgFraction(void* p)
{
    CHOICE_CTX* c = (CHOICE_CTX*)p;
    c->seed = c->seed * 1103515245u + 12345u;
    int r1 = (c->seed >> 16) & 0x7FFF;
    c->seed = c->seed * 1103515245u + 12345u;
    int r2 = (c->seed >> 16) & 0x7FFF;
    return (double)((r1 * r2) % 100000) / 100000.0;
}

double AlwaysAlmostOne(void*)
{
    return 0.99999;
}

double AlwaysOne(void*)
{
    return 1.0;
}

void ReadFromVector(void* p, int k, char* out, size_t cap)
{
    CHOICE_CTX* c = (CHOICE_CTX*)p;
    c->reads++;
    c->picked.push_back(k);
    std::string s = (k >= 0 && k < (int)c->lines.size()) ? c->lines[k] : std::string();
    snprintf(out, cap, "%s", s.c_str());
}

TEST(ChooseLine, SeededChoiceGivesEveryUsableLineAndNeverASpace)
{
    CHOICE_CTX c = {12345u, {"a", " ", "", "b", "  "}, 0, {}};
    int seen[5] = {};
    for (int round = 0; round < 400; round++) {
        char out[64] = "x";
        int last = -1;
        int k = ChooseLine(5, LcgFraction, ReadFromVector, &c, out, sizeof out, &last);
        ASSERT_GE(k, 0);
        ASSERT_LT(k, 5);
        EXPECT_EQ(k, last);
        EXPECT_EQ(c.lines[k], out);
        seen[k]++;
    }
    EXPECT_GT(seen[0], 0);
    EXPECT_GT(seen[3], 0);
    EXPECT_GT(seen[4], 0);                       // two spaces are a line
    EXPECT_EQ(0, seen[1]);
    EXPECT_EQ(0, seen[2]);
    // Unusable lines cost tries: more reads than choices.
    EXPECT_GT(c.reads, 400);
}

TEST(ChooseLine, GivesUpAfterExactly5000Tries)
{
    CHOICE_CTX c = {7u, {"", " ", ""}, 0, {}};
    char out[16] = "old";
    int last = -1;
    EXPECT_EQ(-1, ChooseLine(3, LcgFraction, ReadFromVector, &c, out, sizeof out, &last));
    EXPECT_EQ(5000, c.reads);
    // What the last try read stays in the line.
    EXPECT_EQ(c.lines[c.picked.back()], out);
    EXPECT_EQ(c.picked.back(), last);
}

TEST(ChooseLine, IndexStaysInsideTheFile)
{
    CHOICE_CTX c = {1u, {"a", "b", "c"}, 0, {}};
    char out[8];
    int last = -1;
    EXPECT_EQ(2, ChooseLine(3, AlwaysAlmostOne, ReadFromVector, &c, out, sizeof out, &last));
    EXPECT_EQ(2, ChooseLine(3, AlwaysOne, ReadFromVector, &c, out, sizeof out, &last));
    EXPECT_EQ(-1, ChooseLine(0, AlwaysOne, ReadFromVector, &c, out, sizeof out, &last));
    EXPECT_EQ(2, c.reads);                       // no line count, no read
}

}  // namespace
