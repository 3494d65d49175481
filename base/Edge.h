#pragma once
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "base/HandOff.h"

// The Win32 edge: every call that takes or returns text goes through here. Inside the
// program text is code page 932 bytes; these helpers convert explicitly and call the
// W functions, so behaviour does not depend on the system's ANSI code page.

// Conversions. Return the number of units written without the terminator, or -1 when the
// text does not fit or (FromWide) cannot be written in code page 932 without loss.
int EdgeToWide(const char* s, wchar_t* out, int cap);
int EdgeFromWide(const wchar_t* s, char* out, int cap);
// Text read from a file (UTF-16, n units) as code page 932: each character the code page
// cannot write (an emoji, an accented letter, Hangul, a damaged byte) becomes one □, the
// box a font shows for a character it does not have.
void EdgeTextFromUtf16(const char16_t* s, size_t n, std::string* out);

HANDLE EdgeCreateFile(const char* path, DWORD access, DWORD share, DWORD disposition, DWORD attrs);
BOOL EdgeCreateDirectory(const char* path);
BOOL EdgeRemoveDirectory(const char* path);
BOOL EdgeDeleteFile(const char* path);
BOOL EdgeSetFileAttributes(const char* path, DWORD attrs);
BOOL EdgeCopyFile(const char* from, const char* to, BOOL failIfExists);
// Replaces `to` by `from` (same folder), writing through to disk.
BOOL EdgeReplaceFile(const char* from, const char* to);
// Gives `from` the name `to` (same folder) unless a file has that name already.
BOOL EdgeRenameFile(const char* from, const char* to);
BOOL EdgePathIsDirectory(const char* path);
BOOL EdgePathIsFile(const char* path);
// Both paths name one existing file (the same volume and file index), whatever their spelling.
BOOL EdgeSameFile(const char* a, const char* b);
DWORD EdgeGetCurrentDirectory(char* out, int cap);

struct EDGE_FIND_DATA {
    DWORD attributes;
    char name[MAX_PATH * 2 + 1];   // the real name, else its short (8.3) form
    BOOL lossy;            // neither can be written in code page 932 (name then has "?" for it)
};
HANDLE EdgeFindFirstFile(const char* pattern, EDGE_FIND_DATA* fd);
BOOL EdgeFindNextFile(HANDLE h, EDGE_FIND_DATA* fd);

int EdgeMessageBox(HWND owner, const char* text, const char* caption, UINT type);
// For texts that hold names code page 932 cannot write (such as a dropped file's).
int EdgeMessageBoxWide(HWND owner, const wchar_t* text, const char* caption, UINT type);
// ShellExecute with the verb "open", no parameters, no directory, SW_SHOWNORMAL. False when
// the shell opened nothing.
bool EdgeShellOpen(HWND owner, const char* file);
// A file or folder the user asked to see, handed to the shell; when that fails, a box
// tells which one to open by hand.
void EdgeOpenForUser(HWND owner, const char* path, HAND_OFF_KIND kind);
// Message boxes and shell hand-offs of EdgeShellOpen under way now, on any thread: each
// may run a loop of its own under the caller.
int EdgeModalOpen();
// While held (calls nest), a box of this thread's with only an OK button is not shown: its
// caption goes to the trace and IDOK is returned. A box that asks is still shown.
void EdgeHoldNotices(bool hold);
// The same hand-off for a program, keeping the process it started (null when none):
// the caller owns the handle. The shell shows no error box of its own.
HANDLE EdgeShellOpenProcess(HWND owner, const char* file);

HWND EdgeCreateWindowEx(DWORD exStyle, const char* className, const char* title, DWORD style,
                        int x, int y, int w, int h, HWND parent, HMENU menu, HINSTANCE inst, void* param);
int EdgeGetWindowText(HWND wnd, char* out, int cap);
BOOL EdgeSetWindowText(HWND wnd, const char* text);
HFONT EdgeCreateFont(int height, int width, int escapement, int orientation, int weight,
                     DWORD italic, DWORD underline, DWORD strikeOut, DWORD charSet,
                     DWORD outPrecision, DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily,
                     const char* face);
HFONT EdgeCreateFontFromLogFont(const LOGFONTW* lf);

BOOL EdgeTextOut(HDC dc, int x, int y, const char* text);
BOOL EdgeGetTextExtent(HDC dc, const char* text, SIZE* size);

HANDLE EdgeLoadBitmapFile(HINSTANCE inst, const char* path);
HANDLE EdgeCreateFileMapping(HANDLE file, DWORD protect, DWORD sizeHigh, DWORD sizeLow, const char* name);

// Drag and drop: the path of file k as code page 932. Returns its length, 0 when there
// is none, or -1 when the name cannot be written in code page 932 or is longer than MAX_PATH
// (wide name in wideOut).
UINT EdgeDragQueryCount(HDROP drop);
int EdgeDragQueryFile(HDROP drop, UINT k, char* out, int cap, wchar_t* wideOut, int wideCap);

// Menus and list boxes.
BOOL EdgeInsertMenuItem(HMENU menu, UINT item, BOOL byPos, MENUITEMINFOW* mii, const char* text);
LRESULT EdgeListBoxAddString(HWND list, const char* text);

void EdgeDebugOut(const char* cp932);
