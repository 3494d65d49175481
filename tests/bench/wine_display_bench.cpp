// Figures for the picture display in a 1870 x 1040 client area, each next to a baseline
// measured in the same run. Prints; asserts nothing.
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>
#include <wincodec.h>
#include <winternl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/CommandIds.h"
#include "base/Limits.h"
#include "bitmaps/BlendTable.h"
#include "categories/MenuBar.h"
#include "converter/Qx5Protocol.h"
#include "display/Display.h"
#include "display/DisplayCalc.h"
#include "display/DisplayState.h"
#include "lines/Lines.h"
#include "qx5link/Qx5Link.h"
#include "store/Paths.h"
#include "tests/support/TestSupport.h"
#include "tests/wine/e2e_kotopane.h"

static double Now()
{
    static LARGE_INTEGER f;
    if (!f.QuadPart)
        QueryPerformanceFrequency(&f);
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t.QuadPart * 1000.0 / f.QuadPart;
}

static void Row(const char* what, double ms, const char* base, double baseMs)
{
    printf("%-44s %9.2f ms   baseline %-34s %9.2f ms   ratio %6.2f\n", what, ms, base, baseMs,
           baseMs > 0 ? ms / baseMs : 0.0);
}

static double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

static SIZE_T PeakWorkingSet(HANDLE process)
{
    PROCESS_MEMORY_COUNTERS pmc = {};
    pmc.cb = sizeof(pmc);
    K32GetProcessMemoryInfo(process, &pmc, sizeof(pmc));
    return pmc.PeakWorkingSetSize;
}

static LRESULT CALLBACK PlainProc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    return DefWindowProcW(w, m, wp, lp);
}

// Bare window of the same size: class, window, first paint.
static double BareWindowMs()
{
    double t0 = Now();
    WNDCLASSW wc = {};
    wc.lpfnWndProc = PlainProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"kp_bench_plain";
    wc.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
    RegisterClassW(&wc);
    HWND w = CreateWindowExW(0, wc.lpszClassName, L"plain", WS_OVERLAPPEDWINDOW, 0, 0, 1870, 1080, nullptr,
                             nullptr, wc.hInstance, nullptr);
    ShowWindow(w, SW_SHOW);
    UpdateWindow(w);
    double t = Now() - t0;
    DestroyWindow(w);
    return t;
}

// Bare WIC decode of the file and a HALFTONE fit of it into the picture box: what any viewer
// of the photo must pay.
static double WicDecodeScaleMs(const std::wstring& path, int boxW, int boxH)
{
    double t0 = Now();
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IWICImagingFactory* f = nullptr;
    IWICBitmapDecoder* dec = nullptr;
    IWICBitmapFrameDecode* frame = nullptr;
    IWICFormatConverter* conv = nullptr;
    CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory, (void**)&f);
    // Wine's WIC has no decoder for some formats: no baseline then.
    if (FAILED(f->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand, &dec))) {
        f->Release();
        return -1;
    }
    dec->GetFrame(0, &frame);
    UINT iw = 0, ih = 0;
    frame->GetSize(&iw, &ih);
    f->CreateFormatConverter(&conv);
    conv->Initialize(frame, GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone, nullptr, 0,
                     WICBitmapPaletteTypeCustom);
    BYTE* px = (BYTE*)VirtualAlloc(nullptr, (size_t)iw * ih * 4, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    conv->CopyPixels(nullptr, iw * 4, iw * ih * 4, px);
    HALFTONE_CANVAS canvas;
    CanvasOpen(&canvas, boxW, boxH + 110);
    PICTURE_PLACE p = PlacePicture(boxW, boxH, (int)iw, (int)ih);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = (LONG)iw;
    bi.bmiHeader.biHeight = -(LONG)ih;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    StretchDIBits(canvas.dc, p.x, 60, p.width, p.height, 0, 0, iw, ih, px, &bi, DIB_RGB_COLORS, SRCCOPY);
    GdiFlush();
    CanvasClose(&canvas);
    VirtualFree(px, 0, MEM_RELEASE);
    conv->Release();
    frame->Release();
    dec->Release();
    f->Release();
    return Now() - t0;
}

struct PIC {
    const char* category;
    const wchar_t* file;
    const GUID* container;
    int w, h;
};
static const PIC pics[] = {
    {"二百万", L"p2mp.png", &GUID_ContainerFormatPng, 1920, 1080},
    {"千二百万", L"p12mp.jpg", &GUID_ContainerFormatJpeg, 4000, 3000},
    {"二千四百万", L"p24mp.jpg", &GUID_ContainerFormatJpeg, 6000, 4000},
};

// A category's folder with its lines file, added to the menu list being written; the folder.
static std::wstring MakeCategory(const std::wstring& settings, const char* category, const char* line,
                                 std::string* list)
{
    *list += std::string(category) + "\r\n";
    std::wstring folder = settings + L"\\" + ToWide(category);
    CreateDirectoryW(folder.c_str(), nullptr);
    WriteBytes(folder + L"\\" + ToWide((std::string(category) + "セリフ.txt").c_str()), line);
    return folder;
}

// The pictures are encoded by a child run, so their buffers don't count in the peak below.
static int MakePictures(const std::wstring& settings)
{
    std::string list;
    for (const PIC& p : pics) {
        std::wstring folder = MakeCategory(settings, p.category, "あいうえおかきくけこさしすせそたちつてと\r\n", &list);
        if (!WriteWicPicture(folder + L"\\" + p.file, *p.container, p.w, p.h)) {
            printf("could not write %ls\n", p.file);
            return 1;
        }
    }
    WriteBytes(settings + L"\\" + ToWide("メニューリスト.txt"), list);
    return 0;
}

// ------------------------------------------------------------------------------------------
// The real Kotopane.exe, measured from outside as a user would see it: start-up to a ready
// window on the screen, command to first fade frame on the screen, the memory of both
// processes sampled while they work, and what 300 category switches leave behind.

struct REAL_PIC {
    const char* category;
    const wchar_t* file;
    const GUID* container;   // null: encoded from the 12 MP JPEG by the format's own tools
    int w, h;
    const char* label;
    unsigned orient;       // EXIF orientation put into the photo (0: none)
};
static const REAL_PIC realPics[] = {
    {"二百万", L"p2mp.jpg", &GUID_ContainerFormatJpeg, 1920, 1080, "2 MP JPEG", 0},
    {"千二百万", L"p12mp.jpg", &GUID_ContainerFormatJpeg, 4000, 3000, "12 MP JPEG", 0},
    {"二千四百万", L"p24mp.jpg", &GUID_ContainerFormatJpeg, 6000, 4000, "24 MP JPEG", 0},
    {"四千八百万", L"p48mp.jpg", &GUID_ContainerFormatJpeg, 8000, 6000, "48 MP JPEG", 0},
    {"横向き", L"p24mp6.jpg", &GUID_ContainerFormatJpeg, 6000, 4000, "24 MP JPEG turned by its EXIF orientation", 6},
    {"ヘイク", L"p12mp.heic", nullptr, 4032, 3024, "12 MP HEIC (a phone's tiles)", 0},
    {"エーヴィフ", L"p12mp.avif", nullptr, 4000, 3000, "12 MP AVIF", 0},
    {"ウェッピー", L"p12mp.webp", nullptr, 4000, 3000, "12 MP WebP (decoded at 3/8)", 0},
    {"不透明", L"figure-opaque.png", &GUID_ContainerFormatPng, 800, 1200, "an 800 x 1200 PNG character, opaque", 0},
    {"透明", L"figure.png", &GUID_ContainerFormatPng, 800, 1200, "the same character on a transparent canvas", 0},
    {"小さい", L"small.png", &GUID_ContainerFormatPng, 640, 480, "small PNG", 0},
};
enum { REAL_PICS = 11, SMALL_PIC = 10, PIC_24MP = 2, PIC_24MP_TURNED = 4, PIC_HEIC = 5, PIC_WEBP = 7,
       PIC_FIGURE_OPAQUE = 8, PIC_FIGURE = 9, FIRST_LIB_PIC = PIC_HEIC };
static const COLORREF kBackColour = RGB(0, 90, 0);   // Kotopane's colour when none is stored

// A camera photo's detail: the test picture's gradients and squares under grain that
// changes from pixel to pixel and from colour to colour, so the JPEG is about as large as a
// camera's (3 to 4 bits a pixel) and its decoder has as much to do.
static DWORD PhotoPixel(int x, int y, int w, int h)
{
    COLORREF c = WicPicturePixel(x, y, w, h);
    unsigned n = (unsigned)x * 2654435761u ^ (unsigned)y * 40503u;
    n ^= n >> 13;
    n *= 0x5bd1e995u;
    n ^= n >> 15;
    auto ch = [](int v, unsigned g) { return (DWORD)std::min(255, std::max(0, v + (int)(g & 63) - 32)); };
    return 0xFF000000u | ch(GetRValue(c), n) << 16 | ch(GetGValue(c), n >> 8) << 8 | ch(GetBValue(c), n >> 16);
}

// A character drawn on a clear canvas: a figure whose edge fades out over 24 pixels, with a
// pattern inside; opaque, the same colours over black.
static DWORD FigurePixel(int x, int y, bool alpha)
{
    double dx = (x - 400) / 330.0, dy = (y - 620) / 560.0, r = sqrt(dx * dx + dy * dy);
    int a = r >= 1 ? 0 : r < 1 - 24 / 560.0 ? 255 : (int)((1 - r) * 560 / 24 * 255);
    DWORD rgb = (DWORD)((x * 3 + y) & 0xFF) << 16 | (DWORD)(200 - y / 8) << 8 | (DWORD)(x / 4);
    if (!alpha)
        return 0xFF000000u | ((rgb >> 16 & 0xFF) * a / 255) << 16 | ((rgb >> 8 & 0xFF) * a / 255) << 8 | (rgb & 0xFF) * a / 255;
    return (DWORD)a << 24 | rgb;
}

// Runs shell commands on the Linux side (the formats' own encoders) and waits for them.
static bool HostShell(const std::wstring& folder, const std::string& commands, DWORD timeoutMs)
{
    std::wstring script = folder + L"\\encode.sh", done = folder + L"\\encode.done";
    DeleteFileW(done.c_str());
    std::string line;
    bool ran = WriteBytes(script, "(\n" + commands + "\necho done\n) >\"$1.log\" 2>&1\ntail -n 1 \"$1.log\" >\"$1\"\n") &&
               HostToolFirstLine(L"Z:\\bin\\sh", L"sh \"" + Utf8ToWide(UnixPath(script)) + L"\" \"" + Utf8ToWide(UnixPath(done)) + L"\"",
                                 done, &line, timeoutMs);
    if (line != "done")
        printf("the encoders did not finish: %s\n", line.c_str());
    return ran && line == "done";
}

// One-character lines: the typing after the fade is not what is measured here.
static int MakeRealPictures(const std::wstring& settings)
{
    std::string list, encode;
    std::wstring jpeg12;
    for (const REAL_PIC& p : realPics) {
        std::wstring folder = MakeCategory(settings, p.category, "あ\r\n", &list);
        std::wstring path = folder + L"\\" + p.file;
        int w = p.w, h = p.h;
        if (!p.container) {
            // From the 12 MP JPEG, at the qualities a phone and a web page use.
            std::string in = "'" + UnixPath(jpeg12) + "'", out = "'" + UnixPath(path) + "'";
            if (wcsstr(p.file, L".heic"))
                encode += "python3 '" KP_SOURCE_DIR "/tools/heic_maker.py' " + in + " " + out + " --tile 512 --bits 8 --turn 0 "
                          "--size 4032x3024 || exit 1\n";
            else if (wcsstr(p.file, L".avif"))
                encode += "avifenc -s 6 -j 2 --min 20 --max 32 " + in + " " + out + " >/dev/null || exit 1\n";
            else
                encode += "cwebp -quiet -q 80 " + in + " -o " + out + " || exit 1\n";
            continue;
        }
        bool figure = wcsstr(p.file, L"figure") != nullptr, alpha = !wcsstr(p.file, L"opaque");
        bool made = figure ? EncodePicture(path, *p.container, w, h, {[alpha](int x, int y) { return FigurePixel(x, y, alpha); }},
                                           !alpha)
                    : IsEqualGUID(*p.container, GUID_ContainerFormatJpeg)
                        ? EncodePicture(path, *p.container, w, h, {[w, h](int x, int y) { return PhotoPixel(x, y, w, h); }}, true)
                        : WriteWicPicture(path, *p.container, w, h);
        if (wcscmp(p.file, L"p12mp.jpg") == 0)
            jpeg12 = path;
        if (!made || (p.orient && !SpliceExif(path, p.orient, false))) {
            printf("could not write %ls\n", p.file);
            return 1;
        }
    }
    if (!HostShell(settings, encode, 300000))
        return 1;
    WriteBytes(settings + L"\\" + ToWide("メニューリスト.txt"), list);
    // A colour of its own, so that the window's start is seen on the screen.
    WriteBytes(settings + L"\\" + ToWide("背景色.txt"), std::to_string(kBackColour) + "\r\n");
    return 0;
}

static bool RunSelf(const std::wstring& args, DWORD timeoutMs)
{
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring cmd = L"\"" + std::wstring(self) + L"\" " + args;
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    WaitForSingleObject(pi.hProcess, timeoutMs);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code == 0;
}

static LRESULT CALLBACK BareProc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m == WM_DESTROY)
        PostQuitMessage(0);
    return DefWindowProcW(w, m, wp, lp);
}

// The start-up baseline: a bare program with one window where Kotopane's goes, painted in
// Kotopane's colour.
static int BareWindowProgram()
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = BareProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"kp_bench_bare";
    wc.hbrBackground = CreateSolidBrush(kBackColour);
    RegisterClassW(&wc);
    CreateWindowExW(0, wc.lpszClassName, L"bare", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 1870, 1080, nullptr,
                    nullptr, wc.hInstance, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
        DispatchMessageW(&msg);
    return 0;
}

// Private memory: Wine reports a process's anonymous resident pages as its page-file use and
// leaves PrivateUsage 0; Windows gives both as the commit charge.
static void MemoryOf(HANDLE process, SIZE_T* privateBytes, SIZE_T* resident, SIZE_T* peakResident)
{
    PROCESS_MEMORY_COUNTERS_EX c = {};
    c.cb = sizeof(c);
    K32GetProcessMemoryInfo(process, (PROCESS_MEMORY_COUNTERS*)&c, sizeof(c));
    if (privateBytes)
        *privateBytes = std::max(c.PagefileUsage, c.PrivateUsage);
    if (resident)
        *resident = c.WorkingSetSize;
    if (peakResident)
        *peakResident = c.PeakWorkingSetSize;
}

// Samples two processes every 2 ms on a thread of its own and keeps the highest figures.
struct MEM_SAMPLER {
    HANDLE process[2];
    SIZE_T maxPrivate[2], maxResident[2];
    volatile LONG stop;
    HANDLE thread;
};

static DWORD WINAPI SamplerThread(void* arg)
{
    MEM_SAMPLER* m = (MEM_SAMPLER*)arg;
    while (!m->stop) {
        for (int i = 0; i < 2; i++) {
            if (!m->process[i])
                continue;
            SIZE_T priv = 0, res = 0;
            MemoryOf(m->process[i], &priv, &res, nullptr);
            m->maxPrivate[i] = std::max(m->maxPrivate[i], priv);
            m->maxResident[i] = std::max(m->maxResident[i], res);
        }
        Sleep(2);
    }
    return 0;
}

static void SamplerStart(MEM_SAMPLER* m, HANDLE a, HANDLE b)
{
    memset(m, 0, sizeof(*m));
    m->process[0] = a;
    m->process[1] = b;
    m->thread = CreateThread(nullptr, 0, SamplerThread, m, 0, nullptr);
}

static void SamplerStop(MEM_SAMPLER* m)
{
    InterlockedExchange(&m->stop, 1);
    WaitForSingleObject(m->thread, 5000);
    CloseHandle(m->thread);
}

// GDI objects of another process. Windows counts them (GetGuiResources); Wine answers 0
// there, so its per-process handle table, which the process's PEB points to, is read instead.
static int GdiObjectsOf(HANDLE process)
{
    DWORD n = GetGuiResources(process, GR_GDIOBJECTS);
    if (n)
        return (int)n;
    typedef LONG(WINAPI * QUERY)(HANDLE, int, void*, ULONG, ULONG*);
    QUERY query = (QUERY)(void*)GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess");
    PROCESS_BASIC_INFORMATION pbi = {};
    BYTE* table = nullptr;
    if (!query || query(process, 0, &pbi, sizeof(pbi), nullptr) != 0 ||
        !ReadProcessMemory(process, (BYTE*)pbi.PebBaseAddress + 0xF8, &table, sizeof(table), nullptr) || !table)
        return -1;
    const size_t entries = 0x10000, entryBytes = 24;
    std::vector<BYTE> t(entries * entryBytes);
    if (!ReadProcessMemory(process, table, t.data(), t.size(), nullptr))
        return -1;
    int count = 0;
    for (size_t i = 0; i < entries; i++)
        count += t[i * entryBytes + 14] != 0;      // the object type; 0 for a free entry
    return count;
}

// Handles of another process: Wine's GetProcessHandleCount answers 0, so every handle value
// is tried by duplicating it.
static int HandlesOf(HANDLE process)
{
    DWORD n = 0;
    if (GetProcessHandleCount(process, &n) && n)
        return (int)n;
    int count = 0;
    for (ULONG_PTR h = 4; h < 0x4000; h += 4) {
        HANDLE dup = nullptr;
        if (DuplicateHandle(process, (HANDLE)h, GetCurrentProcess(), &dup, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
            CloseHandle(dup);
            count++;
        }
    }
    return count;
}

// The views between the picture before and the one after (every distinct one is a fade
// frame) and when the first of them reached the screen, in ms after since (-1: none).
static int FadeFramesSeen(const std::vector<SCREEN_CHANGE>& seen, double since, double* first)
{
    int n = 0;
    *first = -1;
    for (size_t k = 1; k + 1 < seen.size(); k++) {
        if (seen[k].ms < since || seen[k].hash == seen.back().hash)
            continue;
        if (*first < 0)
            *first = seen[k].ms - since;
        n++;
    }
    return n;
}

static double FirstFadeFrame(const std::vector<SCREEN_CHANGE>& seen, double since)
{
    double first;
    FadeFramesSeen(seen, since, &first);
    return first;
}

// Time from starting the program to its window's colour on the screen at probe.
static double StartToColourMs(const std::wstring& exe, const std::wstring& workDir, const std::wstring& args,
                              POINT probe, STARTED_PROGRAM* prog)
{
    SCREEN_WATCH watch;
    RECT spot = {probe.x, probe.y, probe.x + 4, probe.y + 4};
    if (!ScreenWatchStart(&watch, L"display_bench_start", spot, probe, 20000))
        return -1;
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    std::wstring cmd = L"\"" + exe + L"\" " + args;
    double t0 = UnixMsNow();
    if (!CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, workDir.c_str(), &si, &pi)) {
        ScreenWatchStop(&watch);
        return -1;
    }
    CloseHandle(pi.hThread);
    prog->process = pi.hProcess;
    prog->pid = pi.dwProcessId;
    double at = -1;
    DWORD start = GetTickCount();
    while (at < 0 && GetTickCount() - start < 15000) {
        Sleep(20);
        for (const SCREEN_CHANGE& c : ScreenWatchSeen(&watch))
            if (at < 0 && c.ms >= t0 && c.probe == kBackColour)
                at = c.ms - t0;
    }
    ScreenWatchStop(&watch);
    return at;
}

static void CloseProgramWindow(STARTED_PROGRAM* prog, const wchar_t* cls)
{
    HWND wnd = FindProcessWindow(prog->pid, cls, 5000);
    if (wnd)
        PostMessageW(wnd, WM_CLOSE, 0, 0);
    if (!WaitProcessExit(prog->process, 10000, nullptr))
        TerminateProcess(prog->process, 1);
    CloseHandle(prog->process);
    prog->process = nullptr;
}

static void StartUpFigures(const std::wstring& prog)
{
    std::wstring app = prog + L"\\App";
    std::wstring exe = TestBuildDir() + L"\\Kotopane\\App\\Kotopane.exe";
    CopyFileW(exe.c_str(), (app + L"\\Kotopane.exe").c_str(), FALSE);
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    POINT probe = {600, 600};
    std::vector<double> kp, bare;
    for (int r = 0; r < 6; r++) {
        STARTED_PROGRAM p = {};
        double ms = StartToColourMs(self, app, L"--bare", probe, &p);
        if (p.process)
            CloseProgramWindow(&p, L"kp_bench_bare");
        if (ms > 0 && r > 0)        // the first start of each warms the prefix's caches
            bare.push_back(ms);
        p = {};
        ms = StartToColourMs(app + L"\\Kotopane.exe", app, L"", probe, &p);
        if (p.process)
            CloseProgramWindow(&p, L"NORMAL0");
        if (ms > 0 && r > 0)
            kp.push_back(ms);
    }
    printf("\nThe real Kotopane.exe, from outside (screen and memory read by another process)\n");
    if (!kp.empty() && !bare.empty())
        Row("start-up to ready window on screen", Median(kp), "bare window program, painted", Median(bare));
    else
        printf("start-up: the window never showed its colour at (%ld, %ld)\n", probe.x, probe.y);
}

static void PrintMemory(const char* what, SIZE_T bytes, const char* base, SIZE_T baseBytes)
{
    printf("%-44s %9.1f MB   baseline %-34s %9.1f MB   ratio %6.2f\n", what, bytes / 1048576.0, base,
           baseBytes / 1048576.0, baseBytes ? bytes / (double)baseBytes : 0.0);
}

// What a floor program (wine_jpeg_floor.exe, wine_picture_floor.exe beside this one) prints
// for args.
static std::string FloorProgramOutput(const std::wstring& args, const wchar_t* program = L"wine_jpeg_floor.exe")
{
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring exe = self;
    exe = exe.substr(0, exe.rfind(L'\\') + 1) + program;
    std::wstring cmd = L"\"" + exe + L"\" " + args;
    SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &sa, 0))
        return "";
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writeEnd;
    si.hStdError = writeEnd;
    PROCESS_INFORMATION pi = {};
    std::string out;
    if (CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        CloseHandle(writeEnd);
        writeEnd = nullptr;
        char buf[4096];
        DWORD got = 0;
        while (ReadFile(readEnd, buf, sizeof(buf), &got, nullptr) && got > 0)
            out.append(buf, got);
        WaitForSingleObject(pi.hProcess, 60000);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    if (writeEnd)
        CloseHandle(writeEnd);
    CloseHandle(readEnd);
    return out;
}

static void RealProgramFigures(int switches)
{
    std::wstring prog = MakeScratchProgramFolder(L"display_bench_real");
    std::wstring settings = SettingsFolder(prog);
    CreateDirectoryW(settings.c_str(), nullptr);
    if (!RunSelf(L"--make-real \"" + settings + L"\"", 300000)) {
        printf("could not make the pictures\n");
        return;
    }
    StartUpFigures(prog);

    KOTOPANE_RUN run;
    if (!E2eStart(prog, &run) || !run.converter) {
        printf("Kotopane or its converter did not start\n");
        E2eCleanUp(&run);
        return;
    }
    HANDLE kp = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | PROCESS_DUP_HANDLE, FALSE, run.app.pid);
    DWORD convPid = 0;
    GetWindowThreadProcessId(run.converterWnd, &convPid);
    HANDLE conv = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, convPid);
    PumpMessages(300);
    SIZE_T startPrivate = 0, startResident = 0, convStartResident = 0, convStartPrivate = 0;
    MemoryOf(kp, &startPrivate, &startResident, nullptr);
    MemoryOf(conv, &convStartPrivate, &convStartResident, nullptr);

    RECT rc;
    GetClientRect(run.main, &rc);
    POINT probe = {rc.right / 2, 300};
    ClientToScreen(run.main, &probe);
    RECT spot = {probe.x - 32, probe.y, probe.x + 32, probe.y + 64};
    auto show = [&](int k) { SendMessageW(run.main, WM_COMMAND, CMD_CATEGORY_FIRST + k, 0); };
    printf("client area on screen %ld x %ld\n", rc.right, rc.bottom);
#if KP_HAVE_LIBJPEG_TURBO
    printf("QX5.exe built with libjpeg-turbo: JPEGs decoded at the scale the picture box shows them\n");
#else
    printf("QX5.exe built without libjpeg-turbo: WIC decodes every picture at full size\n");
#endif

    // Kotopane's picture box, from the work area as it reads it.
    RECT work = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    int boxW = work.right - work.left - KOTOPANE_MARGIN_W, boxH = work.bottom - work.top - KOTOPANE_MARGIN_H;
    printf("picture box %d x %d\n", boxW, boxH);

    // The floor under each JPEG, measured first in a process of its own.
    std::vector<double> floorMs(REAL_PICS, 0), floorPeakMb(REAL_PICS, 0);
    auto picPath = [&](int k) { return settings + L"\\" + ToWide(realPics[k].category) + L"\\" + realPics[k].file; };
    std::wstring box = std::to_wstring(boxW) + L" " + std::to_wstring(boxH);
    std::wstring floorArgs = box;
    for (int k = 0; k < FIRST_LIB_PIC; k++)
        floorArgs += L" \"" + picPath(k) + L"\"";
    std::string floorOut = FloorProgramOutput(floorArgs);
    // One line a file, in order: "floor <ms> <M>/8".
    size_t at = floorOut.find("floor ");
    for (int k = 0; k < FIRST_LIB_PIC && at != std::string::npos; k++, at = floorOut.find("floor ", at + 1))
        floorMs[k] = atof(floorOut.c_str() + at + 6);
    printf("floor program: %s\n", floorOut.empty() ? "did not run" : floorOut.substr(0, floorOut.find('\n')).c_str());
    // The WebP, AVIF and HEIC floors one process each, so each peak memory is its own file's.
    for (int k = FIRST_LIB_PIC; k < PIC_FIGURE_OPAQUE; k++) {
        std::string out = FloorProgramOutput(box + L" \"" + picPath(k) + L"\"", L"wine_picture_floor.exe");
        size_t f = out.find("floor "), peak = out.find("peak ");
        floorMs[k] = f == std::string::npos ? 0 : atof(out.c_str() + f + 6);
        floorPeakMb[k] = peak == std::string::npos ? 0 : atof(out.c_str() + peak + 5);
        if (k == FIRST_LIB_PIC)
            printf("picture floor program: %s\n", out.empty() ? "did not run" : out.substr(0, out.find('\n')).c_str());
    }

    SIZE_T convPeakPrivate = 0;
    std::vector<double> firstMedian(REAL_PICS, 0);
    for (int k = 0; k < SMALL_PIC; k++) {
        const REAL_PIC& p = realPics[k];
        std::wstring path = settings + L"\\" + ToWide(p.category) + L"\\" + p.file;
        std::vector<double> first;
        // Timed without the memory sampler: its reads from another process take CPU from
        // the two programs measured.
        int repeats = k == 3 || k == PIC_HEIC ? 3 : 5;
        for (int r = 0; r < repeats; r++) {
            show(SMALL_PIC);
            SCREEN_WATCH watch;
            if (!ScreenWatchStart(&watch, L"display_bench_real", spot, probe, 30000))
                break;
            double t0 = UnixMsNow();
            show(k);
            double ms = FirstFadeFrame(ScreenWatchStop(&watch), t0);
            if (ms > 0)
                first.push_back(ms);
        }
        MEM_SAMPLER mem;
        show(SMALL_PIC);
        SamplerStart(&mem, kp, conv);
        show(k);
        SamplerStop(&mem);
        convPeakPrivate = std::max(convPeakPrivate, mem.maxPrivate[1]);
        // The HEIC is the first picture the converter keeps a full-size decode of: its peak
        // is the converter's peak now.
        SIZE_T convPeakNow = 0;
        MemoryOf(conv, nullptr, nullptr, &convPeakNow);
        std::vector<double> base;
        for (int r = 0; r < 3; r++) {
            double ms = WicDecodeScaleMs(path, boxW, boxH);
            if (ms >= 0)
                base.push_back(ms);
        }
        printf("\n%s (%d x %d)\n", p.label, p.w, p.h);
        if (!first.empty()) {
            firstMedian[k] = Median(first);
            if (k == PIC_24MP_TURNED)
                Row("  command to first fade frame on screen", firstMedian[k], "the same photo unturned",
                    firstMedian[PIC_24MP]);
            else if (k == PIC_FIGURE)
                Row("  command to first fade frame on screen", firstMedian[k], "the same character without alpha",
                    firstMedian[PIC_FIGURE_OPAQUE]);
            else if (floorMs[k] > 0)
                Row("  command to first fade frame on screen", firstMedian[k],
                    k < FIRST_LIB_PIC ? "libjpeg-turbo floor" : k == PIC_WEBP ? "libwebp floor" : "libheif floor",
                    floorMs[k]);
            if (!base.empty())
                Row("  command to first fade frame on screen", firstMedian[k], "WIC decode + HALFTONE fit", Median(base));
            if (k == PIC_HEIC && floorPeakMb[k] > 0)
                PrintMemory("  converter peak resident", convPeakNow, "floor program on the same file",
                            (SIZE_T)(floorPeakMb[k] * 1048576.0));
            // The spread shows how much one figure can be trusted on a shared machine.
            printf("    each (ms):");
            for (double ms : first)
                printf(" %.0f", ms);
            printf("   baseline:");
            for (double ms : base)
                printf(" %.0f", ms);
            printf("\n");
        }
        PrintMemory("  Kotopane peak private memory", mem.maxPrivate[0], "after start-up", startPrivate);
        PrintMemory("  Kotopane peak resident (mapped files too)", mem.maxResident[0], "after start-up", startResident);
    }
    SIZE_T convPeakResident = 0;
    MemoryOf(conv, nullptr, nullptr, &convPeakResident);
    printf("\n");
    PrintMemory("converter peak resident (48 MP included)", convPeakResident, "converter after start-up",
                convStartResident);
    PrintMemory("converter peak private (sampled)", convPeakPrivate, "converter after start-up", convStartPrivate);

    // Switching between a 24 MP photo and a small picture, again and again.
    printf("\n%d switches between the 24 MP photo and a small picture\n", switches);
    printf("%-12s %14s %14s %12s %10s\n", "switches", "private MB", "resident MB", "GDI objects", "handles");
    int marks[] = {4, 10, 50, 100, 200, 300, 500, 1000};
    SIZE_T privateAt4 = 0;
    int gdiAt4 = 0, handlesAt4 = 0;
    for (int i = 1; i <= switches; i++) {
        show(i % 2 ? 2 : SMALL_PIC);
        bool mark = i == switches;
        for (int m : marks)
            mark = mark || i == m;
        if (!mark)
            continue;
        SIZE_T priv = 0, res = 0;
        MemoryOf(kp, &priv, &res, nullptr);
        int gdi = GdiObjectsOf(kp), handles = HandlesOf(kp);
        printf("%-12d %14.1f %14.1f %12d %10d\n", i, priv / 1048576.0, res / 1048576.0, gdi, handles);
        if (i == 4) {
            privateAt4 = priv;
            gdiAt4 = gdi;
            handlesAt4 = handles;
        } else if (i == switches && privateAt4) {
            PrintMemory("private memory after the last switch", priv, "after 4 switches", privateAt4);
            printf("%-44s %+9d      %+d handles (after the last switch against after 4)\n", "GDI objects", gdi - gdiAt4,
                   handles - handlesAt4);
        }
    }
    CloseHandle(kp);
    CloseHandle(conv);
    DWORD code = 0;
    if (!E2eClose(&run, &code))
        printf("Kotopane did not end in time\n");
    E2eCleanUp(&run);
}

int main()
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argc == 3 && wcscmp(argv[1], L"--make") == 0)
        return MakePictures(argv[2]);
    if (argc == 3 && wcscmp(argv[1], L"--make-real") == 0)
        return MakeRealPictures(argv[2]);
    if (argc == 2 && wcscmp(argv[1], L"--bare") == 0)
        return BareWindowProgram();
    // --startup: only the start-up row, with the categories and colour but no pictures.
    if (argc == 2 && wcscmp(argv[1], L"--startup") == 0) {
        std::wstring prog = MakeScratchProgramFolder(L"display_bench_startup");
        std::wstring settings = SettingsFolder(prog);
        CreateDirectoryW(settings.c_str(), nullptr);
        std::string list;
        for (const REAL_PIC& p : realPics)
            MakeCategory(settings, p.category, "あ\r\n", &list);
        WriteBytes(settings + L"\\" + ToWide("メニューリスト.txt"), list);
        WriteBytes(settings + L"\\" + ToWide("背景色.txt"), std::to_string(kBackColour) + "\r\n");
        StartUpFigures(prog);
        return 0;
    }
    // --real [switches]: only the real program's figures (start-up, latency, memory, switches).
    if (argc >= 2 && wcscmp(argv[1], L"--real") == 0) {
        RealProgramFigures(argc >= 3 ? _wtoi(argv[2]) : 300);
        return 0;
    }
    std::wstring prog = MakeScratchProgramFolder(L"display_bench");
    std::wstring settings = SettingsFolder(prog);
    CreateDirectoryW(settings.c_str(), nullptr);
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring cmd = L"\"" + std::wstring(self) + L"\" --make \"" + settings + L"\"";
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return 1;
    WaitForSingleObject(pi.hProcess, 120000);
    DWORD made = 1;
    GetExitCodeProcess(pi.hProcess, &made);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    if (made != 0)
        return 1;
    // The window is sized from the work area; make it give a 1870 x 1040 client area.
    RECT work = {0, 0, 1920, 1040};
    SystemParametersInfoW(SPI_SETWORKAREA, 0, &work, 0);

    double bare = BareWindowMs();
    double t0 = Now();
    HWND wnd = StartKotopaneInProcess(prog);
    if (!wnd) {
        printf("Kotopane did not start\n");
        return 1;
    }
    UpdateWindow(wnd);
    double startMs = Now() - t0;
    printf("client area %d x %d\n\n", Display.clientW, Display.clientH);
    Row("start-up to ready window", startMs, "bare window, first paint", bare);
    SIZE_T peakStart = PeakWorkingSet(GetCurrentProcess());
    struct FIGURES { double conv, load, fade, whole, base; } fig[3];

    int W = Display.clientW, H = Display.clientH;
    for (int k = 0; k < 3; k++) {
        const PIC& p = pics[k];
        std::wstring wpath = settings + L"\\" + ToWide(p.category) + L"\\" + p.file;
        std::string path = ToCp932(wpath);
        char bmp[KP_PATH_BYTES];
        ProgramPath(bmp, sizeof(bmp), KP_GAZOU_BMP);
        std::vector<double> conv, load, fade, whole;
        for (int r = 0; r < 3; r++) {
            double a = Now();
            Qx5LinkConvert(bmp, path.c_str(), Display.backColor);
            conv.push_back(Now() - a);
            a = Now();
            LoadPicture(path.c_str(), 0, 60, W, H - 110);
            load.push_back(Now() - a);
            HDC dc = GetDC(wnd);
            a = Now();
            CrossFade(dc);
            fade.push_back(Now() - a);
            ReleaseDC(wnd, dc);
            a = Now();
            SendMessageW(wnd, WM_COMMAND, CMD_CATEGORY_FIRST + k, 0);
            whole.push_back(Now() - a);
            PumpMessages(10);
        }
        fig[k] = FIGURES{Median(conv), Median(load), Median(fade), Median(whole), 0};
    }
    SIZE_T peak = PeakWorkingSet(GetCurrentProcess());
    for (int k = 0; k < 3; k++) {
        const PIC& p = pics[k];
        std::wstring wpath = settings + L"\\" + ToWide(p.category) + L"\\" + p.file;
        std::vector<double> base;
        for (int r = 0; r < 3; r++)
            base.push_back(WicDecodeScaleMs(wpath, W, H - 110));
        FIGURES& g = fig[k];
        g.base = Median(base);
        printf("\n%ls (%d x %d)\n", p.file, p.w, p.h);
        Row("  converter alone (BMP written)", g.conv, "WIC decode + HALFTONE fit", g.base);
        Row("  choose to end of fade", g.load + g.fade, "WIC decode + HALFTONE fit", g.base);
        Row("  whole category display (20-char line)", g.whole, "WIC decode + HALFTONE fit", g.base);
    }

    // One frame of the fade on the real surfaces.
    size_t pixels = (size_t)W * H;
    std::vector<double> blend, blendCopy, copy;
    HDC dc = GetDC(wnd);
    for (int r = 0; r < 20; r++) {
        double a = Now();
        memcpy(Display.glMemDC.pView, Display.glGazouDC[0].pView, pixels * 4);
        copy.push_back(Now() - a);
        a = Now();
        BlendFrame(Display.glMemDC.pView, Display.glGazouDC[1].pView, pixels, AlphaBlendTable(), 102);
        blend.push_back(Now() - a);
        a = Now();
        BlendFrame(Display.glMemDC.pView, Display.glGazouDC[1].pView, pixels, AlphaBlendTable(), 76);
        BitBlt(dc, 0, 0, W, H, Display.glMemDC.hDC, 0, 0, SRCCOPY);
        GdiFlush();
        blendCopy.push_back(Now() - a);
    }
    ReleaseDC(wnd, dc);
    printf("\n");
    Row("one fade frame: blend", Median(blend), "memcpy of one surface", Median(copy));
    Row("one fade frame: blend + copy to window", Median(blendCopy), "memcpy of one surface", Median(copy));

    // From the screen, as the user sees it: switching between the first two categories
    // (different pictures), the fade frames that appeared (the time to the first of them is
    // measured on the real program below); then the typing steps of the 20-character line
    // and their pace.
    POINT probe = {W / 2, 300};
    ClientToScreen(wnd, &probe);
    RECT spot = {probe.x - 32, probe.y, probe.x + 32, probe.y + 64};
    std::vector<double> frames;
    for (int r = 0; r < 6; r++) {
        SCREEN_WATCH watch;
        if (!ScreenWatchStart(&watch, L"display_bench", spot, probe, 20000)) {
            printf("screen watcher did not start\n");
            break;
        }
        double a = UnixMsNow();
        SendMessageW(wnd, WM_COMMAND, CMD_CATEGORY_FIRST + (r % 2), 0);
        double first;
        int n = FadeFramesSeen(ScreenWatchStop(&watch), a, &first);
        if (first >= 0)
            frames.push_back(n);
    }
    printf("\n");
    if (!frames.empty()) {
        printf("%-44s %9.0f      of %d drawn (median of %d switches)\n", "fade frames seen on screen", Median(frames),
               (int)FADE_FRAMES, (int)frames.size());
    }

    SetNowMenuNum(0);
    int left = W / 2 - 700;
    POINT band = {left, 5};
    ClientToScreen(wnd, &band);
    RECT text = {band.x, band.y, band.x + 1400, band.y + 40};
    SCREEN_WATCH watch;
    if (ScreenWatchStart(&watch, L"display_bench", text, probe, 20000)) {
        DrawBubble(SerifuLoad());
        std::vector<SCREEN_CHANGE> seen = ScreenWatchStop(&watch);
        std::vector<double> at;
        long dark = 0;
        for (const SCREEN_CHANGE& c : seen) {
            if (c.dark > dark)
                at.push_back(c.ms);
            dark = c.dark;
        }
        std::vector<double> gaps;
        for (size_t k = 1; k < at.size(); k++)
            gaps.push_back(at[k] - at[k - 1]);
        if (!gaps.empty()) {
            double sum = 0;
            for (double g : gaps)
                sum += g;
            Row("typing on screen: mean time per step", sum / gaps.size(), "nominal pace", (double)TYPING_STEP_MS);
            printf("%-44s %9d      of 20 characters (median gap %.1f ms)\n", "typing steps seen on screen",
                   (int)at.size(), Median(gaps));
        }
    }

    DWORD pid = 0;
    GetWindowThreadProcessId(Qx5LinkWindow(), &pid);
    HANDLE conv = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    SIZE_T convPeak = conv ? PeakWorkingSet(conv) : 0;
    if (conv)
        CloseHandle(conv);
    printf("\n%-44s %9.1f MB   baseline %-34s %9.1f MB   ratio %6.2f\n", "peak working set (Kotopane, this process)",
           peak / 1048576.0, "after start-up (peak)", peakStart / 1048576.0, peak / (double)peakStart);
    printf("%-44s %9.1f MB\n", "peak working set (converter process)", convPeak / 1048576.0);

    StopKotopaneInProcess();
    RealProgramFigures(300);
    return 0;
}
