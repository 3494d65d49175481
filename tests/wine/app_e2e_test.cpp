// The real Kotopane.exe and QX5.exe in a scratch program folder, driven from outside as a
// user (and the system) would.
#include <gtest/gtest.h>
#include "converter/Qx5Protocol.h"
#include "tests/support/TestSupport.h"
#include "tests/wine/e2e_kotopane.h"

static const wchar_t kTitle[] =
    L"Kotopane （‘ v‘）/ メニューを押すと画像が変わります。画像をクリックするとセリフだけ変わります。"
    L"　セリフやメニューは「編集(E)」から追加、削除、書き換えできます。";

static std::string Sjis(const wchar_t* w)
{
    return ToCp932(w);
}

// A one-pixel red GIF.
static const unsigned char kGif[] = {
    'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 0xFF, 0, 0, 0, 0, 0,
    ',', 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 'D', 1, 0, ';'
};

TEST(KotopaneEndToEnd, FirstRunConvertsClosesAndLeavesTheDefaultSettings)
{
    std::wstring folder = MakeScratchProgramFolder(L"e2e_first");
    HandoffLogStart(L"e2e_first");
    KOTOPANE_RUN r = {};
    ASSERT_TRUE(E2eStart(folder, &r));
    EXPECT_EQ(WindowTitle(r.main), kTitle);
    EXPECT_TRUE(GetWindowLongW(r.main, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    ASSERT_NE(r.converterWnd, nullptr) << "converter window not found";
    EXPECT_EQ(WindowTitle(r.converterWnd), CONVERTER_TITLE);

    // The usage guide in the parts folder goes to the shell once per start.
    std::vector<std::wstring> handoffs = HandoffLogLines(1, 5000);
    ASSERT_EQ(handoffs.size(), 1u);
    EXPECT_NE(handoffs[0].find(L"\"" + folder + L"\\部品\\使い方.html\""), std::wstring::npos);

    // While running, the surfaces are backed by files of the documented size.
    std::wstring maps = folder + L"\\App\\ファイルマップフォルダ";
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    LONGLONG surface = (LONGLONG)(work.right - work.left - 50) * (work.bottom - work.top) * 4 + 1000;
    for (const wchar_t* name : { L"glMemDC0.txt", L"glGazouDC0.txt", L"glGazouDC1.txt" }) {
        WIN32_FILE_ATTRIBUTE_DATA a;
        ASSERT_TRUE(GetFileAttributesExW((maps + L"\\" + name).c_str(), GetFileExInfoStandard, &a)) << name;
        EXPECT_EQ(((LONGLONG)a.nFileSizeHigh << 32) | a.nFileSizeLow, surface) << name;
    }
    EXPECT_TRUE(FileExists(maps + L"\\glHartDC0.txt"));
    EXPECT_FALSE(FileExists(maps + L"\\AlphaBlendBBTableC0.txt"));

    // The converter turns a JPEG, a PNG and a GIF into BMPs that LoadImage reads.
    std::wstring pics = folder + L"\\pics";
    CreateDirectoryW(pics.c_str(), nullptr);
    ASSERT_TRUE(WriteWicPicture(pics + L"\\photo.jpg", GUID_ContainerFormatJpeg, 64, 48));
    ASSERT_TRUE(WriteWicPicture(pics + L"\\表ソ.png", GUID_ContainerFormatPng, 30, 20));
    ASSERT_TRUE(WriteBytes(pics + L"\\dot.gif", std::string((const char*)kGif, sizeof(kGif))));
    struct { const wchar_t* src; int w, h; } cases[] = {
        { L"photo.jpg", 64, 48 }, { L"表ソ.png", 30, 20 }, { L"dot.gif", 1, 1 } };
    for (auto& c : cases) {
        std::wstring out = pics + L"\\out.bmp";
        DeleteFileW(out.c_str());
        ASSERT_TRUE(ConverterRequest(r.converterWnd, out, pics + L"\\" + c.src)) << c.src;
        int w = 0, h = 0;
        ASSERT_TRUE(LoadImageSize(out, &w, &h)) << c.src;
        EXPECT_EQ(w, c.w) << c.src;
        EXPECT_EQ(h, c.h) << c.src;
    }

    DWORD code = 99;
    EXPECT_TRUE(E2eClose(&r, &code)) << "Kotopane or the converter still running";
    EXPECT_EQ(code, 0u);
    E2eCleanUp(&r);

    std::wstring settings = SettingsFolder(folder);
    std::string bytes;
    ASSERT_TRUE(ReadBytes(settings + L"\\メニューリスト.txt", &bytes));
    EXPECT_EQ(bytes, Sjis(L"★ほめる\r\n★なぐさめる\r\n"));
    ASSERT_TRUE(ReadBytes(settings + L"\\背景色.txt", &bytes));
    EXPECT_EQ(bytes, "0");
    ASSERT_TRUE(ReadBytes(settings + L"\\ハート.txt", &bytes));
    EXPECT_EQ(bytes, std::string("0\0", 2));
    ASSERT_TRUE(ReadBytes(settings + L"\\最近フォルダパス.txt", &bytes));
    EXPECT_EQ(bytes, std::string(1300, '\0'));
    ASSERT_TRUE(ReadBytes(settings + L"\\ひとりごと.txt", &bytes));
    EXPECT_EQ(bytes, "0\r\n0\r\n");
    ASSERT_TRUE(ReadBytes(settings + L"\\★ほめる\\★ほめるセリフ.txt", &bytes));
    EXPECT_EQ(bytes, Sjis(L"すごーい！\r\nかっこいいー！\r\n頭いいー！\r\n") + std::string(1, '\0'));
    ASSERT_TRUE(ReadBytes(settings + L"\\★なぐさめる\\★なぐさめるセリフ.txt", &bytes));
    EXPECT_EQ(bytes, Sjis(L"がんばって！\r\nだいじょうぶ！\r\n応援してるよ！\r\nお疲れさま\r\n") + std::string(1, '\0'));

    // Nothing else is left: no conversion output, no temporary files, no file-map folder.
    std::vector<std::wstring> names = ListFolder(settings);
    std::sort(names.begin(), names.end());
    std::vector<std::wstring> expected = { L"ハート.txt", L"ひとりごと.txt", L"メニューリスト.txt",
                                           L"最近フォルダパス.txt", L"背景色.txt", L"★なぐさめる", L"★ほめる" };
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names, expected);
    EXPECT_FALSE(DirExists(maps));
}

TEST(KotopaneEndToEnd, ProgramCarriesItsIconAndManifest)
{
    std::wstring exe = TestBuildDir() + L"\\Kotopane\\App\\Kotopane.exe";
    HMODULE mod = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(mod, nullptr);
    EXPECT_NE(FindResourceW(mod, MAKEINTRESOURCEW(101), (LPCWSTR)RT_GROUP_ICON), nullptr);
    EXPECT_NE(FindResourceW(mod, MAKEINTRESOURCEW(1), (LPCWSTR)RT_MANIFEST), nullptr);
    FreeLibrary(mod);
}

TEST(KotopaneEndToEnd, MissingConverterIsReportedAndNothingIsSaved)
{
    std::wstring folder = MakeScratchProgramFolder(L"e2e_noconverter", false);
    HandoffLogStart(L"e2e_noconverter");
    KOTOPANE_RUN r = {};
    ASSERT_TRUE(E2eLaunch(folder, &r));
    std::vector<HWND> boxes = FindProcessBoxes(r.app.pid, 15000);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(WindowTitle(boxes[0]), L"（；‘ v‘）/部品がありません。");
    EXPECT_EQ(BoxText(boxes[0]), L"部品フォルダにQX5.exeがありません。Kotopaneは元のフォルダに入れてお使いください。");
    EXPECT_TRUE(GetDlgItem(boxes[0], IDOK) != nullptr);
    EXPECT_TRUE(GetDlgItem(boxes[0], IDCANCEL) == nullptr || GetDlgItem(boxes[0], IDNO) == nullptr);
    PostMessageW(boxes[0], WM_COMMAND, IDOK, 0);
    DWORD code = 99;
    ASSERT_TRUE(WaitProcessExit(r.app.process, 10000, &code));
    EXPECT_EQ(code, 0u);
    E2eCleanUp(&r);
    EXPECT_TRUE(ListFolder(SettingsFolder(folder)).empty());
    EXPECT_FALSE(DirExists(folder + L"\\App\\ファイルマップフォルダ"));
    EXPECT_TRUE(HandoffLogLines(0, 300).empty()) << "no usage guide before the converter check";
}

// From a read-only place (the zip unpacked where the user may not write) one box names the
// folder and says where to move the program, which then ends: nothing made, no guide.
TEST(KotopaneEndToEnd, ReadOnlyProgramFolderIsToldAndNothingStarts)
{
    E2E_SMALL_DISK disk(L"e2e_readonly_disk", 16);
    if (disk.why != "mounted")
        GTEST_SKIP() << "a read-only tmpfs needs root on Linux: " << disk.why;
    std::wstring folder = MakeScratchProgramFolder(L"e2e_readonly_disk\\Kotopane");
    ASSERT_TRUE(CopyFileW((TestBuildDir() + L"\\Kotopane\\App\\Kotopane.exe").c_str(), (folder + L"\\App\\Kotopane.exe").c_str(),
                          FALSE) && disk.Shell("mount -o remount,ro \"$M\" && echo ro") == "ro");
    HandoffLogStart(L"e2e_readonly");
    STARTED_PROGRAM p = {};
    ASSERT_TRUE(StartProgram(folder + L"\\App\\Kotopane.exe", folder + L"\\App", &p));
    std::vector<HWND> boxes = FindProcessBoxes(p.pid, 15000);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(WindowTitle(boxes[0]), L"（；‘ v‘）/フォルダの場所");
    EXPECT_NE(BoxText(boxes[0]).find(SettingsFolder(folder) + L"\r\n"), std::wstring::npos) << "the folder is named";
    EXPECT_NE(BoxText(boxes[0]).find(L"書き込める場所"), std::wstring::npos) << "where to move it";
    PostMessageW(boxes[0], WM_COMMAND, IDOK, 0);
    DWORD code = 99;
    EXPECT_TRUE(WaitProcessExit(p.process, 10000, &code) && code == 0);
    CloseHandle(p.process);
    EXPECT_TRUE(HandoffLogLines(0, 300).empty());
}

TEST(KotopaneEndToEnd, SecondStartShowsTheRunningWindowAndTouchesNothing)
{
    std::wstring folder = MakeScratchProgramFolder(L"e2e_second");
    HandoffLogStart(L"e2e_second");
    KOTOPANE_RUN r = {};
    ASSERT_TRUE(E2eStart(folder, &r));
    std::wstring menuList = SettingsFolder(folder) + L"\\メニューリスト.txt";

    STARTED_PROGRAM second;
    ASSERT_TRUE(StartProgram(folder + L"\\App\\Kotopane.exe", folder + L"\\App", &second));
    DWORD code = 99;
    EXPECT_TRUE(WaitProcessExit(second.process, 10000, &code));
    EXPECT_EQ(code, 0u);
    CloseHandle(second.process);
    EXPECT_FALSE(FileExists(menuList)) << "the second start must not save";
    EXPECT_TRUE(IsWindow(r.main));
    EXPECT_EQ(HandoffLogLines(1, 2000).size(), 1u) << "only the first start opens the usage guide";

    EXPECT_TRUE(E2eClose(&r, &code));
    E2eCleanUp(&r);
    EXPECT_TRUE(FileExists(menuList));
}

// A process killed at any moment of its shutdown leaves each settings file whole: the old
// bytes or the new ones, never a cut file.
TEST(KotopaneEndToEnd, KilledDuringShutdownLeavesOldOrNewSettings)
{
    std::wstring folder = MakeScratchProgramFolder(L"e2e_kill");
    std::wstring settings = SettingsFolder(folder);
    CreateDirectoryW(settings.c_str(), nullptr);
    CreateDirectoryW((settings + L"\\A").c_str(), nullptr);
    CreateDirectoryW((settings + L"\\B").c_str(), nullptr);
    HandoffLogStart(L"e2e_kill");

    struct { const wchar_t* name; std::string old; std::string fresh; } files[] = {
        { L"背景色.txt", "255", "255" },
        { L"メニューリスト.txt", "A\r\nB\r\nGone\r\n", "A\r\nB\r\n" },
        { L"最近フォルダパス.txt", "C:\\x\\\r\n", "C:\\x\\\r\n" + std::string(1300 - 7, '\0') },
        { L"ハート.txt", "1", std::string("1\0", 2) },
        { L"ひとりごと.txt", "45\n1", "45\r\n1\r\n" },
    };
    for (int delay : { 0, 5, 15, 30, 60 }) {
        for (auto& f : files)
            ASSERT_TRUE(WriteBytes(settings + L"\\" + f.name, f.old));
        KOTOPANE_RUN r = {};
        // The missing folder of "Gone" is reported once; answer it from outside.
        ASSERT_TRUE(E2eLaunch(folder, &r));
        std::vector<HWND> boxes = FindProcessBoxes(r.app.pid, 15000);
        ASSERT_FALSE(boxes.empty());
        PostMessageW(boxes[0], WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(E2eAttach(&r));

        PostMessageW(r.main, WM_CLOSE, 0, 0);
        Sleep(delay);
        TerminateProcess(r.app.process, 1);
        WaitProcessExit(r.app.process, 5000, nullptr);
        E2eCleanUp(&r);

        for (auto& f : files) {
            std::string now;
            ASSERT_TRUE(ReadBytes(settings + L"\\" + f.name, &now)) << "delay " << delay;
            EXPECT_TRUE(now == f.old || now == f.fresh) << "delay " << delay << ", file " << ToCp932(f.name);
        }
        DeleteTree(folder + L"\\App\\ファイルマップフォルダ");
    }
}
