// Kotopane's main window brought up in this process: menus, class, routing, painting and
// the settings written at shutdown and read again at the next start.
#include <gtest/gtest.h>
#include "app/AppState.h"
#include "base/CommandIds.h"
#include "base/Window.h"
#include "categories/MenuBar.h"
#include "categories/RecentFolders.h"
#include "display/Display.h"
#include "store/Paths.h"
#include "tests/support/TestSupport.h"

static std::wstring MenuText(HMENU menu, UINT pos)
{
    wchar_t buf[256] = {};
    GetMenuStringW(menu, pos, buf, 256, MF_BYPOSITION);
    return buf;
}

static void MakeCategories(const std::wstring& folder, const std::vector<std::wstring>& names, const std::string& list)
{
    std::wstring settings = SettingsFolder(folder);
    CreateDirectoryW(settings.c_str(), nullptr);
    for (auto& n : names)
        CreateDirectoryW((settings + L"\\" + n).c_str(), nullptr);
    WriteBytes(settings + L"\\メニューリスト.txt", list);
}

TEST(MainWindow, MenuBarAndEditMenuInTheirOrder)
{
    std::wstring folder = MakeScratchProgramFolder(L"win_menus");
    MakeCategories(folder, { L"A", L"B", L"C" }, "A\r\nB\r\nC\r\n");
    HandoffLogStart(L"win_menus");
    HWND wnd = StartKotopaneInProcess(folder);
    ASSERT_NE(wnd, nullptr);
    HMENU bar = GetMenu(wnd);
    ASSERT_EQ(GetMenuItemCount(bar), 5);
    const wchar_t* expected[] = { L"C", L"B", L"A", L"フォルダ(&O)", L"編集(&E)" };
    for (UINT i = 0; i < 5; i++)
        EXPECT_EQ(MenuText(bar, i), expected[i]) << i;
    EXPECT_EQ(GetMenuItemID(bar, 0), 10002u);
    EXPECT_EQ(GetMenuItemID(bar, 2), 10000u);

    HMENU edit = GetSubMenu(bar, 4);
    ASSERT_EQ(GetMenuItemCount(edit), 13);
    const wchar_t* items[] = { L"画像追加", L"現在の画像ファイル名", L"現在の画像をリストから外す",
                               L"画像を選択して削除", L"画像を指定して別のメニューにコピー", L"セリフを追加",
                               L"セリフを選択して削除", L"メニュー追加", L"メニュー削除",
                               L"削除済みメニューの復活", L"語尾にハートを付ける", L"背景色指定", L"ひとりごと…" };
    for (UINT i = 0; i < 13; i++) {
        EXPECT_EQ(MenuText(edit, i), items[i]) << i;
        EXPECT_EQ(GetMenuItemID(edit, i), 1007 + i);
        MENUITEMINFOW mii = {};
        mii.cbSize = sizeof(mii);
        mii.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_SUBMENU;
        GetMenuItemInfoW(edit, i, TRUE, &mii);
        EXPECT_EQ(mii.fType, (UINT)MFT_STRING);
        EXPECT_EQ(mii.fState & (MFS_CHECKED | MFS_DISABLED), 0u);
        EXPECT_EQ(mii.hSubMenu, nullptr);
    }
    StopKotopaneInProcess();
}

TEST(MainWindow, ClassStylesPlacementAndFolders)
{
    std::wstring folder = MakeScratchProgramFolder(L"win_class");
    HandoffLogStart(L"win_class");
    HWND wnd = StartKotopaneInProcess(folder);
    ASSERT_NE(wnd, nullptr);
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    ASSERT_TRUE(GetClassInfoExW(GetModuleHandleW(nullptr), L"NORMAL0", &wc));
    EXPECT_EQ(wc.style, (UINT)(CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS));
    ASSERT_TRUE(GetClassInfoExW(GetModuleHandleW(nullptr), L"NORMALDLG", &wc));
    EXPECT_EQ(wc.style, (UINT)(CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS));

    DWORD style = GetWindowLongW(wnd, GWL_STYLE);
    const DWORD shown = WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN;
    EXPECT_EQ(style & shown, shown);
    EXPECT_TRUE(GetWindowLongW(wnd, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);

    RECT work, rc;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_EQ(ClientWidth(), work.right - work.left - 50);
    EXPECT_EQ(ClientHeight(), work.bottom - work.top);
    GetWindowRect(wnd, &rc);
    EXPECT_EQ(rc.left, 10);
    EXPECT_EQ(rc.top, 10);
    EXPECT_EQ(rc.right - rc.left, ClientWidth());
    EXPECT_EQ(rc.bottom - rc.top, ClientHeight());

    EXPECT_EQ(ToWide(ProgramFolder()), folder);
    EXPECT_TRUE(DirExists(folder + L"\\App\\ファイルマップフォルダ"));
    EXPECT_TRUE(DirExists(SettingsFolder(folder)));
    EXPECT_EQ(BackColour(), 0u) << "no stored colour: black";
    StopKotopaneInProcess();
    EXPECT_FALSE(DirExists(folder + L"\\App\\ファイルマップフォルダ"));
}

TEST(MainWindow, CommandsClicksAndPaintAreRouted)
{
    std::wstring folder = MakeScratchProgramFolder(L"win_route");
    MakeCategories(folder, { L"A", L"B" }, "A\r\nB\r\n");
    std::wstring recent = folder + L"\\pics\\";
    CreateDirectoryW(recent.c_str(), nullptr);
    std::string block = ToCp932(L"C:\\nowhere\\\r\n" + recent + L"\r\n");
    block.resize(1300, '\0');
    WriteBytes(SettingsFolder(folder) + L"\\最近フォルダパス.txt", block);
    HandoffLogStart(L"win_route");
    HWND wnd = StartKotopaneInProcess(folder);
    ASSERT_NE(wnd, nullptr);
    HandoffLogLines(1, 3000);   // the usage guide

    BoxWatchStart();
    TraceCaptureStart();
    SendMessageW(wnd, WM_COMMAND, CMD_CATEGORY_FIRST + 1, 0);
    std::vector<std::string> traces = TraceCaptureStop();
    EXPECT_EQ(NowMenuNum(), 1);
    ASSERT_FALSE(traces.empty());
    EXPECT_EQ(traces[0], "III=1, 0, 0, 0, 0\r\n");
    // B has no pictures: the category says so instead of showing one.
    std::vector<SHOWN_BOX> boxes = BoxWatchStop();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, L"このメニュー（B）に画像は登録されていません。");

    // Recent folder slot 1 opens in the file manager; the selection stays.
    HandoffLogStart(L"win_route2");
    SendMessageW(wnd, WM_COMMAND, CMD_RECENT_FIRST + 1, 0);
    std::vector<std::wstring> lines = HandoffLogLines(1, 5000);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find(recent), std::wstring::npos);
    EXPECT_EQ(NowMenuNum(), 1);

    // A mouse move makes the hand the window's cursor. The X pointer may already rest over
    // the window and have moved it there, so the class starts from the arrow here.
    SetClassLongPtrW(wnd, GCLP_HCURSOR, (LONG_PTR)LoadCursorW(nullptr, (LPCWSTR)IDC_ARROW));
    SendMessageW(wnd, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_EQ((HCURSOR)GetClassLongPtrW(wnd, GCLP_HCURSOR), LoadCursorW(nullptr, (LPCWSTR)IDC_HAND));

    // Painting copies the composition surface to the window.
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT all = { 0, 0, ClientWidth(), ClientHeight() };
    FillRect(CompositionDC(), &all, red);
    DeleteObject(red);
    InvalidateRect(wnd, nullptr, FALSE);
    UpdateWindow(wnd);
    HDC dc = GetDC(wnd);
    EXPECT_EQ(GetPixel(dc, 300, 200), RGB(255, 0, 0));
    ReleaseDC(wnd, dc);

    // A button release does nothing, and closing asks nothing.
    BoxWatchStart();
    SendMessageW(wnd, WM_LBUTTONUP, 0, MAKELPARAM(50, 90));
    EXPECT_TRUE(BoxWatchStop().empty());
    SendMessageW(wnd, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(wnd));
    StopKotopaneInProcess();
}

TEST(MainWindow, SettingsRoundTripThroughARestart)
{
    std::wstring folder = MakeScratchProgramFolder(L"win_restart");
    MakeCategories(folder, { L"A", L"B" }, "A\r\nB\r\n\r\nC\r\n");
    HandoffLogStart(L"win_restart");
    ASSERT_NE(StartKotopaneInProcess(folder), nullptr);
    EXPECT_EQ(CategoryCount(), 2) << "an empty line ends the list";
    SetRecentFolder(0, "C:\\x");
    SetRecentFolder(1, "C:\\y");
    SetRecentFolder(3, "Z");          // one byte: shown, not kept
    SetHeartFlag(1);
    SetBackColour(RGB(0, 0, 255));
    StopKotopaneInProcess();

    std::wstring settings = SettingsFolder(folder);
    std::string bytes;
    ASSERT_TRUE(ReadBytes(settings + L"\\最近フォルダパス.txt", &bytes));
    std::string expect = "C:\\x\r\nC:\\y\r\n";
    expect.resize(1300, '\0');
    EXPECT_EQ(bytes, expect);
    ASSERT_TRUE(ReadBytes(settings + L"\\メニューリスト.txt", &bytes));
    EXPECT_EQ(bytes, "A\r\nB\r\n");
    ASSERT_TRUE(ReadBytes(settings + L"\\背景色.txt", &bytes));
    EXPECT_EQ(bytes, "16711680");
    ASSERT_TRUE(ReadBytes(settings + L"\\ハート.txt", &bytes));
    EXPECT_EQ(bytes, std::string("1\0", 2));

    HWND wnd = StartKotopaneInProcess(folder);
    ASSERT_NE(wnd, nullptr);
    EXPECT_STREQ(RecentFolder(0), "C:\\x");
    EXPECT_STREQ(RecentFolder(1), "C:\\y");
    EXPECT_STREQ(RecentFolder(2), "");
    EXPECT_EQ(HeartFlag(), 1);
    EXPECT_EQ(BackColour(), RGB(0, 0, 255));
    HMENU popup = GetSubMenu(GetMenu(wnd), CategoryCount());
    ASSERT_EQ(GetMenuItemCount(popup), 2);
    EXPECT_EQ(GetMenuItemID(popup, 0), 5331u);
    EXPECT_EQ(MenuText(popup, 0), L"C:\\y");
    EXPECT_EQ(GetMenuItemID(popup, 1), 5330u);
    StopKotopaneInProcess();
}

TEST(MainWindow, RecentFoldersFileIsCutAt1300Bytes)
{
    std::wstring folder = MakeScratchProgramFolder(L"win_cut");
    HandoffLogStart(L"win_cut");
    ASSERT_NE(StartKotopaneInProcess(folder), nullptr);
    std::string all;
    for (int i = 0; i < 5; i++) {
        std::string p = "C:\\" + std::string(255, (char)('a' + i)) + "\\";   // 259 bytes
        ASSERT_EQ(p.size(), 259u);
        SetRecentFolder(i, p.c_str());
        all += p + "\r\n";
    }
    StopKotopaneInProcess();
    std::string bytes;
    ASSERT_TRUE(ReadBytes(SettingsFolder(folder) + L"\\最近フォルダパス.txt", &bytes));
    ASSERT_EQ(bytes.size(), 1300u);
    EXPECT_EQ(bytes, all.substr(0, 1300));
    EXPECT_EQ(bytes.substr(1300 - 256), all.substr(4 * 261, 256)) << "the last path loses three bytes and its line end";
    ASSERT_NE(StartKotopaneInProcess(folder), nullptr);   // read back, that cut path is no folder
    EXPECT_EQ(std::string(RecentFolder(3)), all.substr(3 * 261, 259));
    EXPECT_STREQ(RecentFolder(4), "");
    StopKotopaneInProcess();
}
