// Dropping pictures onto the real main window with WM_DROPFILES, and the picture
// commands and context menu that act on the picture shown.
#include "base/CommandIds.h"
#include "base/Window.h"
#include "categories/MenuBar.h"
#include "categories/RecentFolders.h"
#include "display/Display.h"
#include "intake/Intake.h"
#include "intake/IntakeState.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// A small valid picture whose bytes tell it apart from others.
std::string Bmp(unsigned char red, unsigned char green, unsigned char blue)
{
    return TestBmpBytes(2, 2, [=](int, int) { return (DWORD)red << 16 | (DWORD)green << 8 | blue; });
}

POINT Center(const RECT& r)
{
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// Names code page 932 cannot write (kept out of assertion macros, which quote their
// arguments as narrow text).
const wchar_t kEmoji[] = L"😀.png";
const wchar_t kHangul[] = L"한.png";

bool Contains(const std::wstring& s, const wchar_t* piece)
{
    return s.find(piece) != std::wstring::npos;
}

class DropTest : public testing::Test {
protected:
    std::wstring pf;
    std::wstring src;          // where the dropped files come from
    std::wstring cat0, cat1;   // category folders
    std::wstring linesName0;

    // Names with 0x5C trail bytes in the source folder too.
    void Prepare(bool start = true)
    {
        const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
        std::wstring name = L"intake-" + Utf8ToWide(info->name());
        pf = MakeScratchProgramFolder(name.c_str());
        src = TestBuildDir() + L"\\scratch\\" + name + L"-src表ソ";
        DeleteTree(src);
        CreateDirectoryW(src.c_str(), nullptr);
        cat0 = SettingsFolder(pf) + L"\\★ほめる";
        cat1 = SettingsFolder(pf) + L"\\★なぐさめる";
        HandoffLogStart(name.c_str());
        BoxWatchStart();
        if (start) {
            ASSERT_TRUE(StartKotopaneInProcess(pf) != nullptr);
            ASSERT_EQ(2, CategoryCount());
            BoxWatchStart();
        }
    }

    void SetUp() override { Prepare(); }

    void TearDown() override
    {
        StopKotopaneInProcess();
        BoxWatchStop();
    }

    std::wstring Source(const wchar_t* file, const std::string& bytes)
    {
        std::wstring path = src + L"\\" + file;
        EXPECT_TRUE(WriteBytes(path, bytes));
        return path;
    }

    void Drop(POINT pt, const std::vector<std::wstring>& files)
    {
        SendMessageW(MainWindow(), WM_DROPFILES, (WPARAM)MakeDrop(pt, files), 0);
        WaitForDrops();
    }

    std::string Read(const std::wstring& path)
    {
        std::string b;
        if (!ReadBytes(path, &b))
            return "(missing)";
        return b;
    }

    // Boxes other than the display's report of a picture it could not load.
    std::vector<SHOWN_BOX> OurBoxes()
    {
        std::vector<SHOWN_BOX> boxes;
        for (const SHOWN_BOX& b : BoxWatchSeen())
            if (!Contains(b.caption, L"画像ファイルの読み込みに失敗"))
                boxes.push_back(b);
        return boxes;
    }
};

TEST_F(DropTest, OntoSecondEntryCopiesThereShowsTheLastAndKeepsTheSelection)
{
    std::vector<std::wstring> files = {Source(L"a.bmp", Bmp(255, 0, 0)), Source(L"表.bmp", Bmp(0, 255, 0)),
                                       Source(L"ソ.bmp", Bmp(0, 0, 255))};
    POINT pt = Center(CategoryRect(1));
    ASSERT_LT(pt.y, 0);                          // the menu bar lies above the client area
    HDROP drop = MakeDrop(pt, files);
    TraceCaptureStart();
    SendMessageW(MainWindow(), WM_DROPFILES, (WPARAM)drop, 0);
    std::vector<std::string> traces = TraceCaptureStop();
    WaitForDrops();

    EXPECT_EQ(Bmp(255, 0, 0), Read(cat1 + L"\\a.bmp"));
    EXPECT_EQ(Bmp(0, 255, 0), Read(cat1 + L"\\表.bmp"));
    EXPECT_EQ(Bmp(0, 0, 255), Read(cat1 + L"\\ソ.bmp"));
    EXPECT_FALSE(FileExists(cat0 + L"\\a.bmp"));
    EXPECT_EQ(3, PictureCount(1));
    EXPECT_EQ(0, PictureCount(0));
    EXPECT_EQ(0, NowMenuNum());
    EXPECT_EQ(L"ソ.bmp", ToWide(CurrentPictureName()));
    EXPECT_EQ(cat1, ToWide(ShownPictureFolder()));
    EXPECT_EQ(1, PictureShown());
    // The folder of the last file, trail bytes 0x5C and all, heads the recent list.
    EXPECT_EQ(src + L"\\", ToWide(RecentFolder(0)));
    EXPECT_EQ(0u, GlobalSize(drop));             // the drop block was released

    ASSERT_GE(traces.size(), 4u);
    EXPECT_EQ("●●●　MainWnd_DropFiles　●●●=0, 0, 0, 0, 0\r\n", traces[0]);
    char expect[80];
    snprintf(expect, sizeof expect, "Pt.x,Pt.y=%ld, %ld, 0, 0, 0\r\n", pt.x, pt.y);
    EXPECT_EQ(expect, traces[1]);
    EXPECT_EQ("glMenuSuu=2, 0, 0, 0, 0\r\n", traces[2]);
    EXPECT_EQ("ButtonNum=1, 0, 0, 0, 0\r\n", traces[3]);
    EXPECT_TRUE(BoxWatchSeen().empty());
}

TEST_F(DropTest, EntryEdgesCountAndPointsBesideGoToTheSelectedCategory)
{
    RECT r1 = CategoryRect(1);
    SetNowMenuNum(0);
    Drop(POINT{r1.left, r1.bottom}, {Source(L"corner.bmp", Bmp(1, 2, 3))});
    EXPECT_TRUE(FileExists(cat1 + L"\\corner.bmp"));
    Drop(POINT{r1.left, r1.top}, {Source(L"top.bmp", Bmp(1, 2, 3))});
    EXPECT_TRUE(FileExists(cat1 + L"\\top.bmp"));

    // Just below the entry is the client area: the selected category takes it.
    Drop(POINT{Center(r1).x, r1.bottom + 1}, {Source(L"below.bmp", Bmp(1, 2, 3))});
    EXPECT_TRUE(FileExists(cat0 + L"\\below.bmp"));
    EXPECT_FALSE(FileExists(cat1 + L"\\below.bmp"));
    // The picture area with category 1 selected.
    SetNowMenuNum(1);
    Drop(POINT{300, 300}, {Source(L"area.bmp", Bmp(1, 2, 3))});
    EXPECT_TRUE(FileExists(cat1 + L"\\area.bmp"));
    EXPECT_EQ(3, PictureCount(1));
    EXPECT_EQ(1, PictureCount(0));
    EXPECT_EQ(1, NowMenuNum());
}

// A picture of the same name is replaced, the lines file never. A failed copy leaves the old
// file and no part of the new one; a file dropped alone that is plainly no picture stays out,
// a damaged one comes in. One message tells which files stayed out and why; the count is the
// folder's, a replaced picture adding nothing.
TEST_F(DropTest, SameNameReplacesAPictureNeverTheLinesFileAndFailedCopiesAreTold)
{
    std::wstring lines = cat0 + L"\\★ほめるセリフ.txt";
    std::string linesBytes = Read(lines);
    ASSERT_TRUE(WriteBytes(cat0 + L"\\same.bmp", Bmp(255, 0, 0)) && WriteBytes(cat0 + L"\\ro.bmp", Bmp(1, 1, 1)));
    // Open in a viewer that lets others read it but not replace it.
    HANDLE inUse = CreateFileW((cat0 + L"\\ro.bmp").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    std::wstring locked = Source(L"locked.bmp", Bmp(2, 2, 2));
    HANDLE lock = CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, lock);
    CreateDirectoryW((src + L"\\別").c_str(), nullptr);   // names differing in case only are one file here
    Drop(POINT{200, 300}, {Source(L"★ほめるセリフ.txt", "new lines\r\n"), Source(L"別\\★ほめるセリフ.TXT", "x"),
                           Source(L"ro.bmp", Bmp(3, 3, 3)), locked, Source(L"clip.mov", std::string("\0\0\0\x14" "ftypqt  ", 12)),
                           Source(L"cut.jpg", "\xFF\xD8"), Source(L"same.bmp", Bmp(0, 0, 255))});
    CloseHandle(lock);
    CloseHandle(inUse);
    EXPECT_EQ(Bmp(0, 0, 255), Read(cat0 + L"\\same.bmp"));
    EXPECT_EQ(Bmp(0, 0, 255), Read(src + L"\\same.bmp"));   // the dropped file stays
    EXPECT_EQ(linesBytes, Read(lines));
    EXPECT_EQ(Bmp(1, 1, 1), Read(cat0 + L"\\ro.bmp"));
    EXPECT_EQ("\xFF\xD8", Read(cat0 + L"\\cut.jpg"));
    EXPECT_EQ(4u, ListFolder(cat0).size()) << "a copy was left";
    EXPECT_EQ(3, PictureCount(0));
    EXPECT_EQ(L"same.bmp", ToWide(CurrentPictureName()));
    // One message, the files by reason.
    ASSERT_EQ(1u, OurBoxes().size());
    std::wstring t = OurBoxes()[0].text;
    size_t at = 0;
    for (const wchar_t* piece : {L"セリフファイルと同じ名前", L"セリフ.txt", L"セリフ.TXT", L"画像ではない", L"clip.mov",
                                 L"読み込めない", L"locked.bmp",
                                 L"書き込めない", L"ro.bmp", L"ほかのファイルは取り込みました"})
        EXPECT_NE(std::wstring::npos, at = t.find(piece, at)) << t;
}

// The file is already where it would be copied to: that counts as arrived, and it is shown.
TEST_F(DropTest, FileDroppedBackIntoItsOwnCategoryKeepsItsBytesAndIsShown)
{
    ASSERT_TRUE(WriteBytes(cat0 + L"\\own.bmp", Bmp(7, 8, 9)));
    Drop(POINT{200, 300}, {cat0 + L"\\own.bmp"});
    EXPECT_EQ(Bmp(7, 8, 9), Read(cat0 + L"\\own.bmp"));
    EXPECT_STREQ("own.bmp", CurrentPictureName());
    EXPECT_EQ(1, PictureShown());
    EXPECT_TRUE(BoxWatchSeen().empty());
}

// A dropped folder gives the files directly inside, as if dropped, and is remembered; a removed
// category folder is made again. Where nothing comes in the user is told, nothing remembered.
TEST_F(DropTest, DroppedFolderBringsInItsFilesAndARemovedCategoryFolderIsMadeAgain)
{
    std::wstring sub = src + L"\\フォルダ表", empty = src + L"\\空";
    for (const std::wstring& f : {sub, sub + L"\\奥", empty})
        CreateDirectoryW(f.c_str(), nullptr);
    Source(L"フォルダ表\\a.bmp", Bmp(9, 9, 9));
    Source(L"フォルダ表\\b.bmp", Bmp(8, 8, 8));
    Source(L"フォルダ表\\.DS_Store", "x");
    Source(L"フォルダ表\\奥\\deeper.bmp", Bmp(7, 7, 7));
    DeleteTree(cat0);

    Drop(POINT{200, 300}, {sub});
    EXPECT_EQ(2u, ListFolder(cat0).size());
    EXPECT_EQ(L"b.bmp", ToWide(CurrentPictureName()));   // the last by name is shown
    EXPECT_EQ(1, PictureShown());
    EXPECT_EQ(sub + L"\\", ToWide(RecentFolder(0)));
    DeleteTree(cat1);
    ASSERT_TRUE(WriteBytes(cat1, "a file where the folder was"));
    for (const std::wstring& dropped : {empty, Source(L"lost.bmp", Bmp(5, 5, 5))}) {
        BoxWatchStart();
        Drop(Center(CategoryRect(1)), {dropped});
        ASSERT_EQ(1u, BoxWatchSeen().size());
        std::wstring text = BoxWatchSeen()[0].text;
        EXPECT_TRUE(Contains(text, dropped == empty ? L"直接入っていません" : cat1.c_str())) << text;
        EXPECT_STREQ("", RecentFolder(1));
    }
}

TEST_F(DropTest, NameOutsideCodePage932IsRefusedByNameAndTheRestCopied)
{
    std::vector<std::wstring> files = {Source(kEmoji, Bmp(1, 1, 1)), Source(L"ok.bmp", Bmp(2, 2, 2)),
                                       Source(kHangul, Bmp(3, 3, 3))};
    Drop(POINT{200, 300}, files);

    std::vector<std::wstring> inFolder = ListFolder(cat0);
    std::sort(inFolder.begin(), inFolder.end());
    EXPECT_EQ((std::vector<std::wstring>{L"ok.bmp", L"★ほめるセリフ.txt"}), inFolder);
    EXPECT_EQ(1, PictureCount(0));
    EXPECT_EQ(L"ok.bmp", ToWide(CurrentPictureName()));
    std::vector<SHOWN_BOX> boxes = OurBoxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_TRUE(Contains(boxes[0].text, kEmoji)) << boxes[0].text;
    EXPECT_TRUE(Contains(boxes[0].text, kHangul)) << boxes[0].text;
    EXPECT_EQ(MainWindow(), boxes[0].owner);
    EXPECT_EQ(1, PictureShown());
}

TEST_F(DropTest, OnlyRefusedNamesShowNothing)
{
    Drop(POINT{200, 300}, {Source(kEmoji, Bmp(1, 1, 1))});
    EXPECT_EQ(1u, OurBoxes().size());
    EXPECT_EQ(1u, BoxWatchSeen().size());        // no attempt to show a picture
    EXPECT_EQ(0, PictureShown());
    EXPECT_EQ(0, PictureCount(0));
}

class NoCategoryDropTest : public DropTest {
protected:
    void SetUp() override
    {
        Prepare(false);
        // A menu list whose only category has no folder leaves no category at all.
        CreateDirectoryW(SettingsFolder(pf).c_str(), nullptr);
        ASSERT_TRUE(WriteBytes(SettingsFolder(pf) + L"\\メニューリスト.txt", ToCp932(L"ない\r\n")));
        ASSERT_TRUE(StartKotopaneInProcess(pf) != nullptr);
        ASSERT_EQ(0, CategoryCount());
        BoxWatchStart();
    }
};

TEST_F(NoCategoryDropTest, TellsTheUserAndCopiesNothing)
{
    std::vector<std::wstring> before = ListFolder(SettingsFolder(pf));
    Drop(POINT{200, 300}, {Source(L"a.bmp", Bmp(1, 1, 1))});
    EXPECT_EQ(before, ListFolder(SettingsFolder(pf)));
    std::vector<SHOWN_BOX> boxes = BoxWatchSeen();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_TRUE(Contains(boxes[0].text, L"メニュー追加")) << boxes[0].text;
    EXPECT_EQ(MainWindow(), boxes[0].owner);
    EXPECT_EQ(0, PictureCount(0));
    EXPECT_EQ(0, PictureShown());
    EXPECT_STREQ("", RecentFolder(0));
}

TEST_F(NoCategoryDropTest, ClickTellsThereAreNoLinesWithAnEmptyName)
{
    TraceCaptureStart();
    SendMessageW(MainWindow(), WM_LBUTTONDOWN, 0, MAKELPARAM(100, 100));
    std::vector<std::string> traces = TraceCaptureStop();
    std::vector<SHOWN_BOX> boxes = BoxWatchSeen();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(L"メニュー「」にはセリフがありません。セリフファイルにセリフを書き込んでください。", boxes[0].text);
    // The lines file named is the empty name's, inside the settings folder.
    std::string expect = "Path=" + ToCp932(SettingsFolder(pf)) + "\\\\セリフ.txt\r\n";
    EXPECT_NE(traces.end(), std::find(traces.begin(), traces.end(), expect));
}

TEST_F(DropTest, RemoveAfterDropOnOtherEntryDeletesTheShownPictureOnly)
{
    ASSERT_TRUE(WriteBytes(cat0 + L"\\same.bmp", Bmp(255, 0, 0)));
    SendMessageW(MainWindow(), WM_COMMAND, CMD_CATEGORY_FIRST, 0);   // shows cat0's only picture
    ASSERT_EQ(1, PictureCount(0));
    ASSERT_EQ(L"same.bmp", ToWide(CurrentPictureName()));

    Drop(Center(CategoryRect(1)), {Source(L"same.bmp", Bmp(0, 0, 255))});
    ASSERT_EQ(0, NowMenuNum());
    BoxWatchStart();
    SendMessageW(MainWindow(), WM_COMMAND, CMD_PICTURE_NAME, 0);
    SendMessageW(MainWindow(), WM_COMMAND, CMD_REMOVE_PICTURE, 0);

    std::vector<SHOWN_BOX> boxes = BoxWatchSeen();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(L"(` v`)/ 現在の画像ファイル名", boxes[0].caption);
    EXPECT_EQ(cat1 + L"\\same.bmp", boxes[0].text);
    EXPECT_FALSE(FileExists(cat1 + L"\\same.bmp"));
    EXPECT_EQ(Bmp(255, 0, 0), Read(cat0 + L"\\same.bmp"));
    // The window shows the background alone.
    int x = ClientWidth() / 2, y = ClientHeight() / 2;
    EXPECT_EQ(BackColour(), GetPixel(CompositionDC(), x, y));
}

TEST_F(DropTest, PictureCommandTexts)
{
    // Nothing shown yet.
    SendMessageW(MainWindow(), WM_COMMAND, CMD_PICTURE_NAME, 0);
    SendMessageW(MainWindow(), WM_COMMAND, CMD_REMOVE_PICTURE, 0);
    SendMessageW(MainWindow(), WM_COMMAND, CMD_ADD_PICTURE, 0);
    SendMessageW(MainWindow(), WM_COMMAND, CMD_DELETE_PICTURE, 0);
    SendMessageW(MainWindow(), WM_COMMAND, CMD_COPY_PICTURE, 0);
    std::vector<SHOWN_BOX> b = BoxWatchSeen();
    ASSERT_EQ(5u, b.size());
    EXPECT_EQ(L"(;` v`)/ 現在の画像ファイル名", b[0].caption);
    EXPECT_EQ(L"現在の画像がありません。", b[0].text);
    EXPECT_EQ(L"削除", b[1].caption);
    EXPECT_EQ(L"削除する画像がありません。", b[1].text);
    EXPECT_EQ(L"画像はウィンドウかそれぞれのメニューフォルダにドロップしてください。", b[2].caption);
    EXPECT_EQ(L"メニュー「★ほめる」に画像を入れたい場合は、そのままウィンドウに画像をドロップしてください。\r\n"
              L"　違うメニューに入れたいときは、そのメニューをクリックしてからドロップしてください。\r\n"
              L"（元の画像は移動したり失われたりしません。）\r\n"
              L"(裏ワザ：メニューをクリックしなくても、入れたいメニューの上にドロップすればそのメニューに画像が入ります。)",
              b[2].text);
    EXPECT_EQ(L"画像を選択して削除", b[3].caption);
    EXPECT_EQ(L"個人設定フォルダ内にある各フォルダから手動で削除してください。", b[3].text);
    EXPECT_EQ(L"画像を指定して別のメニューにコピー", b[4].caption);
    EXPECT_EQ(L"個人設定フォルダ内にある各フォルダから手動でコピーしてください。", b[4].text);
    for (const SHOWN_BOX& box : b)
        EXPECT_EQ(MainWindow(), box.owner);
    // 1010 and 1011 open the settings folder.
    std::vector<std::wstring> h = HandoffLogLines(3, 3000);
    int folderOpens = 0;
    for (const std::wstring& l : h)
        folderOpens += Contains(l, L"個人設定") ? 1 : 0;
    EXPECT_EQ(2, folderOpens);
}

// Drives the context menu from inside its own loop: notes what it offers, then picks
// the first item (or closes an empty menu).
struct MENU_SEEN {
    HMENU menu;
    int items;
    UINT firstId;
    std::wstring firstText;
    int ticks;
    bool pick;
};
MENU_SEEN gMenuSeen;

void CALLBACK MenuTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND popup = FindWindowW(L"#32768", nullptr);
    if (popup && IsWindowVisible(popup) && !gMenuSeen.menu) {
        gMenuSeen.menu = (HMENU)SendMessageW(popup, MN_GETHMENU, 0, 0);
        gMenuSeen.items = GetMenuItemCount(gMenuSeen.menu);
        if (gMenuSeen.items > 0) {
            wchar_t text[256] = {};
            GetMenuStringW(gMenuSeen.menu, 0, text, 256, MF_BYPOSITION);
            gMenuSeen.firstText = text;
            gMenuSeen.firstId = GetMenuItemID(gMenuSeen.menu, 0);
        }
        if (gMenuSeen.pick && gMenuSeen.items > 0) {
            PostMessageW(popup, WM_KEYDOWN, VK_DOWN, 0);
            PostMessageW(popup, WM_KEYDOWN, VK_RETURN, 0);
            return;
        }
    }
    if (++gMenuSeen.ticks > 20)
        EndMenu();
}

void RightClick(bool pick)
{
    gMenuSeen = MENU_SEEN{};
    gMenuSeen.pick = pick;
    UINT_PTR timer = SetTimer(nullptr, 0, 50, MenuTimer);
    SendMessageW(MainWindow(), WM_RBUTTONDOWN, 0, MAKELPARAM(300, 300));
    KillTimer(nullptr, timer);
}

TEST_F(DropTest, RightClickWithoutPicturesSaysSo)
{
    RightClick(false);
    std::vector<SHOWN_BOX> b = BoxWatchSeen();
    ASSERT_EQ(1u, b.size());
    EXPECT_EQ(L"PopUpMenu", b[0].caption);
    EXPECT_EQ(L"メニューアイテムがありません。", b[0].text);
    EXPECT_EQ(MainWindow(), b[0].owner);
    EXPECT_EQ(0, gMenuSeen.items);
    EXPECT_EQ(0, PopupItemCount());
    if (gMenuSeen.menu) {
        EXPECT_FALSE(IsMenu(gMenuSeen.menu));
    }
}

TEST_F(DropTest, RightClickOffersRemovalAndChoosingItDeletesTheShownPicture)
{
    ASSERT_TRUE(WriteBytes(cat0 + L"\\one.bmp", Bmp(10, 20, 30)));
    SendMessageW(MainWindow(), WM_COMMAND, CMD_CATEGORY_FIRST, 0);
    ASSERT_EQ(1, PictureCount(0));
    BoxWatchStart();
    RightClick(true);
    PumpMessages(200);                           // the choice arrives as WM_COMMAND

    ASSERT_TRUE(gMenuSeen.menu != nullptr);
    EXPECT_EQ(1, gMenuSeen.items);
    EXPECT_EQ((UINT)CMD_REMOVE_PICTURE, gMenuSeen.firstId);
    EXPECT_EQ(L"現在の画像をリストから外す", gMenuSeen.firstText);
    EXPECT_FALSE(IsMenu(gMenuSeen.menu));        // released after use
    EXPECT_EQ(0, PopupItemCount());
    EXPECT_FALSE(FileExists(cat0 + L"\\one.bmp"));
    EXPECT_TRUE(BoxWatchSeen().empty());
    RightClick(false);   // then the picture commands act as when no picture is shown
    SendMessageW(MainWindow(), WM_COMMAND, CMD_PICTURE_NAME, 0);
    SendMessageW(MainWindow(), WM_COMMAND, CMD_REMOVE_PICTURE, 0);
    ASSERT_EQ(3u, BoxWatchSeen().size());
    EXPECT_EQ(L"メニューアイテムがありません。", BoxWatchSeen()[0].text);
    EXPECT_EQ(L"現在の画像がありません。", BoxWatchSeen()[1].text);
    EXPECT_EQ(L"削除する画像がありません。", BoxWatchSeen()[2].text);
}

}  // namespace
