#include "bitmaps/Converter.h"

#include <string.h>
#include <wchar.h>

#include "base/ConverterProtocol.h"
#include "base/Edge.h"
#include "base/Window.h"

// A 48-megapixel photo takes the converter about two seconds under Wine on a slow machine;
// ten seconds leaves room for a busy one and still gives the user the program back.
CONVERTER_LINK ConvLink = {5000, 2000, 10000, 0, nullptr, {}, {}, {}};

// A window that takes longer than SEARCH_TEXT_MS to tell its title is not our converter
// (that one answers at once), and must not hold up the search.
enum { SEARCH_STEPS = 1025, SEARCH_TEXT_MAX = 1256, SEARCH_POLL_MS = 20, SEARCH_TEXT_MS = 250 };

// A path that does not fit is no converter's.
void ConverterSetPath(const char* exePath)
{
    ConvLink.converterPath[0] = 0;
    if (strlen(exePath) < sizeof(ConvLink.converterPath))
        strcpy(ConvLink.converterPath, exePath);
}

bool ConverterPresent()
{
    if (!ConvLink.converterPath[0])
        return false;
    HANDLE h = EdgeCreateFile(ConvLink.converterPath, GENERIC_READ, 0, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(h);
    return true;
}

void ConverterReportMissing()
{
    EdgeMessageBox(MainWindow(), "部品フォルダにQX5.exeがありません。Kotopaneは元のフォルダに入れてお使いください。",
                   "（；‘ v‘）/部品がありません。", MB_OK);
}

// Asks a window for its text with a time limit: a hung program elsewhere must not stop the search.
static bool ConverterHasTitle(HWND wnd, const wchar_t* title)
{
    DWORD_PTR len = 0;
    if (!SendMessageTimeoutW(wnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, SEARCH_TEXT_MS, &len) || len == 0)
        return false;
    wchar_t text[SEARCH_TEXT_MAX];
    WPARAM count = len + 1 < (DWORD_PTR)SEARCH_TEXT_MAX ? len + 1 : (WPARAM)SEARCH_TEXT_MAX;
    DWORD_PTR got = 0;
    text[0] = 0;
    if (!SendMessageTimeoutW(wnd, WM_GETTEXT, count, (LPARAM)text, SMTO_ABORTIFHUNG, SEARCH_TEXT_MS, &got))
        return false;
    text[SEARCH_TEXT_MAX - 1] = 0;
    return wcscmp(text, title) == 0;
}

static HWND ConverterSearchPass(UINT dir, const wchar_t* title)
{
    HWND cur = MainWindow();
    for (int i = 0; i < SEARCH_STEPS && cur; i++) {
        cur = GetWindow(cur, dir);
        if (cur && ConverterHasTitle(cur, title))
            return cur;
    }
    return nullptr;
}

// Passes alternate between the windows above and below the main window. Instead of one
// fixed wait before a single search, passes repeat every 20 ms until the window appears or
// ConvLink.searchMs (5 s) has gone by, so a quick start is found quickly and a slow one
// still is.
static HWND ConverterSearch()
{
    const wchar_t* title = CONVERTER_TITLE;
    ULONGLONG start = GetTickCount64();
    for (;;) {
        HWND found = ConverterSearchPass(GW_HWNDPREV, title);
        if (!found)
            found = ConverterSearchPass(GW_HWNDNEXT, title);
        if (found)
            return found;
        if (GetTickCount64() - start >= ConvLink.searchMs)
            return nullptr;
        Sleep(SEARCH_POLL_MS);
    }
}

// Ends the process behind a converter window that stopped answering. Only a QX5.exe of
// another process is ended: a stranger that took over the handle is left alone.
static void ConverterTerminate(HWND wnd)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    if (!pid || pid == GetCurrentProcessId())
        return;
    HANDLE proc = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!proc)
        return;
    wchar_t image[MAX_PATH * 2];
    DWORD n = MAX_PATH * 2;
    if (QueryFullProcessImageNameW(proc, 0, image, &n)) {
        const wchar_t* name = image;
        for (const wchar_t* p = image; *p; p++)
            if (*p == L'\\' || *p == L'/')
                name = p + 1;
        if (_wcsicmp(name, L"QX5.exe") == 0) {
            TerminateProcess(proc, 1);
            WaitForSingleObject(proc, ConvLink.answerMs);
        }
    }
    CloseHandle(proc);
}

void ConverterStart()
{
    ConvLink.hConverterWnd = nullptr;
    ConvLink.restartPending = 0;
    if (!ConvLink.converterPath[0])
        return;
    EdgeShellOpen(MainWindow(), ConvLink.converterPath);
    ConvLink.hConverterWnd = ConverterSearch();
}

// A converter that timed out is ended and a new one started; one whose window is gone
// (it ended or crashed) is simply started again.
static void ConverterRestart()
{
    HWND old = ConvLink.hConverterWnd;
    if (old && IsWindow(old))
        ConverterTerminate(old);
    ConverterStart();
}

bool ConverterConvert(const char* dst, const char* src)
{
    if (ConvLink.restartPending || !ConvLink.hConverterWnd || !IsWindow(ConvLink.hConverterWnd))
        ConverterRestart();
    HWND conv = ConvLink.hConverterWnd;
    if (!conv)
        return false;

    size_t dstLen = strlen(dst);
    size_t srcLen = strlen(src);
    if (dstLen >= sizeof(ConvLink.convOutBlock) || srcLen >= sizeof(ConvLink.convSrcPath))
        return false;
    memset(ConvLink.convOutBlock, 0, sizeof(ConvLink.convOutBlock));
    memcpy(ConvLink.convOutBlock, dst, dstLen);
    memcpy(ConvLink.convSrcPath, src, srcLen + 1);
    wchar_t wideSrc[sizeof(ConvLink.convSrcPath)];
    if (EdgeToWide(ConvLink.convSrcPath, wideSrc, sizeof(ConvLink.convSrcPath)) <= 0)
        return false;

    HWND mainWnd = MainWindow();
    COPYDATASTRUCT cds;
    cds.dwData = (ULONG_PTR)mainWnd;
    cds.cbData = sizeof(ConvLink.convOutBlock);
    cds.lpData = ConvLink.convOutBlock;
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(conv, WM_COPYDATA, (WPARAM)mainWnd, (LPARAM)&cds, SMTO_ABORTIFHUNG,
                             ConvLink.answerMs, &result)
        || !SendMessageTimeoutW(conv, WM_SETTEXT, 0, (LPARAM)wideSrc, SMTO_ABORTIFHUNG, ConvLink.convertMs,
                                &result)) {
        ConvLink.restartPending = 1;
        return false;
    }
    return true;
}

void ConverterStop()
{
    HWND conv = ConvLink.hConverterWnd;
    DWORD_PTR result = 0;
    if (conv && IsWindow(conv)) {
        if (ConvLink.restartPending
            || !SendMessageTimeoutW(conv, WM_DESTROY, 0, 0, SMTO_ABORTIFHUNG, ConvLink.answerMs, &result))
            ConverterTerminate(conv);
    }
    ConvLink.hConverterWnd = nullptr;
    ConvLink.restartPending = 0;
}
