#include "bitmaps/Converter.h"

#include <string.h>
#include <wchar.h>

#include "base/ConverterProtocol.h"
#include "base/Edge.h"
#include "base/Window.h"

// A 48-megapixel photo takes the converter about two seconds under Wine on a slow machine;
// ten seconds leaves room for a busy one and still gives the user the program back.
CONVERTER_LINK ConvLink = { .searchMs = 5000, .answerMs = 2000, .convertMs = CONVERTER_CONVERT_MS };

enum { SEARCH_POLL_MS = 20, SEARCH_TEXT_MAX = 64 };

// A path that does not fit is no converter's. A new path is a new start: it may be tried.
void ConverterSetPath(const char* exePath)
{
    ConvLink.givenUp = 0;
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

// Said for each picture that cannot be shown for want of a converter, as its one message;
// after the first, it fails at once, without a wait of its own.
static void ConverterReportNotStarting()
{
    EdgeMessageBox(MainWindow(),
                   "部品フォルダのQX5.exe（画像を変換するプログラム）が起動しないため、画像を表示できません。\r\n"
                   "Kotopaneをいったん閉じて、もう一度起動してください。",
                   "（；‘ v‘）/部品が動きません。", MB_OK | MB_TOPMOST);
}

// A job that ends its processes when its last handle closes, which happens when Kotopane
// ends in any way, a crash or a forced end included.
static HANDLE KillOnCloseJob()
{
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    if (!job)
        return nullptr;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION info = {};
    info.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!SetInformationJobObject(job, JobObjectExtendedLimitInformation, &info, sizeof info)) {
        CloseHandle(job);
        return nullptr;
    }
    return job;
}

static bool ProcessRunning(HANDLE proc)
{
    return proc && WaitForSingleObject(proc, 0) == WAIT_TIMEOUT;
}

struct OWN_WINDOW_SEARCH {
    DWORD pid;
    HWND found;
};

// Only the converter's window of the process this program started: a converter left over
// from another run, or anybody else's window of that title, is never talked to.
static BOOL CALLBACK OwnConverterWindow(HWND wnd, LPARAM lp)
{
    OWN_WINDOW_SEARCH* s = (OWN_WINDOW_SEARCH*)lp;
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    if (pid != s->pid)
        return TRUE;
    wchar_t text[SEARCH_TEXT_MAX];
    if (!GetClassNameW(wnd, text, SEARCH_TEXT_MAX) || wcscmp(text, CONVERTER_CLASS) != 0)
        return TRUE;
    // Another process's title is read from the system, without a message that could hang.
    if (!GetWindowTextW(wnd, text, SEARCH_TEXT_MAX) || wcscmp(text, CONVERTER_TITLE) != 0)
        return TRUE;
    s->found = wnd;
    return FALSE;
}

static void ConverterForget()
{
    if (ConvLink.hProcess)
        CloseHandle(ConvLink.hProcess);
    // Closing the job ends whatever might still be in it.
    if (ConvLink.hJob)
        CloseHandle(ConvLink.hJob);
    ConvLink.hProcess = nullptr;
    ConvLink.hJob = nullptr;
    ConvLink.pid = 0;
    ConvLink.hConverterWnd = nullptr;
    ConvLink.restartPending = 0;
    ConvLink.waited = 0;
}

// Started with the shell's "open", so the converter runs as the user's own program would;
// the process is kept: it goes into the job at once, and its window is looked for only
// when a picture needs it.
void ConverterStart()
{
    ConvLink.hConverterWnd = nullptr;
    ConvLink.restartPending = 0;
    ConvLink.waited = 0;
    // At most one converter: the caller ends the old one first. The user hears of one that
    // does not start when a picture needs it.
    if (ConvLink.hProcess || ConvLink.givenUp || !ProgramRunning() || !ConvLink.converterPath[0])
        return;
    HANDLE proc = EdgeShellOpenProcess(MainWindow(), ConvLink.converterPath);
    if (!proc) {
        ConvLink.givenUp = 1;
        return;
    }
    ConvLink.hJob = KillOnCloseJob();
    if (ConvLink.hJob && !AssignProcessToJobObject(ConvLink.hJob, proc)) {
        CloseHandle(ConvLink.hJob);
        ConvLink.hJob = nullptr;
    }
    ConvLink.hProcess = proc;
    ConvLink.pid = GetProcessId(proc);
    ConvLink.startTick = GetTickCount64();
}

// Our converter's window, looked for through its process.
static HWND FindOwnWindow()
{
    OWN_WINDOW_SEARCH s = { ConvLink.pid, nullptr };
    EnumWindows(OwnConverterWindow, (LPARAM)&s);
    return s.found;
}

HWND ConverterWindow()
{
    HWND wnd = ConvLink.hConverterWnd;
    if (wnd && IsWindow(wnd) && (!ConvLink.hProcess || ProcessRunning(ConvLink.hProcess)))
        return wnd;
    ConvLink.hConverterWnd = nullptr;
    if (!ConvLink.hProcess)
        return nullptr;
    ULONGLONG deadline = ConvLink.startTick + ConvLink.searchMs;
    for (;;) {
        HWND found = FindOwnWindow();
        if (found) {
            ConvLink.hConverterWnd = found;
            return found;
        }
        if (!ProcessRunning(ConvLink.hProcess)) {
            // It ended before it had a window: starting it again would end the same way.
            ConverterForget();
            ConvLink.givenUp = 1;
            return nullptr;
        }
        ULONGLONG now = GetTickCount64();
        if (ConvLink.waited || now >= deadline)
            break;
        DWORD left = (DWORD)(deadline - now);
        // Wakes at once when the process ends.
        WaitForSingleObject(ConvLink.hProcess, left < SEARCH_POLL_MS ? left : (DWORD)SEARCH_POLL_MS);
    }
    // Still running without a window: later pictures look again, but never wait again,
    // and no second converter is started beside it.
    ConvLink.waited = 1;
    return nullptr;
}

// One that stopped answering, died or never got going, before it is replaced.
static void ConverterKill()
{
    if (ConvLink.hProcess && ProcessRunning(ConvLink.hProcess)) {
        TerminateProcess(ConvLink.hProcess, 1);
        WaitForSingleObject(ConvLink.hProcess, ConvLink.answerMs);
    }
    ConverterForget();
}

static DWORD MsLeft(ULONGLONG deadline)
{
    ULONGLONG now = GetTickCount64();
    return now >= deadline ? 0 : (DWORD)(deadline - now);
}

CONVERT_RESULT ConverterConvert(const char* dst, const char* src, COLORREF back)
{
    if (!ProgramRunning())
        return CONVERT_STOPPED;
    // One that stopped answering, or that had a window and went away, is replaced; one
    // that never got going is not started again and again.
    bool lost = ConvLink.hProcess && ConvLink.hConverterWnd && !ProcessRunning(ConvLink.hProcess);
    if (ConvLink.restartPending || lost || (!ConvLink.hProcess && !ConverterWindow())) {
        ConverterKill();
        ConverterStart();
    }
    HWND conv = ConverterWindow();
    if (!conv) {
        ConverterReportNotStarting();
        return CONVERT_NO_CONVERTER;
    }

    size_t dstLen = strlen(dst);
    size_t srcLen = strlen(src);
    CONVERTER_CONVERT_REQUEST* request = &ConvLink.convRequest;
    if (dstLen >= sizeof(request->destination) || srcLen >= sizeof(ConvLink.convSrcPath))
        return CONVERT_NOT_ANSWERED;
    memset(request, 0, sizeof(*request));
    memcpy(request->destination, dst, dstLen);
    request->backColour = back & 0xFFFFFF;
    memcpy(ConvLink.convSrcPath, src, srcLen + 1);
    wchar_t wideSrc[sizeof(ConvLink.convSrcPath)];
    if (EdgeToWide(ConvLink.convSrcPath, wideSrc, sizeof(ConvLink.convSrcPath)) <= 0)
        return CONVERT_NOT_ANSWERED;

    HWND mainWnd = MainWindow();
    COPYDATASTRUCT cds;
    cds.dwData = CONVERTER_CONVERT_OVER_COLOUR;
    cds.cbData = sizeof(*request);
    cds.lpData = request;
    DWORD_PTR result = 0;
    bool answered = SendMessageTimeoutW(conv, WM_COPYDATA, (WPARAM)mainWnd, (LPARAM)&cds, SMTO_ABORTIFHUNG,
                                        ConvLink.answerMs, &result)
                    && SendMessageTimeoutW(conv, WM_SETTEXT, 0, (LPARAM)wideSrc, SMTO_ABORTIFHUNG,
                                           ConvLink.convertMs, &result);
    // Waiting, this thread answers what other programs send it: a close among them runs
    // the shutdown, which has ended the converter meanwhile.
    if (!ProgramRunning())
        return CONVERT_STOPPED;
    if (!answered) {
        ConvLink.restartPending = 1;
        return CONVERT_NOT_ANSWERED;
    }
    return CONVERT_DONE;
}

void ConverterStop()
{
    HANDLE proc = ConvLink.hProcess;
    ULONGLONG deadline = GetTickCount64() + ConvLink.answerMs;
    // A converter started a moment ago may not have its window yet.
    HWND conv = ConvLink.hConverterWnd;
    while (proc && ProcessRunning(proc) && !(conv && IsWindow(conv)) && MsLeft(deadline) > 0) {
        conv = FindOwnWindow();
        if (!conv)
            WaitForSingleObject(proc, MsLeft(deadline) < SEARCH_POLL_MS ? MsLeft(deadline) : (DWORD)SEARCH_POLL_MS);
    }
    DWORD_PTR result = 0;
    if (conv && IsWindow(conv) && (!proc || ProcessRunning(proc)))
        SendMessageTimeoutW(conv, WM_DESTROY, 0, 0, SMTO_ABORTIFHUNG, MsLeft(deadline), &result);
    if (proc && WaitForSingleObject(proc, MsLeft(deadline)) == WAIT_TIMEOUT) {
        TerminateProcess(proc, 1);
        WaitForSingleObject(proc, ConvLink.answerMs);
    }
    ConverterForget();
}
