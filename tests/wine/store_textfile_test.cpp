#include <gtest/gtest.h>

#include <string.h>

#include "base/Window.h"
#include "store/TextFile.h"
#include "tests/support/TestSupport.h"

namespace {

// A scratch folder whose name has trail-byte backslashes (表, ソ) in it.
class TextFileTest : public ::testing::Test {
protected:
    std::wstring dir;
    HWND owner = nullptr;

    void SetUp() override
    {
        dir = TestBuildDir() + L"\\scratch\\store_表ソ_" + std::to_wstring(GetCurrentProcessId());
        DeleteTree(dir);
        CreateDirectoryW((TestBuildDir() + L"\\scratch").c_str(), nullptr);
        ASSERT_TRUE(CreateDirectoryW(dir.c_str(), nullptr));
        owner = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                nullptr, nullptr);
        SetMainWindow(owner);
    }
    void TearDown() override
    {
        SetMainWindow(nullptr);
        DestroyWindow(owner);
        DeleteTree(dir);
    }
    std::wstring W(const char* name) { return dir + L"\\" + ToWide(name); }
    std::string P(const char* name) { return ToCp932(W(name)); }
    std::string Bytes(const char* name)
    {
        std::string b;
        EXPECT_TRUE(ReadBytes(W(name), &b)) << name;
        return b;
    }
    HANDLE Lock(const char* name)
    {
        return CreateFileW(W(name).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    }
};

}  // namespace

TEST_F(TextFileTest, LineReadersOnRealFiles)
{
    ASSERT_TRUE(WriteBytes(W("セリフ.txt"), std::string("a\r\n\r\nb\t表\r\n", 10)));
    std::string path = P("セリフ.txt");
    EXPECT_EQ(ReadLine(path.c_str(), 0), "a");
    EXPECT_EQ(ReadLine(path.c_str(), 2), "b表");

    char dest[32];
    EXPECT_EQ(ReadLineTo(dest, sizeof dest, path.c_str(), 1), 1);
    EXPECT_STREQ(dest, "");
    EXPECT_EQ(ReadLineTo(dest, sizeof dest, path.c_str(), 3), 1);  // after the final break
    EXPECT_EQ(ReadLineTo(dest, sizeof dest, path.c_str(), 4), 0);
    EXPECT_STREQ(dest, "");
    EXPECT_EQ(ReadLineTo(dest, 3, path.c_str(), 2), 1);             // 表 doesn't fit in 2 bytes
    EXPECT_STREQ(dest, "b");

    ASSERT_TRUE(WriteBytes(W("empty.txt"), ""));
    strcpy(dest, "keep");
    EXPECT_EQ(ReadLineTo(dest, sizeof dest, P("empty.txt").c_str(), 0), 0);
    EXPECT_STREQ(dest, "");

    std::vector<char> whole;
    EXPECT_EQ(ReadWholeFile(path.c_str(), &whole), 10);
    ASSERT_EQ(whole.size(), 12u);
    EXPECT_EQ(whole[10], 0);
    EXPECT_EQ(whole[11], 0);
    EXPECT_EQ(ReadWholeFile(P("empty.txt").c_str(), &whole), 0);
}

TEST_F(TextFileTest, MissingOrLockedFilesReadAsMissing)
{
    char dest[16] = "untouched";
    EXPECT_EQ(ReadLineTo(dest, sizeof dest, P("none.txt").c_str(), 0), 0);
    EXPECT_STREQ(dest, "untouched");
    EXPECT_EQ(ReadLine(P("none.txt").c_str(), 0), "");
    std::vector<char> whole;
    EXPECT_EQ(ReadWholeFile(P("none.txt").c_str(), &whole), 0);

    ASSERT_TRUE(WriteBytes(W("locked.txt"), "1"));
    HANDLE lock = Lock("locked.txt");
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    BoxWatchStart();
    EXPECT_EQ(ReadLineTo(dest, sizeof dest, P("locked.txt").c_str(), 0), 0);
    EXPECT_STREQ(dest, "untouched");
    EXPECT_EQ(ReadWholeFile(P("locked.txt").c_str(), &whole), 0);
    CloseHandle(lock);
    EXPECT_TRUE(BoxWatchStop().empty());
}

TEST_F(TextFileTest, WritersProduceExactBytes)
{
    EXPECT_EQ(WriteTextWithZero(P("ハート.txt").c_str(), "1"), 2);
    EXPECT_EQ(Bytes("ハート.txt"), std::string("1\0", 2));

    char buf[1300] = {};
    memcpy(buf, "C:\\x\r\nC:\\y", 10);
    BoxWatchStart();
    EXPECT_EQ(FileWriteMy2(P("最近.txt").c_str(), buf, 1300), 1300);
    EXPECT_EQ(Bytes("最近.txt"), std::string(buf, 1300));

    // Replacing a longer file leaves only the new bytes; an empty text gives an empty file.
    EXPECT_EQ(FileWriteMy2(P("最近.txt").c_str(), "16777215", 8), 8);
    EXPECT_EQ(Bytes("最近.txt"), "16777215");
    EXPECT_EQ(FileWriteMy2(P("最近.txt").c_str(), "", 0), 0);
    EXPECT_EQ(Bytes("最近.txt"), "");
    EXPECT_TRUE(BoxWatchStop().empty());

    // Nothing but the written files is left in the folder: no temporary files.
    std::vector<std::wstring> names = ListFolder(dir);
    EXPECT_EQ(names.size(), 2u);
    for (auto& n : names)
        EXPECT_TRUE(n == ToWide("ハート.txt") || n == ToWide("最近.txt")) << ToCp932(n);
}

TEST_F(TextFileTest, FailedSavesKeepTheOldFileAndReport)
{
    TakeSaveFailures();
    ASSERT_TRUE(WriteBytes(W("menu.txt"), "old\r\n"));
    HANDLE lock = Lock("menu.txt");
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);

    BoxWatchStart();
    EXPECT_EQ(FileWriteMy2(P("menu.txt").c_str(), "new\r\n", 5), 0);
    EXPECT_EQ(WriteTextWithZero(P("menu.txt").c_str(), "0"), 0);  // reports nothing
    std::vector<SHOWN_BOX> boxes = BoxWatchStop();
    CloseHandle(lock);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, ToWide("FileWriteMy2 INVALID_HANDLE_VALUE"));
    EXPECT_EQ(boxes[0].caption, L"");
    EXPECT_EQ(boxes[0].owner, owner);
    EXPECT_FALSE(boxes[0].hasYesNo);
    EXPECT_EQ(Bytes("menu.txt"), "old\r\n");

    // A missing folder: reported, and nothing is created.
    BoxWatchStart();
    EXPECT_EQ(FileWriteMy2(P("nofolder\\x.txt").c_str(), "x", 1), 0);
    EXPECT_EQ(WriteTextWithZero(P("nofolder\\x.txt").c_str(), "x"), 0);
    EXPECT_EQ(BoxWatchStop().size(), 1u);

    EXPECT_EQ(ListFolder(dir).size(), 1u);  // menu.txt alone, no temporary file
    // Every failed save is kept, in order, for the shutdown to tell once.
    std::vector<SAVE_FAILURE> failed = TakeSaveFailures();
    ASSERT_EQ(failed.size(), 4u);
    EXPECT_TRUE(failed[0].path == P("menu.txt") && failed[3].path == P("nofolder\\x.txt"));
    EXPECT_TRUE(failed[0].error == ERROR_SHARING_VIOLATION && failed[3].error != NO_ERROR) << failed[3].error;
    EXPECT_TRUE(TakeSaveFailures().empty());
}

TEST_F(TextFileTest, StaleTemporaryFileDoesNotBlockTheSave)
{
    // A temporary file left by a save that died midway: the old file is still whole, and
    // the next save goes through beside the leftover.
    ASSERT_TRUE(WriteBytes(W("背景色.txt"), "255"));
    std::wstring stale = W("背景色.txt") + L".~" + std::to_wstring(GetCurrentProcessId()) + L"_0.tmp";
    ASSERT_TRUE(WriteBytes(stale, "25"));
    EXPECT_EQ(Bytes("背景色.txt"), "255");
    BoxWatchStart();
    EXPECT_EQ(FileWriteMy2(P("背景色.txt").c_str(), "16711680", 8), 8);
    EXPECT_TRUE(BoxWatchStop().empty());
    EXPECT_EQ(Bytes("背景色.txt"), "16711680");
    EXPECT_EQ(ListFolder(dir).size(), 2u);  // the target and the old leftover only
}
