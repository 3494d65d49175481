// Kotopane's side of the converter link, run in this process against the real QX5.exe
// and against a stand-in window that hangs.
#include "base/Limits.h"
#include "base/Window.h"
#include "converter/Qx5Protocol.h"
#include "display/Display.h"
#include "qx5link/Qx5Link.h"
#include "store/Paths.h"
#include "tests/support/TestSupport.h"
#include <gtest/gtest.h>
#include <string.h>

static LRESULT CALLBACK PlainProc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    return DefWindowProcW(w, m, wp, lp);
}

static DWORD WindowPid(HWND w)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    return pid;
}

class ConverterLink : public ::testing::Test {
protected:
    std::wstring folder;
    std::wstring dst;
    QX5_LINK savedLink;

    void SetUp() override
    {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        savedLink = Qx5Link;
        WNDCLASSW wc = {};
        wc.lpfnWndProc = PlainProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"ConverterLinkMain";
        RegisterClassW(&wc);
        SetMainWindow(CreateWindowExW(0, wc.lpszClassName, L"Kotopane test", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                    nullptr, nullptr, wc.hInstance, nullptr));
        ASSERT_TRUE(MainWindow());
        UsFolder(L"conv_link_表", true);
    }

    void UsFolder(const wchar_t* name, bool withConverter)
    {
        folder = MakeScratchProgramFolder(name, withConverter);
        CreateDirectoryW(SettingsFolder(folder).c_str(), nullptr);
        dst = SettingsFolder(folder) + L"\\Gazou.bmp";
        std::string f = ToCp932(folder);
        ASSERT_LT(f.size(), (size_t)KP_PATH_BYTES);
        SetProgramFolder(f.c_str());
        char exe[KP_PATH_BYTES];
        ASSERT_TRUE(ProgramPath(exe, sizeof exe, KP_CONVERTER_EXE));
        Qx5LinkSetPath(exe);
    }

    void TearDown() override
    {
        BoxWatchStop();
        Qx5LinkQuit();
        Qx5Link = savedLink;
        DestroyWindow(MainWindow());
        SetMainWindow(nullptr);
    }

    std::wstring Picture(const wchar_t* name, DWORD colour)
    {
        std::wstring src = folder + L"\\" + name;
        EXPECT_TRUE(EncodePicture(src, GUID_ContainerFormatPng, 5, 4, {[colour](int, int) { return colour; }}));
        return src;
    }

    // Kotopane's way: delete the output, ask, load with LoadImage.
    bool ConvertAndLoad(const std::wstring& src, bool* answered, DWORD* colour = nullptr)
    {
        DeleteFileW(dst.c_str());
        *answered = Qx5LinkConvert(ToCp932(dst).c_str(), ToCp932(src).c_str(), RGB(255, 255, 255)) == CONVERT_DONE;
        READ_BMP bmp;
        if (!ReadConvertedBmp(dst, &bmp))
            return false;
        if (colour)
            *colour = bmp.at(0, 0);
        HBITMAP b = (HBITMAP)LoadImageW(nullptr, dst.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_DEFAULTSIZE);
        if (b)
            DeleteObject(b);
        return b != nullptr;
    }
};

// The program the link starts is the one in 部品 (its image name is checked when it runs).
TEST_F(ConverterLink, PresenceCheck)
{
    EXPECT_TRUE(Qx5LinkPresent());
    UsFolder(L"conv_link_none", false);
    EXPECT_FALSE(Qx5LinkPresent());
    // A folder of that name is no converter.
    CreateDirectoryW((folder + L"\\部品\\QX5.exe").c_str(), nullptr);
    EXPECT_FALSE(Qx5LinkPresent());
}

TEST_F(ConverterLink, MissingConverterMessage)
{
    BoxWatchStart(IDOK);
    Qx5LinkReportMissing();
    std::vector<SHOWN_BOX> boxes = BoxWatchStop();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(L"（；‘ v‘）/部品がありません。", boxes[0].caption);
    EXPECT_EQ(L"部品フォルダにQX5.exeがありません。Kotopaneは元のフォルダに入れてお使いください。", boxes[0].text);
    EXPECT_EQ(MainWindow(), boxes[0].owner);
    EXPECT_FALSE(boxes[0].hasYesNo);
    EXPECT_FALSE(boxes[0].topmost);
}

TEST_F(ConverterLink, StartConvertStop)
{
    // The start returns at once; the converter's window is looked for when it is needed.
    ULONGLONG t0 = GetTickCount64();
    Qx5LinkStart();
    ASSERT_NE(0u, Qx5LinkProcessId());
    HWND conv = Qx5LinkWindow();
    ASSERT_TRUE(conv);
    EXPECT_LT(GetTickCount64() - t0, 4500u);   // found before the 5 s bound ran out
    EXPECT_EQ(CONVERTER_TITLE, WindowTitle(conv));
    EXPECT_EQ(Qx5LinkProcessId(), WindowPid(conv));
    HANDLE proc = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, WindowPid(conv));
    ASSERT_TRUE(proc);
    wchar_t image[MAX_PATH * 2];
    DWORD n = MAX_PATH * 2;
    ASSERT_TRUE(QueryFullProcessImageNameW(proc, 0, image, &n));
    EXPECT_NE(nullptr, wcsstr(image, L"conv_link_表\\部品\\QX5.exe"));

    bool answered = false;
    DWORD colour = 0;
    EXPECT_TRUE(ConvertAndLoad(Picture(L"ソ表.png", 0xFF336699), &answered, &colour));
    EXPECT_TRUE(answered);
    EXPECT_EQ(0x336699u, colour);

    // A file it can't read: the converter answers, nothing is written.
    std::wstring junk = folder + L"\\junk.jpg";
    ASSERT_TRUE(WriteBytes(junk, "not a picture"));
    EXPECT_FALSE(ConvertAndLoad(junk, &answered));
    EXPECT_TRUE(answered);
    EXPECT_EQ(conv, Qx5LinkWindow());

    Qx5LinkQuit();
    EXPECT_EQ(nullptr, Qx5LinkWindow());
    EXPECT_EQ(0u, Qx5LinkProcessId());
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(proc, 5000));
    DWORD code = 99;
    GetExitCodeProcess(proc, &code);
    EXPECT_EQ(0u, code);     // it ended itself
    CloseHandle(proc);
}

TEST_F(ConverterLink, ConverterThatWentAwayIsStartedAgain)
{
    Qx5LinkStart();
    HWND first = Qx5LinkWindow();
    ASSERT_TRUE(first);
    HANDLE proc = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, WindowPid(first));
    ASSERT_TRUE(proc);
    TerminateProcess(proc, 3);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(proc, 5000));
    CloseHandle(proc);
    PumpMessages(50);
    ASSERT_FALSE(IsWindow(first));

    bool answered = false;
    EXPECT_TRUE(ConvertAndLoad(Picture(L"again.png", 0xFF102030), &answered));
    EXPECT_TRUE(answered);
    EXPECT_TRUE(Qx5LinkWindow() && Qx5LinkWindow() != first);
}

// A converter that cannot be started, that ends before it has a window, or that never
// shows one: one message per picture, no wait beyond the bound, then every request fails at
// once, and never a second converter beside the first.
TEST_F(ConverterLink, ConverterThatDoesNotStartCostsOneMessageAndNoFreeze)
{
    struct { const wchar_t* folder; const wchar_t* program; } cases[] = {
        { L"conv_link_none", nullptr }, { L"conv_link_quits", L"kp_handoff.exe" },
        { L"conv_link_windowless", L"kp_keepalive.exe" } };
    for (auto& c : cases) {
        SCOPED_TRACE(ToCp932(c.folder));
        UsFolder(c.folder, false);
        if (c.program) {
            ASSERT_TRUE(CopyFileW((TestBuildDir() + L"\\tests\\" + c.program).c_str(),
                                  (folder + L"\\部品\\QX5.exe").c_str(), FALSE));
        }
        Qx5Link.searchMs = 600;
        BoxWatchStart(IDOK);
        Qx5LinkStart();
        DWORD pid = Qx5LinkProcessId();
        EXPECT_TRUE(BoxWatchSeen().empty()) << "nothing is said before a picture needs it";
        for (int k = 0; k < 3; k++) {
            DWORD t0 = GetTickCount();
            LoadPicture(ToCp932(folder + L"\\x.png").c_str(), 0, 60, 100, 100);
            EXPECT_LT(GetTickCount() - t0, k == 0 ? 3000u : 300u) << "request " << k;
            EXPECT_TRUE(Qx5LinkProcessId() == pid || Qx5LinkProcessId() == 0) << "no second converter";
            ASSERT_EQ(k + 1u, BoxWatchSeen().size()) << "request " << k;
            EXPECT_EQ(L"（；‘ v‘）/部品が動きません。", BoxWatchSeen()[k].caption);
        }
        BoxWatchStop();
        HANDLE proc = Qx5LinkProcessId() ? OpenProcess(SYNCHRONIZE, FALSE, Qx5LinkProcessId()) : nullptr;
        Qx5LinkQuit();
        EXPECT_TRUE(!proc || WaitForSingleObject(proc, 0) == WAIT_OBJECT_0) << "ended with the link";
        if (proc)
            CloseHandle(proc);
        Qx5Link = savedLink;
    }
}

// A stand-in converter on another thread of this process: records what arrives and
// hangs on the source until released.
struct FAKE_CONVERTER {
    HANDLE ready, release;
    HWND wnd;
    WPARAM copyWParam;
    ULONG_PTR copyTag;
    DWORD copySize;
    char block[sizeof(CONVERTER_CONVERT_REQUEST)];
    std::wstring text;
};
static FAKE_CONVERTER fake;

static LRESULT CALLBACK FakeProc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    switch (m) {
    case CONVERTER_CONVERT_DESTINATION: {
        const COPYDATASTRUCT* cds = (const COPYDATASTRUCT*)lp;
        fake.copyWParam = wp;
        fake.copyTag = cds->dwData;
        fake.copySize = cds->cbData;
        memcpy(fake.block, cds->lpData, cds->cbData < sizeof fake.block ? cds->cbData : sizeof fake.block);
        return TRUE;
    }
    case CONVERTER_CONVERT_SOURCE:
        fake.text = (const wchar_t*)lp;
        WaitForSingleObject(fake.release, 10000);
        return CONVERTER_REPLY_CONVERTED;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(w, m, wp, lp);
}

static DWORD WINAPI FakeThread(void*)
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = FakeProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"FakeConverter";
    RegisterClassW(&wc);
    fake.wnd = CreateWindowExW(0, wc.lpszClassName, CONVERTER_TITLE, WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                               wc.hInstance, nullptr);
    SetEvent(fake.ready);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
        DispatchMessageW(&msg);
    return 0;
}

TEST_F(ConverterLink, HungConverterDoesNotFreezeAndIsReplaced)
{
    fake.ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    fake.release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = CreateThread(nullptr, 0, FakeThread, nullptr, 0, nullptr);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(fake.ready, 5000));
    ASSERT_TRUE(fake.wnd);
    Qx5Link.hConverterWnd = fake.wnd;
    Qx5Link.convertMs = 300;

    std::wstring src = Picture(L"写真ソ.png", 0xFF445566);
    std::string dstA = ToCp932(dst);
    DWORD t0 = GetTickCount();
    EXPECT_EQ(CONVERT_NOT_ANSWERED, Qx5LinkConvert(dstA.c_str(), ToCp932(src).c_str(), RGB(1, 2, 3)));
    DWORD ms = GetTickCount() - t0;
    EXPECT_GE(ms, 250u);
    EXPECT_LT(ms, 2000u);
    EXPECT_FALSE(Qx5LinkAnswering());

    // What went out: the main window in wParam, the colour request's tag, 260 bytes
    // zero-padded and the colour, the source as UTF-16.
    EXPECT_EQ((WPARAM)MainWindow(), fake.copyWParam);
    EXPECT_EQ((ULONG_PTR)CONVERTER_CONVERT_OVER_COLOUR, fake.copyTag);
    ASSERT_EQ(sizeof(CONVERTER_CONVERT_REQUEST), fake.copySize);
    EXPECT_EQ(0, memcmp(fake.block, dstA.c_str(), dstA.size() + 1));
    for (size_t i = dstA.size(); i < 260; i++)
        ASSERT_EQ(0, fake.block[i]) << i;
    EXPECT_EQ(0, memcmp(fake.block + 260, "\1\2\3\0", 4));
    EXPECT_EQ(src, fake.text);

    SetEvent(fake.release);
    PostMessageW(fake.wnd, WM_CLOSE, 0, 0);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 5000));
    CloseHandle(thread);

    // The next request starts a real converter and succeeds.
    Qx5Link.convertMs = savedLink.convertMs;
    bool answered = false;
    DWORD colour = 0;
    EXPECT_TRUE(ConvertAndLoad(src, &answered, &colour));
    EXPECT_TRUE(answered);
    EXPECT_EQ(0x445566u, colour);
    EXPECT_TRUE(Qx5LinkAnswering());
    EXPECT_NE(GetCurrentProcessId(), WindowPid(Qx5LinkWindow()));
    CloseHandle(fake.ready);
    CloseHandle(fake.release);
}

// A real converter that does not answer in time is ended: before the next request, or at
// shutdown.
TEST_F(ConverterLink, SlowConverterIsEnded)
{
    std::wstring big = folder + L"\\big.jpg";
    ASSERT_TRUE(EncodePicture(big, GUID_ContainerFormatJpeg, 3000, 2000, {[](int x, int y) { return 0xFF000000u | (DWORD)(x ^ y); }}));
    std::wstring small = Picture(L"small.png", 0xFF0A0B0C);

    char exe[KP_PATH_BYTES];
    ASSERT_TRUE(ProgramPath(exe, sizeof exe, KP_CONVERTER_EXE));
    for (int atShutdown = 0; atShutdown < 2; atShutdown++) {
        Qx5LinkSetPath(exe);   // a new start after the stop
        Qx5LinkStart();
        ASSERT_TRUE(Qx5LinkWindow());
        HANDLE proc = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, Qx5LinkProcessId());
        ASSERT_TRUE(proc);
        Qx5Link.convertMs = 1;
        EXPECT_EQ(CONVERT_NOT_ANSWERED, Qx5LinkConvert(ToCp932(dst).c_str(), ToCp932(big).c_str(), RGB(255, 255, 255)));
        EXPECT_FALSE(Qx5LinkAnswering());
        Qx5Link.convertMs = savedLink.convertMs;
        if (atShutdown) {
            Qx5Link.answerMs = 10000;   // the conversion it is busy with ends well within this
            Qx5LinkQuit();
            EXPECT_EQ(nullptr, Qx5LinkWindow());
        } else {
            bool answered = false;
            DWORD colour = 0;
            EXPECT_TRUE(ConvertAndLoad(small, &answered, &colour));
            EXPECT_EQ(0x0A0B0Cu, colour);
            Qx5LinkQuit();
        }
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(proc, 0)) << "the slow converter was ended";
        DWORD code = 99;
        GetExitCodeProcess(proc, &code);
        EXPECT_EQ(atShutdown ? 0u : 1u, code) << (atShutdown ? "it ended itself" : "ended from outside");
        CloseHandle(proc);
    }
}
