#include <gtest/gtest.h>

#include "base/Limits.h"
#include "store/Paths.h"

TEST(Paths, ProgramFolderAndItsPaths)
{
    char out[16];
    SetProgramFolder("C:\\A");
    EXPECT_TRUE(ProgramPath(out, sizeof out, "\\x", "\\y"));
    EXPECT_STREQ(out, "C:\\A\\x\\y");
    EXPECT_TRUE(ProgramPath(out, 9, "\\x\\y"));
    EXPECT_FALSE(ProgramPath(out, 8, "\\x\\y"));
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
