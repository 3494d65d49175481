// Real drag and drop from outside onto the real Kotopane.exe: a Linux drop source speaks
// XDND to the program's X window, and Wine turns that into WM_DROPFILES as it does for a
// file manager's drop. Checked: where the files land, what the screen shows, and the
// recent folders file the program writes when it closes.
#include <gtest/gtest.h>

#include <stdio.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/TraceFormat.h"
#include "tests/support/TestSupport.h"
#include "tests/wine/e2e_kotopane.h"

namespace {

// ---------------------------------------------------------------- traces of another process

// Reads what other processes write with OutputDebugString, the way a debug monitor does.
struct DEBUG_MONITOR {
    HANDLE mapping;
    HANDLE bufferReady;
    HANDLE dataReady;
    HANDLE thread;
    volatile LONG stop;
    bool started;
    CRITICAL_SECTION lock;
    std::vector<std::pair<DWORD, std::string>> lines;
};

DWORD WINAPI MonitorThread(void* p)
{
    DEBUG_MONITOR* m = (DEBUG_MONITOR*)p;
    const BYTE* view = (const BYTE*)MapViewOfFile(m->mapping, FILE_MAP_READ, 0, 0, 4096);
    SetEvent(m->bufferReady);
    while (!m->stop) {
        if (WaitForSingleObject(m->dataReady, 50) != WAIT_OBJECT_0)
            continue;
        DWORD pid = *(const DWORD*)view;
        std::string text((const char*)view + 4, strnlen((const char*)view + 4, 4096 - 4));
        EnterCriticalSection(&m->lock);
        m->lines.push_back(std::make_pair(pid, text));
        LeaveCriticalSection(&m->lock);
        SetEvent(m->bufferReady);
    }
    UnmapViewOfFile(view);
    return 0;
}

bool MonitorStart(DEBUG_MONITOR* m)
{
    InitializeCriticalSection(&m->lock);
    m->started = true;
    m->stop = 0;
    m->mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, L"DBWIN_BUFFER");
    m->bufferReady = CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_BUFFER_READY");
    m->dataReady = CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_DATA_READY");
    if (!m->mapping || !m->bufferReady || !m->dataReady || GetLastError() == ERROR_ALREADY_EXISTS)
        return false;   // another monitor is listening; its traces would be shared
    m->thread = CreateThread(nullptr, 0, MonitorThread, m, 0, nullptr);
    return m->thread != nullptr;
}

void MonitorStop(DEBUG_MONITOR* m)
{
    if (!m->started)
        return;
    if (m->thread) {
        InterlockedExchange(&m->stop, 1);
        WaitForSingleObject(m->thread, 5000);
        CloseHandle(m->thread);
    }
    for (HANDLE h : { m->mapping, m->bufferReady, m->dataReady })
        if (h)
            CloseHandle(h);
    DeleteCriticalSection(&m->lock);
}

// The traces of one process, waiting up to timeoutMs for one that starts with `prefix`.
std::vector<std::string> MonitorLines(DEBUG_MONITOR* m, DWORD pid, const std::string& prefix, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        std::vector<std::string> mine;
        bool found = prefix.empty();
        EnterCriticalSection(&m->lock);
        for (auto& l : m->lines)
            if (l.first == pid) {
                mine.push_back(l.second);
                found = found || l.second.compare(0, prefix.size(), prefix) == 0;
            }
        LeaveCriticalSection(&m->lock);
        if (found || GetTickCount() - start >= timeoutMs)
            return mine;
        Sleep(20);
    }
}

// ---------------------------------------------------------------- the test

const COLORREF SOLID_C = RGB(0xE0, 0xA0, 0x30);

class e2eDrop : public ::testing::Test {
protected:
    std::wstring prog;
    std::wstring settings;
    KOTOPANE_RUN run = {};
    DEBUG_MONITOR monitor = {};
    int W = 0;

    void SetUp() override
    {
        prog = MakeScratchProgramFolder(L"e2e_drop");
        HandoffLogStart(L"e2e_drop");
        settings = SettingsFolder(prog);
        CreateDirectoryW(settings.c_str(), nullptr);
        ASSERT_TRUE(WriteBytes(settings + L"\\メニューリスト.txt", ToCp932(L"いつもの\r\n表ソ箱\r\n")));
        for (const wchar_t* c : { L"いつもの", L"表ソ箱" }) {
            CreateDirectoryW((settings + L"\\" + c).c_str(), nullptr);
            ASSERT_TRUE(WriteBytes(settings + L"\\" + c + L"\\" + c + L"セリフ.txt", ToCp932(L"ドロップ\r\n")));
        }
        RECT work;
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        W = work.right - work.left - 50;
        ASSERT_TRUE(MonitorStart(&monitor)) << "cannot read the program's traces";
        ASSERT_TRUE(E2eStart(prog, &run));
        ASSERT_NE(run.converter, nullptr);
    }

    void TearDown() override
    {
        E2eCleanUp(&run);
        MonitorStop(&monitor);
    }

    RECT Band()
    {
        RECT rc = { 0, 0, W < 1800 ? W : 1800, 200 };
        return rc;
    }

    std::vector<std::string> Traces() { return MonitorLines(&monitor, run.app.pid, "", 0); }

    static bool Has(const std::vector<std::string>& traces, const std::string& line)
    {
        for (const std::string& t : traces)
            if (t == line)
                return true;
        return false;
    }

    static bool HasPrefix(const std::vector<std::string>& traces, const std::string& prefix)
    {
        for (const std::string& t : traces)
            if (t.compare(0, prefix.size(), prefix) == 0)
                return true;
        return false;
    }

    static std::string Values(const char* label, double a, double b = 0)
    {
        const double v[5] = { a, b, 0, 0, 0 };
        return FormatTraceValues(label, v);
    }
};

TEST_F(e2eDrop, FilesFromOutsideLandInTheirCategoryAndTheFolderIsRemembered)
{
    // Where the program put its first category entry on the menu bar, in client coordinates.
    std::vector<std::string> start = MonitorLines(&monitor, run.app.pid, "glMenuRect[0]", 10000);
    RECT entry0 = {};
    bool rectSeen = false;
    for (const std::string& t : start)
        rectSeen = rectSeen || sscanf(t.c_str(), "glMenuRect[0].left=%ld .top=%ld .right=%ld .bottom=%ld", &entry0.left,
                                      &entry0.top, &entry0.right, &entry0.bottom) == 4;
    ASSERT_TRUE(rectSeen) << "no glMenuRect[0] trace";
    ASSERT_LT(entry0.top, 0) << "the menu bar lies above the client area";
    ASSERT_GT(entry0.left, 20) << "the second category's entry lies left of the first";
    ASSERT_TRUE(E2eWaitSettled(run.main, Band(), [] { return true; }, 5000));

    // Two files, one named with trail bytes 0x5C, from a folder named the same way.
    std::wstring from = prog + L"\\素材表";
    CreateDirectoryW(from.c_str(), nullptr);
    ASSERT_TRUE(WriteTestBmp(from + L"\\a.bmp", 200, 100, [](int, int) { return 0x1040E0u; }));
    ASSERT_TRUE(WriteWicPicture(from + L"\\表ソ.png", GUID_ContainerFormatPng, 200, 100));
    std::string bytesA, bytesB;
    ASSERT_TRUE(ReadBytes(from + L"\\a.bmp", &bytesA));
    ASSERT_TRUE(ReadBytes(from + L"\\表ソ.png", &bytesB));

    // Onto the picture area: into the selected (first) category, the last one shown.
    POINT onPicture = { W / 2, 400 };
    ASSERT_EQ("0 dropped", XdndDrop(E2eClientToScreen(run.main, onPicture.x, onPicture.y),
                                    { from + L"\\a.bmp", from + L"\\表ソ.png" }, prog + L"\\xdnd1.txt"));
    const int left = (W - 200) / 2;
    ASSERT_TRUE(E2eWaitSettled(run.main, Band(), [&] {
        return E2eScreenPixel(run.main, left + 20, 70) == WicPicturePixel(20, 10, 200, 100);
    }, 10000)) << "the dropped picture never showed";
    for (int p : { 0, 50, 99 })
        EXPECT_EQ(E2eHex(WicPicturePixel(p * 2, p, 200, 100)), E2eHex(E2eScreenPixel(run.main, left + p * 2, 60 + p)));
    std::string got;
    ASSERT_TRUE(ReadBytes(settings + L"\\いつもの\\a.bmp", &got));
    EXPECT_TRUE(got == bytesA) << "a.bmp changed on the way";
    ASSERT_TRUE(ReadBytes(settings + L"\\いつもの\\表ソ.png", &got));
    EXPECT_TRUE(got == bytesB) << "表ソ.png changed on the way";
    EXPECT_EQ(1u, ListFolder(settings + L"\\表ソ箱").size());
    EXPECT_TRUE(FileExists(settings + L"\\Gazou.bmp"));
    std::vector<std::string> traces = Traces();
    EXPECT_TRUE(Has(traces, Values("Pt.x,Pt.y", onPicture.x, onPicture.y))) << "drop point not exact";
    EXPECT_FALSE(HasPrefix(traces, "ButtonNum=")) << "the picture area is no category entry";

    // Onto the second category's entry on the menu bar, left of the first one's.
    std::wstring other = prog + L"\\別ソ";
    CreateDirectoryW(other.c_str(), nullptr);
    ASSERT_TRUE(WriteTestBmp(other + L"\\c.bmp", 120, 80, [](int, int) { return 0xE0A030u; }));
    std::string bytesC;
    ASSERT_TRUE(ReadBytes(other + L"\\c.bmp", &bytesC));
    POINT onEntry = { entry0.left / 2, (entry0.top + entry0.bottom) / 2 };
    ASSERT_EQ("0 dropped", XdndDrop(E2eClientToScreen(run.main, onEntry.x, onEntry.y), { other + L"\\c.bmp" },
                                    prog + L"\\xdnd2.txt"));
    ASSERT_TRUE(E2eWaitSettled(run.main, Band(), [&] { return E2eScreenPixel(run.main, W / 2, 100) == SOLID_C; },
                               10000))
        << "the picture dropped on the entry never showed";
    EXPECT_EQ(E2eHex(0), E2eHex(E2eScreenPixel(run.main, (W - 120) / 2 - 1, 100)));
    ASSERT_TRUE(ReadBytes(settings + L"\\表ソ箱\\c.bmp", &got));
    EXPECT_TRUE(got == bytesC);
    EXPECT_FALSE(FileExists(settings + L"\\いつもの\\c.bmp"));
    traces = Traces();
    EXPECT_TRUE(Has(traces, Values("Pt.x,Pt.y", onEntry.x, onEntry.y)));
    EXPECT_TRUE(Has(traces, Values("ButtonNum", 1)));

    // Dropping copies: the sources stay.
    EXPECT_TRUE(FileExists(from + L"\\a.bmp"));
    EXPECT_TRUE(FileExists(from + L"\\表ソ.png"));
    EXPECT_TRUE(FileExists(other + L"\\c.bmp"));

    DWORD code = 99;
    EXPECT_TRUE(E2eClose(&run, &code));
    EXPECT_EQ(0u, code);

    // The folders are remembered most recent first, as Windows paths with a trailing backslash.
    std::string recent;
    ASSERT_TRUE(ReadBytes(settings + L"\\最近フォルダパス.txt", &recent));
    std::string want = ToCp932(other + L"\\") + "\r\n" + ToCp932(from + L"\\") + "\r\n";
    ASSERT_LE(want.size(), 1300u);
    want.resize(1300, '\0');
    EXPECT_EQ(want, recent);
    EXPECT_EQ(0u, want.compare(0, 3, "Z:\\")) << "the source folders are Linux folders seen through Z:";
    std::string list;
    ASSERT_TRUE(ReadBytes(settings + L"\\メニューリスト.txt", &list));
    EXPECT_EQ(ToCp932(L"いつもの\r\n表ソ箱\r\n"), list);
}

// A phone's folder: its pictures come in, told by their first bytes (a HEIC's brand, a JPEG),
// and what else phones leave there (a live photo's moving part, an edit sidecar, a Thumbs.db
// that lost its hidden mark) is named as no picture. The window answers all the while.
TEST_F(e2eDrop, PhoneFolderBringsItsPicturesOnlyAndTheWindowAnswersThroughout)
{
    ASSERT_TRUE(E2eWaitSettled(run.main, Band(), [] { return true; }, 5000));
    std::wstring phone = prog + L"\\DCIM表", got = phone + L"\\IMG_0002.JPG";
    CreateDirectoryW(phone.c_str(), nullptr);
    ASSERT_TRUE(WriteWicPicture(got, GUID_ContainerFormatJpeg, 200, 100));
    std::string jpeg;
    ASSERT_TRUE(ReadBytes(got, &jpeg));
    const struct { const wchar_t* name; std::string bytes; } files[] = {
        { L"IMG_0001.HEIC", std::string("\0\0\0\x18" "ftypheic\0\0\0\0mif1heic" "data", 28) },
        { L"IMG_0001.MOV", std::string("\0\0\0\x14" "ftypqt  \0\0\0\0qt  " "data", 24) },
        { L"IMG_0001.AAE", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"/>\n" },
        { L"Thumbs.db", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(504, '\0') },
        { L"IMG_0002.JPG", jpeg },
    };
    for (const auto& f : files)
        ASSERT_TRUE(WriteBytes(phone + L"\\" + f.name, f.bytes));

    ASSERT_EQ("0 dropped", XdndDrop(E2eClientToScreen(run.main, W / 2, 400), { phone }, prog + L"\\xdnd3.txt"));
    int answered = 0, unanswered = 0;
    std::vector<HWND> boxes;
    for (DWORD t0 = GetTickCount(); boxes.empty() && GetTickCount() - t0 < 10000; boxes = FindProcessBoxes(run.app.pid, 0)) {
        DWORD_PTR r = 0;
        (SendMessageTimeoutW(run.main, WM_NULL, 0, 0, SMTO_NORMAL, 250, &r) ? answered : unanswered)++;
        Sleep(20);
    }
    EXPECT_EQ(0, unanswered) << "the window did not answer for a quarter of a second";
    EXPECT_GT(answered, 0);
    ASSERT_EQ(1u, boxes.size());
    std::wstring text = BoxText(boxes[0]);
    size_t at = text.find(L"画像ではない");
    for (const wchar_t* name : { L"IMG_0001.AAE", L"IMG_0001.MOV", L"Thumbs.db" })
        EXPECT_LT(at, text.find(name)) << ToCp932(text);
    EXPECT_EQ(std::wstring::npos, text.find(L"HEIC")) << ToCp932(text);
    PostMessageW(boxes[0], WM_COMMAND, IDOK, 0);
    std::vector<std::wstring> arrived = ListFolder(settings + L"\\いつもの");
    std::sort(arrived.begin(), arrived.end());
    EXPECT_EQ((std::vector<std::wstring>{ L"IMG_0001.HEIC", L"IMG_0002.JPG", L"いつものセリフ.txt" }), arrived);
    std::string bytes;
    EXPECT_TRUE(ReadBytes(settings + L"\\いつもの\\IMG_0002.JPG", &bytes) && bytes == jpeg);
}

// From a nearly full disk: no room for the surfaces is said once and the program works on from
// memory; a dropped photo the disk can't hold is told and leaves nothing, a small one comes in.
// Closed with no room left, each settings file keeps its old bytes and the loss is told.
TEST(e2eFullDisk, NothingIsLeftHalfDoneAndEveryLossIsTold)
{
    E2E_SMALL_DISK disk(L"e2e_full_disk", 16);
    if (disk.why != "mounted")
        GTEST_SKIP() << "a small tmpfs needs root on Linux: " << disk.why;
    std::wstring prog = MakeScratchProgramFolder(L"e2e_full_disk\\Kotopane"), settings = SettingsFolder(prog);
    std::wstring from = TestBuildDir() + L"\\scratch\\e2e_full_disk_from";
    CreateDirectoryW(settings.c_str(), nullptr);
    CreateDirectoryW(from.c_str(), nullptr);
    std::vector<std::pair<std::wstring, std::string>> kept = { { L"\\背景色.txt", "255" }, { L"\\最近フォルダパス.txt", std::string(1300, 'x') } };
    for (auto& k : kept)
        ASSERT_TRUE(WriteBytes(settings + k.first, k.second));
    ASSERT_TRUE(WriteBytes(from + L"\\big.jpg", "\xFF\xD8\xFF" + std::string(6 << 20, 'p')));
    ASSERT_TRUE(WriteTestBmp(from + L"\\small.bmp", 300, 200, [](int, int) { return 0xE0A030u; }));
    std::string fill = "fallocate -l $(($(df --output=avail -B1 \"$M\" | tail -1) - ";   // all the room but so many bytes
    ASSERT_EQ("full", disk.Shell(fill + "3145728)) \"$M/filler\" && echo full"));

    KOTOPANE_RUN run = {};
    ASSERT_TRUE(E2eLaunch(prog, &run));
    std::vector<HWND> boxes = FindProcessBoxes(run.app.pid, 15000);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(L"<(_ _)>", WindowTitle(boxes[0]));
    EXPECT_EQ(0u, BoxText(boxes[0]).find(L"ディスクの空きが足りないため、画像を作業用のファイルではなくメモリに置きます。"));
    PostMessageW(boxes[0], WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(E2eAttach(&run));
    EXPECT_TRUE(FindProcessBoxes(run.app.pid, 500).empty()) << "told more than once";

    RECT band;
    GetClientRect(run.main, &band);
    int x = band.right / 2;   // the small picture's middle
    band = { x - 200, 0, x + 200, 200 };
    ASSERT_TRUE(E2eWaitSettled(run.main, band, [] { return true; }, 5000));
    ASSERT_EQ("0 dropped", XdndDrop(E2eClientToScreen(run.main, x, 400), { from + L"\\big.jpg", from + L"\\small.bmp" },
                                    from + L"\\xdnd.txt"));
    boxes = FindProcessBoxes(run.app.pid, 10000);
    ASSERT_EQ(1u, boxes.size());
    std::wstring text = BoxText(boxes[0]);
    EXPECT_LT(text.find(L"ディスクの空きが足りない"), text.find(from + L"\\big.jpg")) << ToCp932(text);
    PostMessageW(boxes[0], WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(E2eWaitSettled(run.main, band, [&] { return E2eScreenPixel(run.main, x, 100) == SOLID_C; }, 10000));
    EXPECT_EQ(2u, ListFolder(settings + L"\\★ほめる").size()) << "its lines and the small picture only";

    ASSERT_EQ("full", disk.Shell(fill + "0)) \"$M/filler2\" && echo full"));
    PostMessageW(run.main, WM_CLOSE, 0, 0);
    boxes = FindProcessBoxes(run.app.pid, 10000);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(L"設定を保存できませんでした。（；‘ v‘）/", WindowTitle(boxes[0]));
    text = BoxText(boxes[0]);
    PostMessageW(boxes[0], WM_COMMAND, IDOK, 0);
    DWORD code = 99;
    EXPECT_TRUE(WaitProcessExit(run.app.process, 10000, &code) && code == 0) << "ended by a crash";
    E2eCleanUp(&run);
    for (auto& k : kept) {
        std::string bytes;
        EXPECT_NE(std::wstring::npos, text.find(k.first.substr(1))) << ToCp932(text);
        EXPECT_TRUE(ReadBytes(settings + k.first, &bytes) && bytes == k.second) << ToCp932(k.first);
    }
    for (const std::wstring& name : ListFolder(settings))
        EXPECT_EQ(std::wstring::npos, name.find(L".tmp")) << ToCp932(name);
    EXPECT_FALSE(DirExists(prog + L"\\App\\ファイルマップフォルダ"));
}

}  // namespace
