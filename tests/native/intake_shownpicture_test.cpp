#include "display/ShownPicture.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Join(const char* folder, const char* name, size_t cap = 264)
{
    char out[600];
    memset(out, 'x', sizeof out);
    if (!JoinFolderAndName(out, cap, folder, name)) {
        EXPECT_EQ(0, out[0]);
        return "(none)";
    }
    return out;
}

TEST(JoinFolderAndName, OneBackslashBetween)
{
    EXPECT_EQ("C:\\K\\個人設定\\猫\\a.png", Join("C:\\K\\個人設定\\猫", "a.png"));
    EXPECT_EQ("C:\\K\\個人設定\\猫\\a.png", Join("C:\\K\\個人設定\\猫\\", "a.png"));
    // 表 and ソ end in 0x5C: still a separator is needed.
    EXPECT_EQ("C:\\表\\a.png", Join("C:\\表", "a.png"));
    EXPECT_EQ("C:\\ソ\\a.png", Join("C:\\ソ", "a.png"));
    EXPECT_EQ("C:\\表\\a.png", Join("C:\\表\\", "a.png"));
}

TEST(JoinFolderAndName, RefusesEmptyNameAndOverflow)
{
    EXPECT_EQ("(none)", Join("C:\\x", ""));
    // "C:\x\ab" is 7 bytes: fits in 8, not in 7.
    EXPECT_EQ("C:\\x\\ab", Join("C:\\x", "ab", 8));
    EXPECT_EQ("(none)", Join("C:\\x", "ab", 7));
    EXPECT_EQ("(none)", Join(std::string(300, 'a').c_str(), "b.png"));
}

}  // namespace
