// Lines of a category: the choice, the notice when there is none, the click and the two
// line commands, on a real main window in a scratch program folder.
#include "base/CommandIds.h"
#include "base/Window.h"
#include "categories/MenuBar.h"
#include "lines/Lines.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

const wchar_t kNoLinesCaption[] = L"セリフがありません。（‘ v‘）/";

class LinesTest : public testing::Test {
protected:
    std::wstring pf;
    std::wstring homeru;       // lines file of category 0

    void SetUp() override
    {
        const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
        std::wstring name = L"lines-" + Utf8ToWide(info->name());
        pf = MakeScratchProgramFolder(name.c_str());
        HandoffLogStart(name.c_str());
        BoxWatchStart();
        ASSERT_TRUE(StartKotopaneInProcess(pf) != nullptr);
        ASSERT_EQ(2, CategoryCount());
        homeru = SettingsFolder(pf) + L"\\★ほめる\\★ほめるセリフ.txt";
        BoxWatchStart();
    }

    void TearDown() override
    {
        StopKotopaneInProcess();
        BoxWatchStop();
    }

    // Hand-offs after start-up (which opens the usage guide first).
    std::vector<std::wstring> LaterHandoffs(size_t count)
    {
        std::vector<std::wstring> lines = HandoffLogLines(count + 1, 3000);
        std::vector<std::wstring> later;
        for (const std::wstring& l : lines)
            if (!l.empty() && l.find(L"\\部品\\使い方.html") == std::wstring::npos)
                later.push_back(l);
        return later;
    }

    void ExpectNoLinesNotice(const wchar_t* name)
    {
        const std::vector<SHOWN_BOX>& seen = BoxWatchSeen();
        ASSERT_EQ(1u, seen.size());
        EXPECT_EQ(std::wstring(L"メニュー「") + name +
                      L"」にはセリフがありません。セリフファイルにセリフを書き込んでください。",
                  seen[0].text);
        EXPECT_EQ(kNoLinesCaption, seen[0].caption);
        EXPECT_EQ(MainWindow(), seen[0].owner);
    }
};

bool HasTrace(const std::vector<std::string>& traces, const char* line)
{
    for (const std::string& t : traces)
        if (t == line)
            return true;
    return false;
}

TEST_F(LinesTest, FirstStartFileGivesOneOfItsThreeLines)
{
    std::set<std::string> seen;
    for (int i = 0; i < 40; i++) {
        TraceCaptureStart();
        SerifuLoad();
        std::vector<std::string> traces = TraceCaptureStop();
        ASSERT_EQ(3u, traces.size());
        EXPECT_EQ("●●●　SerifuLoad　●●●=0, 0, 0, 0, 0\r\n", traces[0]);
        EXPECT_EQ("Path=" + ToCp932(homeru) + "\r\n", traces[1]);
        EXPECT_EQ("LineSuu=3, 0, 0, 0, 0\r\n", traces[2]);
        seen.insert(CurrentLine());
        EXPECT_GE(CurrentLineIndex(), 0);
        EXPECT_LE(CurrentLineIndex(), 2);
    }
    EXPECT_EQ((std::set<std::string>{"すごーい！", "かっこいいー！", "頭いいー！"}), seen);
    EXPECT_TRUE(BoxWatchSeen().empty());
}

TEST_F(LinesTest, LoneSpaceNeverShownTwoLinesWithoutEndBothShown)
{
    ASSERT_TRUE(WriteBytes(homeru, "a\r\n \r\n"));
    for (int i = 0; i < 40; i++) {
        SerifuLoad();
        EXPECT_STREQ("a", CurrentLine());
    }
    ASSERT_TRUE(WriteBytes(homeru, "a\r\nb\tc"));
    std::set<std::string> seen;
    for (int i = 0; i < 40; i++) {
        SerifuLoad();
        seen.insert(CurrentLine());
    }
    EXPECT_EQ((std::set<std::string>{"a", "bc"}), seen);
    EXPECT_TRUE(BoxWatchSeen().empty());
}

TEST_F(LinesTest, LongLineKeptWhole)
{
    std::string line(1000, 'x');
    ASSERT_TRUE(WriteBytes(homeru, line + "\r\n"));
    SerifuLoad();
    EXPECT_EQ(line, CurrentLine());
}

TEST_F(LinesTest, OnlyEmptyLinesGiveNoticeAfterAllTriesAndOpenTheFile)
{
    ASSERT_TRUE(WriteBytes(homeru, "\r\n"));
    SetCurrentLine("old");
    TraceCaptureStart();
    SerifuLoad();
    std::vector<std::string> traces = TraceCaptureStop();
    EXPECT_TRUE(HasTrace(traces, "LineSuu=1, 0, 0, 0, 0\r\n"));
    ExpectNoLinesNotice(L"★ほめる");
    EXPECT_STREQ("", CurrentLine());    // what the last try read
    std::vector<std::wstring> h = LaterHandoffs(1);
    ASSERT_EQ(1u, h.size());
    EXPECT_NE(std::wstring::npos, h[0].find(L"★ほめるセリフ.txt")) << h[0];
}

TEST_F(LinesTest, MissingEmptyAndOneByteFilesGiveTheNotice)
{
    // Missing, empty, zero first byte, one byte without a line end.
    const std::string contents[] = {"", "", std::string("\0a\r\n", 4), "a"};
    for (int c = 0; c < 4; c++) {
        BoxWatchStart();
        DeleteFileW(homeru.c_str());
        if (c > 0) {
            ASSERT_TRUE(WriteBytes(homeru, contents[c]));
        }
        SetCurrentLine("kept");
        TraceCaptureStart();
        SerifuLoad();
        std::vector<std::string> traces = TraceCaptureStop();
        SCOPED_TRACE(c);
        ExpectNoLinesNotice(L"★ほめる");
        EXPECT_STREQ("kept", CurrentLine());
        // "a" alone is read and counted as no line; the others never get that far.
        EXPECT_EQ(c == 3, HasTrace(traces, "LineSuu=0, 0, 0, 0, 0\r\n"));
    }
    // A missing file has nothing for the shell to open; the three others are opened.
    EXPECT_GE(LaterHandoffs(3).size(), 3u);
}

TEST_F(LinesTest, ClickTypesANewLineOfTheSelectedCategory)
{
    SetNowMenuNum(1);
    SetCurrentLine("");
    TraceCaptureStart();
    SendMessageW(MainWindow(), WM_LBUTTONDOWN, 0, MAKELPARAM(300, 400));
    std::vector<std::string> traces = TraceCaptureStop();
    ASSERT_GE(traces.size(), 2u);
    EXPECT_EQ("●●●　MainWnd_LButtonDown　●●●glNowMenuNum=1, 0, 0, 0, 0\r\n", traces[0]);
    EXPECT_EQ("●●●　SerifuLoad　●●●=0, 0, 0, 0, 0\r\n", traces[1]);
    std::set<std::string> nagusameru = {"がんばって！", "だいじょうぶ！", "応援してるよ！", "お疲れさま"};
    EXPECT_EQ(1u, nagusameru.count(CurrentLine())) << CurrentLine();
    // The whole client area waits for a repaint.
    RECT rc, client;
    GetClientRect(MainWindow(), &client);
    EXPECT_TRUE(GetUpdateRect(MainWindow(), &rc, FALSE));
    EXPECT_TRUE(EqualRect(&client, &rc));
    EXPECT_TRUE(BoxWatchSeen().empty());
}

TEST_F(LinesTest, LineCommandsExplainAndOpenTheSettingsFolder)
{
    SetNowMenuNum(1);
    TraceCaptureStart();
    SendMessageW(MainWindow(), WM_COMMAND, CMD_ADD_LINES, 0);
    std::vector<std::string> traces = TraceCaptureStop();
    SendMessageW(MainWindow(), WM_COMMAND, CMD_DELETE_LINES, 0);

    std::string settings = ToCp932(SettingsFolder(pf));
    EXPECT_TRUE(HasTrace(traces, ("Path=" + settings + "\r\n").c_str()));
    const std::vector<SHOWN_BOX>& seen = BoxWatchSeen();
    ASSERT_EQ(2u, seen.size());
    EXPECT_EQ(L"セリフ追加（‘ v‘）/", seen[0].caption);
    EXPECT_EQ(L"フォルダの中にあるセリフファイルにセリフを書き込んでください。（書き換えもOK）\r\n"
              L"セリフを複数書くときは改行（enter）で区切ってください。\r\n"
              L"最後に上書き保存をしてください。\r\n",
              seen[0].text);
    EXPECT_EQ(L"セリフを選択して削除", seen[1].caption);
    EXPECT_EQ(L"各フォルダのセリフファイルから手動で削除してください。", seen[1].text);
    for (const SHOWN_BOX& b : seen)
        EXPECT_EQ(MainWindow(), b.owner);
    // Both open the settings folder itself, not the selected category's.
    std::vector<std::wstring> h = LaterHandoffs(2);
    ASSERT_EQ(2u, h.size());
    for (const std::wstring& l : h) {
        EXPECT_NE(std::wstring::npos, l.find(L"個人設定")) << l;
        EXPECT_EQ(std::wstring::npos, l.find(L"なぐさめる")) << l;
    }
}

}  // namespace
