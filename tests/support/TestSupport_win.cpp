#include "tests/support/TestSupport.h"

#include <algorithm>
#include <stdio.h>
#include <string.h>
#include <shlobj.h>

#include "app/AppState.h"
#include "app/MainWnd.h"
#include "base/Window.h"
#include "converter/Qx5Protocol.h"
#include "intake/Intake.h"

// ---------------------------------------------------------------- child processes

// Every program a test starts (Kotopane, the converter, hand-off stand-ins) joins this
// process's job and ends with it, so none outlives a failed test holding CTest's pipe.
static HANDLE MakeKillOnCloseJob()
{
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    if (!job)
        return nullptr;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION info = {};
    info.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job, JobObjectExtendedLimitInformation, &info, sizeof(info));
    AssignProcessToJobObject(job, GetCurrentProcess());
    return job;
}

static HANDLE gChildJob = MakeKillOnCloseJob();

// ---------------------------------------------------------------- folders and files

std::wstring TestBuildDir()
{
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring p = exe;
    p = p.substr(0, p.find_last_of(L'\\'));     // ...\build\tests
    return p.substr(0, p.find_last_of(L'\\'));  // ...\build
}

std::wstring ToWide(const char* s)
{
    int n = MultiByteToWideChar(932, 0, s, -1, nullptr, 0);
    std::wstring w(n > 0 ? n - 1 : 0, L'\0');
    if (n > 1)
        MultiByteToWideChar(932, 0, s, -1, &w[0], n);
    return w;
}

std::string ToCp932(const std::wstring& w)
{
    int n = WideCharToMultiByte(932, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string s(n > 0 ? n - 1 : 0, '\0');
    if (n > 1)
        WideCharToMultiByte(932, 0, w.c_str(), -1, &s[0], n, nullptr, nullptr);
    return s;
}

std::wstring Utf8ToWide(const std::string& s)
{
    int n = MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, nullptr, 0);
    std::wstring w(n > 0 ? n - 1 : 0, L'\0');
    if (n > 1)
        MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, &w[0], n);
    return w;
}

void DeleteTree(const std::wstring& path)
{
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((path + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring full = path + L"\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                DeleteTree(full);
            else {
                SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(full.c_str());
            }
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryW(path.c_str());
}

bool WriteBytes(const std::wstring& path, const std::string& bytes)
{
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return false;
    DWORD done = 0;
    BOOL ok = bytes.empty() || WriteFile(f, bytes.data(), (DWORD)bytes.size(), &done, nullptr);
    CloseHandle(f);
    return ok && done == bytes.size();
}

bool ReadBytes(const std::wstring& path, std::string* bytes)
{
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return false;
    DWORD size = GetFileSize(f, nullptr);
    bytes->assign(size, '\0');
    DWORD done = 0;
    BOOL ok = size == 0 || ReadFile(f, &(*bytes)[0], size, &done, nullptr);
    CloseHandle(f);
    return ok && done == size;
}

bool FileExists(const std::wstring& path)
{
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirExists(const std::wstring& path)
{
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::wstring> ListFolder(const std::wstring& folder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return names;
    do {
        std::wstring name = fd.cFileName;
        if (name != L"." && name != L"..")
            names.push_back(name);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return names;
}

std::wstring MakeScratchProgramFolder(const wchar_t* name, bool withConverter)
{
    std::wstring root = TestBuildDir() + L"\\scratch";
    CreateDirectoryW(root.c_str(), nullptr);
    std::wstring folder = root + L"\\" + name;
    DeleteTree(folder);
    CreateDirectoryW(folder.c_str(), nullptr);
    CreateDirectoryW((folder + L"\\App").c_str(), nullptr);
    std::wstring parts = folder + L"\\部品";
    CreateDirectoryW(parts.c_str(), nullptr);
    if (withConverter) {
        std::wstring built = TestBuildDir() + L"\\Kotopane\\部品";
        CopyFileW((built + L"\\QX5.exe").c_str(), (parts + L"\\QX5.exe").c_str(), FALSE);
        CopyFileW((built + L"\\★ハート.bmp").c_str(), (parts + L"\\★ハート.bmp").c_str(), FALSE);
        CopyFileW((built + L"\\使い方.html").c_str(), (parts + L"\\使い方.html").c_str(), FALSE);
        // The converter's picture libraries, when the build has them.
        for (const std::wstring& n : ListFolder(built))
            if (n.size() > 4 && _wcsicmp(n.c_str() + n.size() - 4, L".dll") == 0)
                CopyFileW((built + L"\\" + n).c_str(), (parts + L"\\" + n).c_str(), FALSE);
    }
    return folder;
}

std::wstring SettingsFolder(const std::wstring& programFolder)
{
    return programFolder + L"\\個人設定";
}

// ---------------------------------------------------------------- message boxes

static thread_local HHOOK tlsHook;
static thread_local std::vector<SHOWN_BOX>* tlsSeen;
static thread_local std::vector<int>* tlsAnswers;
static thread_local int tlsDefaultAnswer;
static thread_local DIALOG_DRIVER tlsDriver;

static bool IsMessageBox(HWND wnd)
{
    // A message box has the static text control 0xFFFF.
    return GetDlgItem(wnd, 0xFFFF) != nullptr;
}

static std::wstring DlgItemText(HWND wnd, int id)
{
    wchar_t buf[4096];
    buf[0] = 0;
    GetDlgItemTextW(wnd, id, buf, 4096);
    return buf;
}

static LRESULT CALLBACK BoxHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE) {
        HWND wnd = (HWND)wParam;
        wchar_t cls[64];
        GetClassNameW(wnd, cls, 64);
        if (lstrcmpW(cls, L"#32770") == 0 && !GetPropW(wnd, L"kp.seen")) {
            SetPropW(wnd, L"kp.seen", (HANDLE)1);
            if (IsMessageBox(wnd)) {
                SHOWN_BOX box;
                wchar_t cap[1024];
                GetWindowTextW(wnd, cap, 1024);
                box.caption = cap;
                box.text = DlgItemText(wnd, 0xFFFF);
                box.owner = GetWindow(wnd, GW_OWNER);
                box.topmost = (GetWindowLongW(wnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
                box.hasYesNo = GetDlgItem(wnd, IDYES) && GetDlgItem(wnd, IDNO);
                tlsSeen->push_back(box);
                int answer = tlsDefaultAnswer;
                if (!tlsAnswers->empty()) {
                    answer = tlsAnswers->front();
                    tlsAnswers->erase(tlsAnswers->begin());
                }
                if (answer == IDOK && !GetDlgItem(wnd, IDOK) && GetDlgItem(wnd, IDYES))
                    answer = IDYES;
                PostMessageW(wnd, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
            } else if (tlsDriver) {
                tlsDriver(wnd);
            }
        }
    }
    return CallNextHookEx(tlsHook, code, wParam, lParam);
}

void BoxWatchStart(int defaultAnswer)
{
    if (!tlsSeen) {
        tlsSeen = new std::vector<SHOWN_BOX>;
        tlsAnswers = new std::vector<int>;
    }
    tlsSeen->clear();
    tlsAnswers->clear();
    tlsDefaultAnswer = defaultAnswer;
    tlsDriver = nullptr;
    if (!tlsHook)
        tlsHook = SetWindowsHookExW(WH_CBT, BoxHook, nullptr, GetCurrentThreadId());
}

void BoxWatchQueue(int answer)
{
    tlsAnswers->push_back(answer);
}

void BoxWatchSetDialogDriver(DIALOG_DRIVER driver)
{
    tlsDriver = driver;
}

const std::vector<SHOWN_BOX>& BoxWatchSeen()
{
    return *tlsSeen;
}

std::vector<SHOWN_BOX> BoxWatchStop()
{
    if (tlsHook) {
        UnhookWindowsHookEx(tlsHook);
        tlsHook = nullptr;
    }
    tlsDriver = nullptr;
    return tlsSeen ? *tlsSeen : std::vector<SHOWN_BOX>();
}

// ---------------------------------------------------------------- traces

static std::vector<std::string>* gTraces;
static PVOID gTraceHandler;

static LONG CALLBACK TraceHandler(EXCEPTION_POINTERS* ep)
{
    const DWORD kDbgPrint = 0x40010006;   // DBG_PRINTEXCEPTION_C
    EXCEPTION_RECORD* r = ep->ExceptionRecord;
    if (gTraces && r->ExceptionCode == kDbgPrint && r->NumberParameters >= 2) {
        const char* s = (const char*)r->ExceptionInformation[1];
        size_t len = (size_t)r->ExceptionInformation[0];
        if (s && len > 0)
            gTraces->push_back(std::string(s, len - 1));
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

void TraceCaptureStart()
{
    if (!gTraces)
        gTraces = new std::vector<std::string>;
    gTraces->clear();
    if (!gTraceHandler)
        gTraceHandler = AddVectoredExceptionHandler(1, TraceHandler);
}

std::vector<std::string> TraceCaptureStop()
{
    if (gTraceHandler) {
        RemoveVectoredExceptionHandler(gTraceHandler);
        gTraceHandler = nullptr;
    }
    return gTraces ? *gTraces : std::vector<std::string>();
}

// ---------------------------------------------------------------- hand-offs

static std::wstring gHandoffLog;

std::wstring HandoffLogStart(const wchar_t* name)
{
    std::wstring root = TestBuildDir() + L"\\scratch";
    CreateDirectoryW(root.c_str(), nullptr);
    gHandoffLog = root + L"\\" + name + L".handoff.log";
    DeleteFileW(gHandoffLog.c_str());
    SetEnvironmentVariableW(L"KP_HANDOFF_LOG", gHandoffLog.c_str());
    return gHandoffLog;
}

std::vector<std::wstring> HandoffLogLines(size_t count, DWORD timeoutMs)
{
    std::vector<std::wstring> lines;
    DWORD start = GetTickCount();
    for (;;) {
        lines.clear();
        std::string bytes;
        if (!gHandoffLog.empty() && ReadBytes(gHandoffLog, &bytes)) {
            size_t pos = 0;
            while (pos < bytes.size()) {
                size_t nl = bytes.find('\n', pos);
                if (nl == std::string::npos)
                    nl = bytes.size();
                lines.push_back(Utf8ToWide(bytes.substr(pos, nl - pos)));
                pos = nl + 1;
            }
        }
        if (lines.size() >= count || GetTickCount() - start >= timeoutMs)
            return lines;
        PumpMessages(20);
    }
}

// ---------------------------------------------------------------- Kotopane in-process

HWND StartKotopaneInProcess(const std::wstring& programFolder)
{
    SetCurrentDirectoryW((programFolder + L"\\App").c_str());
    // Handlers are tested on a window whose start-up is complete, as a user meets it.
    HWND wnd = KotopaneStartup(GetModuleHandleW(nullptr));
    if (wnd)
        MainWnd_FinishStart();
    return wnd;
}

void StopKotopaneInProcess()
{
    if (MainWindow() && IsWindow(MainWindow()))
        DestroyWindow(MainWindow());
    MSG msg;
    DWORD start = GetTickCount();
    while (GetTickCount() - start < 2000) {
        if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                break;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        } else {
            Sleep(5);
        }
    }
    SetCurrentDirectoryW(TestBuildDir().c_str());
}

void PumpMessages(DWORD ms)
{
    DWORD start = GetTickCount();
    MSG msg;
    do {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage((int)msg.wParam);   // leave it for the loop that owns it
                return;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(5);
    } while (GetTickCount() - start < ms);
}

void WaitForDrops(DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    do
        PumpMessages(5);
    while ((DropInProgress() || !App.waiting.empty()) && GetTickCount() - start < timeoutMs);
}

HDROP MakeDrop(POINT pt, const std::vector<std::wstring>& files)
{
    size_t chars = 1;
    for (const std::wstring& f : files)
        chars += f.size() + 1;
    HGLOBAL h = GlobalAlloc(GHND | GMEM_SHARE, sizeof(DROPFILES) + chars * sizeof(wchar_t));
    DROPFILES* df = (DROPFILES*)GlobalLock(h);
    df->pFiles = sizeof(DROPFILES);
    df->pt = pt;
    df->fNC = FALSE;
    df->fWide = TRUE;
    wchar_t* p = (wchar_t*)(df + 1);
    for (const std::wstring& f : files) {
        memcpy(p, f.c_str(), f.size() * sizeof(wchar_t));
        p += f.size() + 1;
    }
    *p = 0;
    GlobalUnlock(h);
    return (HDROP)h;
}

// ---------------------------------------------------------------- the converter

LRESULT ConverterRequest(HWND converter, const std::wstring& dst, const std::wstring& src, bool* answered,
                         DWORD timeoutMs, long long back)
{
    CONVERTER_CONVERT_REQUEST request = {};
    std::string d = ToCp932(dst);
    memcpy(request.destination, d.data(), std::min(d.size(), sizeof(request.destination) - 1));
    request.backColour = (uint32_t)back;
    COPYDATASTRUCT cds = {(ULONG_PTR)GetDesktopWindow(), CONVERTER_DEST_BYTES, &request};
    if (back >= 0)
        cds = {CONVERTER_CONVERT_OVER_COLOUR, sizeof(request), &request};
    DWORD_PTR r1 = 0, r2 = 0;
    bool ok = SendMessageTimeoutW(converter, CONVERTER_CONVERT_DESTINATION, 0, (LPARAM)&cds, SMTO_ABORTIFHUNG, 5000, &r1)
              && SendMessageTimeoutW(converter, CONVERTER_CONVERT_SOURCE, 0, (LPARAM)src.c_str(), SMTO_ABORTIFHUNG,
                                     timeoutMs, &r2);
    if (answered)
        *answered = ok;
    return (LRESULT)r2;
}

// ---------------------------------------------------------------- other processes

bool StartProgram(const std::wstring& exe, const std::wstring& workDir, STARTED_PROGRAM* out)
{
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    std::wstring cmd = L"\"" + exe + L"\"";
    if (!CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr,
                        workDir.empty() ? nullptr : workDir.c_str(), &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    out->process = pi.hProcess;
    out->pid = pi.dwProcessId;
    return true;
}

struct FIND_CTX {
    DWORD pid;
    const wchar_t* cls;
    const wchar_t* title;
    std::vector<HWND> found;
};

static BOOL CALLBACK FindProc(HWND wnd, LPARAM lp)
{
    FIND_CTX* ctx = (FIND_CTX*)lp;
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    if (ctx->pid && pid != ctx->pid)
        return TRUE;
    wchar_t buf[1024];
    if (ctx->cls) {
        GetClassNameW(wnd, buf, 1024);
        if (lstrcmpW(buf, ctx->cls) != 0)
            return TRUE;
    }
    if (ctx->title) {
        GetWindowTextW(wnd, buf, 1024);
        if (lstrcmpW(buf, ctx->title) != 0)
            return TRUE;
    }
    ctx->found.push_back(wnd);
    return TRUE;
}

static std::vector<HWND> FindWindowsWait(DWORD pid, const wchar_t* cls, const wchar_t* title, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        FIND_CTX ctx = { pid, cls, title, {} };
        EnumWindows(FindProc, (LPARAM)&ctx);
        if (!ctx.found.empty() || GetTickCount() - start >= timeoutMs)
            return ctx.found;
        PumpMessages(10);
    }
}

HWND FindProcessWindow(DWORD pid, const wchar_t* className, DWORD timeoutMs)
{
    std::vector<HWND> v = FindWindowsWait(pid, className, nullptr, timeoutMs);
    return v.empty() ? nullptr : v[0];
}

HWND FindWindowByTitle(const wchar_t* title, DWORD timeoutMs)
{
    std::vector<HWND> v = FindWindowsWait(0, nullptr, title, timeoutMs);
    return v.empty() ? nullptr : v[0];
}

std::vector<HWND> FindProcessBoxes(DWORD pid, DWORD timeoutMs)
{
    // A box is found while it is still being built; wait until it shows.
    DWORD start = GetTickCount();
    for (;;) {
        std::vector<HWND> boxes = FindWindowsWait(pid, L"#32770", nullptr, timeoutMs);
        bool ready = !boxes.empty();
        for (HWND b : boxes)
            ready = ready && IsWindowVisible(b);
        if (ready || GetTickCount() - start >= timeoutMs)
            return boxes;
        PumpMessages(10);
    }
}

std::wstring BoxText(HWND box)
{
    return DlgItemText(box, 0xFFFF);
}

std::wstring WindowTitle(HWND wnd)
{
    wchar_t buf[2048];
    buf[0] = 0;
    GetWindowTextW(wnd, buf, 2048);
    return buf;
}

bool WaitProcessExit(HANDLE process, DWORD timeoutMs, DWORD* exitCode)
{
    if (WaitForSingleObject(process, timeoutMs) != WAIT_OBJECT_0)
        return false;
    if (exitCode)
        GetExitCodeProcess(process, exitCode);
    return true;
}

// ---------------------------------------------------------------- the screen from outside

std::string UnixPath(const std::wstring& windowsPath)
{
    typedef char*(CDECL * UNIX_NAME)(LPCWSTR);
    UNIX_NAME toUnix = (UNIX_NAME)(void*)GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name");
    if (!toUnix)
        return std::string();
    char* s = toUnix(windowsPath.c_str());
    std::string r = s ? s : "";
    HeapFree(GetProcessHeap(), 0, s);
    return r;
}

double UnixMsNow()
{
    // The precise clock is declared for Windows 8 on only; the programs target 7.
    typedef void(WINAPI * PRECISE)(FILETIME*);
    static PRECISE precise =
        (PRECISE)(void*)GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetSystemTimePreciseAsFileTime");
    FILETIME ft;
    if (precise)
        precise(&ft);
    else
        GetSystemTimeAsFileTime(&ft);
    ULONGLONG t = ((ULONGLONG)ft.dwHighDateTime << 32) | ft.dwLowDateTime;
    return (double)(t - 116444736000000000ULL) / 10000.0;
}

bool ScreenWatchStart(SCREEN_WATCH* w, const wchar_t* name, const RECT& screen, POINT probe, DWORD maxMs)
{
    std::wstring tool = TestBuildDir() + L"\\tests\\screen_watch";
    std::wstring root = TestBuildDir() + L"\\scratch";
    CreateDirectoryW(root.c_str(), nullptr);
    w->log = root + L"\\" + name + L".screen.log";
    w->stop = root + L"\\" + name + L".screen.stop";
    DeleteFileW(w->log.c_str());
    DeleteFileW(w->stop.c_str());
    if (!FileExists(tool))
        return false;
    wchar_t nums[128];
    wsprintfW(nums, L" %d %d %d %d %d %d", (int)screen.left, (int)screen.top, (int)(screen.right - screen.left),
              (int)(screen.bottom - screen.top), (int)probe.x, (int)probe.y);
    std::wstring cmd = L"\"" + tool + L"\" -o \"" + Utf8ToWide(UnixPath(w->log)) + L"\" -s \"" +
                       Utf8ToWide(UnixPath(w->stop)) + L"\" -t " + std::to_wstring(maxMs) + nums;
    // It ends by itself at the stop file or after maxMs.
    std::string first;
    return HostToolFirstLine(tool, cmd, w->log, &first);
}

bool HostToolFirstLine(const std::wstring& tool, std::wstring cmd, const std::wstring& report, std::string* line,
                       DWORD timeoutMs)
{
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(tool.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    if (pi.hProcess)
        CloseHandle(pi.hProcess);
    if (pi.hThread)
        CloseHandle(pi.hThread);
    std::string text;
    DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        if (ReadBytes(report, &text) && text.find('\n') != std::string::npos) {
            *line = text.substr(0, text.find('\n'));
            return true;
        }
        Sleep(10);
    }
    return false;
}

// Wine starts a Linux program without giving back a process handle, so the drop source
// reports through a file.
std::string XdndDrop(POINT screen, const std::vector<std::wstring>& files, const std::wstring& resultFile)
{
    std::wstring tool = TestBuildDir() + L"\\tests\\xdnd_drop";
    if (!FileExists(tool))
        return "xdnd_drop was not built";
    DeleteFileW(resultFile.c_str());
    std::wstring cmd = L"\"" + tool + L"\" -r \"" + Utf8ToWide(UnixPath(resultFile)) + L"\" " +
                       std::to_wstring(screen.x) + L" " + std::to_wstring(screen.y);
    for (const std::wstring& f : files)
        cmd += L" \"" + Utf8ToWide(UnixPath(f)) + L"\"";
    std::string result;
    return HostToolFirstLine(tool, cmd, resultFile, &result) ? result : "xdnd_drop gave no result";
}

std::vector<SCREEN_CHANGE> ScreenWatchSeen(const SCREEN_WATCH* w)
{
    std::string text;
    ReadBytes(w->log, &text);
    std::vector<SCREEN_CHANGE> seen;
    size_t at = 0;
    while (at < text.size()) {
        size_t eol = text.find('\n', at);
        if (eol == std::string::npos)
            break;      // a line still being written
        std::string line = text.substr(at, eol - at);
        at = eol + 1;
        SCREEN_CHANGE c = {};
        unsigned rgb = 0;
        if (sscanf(line.c_str(), "%lf %x %x %ld", &c.ms, &c.hash, &rgb, &c.dark) == 4) {
            c.probe = RGB(rgb >> 16, (rgb >> 8) & 0xFF, rgb & 0xFF);
            seen.push_back(c);
        }
    }
    return seen;
}

std::vector<SCREEN_CHANGE> ScreenWatchStop(SCREEN_WATCH* w)
{
    WriteBytes(w->stop, "stop");
    std::string text;
    DWORD start = GetTickCount();
    while (GetTickCount() - start < 10000) {
        if (ReadBytes(w->log, &text) && text.find("end ") != std::string::npos)
            break;
        Sleep(10);
    }
    return ScreenWatchSeen(w);
}
