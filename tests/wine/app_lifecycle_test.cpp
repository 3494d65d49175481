// Kotopane in this process: what a killed run leaves behind, the order of the shutdown,
// the shown picture's name and folder, displays that must not start inside each other,
// and a program folder code page 932 cannot name.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "app/MainWnd.h"
#include "base/CommandIds.h"
#include "base/Window.h"
#include "categories/MenuBar.h"
#include "display/Display.h"
#include "intake/Intake.h"
#include "qx5link/Qx5Link.h"
#include "tests/support/TestSupport.h"

namespace {

class AppLifecycle : public ::testing::Test {
protected:
    std::wstring prog, settings;
    QX5_LINK savedLink = Qx5Link;

    // Categories with their lines files; Start() brings the program up over them.
    void Prepare(const std::vector<std::wstring>& names)
    {
        prog = MakeScratchProgramFolder(L"life");
        settings = SettingsFolder(prog);
        CreateDirectoryW(settings.c_str(), nullptr);
        std::string list;
        for (const std::wstring& n : names) {
            CreateDirectoryW(Folder(n).c_str(), nullptr);
            WriteBytes(Folder(n) + L"\\" + n + L"セリフ.txt", "line\r\n");
            list += ToCp932(n) + "\r\n";
        }
        WriteBytes(settings + L"\\メニューリスト.txt", list);
        HandoffLogStart(L"life");
    }
    void Start()
    {
        BoxWatchStart();
        ASSERT_TRUE(StartKotopaneInProcess(prog));
        BoxWatchStart();
    }
    void TearDown() override
    {
        StopKotopaneInProcess();
        BoxWatchStop();
        Qx5Link = savedLink;
    }
    std::wstring Folder(const std::wstring& name) { return settings + L"\\" + name; }
    void Show(int i) { SendMessageW(MainWindow(), WM_COMMAND, CMD_CATEGORY_FIRST + i, 0); }
};

}  // namespace

TEST_F(AppLifecycle, LeftoversOfAKilledRunAreSweptAndNeverCountAsPictures)
{
    Prepare({ L"A" });
    std::wstring lines = Folder(L"A") + L"\\Aセリフ.txt";
    std::vector<std::wstring> left = { settings + L"\\メニューリスト.txt.~4242_0.tmp", lines + L".~4242_0.tmp",
                                       settings + L"\\Gazou.bmp", settings + L"\\Gazou.bmp.qx5tmp",
                                       settings + L"\\Gazou.old.bmp" };
    for (const std::wstring& f : left)
        ASSERT_TRUE(WriteBytes(f, "half"));
    Start();
    for (const std::wstring& f : left)
        EXPECT_FALSE(FileExists(f)) << ToCp932(f);
    EXPECT_TRUE(FileExists(lines));

    // One that appears while running is no picture either: the category is empty.
    ASSERT_TRUE(WriteBytes(left[1], "half"));
    Show(0);
    ASSERT_EQ(1u, BoxWatchSeen().size());
    EXPECT_EQ(L"このメニュー（A）に画像は登録されていません。", BoxWatchSeen()[0].caption);
}

// A conversion that timed out leaves the converter writing; the shutdown ends it before it
// deletes the output, so neither the output nor its partial file stays behind.
TEST_F(AppLifecycle, ShutdownEndsTheBusyConverterBeforeDeletingItsOutput)
{
    Prepare({ L"A" });
    ASSERT_TRUE(EncodePicture(Folder(L"A") + L"\\big.jpg", GUID_ContainerFormatJpeg, 4000, 3000,
                              { [](int x, int y) { return 0xFF000000u | (DWORD)(x * 31 ^ y * 17); } }));
    Start();
    Qx5Link.convertMs = 1;    // taken up, then given up while the converter decodes
    std::wstring partial = settings + L"\\Gazou.bmp.qx5tmp";
    EXPECT_EQ(CONVERT_NOT_ANSWERED, Qx5LinkConvert(ToCp932(settings + L"\\Gazou.bmp").c_str(),
                                                     ToCp932(Folder(L"A") + L"\\big.jpg").c_str(), RGB(255, 255, 255)));
    DWORD t0 = GetTickCount();
    while (!FileExists(partial) && GetTickCount() - t0 < 20000)
        ;
    ASSERT_TRUE(FileExists(partial)) << "the converter never started writing";
    StopKotopaneInProcess();
    for (int later = 0; later < 2; later++, Sleep(300)) {
        EXPECT_FALSE(FileExists(partial)) << later;
        EXPECT_FALSE(FileExists(settings + L"\\Gazou.bmp")) << later;
    }
}

// Another program's WM_CLOSE, taken by the loop of a box in a display: the shutdown runs
// there, and after it nothing converts, draws, says more or hands the lines file to the
// editor. Nor does a command taken by the loop of the shutdown's own box start a display.
TEST_F(AppLifecycle, ClosedWhileABoxOfADisplayIsOpenNothingRunsAfterTheShutdown)
{
    struct { const char* what; std::vector<std::wstring> captions; int shown; std::function<void()> act; } cases[] = {
        { "the drop's refused-files box", { L"取り込めないファイルがあります。（；‘ v‘）/" }, 0, [this] {
              // The close comes after the copies' end, so the box of the drop's end takes it.
              MSG m;
              PeekMessageW(&m, MainWindow(), WM_CLOSE, WM_CLOSE, PM_REMOVE);
              std::vector<std::wstring> files = { Folder(L"A") + L"\\x.bmp", prog + L"\\\U0001F600.bmp" };
              SendMessageW(MainWindow(), WM_DROPFILES, (WPARAM)MakeDrop(POINT{ 400, 400 }, files), 0);
              for (DWORD t0 = GetTickCount(); GetTickCount() - t0 < 5000 &&
                                              !PeekMessageW(&m, MainWindow(), WM_KP_DROP_DONE, WM_KP_DROP_DONE, PM_NOREMOVE);)
                  Sleep(5);
              PostMessageW(MainWindow(), WM_CLOSE, 0, 0);
              WaitForDrops();
          } },
        { "the no-lines notice", { L"セリフがありません。（‘ v‘）/" }, 1, [this] {
              ASSERT_TRUE(WriteBytes(Folder(L"A") + L"\\Aセリフ.txt", ""));
              Show(0);
          } },
        { "the shutdown's box of a file it cannot write", { L"", L"設定を保存できませんでした。（；‘ v‘）/" }, 0, [this] {
              HANDLE lock = CreateFileW((settings + L"\\背景色.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
              PostMessageW(MainWindow(), WM_COMMAND, CMD_CATEGORY_FIRST, 0);
              PumpMessages(300);
              CloseHandle(lock);
          } },
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.what);
        Prepare({ L"A" });
        ASSERT_TRUE(WriteTestBmp(Folder(L"A") + L"\\x.bmp", 4, 4, [](int, int) { return 0x0000FFu; }));
        ASSERT_TRUE(WriteTestBmp(prog + L"\\\U0001F600.bmp", 4, 4, [](int, int) { return 0x0000FFu; }));
        Start();
        ASSERT_TRUE(HandoffLogLines(1, 3000).size() == 1u) << "the usage guide";
        PostMessageW(MainWindow(), WM_CLOSE, 0, 0);
        c.act();
        EXPECT_EQ(c.shown, PictureShown()) << "a picture shown after the close";
        EXPECT_FALSE(IsWindow(MainWindow()));
        ASSERT_EQ(c.captions.size(), BoxWatchSeen().size());
        for (size_t k = 0; k < c.captions.size(); k++)
            EXPECT_EQ(c.captions[k], BoxWatchSeen()[k].caption);
        EXPECT_FALSE(FileExists(settings + L"\\Gazou.bmp"));
        EXPECT_EQ(0u, Qx5LinkProcessId()) << "a converter started after the shutdown";
        EXPECT_EQ(1u, HandoffLogLines(2, 1000).size()) << "a hand-off after the shutdown";
        StopKotopaneInProcess();
    }
}

// A picture whose path is too long is reported by name and changes nothing, so removing
// the shown picture afterwards takes the shown one, not a namesake in the shown folder.
TEST_F(AppLifecycle, ShownPictureNameAndFolderChangeTogether)
{
    std::wstring longCat = L"BBBBBBBBBBBBBBBBBBBB";
    Prepare({ L"A", longCat });
    ASSERT_TRUE(WriteTestBmp(Folder(L"A") + L"\\x.bmp", 8, 8, [](int, int) { return 0x00FF00u; }));
    Start();
    Show(0);
    int nowPic = ShownOrdinal();
    // Fits in A (258 bytes), not in the longer folder (277).
    std::wstring name = std::wstring(263 - ToCp932(Folder(L"A")).size() - 10, L'n') + L".png";
    ASSERT_TRUE(WriteBytes(Folder(L"A") + L"\\" + name, "namesake"));
    ASSERT_TRUE(WriteBytes(Folder(longCat) + L"\\" + name, "too long"));
    Show(1);
    ASSERT_EQ(1u, BoxWatchSeen().size());
    EXPECT_EQ(Folder(longCat) + L"\\" + name, BoxWatchSeen()[0].text);
    EXPECT_STREQ("x.bmp", CurrentPictureName());
    EXPECT_EQ(nowPic, ShownOrdinal());
    SendMessageW(MainWindow(), WM_COMMAND, CMD_REMOVE_PICTURE, 0);
    EXPECT_TRUE(FileExists(Folder(L"A") + L"\\" + name)) << "a namesake was deleted";
    EXPECT_FALSE(FileExists(Folder(L"A") + L"\\x.bmp"));
}

// While the unreadable-picture box (no owner) is open, a category command or a click that
// arrives is ignored, not run inside the first display; drops wait for it to end, however
// many, and are taken in turn.
TEST_F(AppLifecycle, NothingStartsInsideADisplayInProgress)
{
    Prepare({ L"A", L"B" });
    ASSERT_TRUE(WriteBytes(Folder(L"A") + L"\\broken.png", "no picture"));
    ASSERT_TRUE(WriteBytes(Folder(L"B") + L"\\broken2.png", "no picture"));
    Start();
    // Queued now, taken by the first loop that runs: the box's, inside the display of A.
    PostMessageW(MainWindow(), WM_COMMAND, CMD_CATEGORY_FIRST + 1, 0);
    PostMessageW(MainWindow(), WM_LBUTTONDOWN, 0, MAKELPARAM(400, 400));
    for (int k = 1; k <= 5; k++) {
        std::wstring file = prog + L"\\dropped" + std::to_wstring(k) + L".bmp";
        ASSERT_TRUE(WriteTestBmp(file, 4, 4, [](int, int) { return 0x0000FFu; }));
        PostMessageW(MainWindow(), WM_DROPFILES, (WPARAM)MakeDrop(POINT{ 400, 400 }, { file }), 0);
    }
    TraceCaptureStart();
    Show(0);
    int displays = 0, clicks = 0;
    for (const std::string& t : TraceCaptureStop()) {
        displays += t.rfind("●●●　Hyouji　", 0) == 0;
        clicks += t.rfind("●●●　MainWnd_LButtonDown", 0) == 0;
    }
    EXPECT_EQ(1, displays);
    EXPECT_EQ(0, clicks);
    ASSERT_EQ(1u, BoxWatchSeen().size());
    EXPECT_EQ(0, NowMenuNum());
    WaitForDrops();
    EXPECT_STREQ("dropped5.bmp", CurrentPictureName());   // the drops, taken afterwards in order
}

// The converter, the browser, the blend table and the slots' colour wait until the window is
// on the screen; a picture asked for before that is still shown, faded from the background,
// and the late start adds no second converter.
TEST_F(AppLifecycle, PictureAskedForBeforeTheStartIsFinishedIsShown)
{
    Prepare({ L"A" });
    ASSERT_TRUE(WriteBytes(settings + L"\\背景色.txt", "16711680\r\n"));   // blue
    ASSERT_TRUE(WriteTestBmp(Folder(L"A") + L"\\x.bmp", 8, 8, [](int, int) { return 0x00FF00u; }));
    SetCurrentDirectoryW((prog + L"\\App").c_str());
    HWND wnd = KotopaneStartup(GetModuleHandleW(nullptr));
    ASSERT_TRUE(wnd);
    EXPECT_EQ(0u, Qx5LinkProcessId());
    // The window shows its colour before the surfaces have it; enlarged past them, the
    // rest takes the class brush.
    RECT outer;
    GetWindowRect(wnd, &outer);
    SetWindowPos(wnd, nullptr, 0, 0, outer.right - outer.left + 40, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    HDC dc = GetDC(wnd);
    EXPECT_EQ(RGB(0, 0, 255), GetPixel(dc, ClientWidth() - 10, 300));
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), GetPixel(dc, ClientWidth() + 10, 300));
    ReleaseDC(wnd, dc);
    Show(0);
    EXPECT_STREQ("x.bmp", CurrentPictureName());
    EXPECT_EQ(RGB(0, 255, 0), GetPixel(CompositionDC(), ClientWidth() / 2, 62));
    EXPECT_EQ(RGB(0, 0, 255), GetPixel(PictureSlotDC(NextPictureSlot()), 5, 5)) << "faded from black";
    DWORD converter = Qx5LinkProcessId();
    ASSERT_NE(0u, converter);
    PumpMessages(800);
    EXPECT_EQ(converter, Qx5LinkProcessId());
    EXPECT_EQ(1u, HandoffLogLines(1, 3000).size());
}

// A program folder that neither its long nor its short (8.3) form can spell in code page 932
// (here: renamed under the running start, so it has no short form either) is told by name,
// and nothing is created anywhere. So is a file-map folder a file is in the way of; the rest goes.
TEST(ProgramFolder, UnnamableFolderIsToldAndNothingIsCreated)
{
    std::wstring prog = MakeScratchProgramFolder(L"life_Jos\u00e9_gone"), moved = prog + L"_moved";
    DeleteTree(moved);
    ASSERT_TRUE(SetCurrentDirectoryW((prog + L"\\App").c_str()) && MoveFileW(prog.c_str(), moved.c_str()));
    BoxWatchStart(IDOK);
    EXPECT_EQ(nullptr, KotopaneStartup(GetModuleHandleW(nullptr)));
    std::vector<SHOWN_BOX> boxes = BoxWatchStop();
    SetCurrentDirectoryW(TestBuildDir().c_str());
    ASSERT_EQ(1u, boxes.size());
    EXPECT_NE(std::wstring::npos, boxes[0].text.find(prog)) << "the folder is named";
    std::vector<std::wstring> left = ListFolder(moved);
    std::sort(left.begin(), left.end());
    EXPECT_EQ((std::vector<std::wstring>{ L"App", L"部品" }), left);
    EXPECT_TRUE(ListFolder(moved + L"\\App").empty());
    DeleteTree(moved);

    prog = MakeScratchProgramFolder(L"life_blocked");
    std::wstring blocker = prog + L"\\App\\ファイルマップフォルダ";
    ASSERT_TRUE(WriteBytes(blocker, "in the way") && SetCurrentDirectoryW((prog + L"\\App").c_str()));
    BoxWatchStart(IDOK);
    EXPECT_EQ(nullptr, KotopaneStartup(GetModuleHandleW(nullptr)));
    boxes = BoxWatchStop();
    SetCurrentDirectoryW(TestBuildDir().c_str());
    ASSERT_EQ(1u, boxes.size());
    EXPECT_NE(std::wstring::npos, boxes[0].text.find(blocker + L"\r\n")) << "the folder is named";
    EXPECT_FALSE(DirExists(SettingsFolder(prog))) << "the settings folder this start made is left";
}
