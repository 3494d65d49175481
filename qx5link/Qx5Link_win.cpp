#include "qx5link/Qx5Link.h"

#include <string.h>
#include <wchar.h>

#include "base/Edge.h"
#include "base/Window.h"

// A 48-megapixel photo takes the converter about two seconds under Wine on a slow machine;
// ten seconds leaves room for a busy one and still gives the user the program back.
QX5_LINK Qx5Link = { .searchMs = 5000, .answerMs = 2000, .convertMs = CONVERTER_CONVERT_MS };

enum { SEARCH_POLL_MS = 20, SEARCH_TEXT_MAX = 64 };

// A path that does not fit is no converter's. A new path is a new start: it may be tried.
void Qx5LinkSetPath(const char* exePath)
{
    Qx5Link.givenUp = 0;
    Qx5Link.converterPath[0] = 0;
    if (strlen(exePath) < sizeof(Qx5Link.converterPath))
        strcpy(Qx5Link.converterPath, exePath);
}

bool Qx5LinkPresent()
{
    if (!Qx5Link.converterPath[0])
        return false;
    HANDLE h = EdgeCreateFile(Qx5Link.converterPath, GENERIC_READ, 0, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(h);
    return true;
}

void Qx5LinkReportMissing()
{
    EdgeMessageBox(MainWindow(), "部品フォルダにQX5.exeがありません。Kotopaneは元のフォルダに入れてお使いください。",
                   "（；‘ v‘）/部品がありません。", MB_OK);
}

// Said for each picture that cannot be shown for want of a converter, as its one message;
// after the first, it fails at once, without a wait of its own.
static void Qx5LinkReportNotStarting()
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

static void Qx5LinkForget()
{
    if (Qx5Link.hProcess)
        CloseHandle(Qx5Link.hProcess);
    // Closing the job ends whatever might still be in it.
    if (Qx5Link.hJob)
        CloseHandle(Qx5Link.hJob);
    Qx5Link.hProcess = nullptr;
    Qx5Link.hJob = nullptr;
    Qx5Link.pid = 0;
    Qx5Link.hConverterWnd = nullptr;
    Qx5Link.restartPending = 0;
    Qx5Link.waited = 0;
}

// Started with the shell's "open", so the converter runs as the user's own program would;
// the process is kept: it goes into the job at once, and its window is looked for only
// when a picture needs it.
void Qx5LinkStart()
{
    Qx5Link.hConverterWnd = nullptr;
    Qx5Link.restartPending = 0;
    Qx5Link.waited = 0;
    // At most one converter: the caller ends the old one first. The user hears of one that
    // does not start when a picture needs it.
    if (Qx5Link.hProcess || Qx5Link.givenUp || !ProgramRunning() || !Qx5Link.converterPath[0])
        return;
    HANDLE proc = EdgeShellOpenProcess(MainWindow(), Qx5Link.converterPath);
    if (!proc) {
        Qx5Link.givenUp = 1;
        return;
    }
    Qx5Link.hJob = KillOnCloseJob();
    if (Qx5Link.hJob && !AssignProcessToJobObject(Qx5Link.hJob, proc)) {
        CloseHandle(Qx5Link.hJob);
        Qx5Link.hJob = nullptr;
    }
    Qx5Link.hProcess = proc;
    Qx5Link.pid = GetProcessId(proc);
    Qx5Link.startTick = GetTickCount64();
}

// Our converter's window, looked for through its process.
static HWND FindOwnWindow()
{
    OWN_WINDOW_SEARCH s = { Qx5Link.pid, nullptr };
    EnumWindows(OwnConverterWindow, (LPARAM)&s);
    return s.found;
}

HWND Qx5LinkWindow()
{
    HWND wnd = Qx5Link.hConverterWnd;
    if (wnd && IsWindow(wnd) && (!Qx5Link.hProcess || ProcessRunning(Qx5Link.hProcess)))
        return wnd;
    Qx5Link.hConverterWnd = nullptr;
    if (!Qx5Link.hProcess)
        return nullptr;
    ULONGLONG deadline = Qx5Link.startTick + Qx5Link.searchMs;
    for (;;) {
        HWND found = FindOwnWindow();
        if (found) {
            Qx5Link.hConverterWnd = found;
            return found;
        }
        if (!ProcessRunning(Qx5Link.hProcess)) {
            // It ended before it had a window: starting it again would end the same way.
            Qx5LinkForget();
            Qx5Link.givenUp = 1;
            return nullptr;
        }
        ULONGLONG now = GetTickCount64();
        if (Qx5Link.waited || now >= deadline)
            break;
        DWORD left = (DWORD)(deadline - now);
        // Wakes at once when the process ends.
        WaitForSingleObject(Qx5Link.hProcess, left < SEARCH_POLL_MS ? left : (DWORD)SEARCH_POLL_MS);
    }
    // Still running without a window: later pictures look again, but never wait again,
    // and no second converter is started beside it.
    Qx5Link.waited = 1;
    return nullptr;
}

DWORD Qx5LinkProcessId()
{
    return Qx5Link.hProcess ? Qx5Link.pid : 0;
}

bool Qx5LinkAnswering()
{
    return !Qx5Link.restartPending;
}

// One that stopped answering, died or never got going, before it is replaced.
static void Qx5LinkKill()
{
    if (Qx5Link.hProcess && ProcessRunning(Qx5Link.hProcess)) {
        TerminateProcess(Qx5Link.hProcess, 1);
        WaitForSingleObject(Qx5Link.hProcess, Qx5Link.answerMs);
    }
    Qx5LinkForget();
}

static DWORD MsLeft(ULONGLONG deadline)
{
    ULONGLONG now = GetTickCount64();
    return now >= deadline ? 0 : (DWORD)(deadline - now);
}

// Convert: where the BMP goes (with the colour behind the picture), then the source; the
// converter writes the BMP before it answers the second. Its reply is not needed: the BMP
// that is there, or not, says the same. False when either went unanswered in time.
static bool AskToConvert(HWND conv, const CONVERTER_CONVERT_REQUEST* request, const wchar_t* src)
{
    COPYDATASTRUCT cds = { CONVERTER_CONVERT_OVER_COLOUR, sizeof(*request), (void*)request };
    DWORD_PTR reply = 0;
    return SendMessageTimeoutW(conv, CONVERTER_CONVERT_DESTINATION, (WPARAM)MainWindow(), (LPARAM)&cds,
                               SMTO_ABORTIFHUNG, Qx5Link.answerMs, &reply)
           && SendMessageTimeoutW(conv, CONVERTER_CONVERT_SOURCE, 0, (LPARAM)src, SMTO_ABORTIFHUNG,
                                  Qx5Link.convertMs, &reply);
}

static void AskToQuit(HWND conv, DWORD waitMs)
{
    DWORD_PTR reply = 0;
    SendMessageTimeoutW(conv, CONVERTER_QUIT, 0, 0, SMTO_ABORTIFHUNG, waitMs, &reply);
}

CONVERT_RESULT Qx5LinkConvert(const char* dst, const char* src, COLORREF back)
{
    if (!ProgramRunning())
        return CONVERT_STOPPED;
    // One that stopped answering, or that had a window and went away, is replaced; one
    // that never got going is not started again and again.
    bool lost = Qx5Link.hProcess && Qx5Link.hConverterWnd && !ProcessRunning(Qx5Link.hProcess);
    if (Qx5Link.restartPending || lost || (!Qx5Link.hProcess && !Qx5LinkWindow())) {
        Qx5LinkKill();
        Qx5LinkStart();
    }
    HWND conv = Qx5LinkWindow();
    if (!conv) {
        Qx5LinkReportNotStarting();
        return CONVERT_NO_CONVERTER;
    }

    size_t dstLen = strlen(dst);
    size_t srcLen = strlen(src);
    CONVERTER_CONVERT_REQUEST* request = &Qx5Link.convRequest;
    if (dstLen >= sizeof(request->destination) || srcLen >= sizeof(Qx5Link.convSrcPath))
        return CONVERT_NOT_ANSWERED;
    memset(request, 0, sizeof(*request));
    memcpy(request->destination, dst, dstLen);
    request->backColour = back & 0xFFFFFF;
    memcpy(Qx5Link.convSrcPath, src, srcLen + 1);
    wchar_t wideSrc[sizeof(Qx5Link.convSrcPath)];
    if (EdgeToWide(Qx5Link.convSrcPath, wideSrc, sizeof(Qx5Link.convSrcPath)) <= 0)
        return CONVERT_NOT_ANSWERED;

    bool answered = AskToConvert(conv, request, wideSrc);
    // Waiting, this thread answers what other programs send it: a close among them runs
    // the shutdown, which has ended the converter meanwhile.
    if (!ProgramRunning())
        return CONVERT_STOPPED;
    if (!answered) {
        Qx5Link.restartPending = 1;
        return CONVERT_NOT_ANSWERED;
    }
    return CONVERT_DONE;
}

void Qx5LinkQuit()
{
    HANDLE proc = Qx5Link.hProcess;
    ULONGLONG deadline = GetTickCount64() + Qx5Link.answerMs;
    // A converter started a moment ago may not have its window yet.
    HWND conv = Qx5Link.hConverterWnd;
    while (proc && ProcessRunning(proc) && !(conv && IsWindow(conv)) && MsLeft(deadline) > 0) {
        conv = FindOwnWindow();
        if (!conv)
            WaitForSingleObject(proc, MsLeft(deadline) < SEARCH_POLL_MS ? MsLeft(deadline) : (DWORD)SEARCH_POLL_MS);
    }
    if (conv && IsWindow(conv) && (!proc || ProcessRunning(proc)))
        AskToQuit(conv, MsLeft(deadline));
    if (proc && WaitForSingleObject(proc, MsLeft(deadline)) == WAIT_TIMEOUT) {
        TerminateProcess(proc, 1);
        WaitForSingleObject(proc, Qx5Link.answerMs);
    }
    Qx5LinkForget();
}
