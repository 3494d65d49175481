#include <gtest/gtest.h>

#include <string>

#include "base/Cp932.h"
#include "base/Limits.h"
#include "categories/CategoryRules.h"
#include "categories/RecentRules.h"
#include "store/Paths.h"

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

TEST(Paths, JoinAndProgramFolder)
{
    char out[16];
    EXPECT_TRUE(PathJoin(out, sizeof out, "C:\\A", "\\x", "\\y"));
    EXPECT_STREQ(out, "C:\\A\\x\\y");
    EXPECT_TRUE(PathJoin(out, 5, "ab", "cd"));
    EXPECT_FALSE(PathJoin(out, 4, "ab", "cd"));
    EXPECT_STREQ(out, "");

    char pf[KP_PATH_BYTES];
    ProgramFolderOf("C:\\A\\B", pf, sizeof pf);
    EXPECT_STREQ(pf, "C:\\A");
    ProgramFolderOf("C:\\", pf, sizeof pf);
    EXPECT_STREQ(pf, "C:");
    ProgramFolderOf("C:\\Tools\\App", pf, sizeof pf);
    EXPECT_STREQ(pf, "C:\\Tools");
    ProgramFolderOf("C:\\表\\ソ", pf, sizeof pf);   // the trail 0x5C of ソ is not the cut
    EXPECT_STREQ(pf, "C:\\表");
    ProgramFolderOf("C:\\x\\表", pf, sizeof pf);
    EXPECT_STREQ(pf, "C:\\x");
}

TEST(SettingsFormat, MenuListAndRecentBlock)
{
    const char* names[] = {"★ほめる", "★なぐさめる"};
    EXPECT_EQ(MenuListText(names, 2), "★ほめる\r\n★なぐさめる\r\n");
    EXPECT_EQ(MenuListText(names, 0), "");

    unsigned char block[RECENT_FILE_BYTES];
    const char* slots[] = {"C:\\x", "", "C:\\y", "C", ""};
    RecentFoldersBlock(slots, 5, block);
    std::string expect = "C:\\x\r\nC:\\y\r\n";
    EXPECT_EQ(std::string((char*)block, expect.size()), expect);
    for (size_t i = expect.size(); i < RECENT_FILE_BYTES; i++)
        ASSERT_EQ(block[i], 0) << i;

    // Five paths of 259 bytes: 1305 bytes, the last path loses three bytes and its line end.
    std::string p[5];
    const char* five[5];
    for (int i = 0; i < 5; i++) {
        p[i] = std::string(259, (char)('a' + i));
        five[i] = p[i].c_str();
    }
    RecentFoldersBlock(five, 5, block);
    std::string all = p[0] + "\r\n" + p[1] + "\r\n" + p[2] + "\r\n" + p[3] + "\r\n" + p[4] + "\r\n";
    EXPECT_EQ(std::string((char*)block, RECENT_FILE_BYTES), all.substr(0, 1300));
    EXPECT_EQ(std::string((char*)block + 1300 - 256, 256), std::string(256, 'e'));
}
