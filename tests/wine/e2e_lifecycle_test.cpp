// The real programs ended in odd ways: dialogs and their boxes closed in any order, the
// window closed from outside, Kotopane killed, a folder code page 932 cannot spell.
#include <gtest/gtest.h>

#include <functional>

#include "base/CommandIds.h"
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
    // A drop of more files than the copies take in before their progress shows (half a second
    // in), closed once it shows: every file that came in is whole and remembered, no
    // temporary name is left, and the rest never came in.
    const int DROPPED = 3000;
    std::wstring from = TestBuildDir() + L"\\scratch\\e2e_life_drop";
    auto closedMidDrop = [&](const std::wstring& folder) {
        std::vector<std::wstring> names = ListFolder(SettingsFolder(folder) + L"\\A");
        int came = 0;
        for (const std::wstring& n : names) {
            std::string bytes;
            came += n.compare(0, 2, L"p-") == 0;
            EXPECT_EQ(std::wstring::npos, n.find(L".tmp")) << ToCp932(n);
            EXPECT_TRUE(n.compare(0, 2, L"p-") || (ReadBytes(SettingsFolder(folder) + L"\\A\\" + n, &bytes) &&
                                                   bytes.size() == 65536)) << ToCp932(n);
        }
        EXPECT_TRUE(came > 0 && came < DROPPED) << came << " of " << DROPPED << " came in";
        std::string recent;
        EXPECT_TRUE(ReadBytes(SettingsFolder(folder) + L"\\最近フォルダパス.txt", &recent) &&
                    recent.compare(0, ToCp932(from).size() + 1, ToCp932(from + L"\\")) == 0);
    };
    struct { const char* what; std::function<void(KOTOPANE_RUN&)> act; bool keepsRunning; std::string list;
             std::function<void(const std::wstring&)> after; } cases[] = {
        { "add: title-bar close while its own box is open", [](KOTOPANE_RUN& r) {
              HWND dlg, box = AddUntilItsBox(r, &dlg);
              PostMessageW(dlg, WM_SYSCOMMAND, SC_CLOSE, 0);
              for (int i = 0; i < 100 && IsWindow(dlg); i++)
                  Sleep(20);
              PostMessageW(box, WM_COMMAND, IDOK, 0);
          }, true, "A\r\nB\r\nC\r\n" },
        // The restore as its box tells it, done while it runs (Notepad: UTF-8), and an add.
        { "a name written into the menu list by hand while it runs", [](KOTOPANE_RUN& r) {
              std::wstring settings = SettingsFolder(TestBuildDir() + L"\\scratch\\e2e_life");
              ASSERT_TRUE(WriteBytes(settings + L"\\メニューリスト.txt", std::string((const char*)u8"A\r\nB\r\n鳥\r\n")));
              HWND dlg;
              PostMessageW(AddUntilItsBox(r, &dlg), WM_COMMAND, IDOK, 0);
          }, true, "A\r\nB\r\nC\r\n鳥\r\n" },
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
              PostMessageW(r.main, WM_COMMAND, CMD_CATEGORY_FIRST, 0);
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
              PostMessageW(r.main, WM_COMMAND, CMD_BACK_COLOUR, 0);
              ASSERT_TRUE(FindProcessWindow(r.app.pid, L"#32770", 5000));
              PostMessageW(r.main, WM_CLOSE, 0, 0);
          }, false, "A\r\nB\r\n" },
        { "a drop's copies running, window closed", [&](KOTOPANE_RUN& r) {
              DeleteTree(from);
              DeleteFileW((from + L".made").c_str());
              CreateDirectoryW(from.c_str(), nullptr);
              ASSERT_TRUE(WriteBytes(from + L"\\p-0", "\xFF\xD8\xFF" + std::string(65533, 'p')));
              // Copied by the host: under Wine each new name costs a scan of the folder.
              std::string made, dir = UnixPath(from);
              std::wstring script = L"import shutil,sys\nfor k in range(1, " + std::to_wstring(DROPPED) +
                                    L"): shutil.copyfile(sys.argv[1] + '/p-0', sys.argv[1] + '/p-%d' % k)\n"
                                    L"open(sys.argv[2], 'w').write('made\\n')\n";
              ASSERT_TRUE(WriteBytes(from + L".py", ToCp932(script)));
              ASSERT_TRUE(HostToolFirstLine(L"Z:\\usr\\bin\\python3", L"python3 \"" + Utf8ToWide(dir) + L".py\" \"" +
                                            Utf8ToWide(dir) + L"\" \"" + Utf8ToWide(dir) + L".made\"", from + L".made", &made));
              RECT rc;
              GetClientRect(r.main, &rc);
              // The progress bubble's top row, far left of the middle, where a line's short one never reaches.
              POINT probe = { rc.right / 2 - 450, 1 };
              ASSERT_EQ("0 dropped", XdndDrop(E2eClientToScreen(r.main, rc.right / 2, 400), { from }, from + L".txt"));
              for (DWORD t0 = GetTickCount(); GetTickCount() - t0 < 10000 &&
                                              E2eScreenPixel(r.main, probe.x, probe.y) != RGB(255, 255, 255);)
                  Sleep(10);
              ASSERT_EQ(RGB(255, 255, 255), E2eScreenPixel(r.main, probe.x, probe.y)) << "no progress shown";
          }, false, "A\r\nB\r\n", closedMidDrop },
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
        EXPECT_TRUE(GetExitCodeProcess(r.converter, &code) && code == 0) << "the converter was not told to end";
        E2eCleanUp(&r);
        std::string list;
        EXPECT_TRUE(ReadBytes(SettingsFolder(folder) + L"\\メニューリスト.txt", &list));
        EXPECT_EQ(c.list, list);
        EXPECT_TRUE(FileExists(SettingsFolder(folder) + L"\\背景色.txt")) << "the shutdown saves everything";
        EXPECT_FALSE(DirExists(folder + L"\\App\\ファイルマップフォルダ"));
        if (c.after)
            c.after(folder);
    }
    DeleteTree(from);
    for (const wchar_t* made : { L".py", L".made", L".txt" })
        DeleteFileW((from + made).c_str());
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
    PostMessageW(r.main, WM_COMMAND, CMD_CATEGORY_FIRST, 0);
    RECT pic = { 925, 100, 945, 120 };
    EXPECT_TRUE(E2eWaitSettled(r.main, pic, [&] { return E2eScreenPixel(r.main, 935, 110) == RGB(255, 0, 0); }, 10000));
    EXPECT_TRUE(FindProcessBoxes(r.app.pid, 300).empty());
    EXPECT_TRUE(E2eClose(&r, nullptr));
    E2eCleanUp(&r);
    EXPECT_TRUE(FileExists(SettingsFolder(folder) + L"\\背景色.txt"));
    EXPECT_TRUE(rootHadOne || !DirExists(rootSettings)) << "a settings folder at the root of the drive";
}
