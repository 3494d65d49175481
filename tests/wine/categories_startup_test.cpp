// The category entries in the real main window: rectangles taken while the window is
// created, selection through the window procedure, and adding through the Edit menu.
#include "base/CommandIds.h"
#include "base/Window.h"
#include "tests/wine/categories_fixture.h"

using namespace cattest;

namespace {

std::wstring StartWithCategories(const wchar_t* name, const std::vector<const wchar_t*>& folders,
                                 const std::string& list)
{
    std::wstring program = MakeScratchProgramFolder(name);
    std::wstring settings = SettingsFolder(program);
    CreateDirectoryW(settings.c_str(), nullptr);
    for (const wchar_t* f : folders)
        CreateDirectoryW((settings + L"\\" + f).c_str(), nullptr);
    WriteBytes(settings + L"\\メニューリスト.txt", list);
    HandoffLogStart(name);
    return program;
}

// Each category's rectangle is where the bar shows its name.
void ExpectRectanglesMatchTheBar()
{
    HMENU bar = GetMenu(MainWindow());
    for (int i = 0; i < CategoryCount(); i++) {
        int pos = CategoryCount() - 1 - i;
        wchar_t text[64] = L"";
        GetMenuStringW(bar, pos, text, 64, MF_BYPOSITION);
        EXPECT_EQ(text, ToWide(CategoryName(i)));
        RECT rc;
        ASSERT_TRUE(GetMenuItemRect(MainWindow(), bar, pos, &rc));
        MapWindowPoints(nullptr, MainWindow(), (POINT*)&rc, 2);
        EXPECT_EQ(CategoryAtPoint((rc.left + rc.right) / 2, ((rc.top + rc.bottom) / 2) & 0xFFFF), i)
            << ToCp932(text);
    }
}

}  // namespace

TEST(CategoriesStartup, SelectAndAddThroughTheMainWindow)
{
    std::wstring program = StartWithCategories(L"cat_startup", { L"A", L"B" }, "A\r\nB\r\n");
    ASSERT_NE(StartKotopaneInProcess(program), nullptr);
    EXPECT_EQ(CategoryCount(), 2);
    ExpectRectanglesMatchTheBar();

    BoxWatchStart();   // an empty category says so
    TraceCaptureStart();
    SendMessageW(MainWindow(), WM_COMMAND, CMD_CATEGORY_FIRST + 1, 0);
    std::vector<std::string> traces = TraceCaptureStop();
    EXPECT_EQ(NowMenuNum(), 1);
    ASSERT_FALSE(traces.empty());
    EXPECT_EQ(traces[0], "III=1, 0, 0, 0, 0\r\n");

    // Edit menu 1014 opens the add dialog; the new entry goes leftmost.
    gScript.steps = { [](HWND dlg) {
        SetWindowTextW(GetDlgItem(dlg, 1000), L"猫");
        SendMessageW(GetDlgItem(dlg, 1001), BM_CLICK, 0, 0);
    } };
    gScript.next = 0;
    gScript.slot = SLOT_MENUTSUIKA;
    gScript.busy = false;
    gScript.idleSince = GetTickCount();
    gScript.timedOut = false;
    UINT_PTR timer = SetTimer(nullptr, 0, 10, ScriptTick);
    SendMessageW(MainWindow(), WM_COMMAND, CMD_ADD_CATEGORY, 0);
    KillTimer(nullptr, timer);
    BoxWatchStop();
    EXPECT_FALSE(gScript.timedOut);
    EXPECT_TRUE(IsWindowEnabled(MainWindow()));
    EXPECT_EQ(CategoryCount(), 3);
    EXPECT_EQ(NowMenuNum(), 2);
    ExpectRectanglesMatchTheBar();

    StopKotopaneInProcess();
    std::string list;
    EXPECT_TRUE(ReadBytes(SettingsFolder(program) + L"\\メニューリスト.txt", &list));
    EXPECT_EQ(list, "A\r\nB\r\n猫\r\n");
    EXPECT_TRUE(FileExists(SettingsFolder(program) + L"\\猫\\猫セリフ.txt"));
    DeleteTree(program);
}
