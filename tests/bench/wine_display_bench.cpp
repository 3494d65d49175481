// Figures for the picture display in a 1870 x 1040 client area, each next to a baseline
// measured in the same run. Prints; asserts nothing.
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>
#include <wincodec.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/CommandIds.h"
#include "base/Limits.h"
#include "bitmaps/Converter.h"
#include "bitmaps/MappedBuffer.h"
#include "categories/MenuBar.h"
#include "display/Display.h"
#include "display/DisplayCalc.h"
#include "display/DisplayState.h"
#include "lines/Lines.h"
#include "store/Paths.h"
#include "tests/support/TestSupport.h"

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

// Bare WIC decode of the file and scale to the fitted size: what any viewer must pay.
static double WicDecodeScaleMs(const std::wstring& path, int boxW, int boxH)
{
    double t0 = Now();
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IWICImagingFactory* f = nullptr;
    IWICBitmapDecoder* dec = nullptr;
    IWICBitmapFrameDecode* frame = nullptr;
    IWICBitmapScaler* scaler = nullptr;
    IWICFormatConverter* conv = nullptr;
    CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory, (void**)&f);
    f->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand, &dec);
    dec->GetFrame(0, &frame);
    UINT iw = 0, ih = 0;
    frame->GetSize(&iw, &ih);
    PICTURE_PLACE p = PlacePicture(boxW, boxH, (int)iw, (int)ih);
    f->CreateFormatConverter(&conv);
    conv->Initialize(frame, GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone, nullptr, 0,
                     WICBitmapPaletteTypeCustom);
    f->CreateBitmapScaler(&scaler);
    scaler->Initialize(conv, (UINT)p.width, (UINT)p.height, WICBitmapInterpolationModeFant);
    std::vector<BYTE> out((size_t)p.width * p.height * 4);
    scaler->CopyPixels(nullptr, (UINT)p.width * 4, (UINT)out.size(), out.data());
    scaler->Release();
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

// The pictures are encoded by a child run, so their buffers don't count in the peak below.
static int MakePictures(const std::wstring& settings)
{
    std::string list;
    for (const PIC& p : pics) {
        list += std::string(p.category) + "\r\n";
        std::wstring folder = settings + L"\\" + ToWide(p.category);
        CreateDirectoryW(folder.c_str(), nullptr);
        WriteBytes(folder + L"\\" + ToWide((std::string(p.category) + "セリフ.txt").c_str()),
                   "あいうえおかきくけこさしすせそたちつてと\r\n");
        if (!WriteWicPicture(folder + L"\\" + p.file, *p.container, p.w, p.h)) {
            printf("could not write %ls\n", p.file);
            return 1;
        }
    }
    WriteBytes(settings + L"\\" + ToWide("メニューリスト.txt"), list);
    return 0;
}

int main()
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argc == 3 && wcscmp(argv[1], L"--make") == 0)
        return MakePictures(argv[2]);
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
            ConverterConvert(bmp, path.c_str());
            conv.push_back(Now() - a);
            a = Now();
            LoadPicture(Display.glMemDC.hDC, path.c_str(), 0, 60, W, H - 110);
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
        Row("  converter alone (BMP written)", g.conv, "WIC decode + scale", g.base);
        Row("  choose to end of fade", g.load + g.fade, "WIC decode + scale", g.base);
        Row("  whole category display (20-char line)", g.whole, "WIC decode + scale", g.base);
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
        BlendFrame(Display.glMemDC.pView, Display.glGazouDC[1].pView, pixels, Bitmaps.AlphaBlendBBTableC, 102);
        blend.push_back(Now() - a);
        a = Now();
        BlendFrame(Display.glMemDC.pView, Display.glGazouDC[1].pView, pixels, Bitmaps.AlphaBlendBBTableC, 76);
        BitBlt(dc, 0, 0, W, H, Display.glMemDC.hDC, 0, 0, SRCCOPY);
        GdiFlush();
        blendCopy.push_back(Now() - a);
    }
    ReleaseDC(wnd, dc);
    printf("\n");
    Row("one fade frame: blend", Median(blend), "memcpy of one surface", Median(copy));
    Row("one fade frame: blend + copy to window", Median(blendCopy), "memcpy of one surface", Median(copy));

    // From the screen, as the user sees it: switching between the first two categories
    // (different pictures), the time from the command to the first fade frame on the
    // screen and the fade frames that appeared; then the typing steps of the 20-character
    // line and their pace.
    POINT probe = {W / 2, 300};
    ClientToScreen(wnd, &probe);
    RECT spot = {probe.x - 32, probe.y, probe.x + 32, probe.y + 64};
    std::vector<double> toFrame[2];
    std::vector<double> frames;
    for (int r = 0; r < 6; r++) {
        SCREEN_WATCH watch;
        if (!ScreenWatchStart(&watch, L"display_bench", spot, probe, 20000)) {
            printf("screen watcher did not start\n");
            break;
        }
        double a = UnixMsNow();
        SendMessageW(wnd, WM_COMMAND, CMD_CATEGORY_FIRST + (r % 2), 0);
        std::vector<SCREEN_CHANGE> seen = ScreenWatchStop(&watch);
        // Between the picture before and the one after: every distinct view is a fade frame.
        int n = 0;
        double first = 0;
        for (size_t k = 1; k + 1 < seen.size(); k++) {
            if (seen[k].ms < a || seen[k].hash == seen.back().hash)
                continue;
            first = first ? first : seen[k].ms;
            n++;
        }
        if (first) {
            toFrame[r % 2].push_back(first - a);
            frames.push_back(n);
        }
    }
    printf("\n");
    for (int k = 0; k < 2; k++) {
        if (toFrame[k].empty())
            continue;
        std::string what = std::string("command to first fade frame on screen (") + (k ? "12" : "2") + " MP)";
        Row(what.c_str(), Median(toFrame[k]), "WIC decode + scale", fig[k].base);
    }
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
    GetWindowThreadProcessId(ConverterWindow(), &pid);
    HANDLE conv = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    SIZE_T convPeak = conv ? PeakWorkingSet(conv) : 0;
    if (conv)
        CloseHandle(conv);
    printf("\n%-44s %9.1f MB   baseline %-34s %9.1f MB   ratio %6.2f\n", "peak working set (Kotopane, this process)",
           peak / 1048576.0, "after start-up (peak)", peakStart / 1048576.0, peak / (double)peakStart);
    printf("%-44s %9.1f MB\n", "peak working set (converter process)", convPeak / 1048576.0);

    StopKotopaneInProcess();
    return 0;
}
