#pragma once
// The real Kotopane.exe run from outside, as a user runs it: started in a scratch program
// folder, driven by window messages, and read back from the screen.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "converter/Qx5Protocol.h"
#include "tests/support/TestSupport.h"

struct KOTOPANE_RUN {
    STARTED_PROGRAM app;
    HWND main;
    HANDLE converter;                   // the converter process this run started
    HWND converterWnd;
    std::vector<HWND> convertersBefore; // converter windows that were there already
};

struct E2E_TITLE_SCAN {
    std::vector<HWND> found;
};

static BOOL CALLBACK E2eConverterWindows(HWND wnd, LPARAM lp)
{
    wchar_t buf[64];
    if (GetWindowTextW(wnd, buf, 64) && lstrcmpW(buf, CONVERTER_TITLE) == 0)
        ((E2E_TITLE_SCAN*)lp)->found.push_back(wnd);
    return TRUE;
}

static std::vector<HWND> E2eConverterList()
{
    E2E_TITLE_SCAN scan;
    EnumWindows(E2eConverterWindows, (LPARAM)&scan);
    return scan.found;
}

// Copies the built program into programFolder\App and starts it there, without waiting
// for its window (a message box may come first).
inline bool E2eLaunch(const std::wstring& programFolder, KOTOPANE_RUN* r)
{
    *r = KOTOPANE_RUN();
    r->convertersBefore = E2eConverterList();
    std::wstring app = programFolder + L"\\App";
    std::wstring exe = TestBuildDir() + L"\\Kotopane\\App\\Kotopane.exe";
    if (!CopyFileW(exe.c_str(), (app + L"\\Kotopane.exe").c_str(), FALSE))
        return false;
    return StartProgram(app + L"\\Kotopane.exe", app, &r->app);
}

// Finds the main window and the converter the run started: the one whose window was not
// there before, so a converter left behind by an earlier run is never mistaken for it.
inline bool E2eAttach(KOTOPANE_RUN* r)
{
    r->main = FindProcessWindow(r->app.pid, L"NORMAL0", 15000);
    // The window is found while it is still being built; it shows once start-up is done.
    DWORD start = GetTickCount();
    while (r->main && !IsWindowVisible(r->main) && GetTickCount() - start < 15000)
        Sleep(10);
    start = GetTickCount();
    while (!r->converter && GetTickCount() - start < 10000) {
        for (HWND w : E2eConverterList()) {
            bool old = false;
            for (HWND b : r->convertersBefore)
                old = old || b == w;
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (!old && pid && !r->converter) {
                r->converter = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, pid);
                r->converterWnd = r->converter ? w : nullptr;
            }
        }
        if (!r->converter)
            Sleep(20);
    }
    return r->main != nullptr;
}

inline bool E2eStart(const std::wstring& programFolder, KOTOPANE_RUN* r)
{
    return E2eLaunch(programFolder, r) && E2eAttach(r);
}

// Closes the window as the user does; true when both processes end in time.
inline bool E2eClose(KOTOPANE_RUN* r, DWORD* exitCode)
{
    PostMessageW(r->main, WM_CLOSE, 0, 0);
    bool app = WaitProcessExit(r->app.process, 10000, exitCode);
    bool converter = r->converter && WaitProcessExit(r->converter, 10000, nullptr);
    return app && converter;
}

// Whatever happened, nothing of the run is left behind.
inline void E2eCleanUp(KOTOPANE_RUN* r)
{
    for (HANDLE h : { r->app.process, r->converter }) {
        if (!h)
            continue;
        if (WaitForSingleObject(h, 0) == WAIT_TIMEOUT) {
            TerminateProcess(h, 1);
            WaitForSingleObject(h, 5000);
        }
        CloseHandle(h);
    }
    *r = KOTOPANE_RUN();
}

// --- Small disks -------------------------------------------------------------------------

// A tmpfs under build\scratch (the test run is root on Linux), unmounted however the test ends.
// Shell runs commands there with $M the mount point; their first line printed comes back.
struct E2E_SMALL_DISK {
    std::wstring folder = TestBuildDir() + L"\\scratch";
    std::string why;   // what the mount said: "mounted", or why not
    std::string Shell(const std::string& commands)
    {
        std::wstring script = folder + L".sh", out = folder + L".txt";
        DeleteFileW(out.c_str());
        std::string line;
        if (WriteBytes(script, "M='" + UnixPath(folder) + "'; exec >\"$1\" 2>&1\n" + commands + "\n"))
            HostToolFirstLine(L"Z:\\bin\\sh", L"sh \"" + Utf8ToWide(UnixPath(script)) + L"\" \"" + Utf8ToWide(UnixPath(out)) + L"\"",
                              out, &line);
        return line;
    }
    E2E_SMALL_DISK(const wchar_t* name, int megabytes)
    {
        CreateDirectoryW(folder.c_str(), nullptr);
        CreateDirectoryW((folder += L"\\" + std::wstring(name)).c_str(), nullptr);
        why = Shell("umount -l \"$M\" 2>/dev/null; mount -t tmpfs -o size=" + std::to_string(megabytes) +
                    "m kotopane-test \"$M\" && echo mounted");
    }
    ~E2E_SMALL_DISK() { Shell("umount -l \"$M\" 2>/dev/null; echo"); }
};

// --- The screen ------------------------------------------------------------------------

inline POINT E2eClientToScreen(HWND wnd, int x, int y)
{
    POINT p = { x, y };
    ClientToScreen(wnd, &p);
    return p;
}

// One pixel of the screen, addressed in the window's client coordinates.
inline COLORREF E2eScreenPixel(HWND wnd, int x, int y)
{
    POINT p = E2eClientToScreen(wnd, x, y);
    HDC screen = GetDC(nullptr);
    COLORREF c = GetPixel(screen, p.x, p.y);
    ReleaseDC(nullptr, screen);
    return c;
}

// The pixels of a client rectangle as the screen shows them, row by row (0x00RRGGBB).
inline std::vector<DWORD> E2eGrab(HWND wnd, const RECT& rc)
{
    int w = rc.right - rc.left, h = rc.bottom - rc.top;
    std::vector<DWORD> px((size_t)w * h, 0);
    POINT p = E2eClientToScreen(wnd, rc.left, rc.top);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (dib && bits) {
        HGDIOBJ old = SelectObject(mem, dib);
        BitBlt(mem, 0, 0, w, h, screen, p.x, p.y, SRCCOPY);
        GdiFlush();
        memcpy(px.data(), bits, px.size() * 4);
        SelectObject(mem, old);
    }
    if (dib)
        DeleteObject(dib);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return px;
}

// Waits until `ready` holds and the rectangle has stopped changing (the fade and the
// typing are over); false when that does not happen within timeoutMs.
inline bool E2eWaitSettled(HWND wnd, const RECT& rc, const std::function<bool()>& ready, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    std::vector<DWORD> last;
    int same = 0;
    while (GetTickCount() - start < timeoutMs) {
        std::vector<DWORD> now = E2eGrab(wnd, rc);
        same = now == last ? same + 1 : 0;
        last.swap(now);
        if (same >= 2 && ready())
            return true;
        Sleep(120);
    }
    return false;
}

// The white run of the bubble body on client row y, left of `right`: [first, last].
inline void E2eWhiteRun(HWND wnd, int y, int right, int* first, int* last)
{
    RECT row = { 0, y, right, y + 1 };
    std::vector<DWORD> px = E2eGrab(wnd, row);
    *first = *last = -1;
    for (int x = 0; x < (int)px.size(); x++)
        if ((px[x] & 0xFFFFFF) == 0xFFFFFF) {
            *first = *first < 0 ? x : *first;
            *last = x;
        }
}

// Width of a text in the bubble font, measured the way it is drawn ('&' is a character).
inline int E2eTextWidth(const wchar_t* text)
{
    HFONT font = CreateFontW(50, 0, 0, 0, 700, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_STROKE_PRECIS,
                             CLIP_STROKE_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"ＭＳ Ｐゴシック");
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE sz = { 0, 0 };
    GetTextExtentPoint32W(dc, text, lstrlenW(text), &sz);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(font);
    return sz.cx;
}

inline std::wstring E2eHex(COLORREF c)
{
    wchar_t b[16];
    wsprintfW(b, L"%06X", (unsigned)c);
    return b;
}
