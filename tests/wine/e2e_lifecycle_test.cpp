// The real programs ended in odd ways: dialogs and their boxes closed in any order, the
// window closed from outside, Kotopane killed, a folder code page 932 cannot spell.
#include <gtest/gtest.h>

#include <functional>

#include "tests/wine/e2e_kotopane.h"

namespace {

// Categories A (a picture that is no picture) and B.
std::wstring Prepare(const wchar_t* name, const char* list = "A\r\nB\r\n")
{
    std::wstring folder = MakeScratchProgramFolder(name), settings = SettingsFolder(folder);
    CreateDirectoryW(settings.c_str(), nullptr);
    for (const wchar_t* c : { L"A", L"B" }) {
        CreateDirectoryW((settings + L"\\" + c).c_str(), nullptr);
        WriteBytes(settings + L"\\" + c + L"\\" + c + L"セリフ.txt", "line\r\n");
    }
    WriteBytes(settings + L"\\A\\broken.png", "no picture");
    WriteBytes(settings + L"\\メニューリスト.txt", list);
    HandoffLogStart(name);
    return folder;
}

HWND Dialog(const KOTOPANE_RUN& r, UINT command)
{
    PostMessageW(r.main, WM_COMMAND, command, 0);
    HWND dlg = FindProcessWindow(r.app.pid, L"NORMALDLG", 5000);
    for (int i = 0; i < 250 && dlg && !IsWindowVisible(dlg); i++)   // it shows once its controls are made
        Sleep(20);
    return dlg;
}

HWND Box(const KOTOPANE_RUN& r)
{
    std::vector<HWND> boxes = FindProcessBoxes(r.app.pid, 5000);
    return boxes.empty() ? nullptr : boxes[0];
}

void Click(HWND dlg, int id) { PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dlg, id)); }

// The add dialog with the name C typed and OK pressed: its "write your lines" box is open.
HWND AddUntilItsBox(const KOTOPANE_RUN& r, HWND* dlg)
{
    *dlg = Dialog(r, 1014);
    SetWindowTextW(GetDlgItem(*dlg, 1000), L"C");
    Click(*dlg, 1001);
    return Box(r);
}

}  // namespace

// However dialogs and their boxes are closed, the program keeps running or ends through
// its shutdown: the menu list saved, the file-map folder gone, the converter ended.
TEST(e2eLifecycle, DialogsAndBoxesClosedInAnyOrderEndOnlyThroughTheShutdown)
{
    struct { const char* what; std::function<void(KOTOPANE_RUN&)> act; bool keepsRunning; std::string list; } cases[] = {
        { "add: title-bar close while its own box is open", [](KOTOPANE_RUN& r) {
              HWND dlg, box = AddUntilItsBox(r, &dlg);
              PostMessageW(dlg, WM_SYSCOMMAND, SC_CLOSE, 0);
              for (int i = 0; i < 100 && IsWindow(dlg); i++)
                  Sleep(20);
              PostMessageW(box, WM_COMMAND, IDOK, 0);
          }, true, "A\r\nB\r\nC\r\n" },
        { "add dialog's box open, window closed", [](KOTOPANE_RUN& r) {
              HWND dlg;
              ASSERT_TRUE(AddUntilItsBox(r, &dlg));
              PostMessageW(r.main, WM_CLOSE, 0, 0);
          }, false, "A\r\nB\r\nC\r\n" },
        { "delete asks, window closed", [](KOTOPANE_RUN& r) {
              HWND dlg = Dialog(r, 1015);
              SendMessageW(GetDlgItem(dlg, 1004), LB_SETCURSEL, 0, 0);
              Click(dlg, 1005);
              ASSERT_TRUE(Box(r));
              PostMessageW(r.main, WM_CLOSE, 0, 0);
          }, false, "A\r\nB\r\n" },
        { "a quit from another program while a dialog is open", [](KOTOPANE_RUN& r) {
              ASSERT_TRUE(Dialog(r, 1017));
              PostThreadMessageW(GetWindowThreadProcessId(r.main, nullptr), WM_QUIT, 0, 0);
          }, false, "A\r\nB\r\n" },
        { "unreadable-picture box open, then the context menu, window closed", [](KOTOPANE_RUN& r) {
              PostMessageW(r.main, WM_COMMAND, 10000, 0);
              PostMessageW(Box(r), WM_COMMAND, IDOK, 0);
              HWND menu = nullptr;   // a click while the display still runs is ignored
              for (int k = 0; k < 5 && !menu; k++) {
                  PostMessageW(r.main, WM_RBUTTONDOWN, 0, MAKELPARAM(300, 300));
                  menu = FindProcessWindow(r.app.pid, L"#32768", 1000);
              }
              ASSERT_TRUE(menu);
              PostMessageW(r.main, WM_CLOSE, 0, 0);
          }, false, "A\r\nB\r\n" },
        { "colour dialog open, window closed", [](KOTOPANE_RUN& r) {
              PostMessageW(r.main, WM_COMMAND, 1018, 0);
              ASSERT_TRUE(FindProcessWindow(r.app.pid, L"#32770", 5000));
              PostMessageW(r.main, WM_CLOSE, 0, 0);
          }, false, "A\r\nB\r\n" },
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::wstring folder = Prepare(L"e2e_life");
        KOTOPANE_RUN r = {};
        ASSERT_TRUE(E2eStart(folder, &r));
        c.act(r);
        if (c.keepsRunning) {
            Sleep(300);
            EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(r.app.process, 0)) << "ended by itself";
        }
        DWORD code = 99;
        EXPECT_TRUE(E2eClose(&r, &code)) << "Kotopane or its converter still running";
        EXPECT_EQ(0u, code);
        E2eCleanUp(&r);
        std::string list;
        EXPECT_TRUE(ReadBytes(SettingsFolder(folder) + L"\\メニューリスト.txt", &list));
        EXPECT_EQ(c.list, list);
        EXPECT_TRUE(FileExists(SettingsFolder(folder) + L"\\背景色.txt")) << "the shutdown saves everything";
        EXPECT_FALSE(DirExists(folder + L"\\App\\ファイルマップフォルダ"));
    }
}

// A killed Kotopane takes its converter along (the job); a converter left running by
// someone else is neither used nor ended by the next run.
TEST(e2eLifecycle, KilledKotopaneTakesItsConverterAlong)
{
    std::wstring folder = Prepare(L"e2e_killed");
    KOTOPANE_RUN r = {};
    ASSERT_TRUE(E2eStart(folder, &r) && r.converter);
    TerminateProcess(r.app.process, 1);
    EXPECT_TRUE(WaitProcessExit(r.converter, 5000, nullptr)) << "the converter outlived Kotopane";
    E2eCleanUp(&r);

    STARTED_PROGRAM stranger = {};
    ASSERT_TRUE(StartProgram(folder + L"\\部品\\QX5.exe", folder, &stranger));
    ASSERT_TRUE(FindProcessWindow(stranger.pid, CONVERTER_CLASS, 10000));
    ASSERT_TRUE(E2eStart(folder, &r));
    EXPECT_TRUE(E2eClose(&r, nullptr)) << "Kotopane or its own converter still running";
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(stranger.process, 0)) << "the stranger was ended";
    E2eCleanUp(&r);
    TerminateProcess(stranger.process, 0);
    CloseHandle(stranger.process);
}

// From a folder code page 932 cannot spell the program works through the folder's short
// name: the picture converts (no unreadable-picture box) and the settings land there.
TEST(e2eLifecycle, FolderOutsideCodePage932WorksThroughItsShortName)
{
    std::wstring folder = Prepare(L"e2e_Jos\u00e9_\ud55c_\U0001F600", "B\r\n");
    ASSERT_TRUE(WriteTestBmp(SettingsFolder(folder) + L"\\B\\red.bmp", 100, 100, [](int, int) { return 0xFF0000u; }));
    std::wstring rootSettings = folder.substr(0, 3) + L"個人設定";
    bool rootHadOne = DirExists(rootSettings);
    KOTOPANE_RUN r = {};
    ASSERT_TRUE(E2eStart(folder, &r));
    PostMessageW(r.main, WM_COMMAND, 10000, 0);
    RECT pic = { 925, 100, 945, 120 };
    EXPECT_TRUE(E2eWaitSettled(r.main, pic, [&] { return E2eScreenPixel(r.main, 935, 110) == RGB(255, 0, 0); }, 10000));
    EXPECT_TRUE(FindProcessBoxes(r.app.pid, 300).empty());
    EXPECT_TRUE(E2eClose(&r, nullptr));
    E2eCleanUp(&r);
    EXPECT_TRUE(FileExists(SettingsFolder(folder) + L"\\背景色.txt"));
    EXPECT_TRUE(rootHadOne || !DirExists(rootSettings)) << "a settings folder at the root of the drive";
}
