#pragma once
#include <windows.h>
#include <string>
#include <vector>

// --- Folders and files -------------------------------------------------------------
std::wstring TestBuildDir();                  // the build folder (parent of the tests folder)
std::wstring ToWide(const char* cp932);        // code page 932 -> UTF-16
std::string ToCp932(const std::wstring& w);    // UTF-16 -> code page 932
std::wstring Utf8ToWide(const std::string& s);
void DeleteTree(const std::wstring& path);
bool WriteBytes(const std::wstring& path, const std::string& bytes);
bool ReadBytes(const std::wstring& path, std::string* bytes);
bool FileExists(const std::wstring& path);
bool DirExists(const std::wstring& path);
std::vector<std::wstring> ListFolder(const std::wstring& folder);   // names, without . and ..

// A fresh program folder build\scratch\<name>: App\ (empty), 部品\ with the built QX5.exe,
// heart and usage guide. withConverter false leaves 部品 empty. Returns the program folder.
std::wstring MakeScratchProgramFolder(const wchar_t* name, bool withConverter = true);
std::wstring SettingsFolder(const std::wstring& programFolder);  // ...\個人設定

// --- Message boxes shown by this thread ----------------------------------------------
struct SHOWN_BOX {
    std::wstring caption;
    std::wstring text;
    HWND owner;
    bool topmost;
    bool hasYesNo;
};
// Records every message box this thread shows and answers it: with the queued answers
// first (IDOK, IDYES, IDNO, IDCANCEL), then with the default answer.
void BoxWatchStart(int defaultAnswer = IDOK);
void BoxWatchQueue(int answer);
std::vector<SHOWN_BOX> BoxWatchStop();
const std::vector<SHOWN_BOX>& BoxWatchSeen();
// Called (if set) for each new top-level dialog (#32770) that is not a plain message box
// answered above, e.g. the colour dialog. Return true when handled.
typedef bool (*DIALOG_DRIVER)(HWND dlg);
void BoxWatchSetDialogDriver(DIALOG_DRIVER driver);

// --- Debug traces written by this process -------------------------------------------
void TraceCaptureStart();
std::vector<std::string> TraceCaptureStop();   // code page 932 bytes, one entry per write

// --- Shell hand-offs (browser, editor, file manager) --------------------------------
// Points KP_HANDOFF_LOG at a fresh log for this test; returns its path.
std::wstring HandoffLogStart(const wchar_t* name);
// Waits up to timeoutMs for at least `count` lines; returns the lines (UTF-16).
std::vector<std::wstring> HandoffLogLines(size_t count = 0, DWORD timeoutMs = 0);

// --- Kotopane in this process ---------------------------------------------------------
// Runs start-up with the working directory programFolder\App; returns the main window.
HWND StartKotopaneInProcess(const std::wstring& programFolder);
// Destroys the main window (shutdown work runs) and eats the WM_QUIT it posts.
void StopKotopaneInProcess();
void PumpMessages(DWORD ms);

// --- Other processes -------------------------------------------------------------------
struct STARTED_PROGRAM {
    HANDLE process;
    DWORD pid;
};
bool StartProgram(const std::wstring& exe, const std::wstring& workDir, STARTED_PROGRAM* out);
HWND FindProcessWindow(DWORD pid, const wchar_t* className, DWORD timeoutMs);
HWND FindWindowByTitle(const wchar_t* title, DWORD timeoutMs);
// Message boxes (#32770) of another process; empty when none appears in time.
std::vector<HWND> FindProcessBoxes(DWORD pid, DWORD timeoutMs);
std::wstring BoxText(HWND box);
std::wstring WindowTitle(HWND wnd);
bool WaitProcessExit(HANDLE process, DWORD timeoutMs, DWORD* exitCode);
