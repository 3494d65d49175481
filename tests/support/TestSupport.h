#pragma once
#include <windows.h>
#include <wincodec.h>
#include <shellapi.h>

#include <functional>
#include <string>
#include <vector>

// Whether QX5 was built with libwebp and libheif (without them those formats go to WIC,
// which has no decoder for them under Wine).
#ifndef KP_HAVE_LIBWEBP
#define KP_HAVE_LIBWEBP 0
#endif
#ifndef KP_HAVE_LIBHEIF
#define KP_HAVE_LIBHEIF 0
#endif

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
// its DLLs, heart and usage guide. withConverter false leaves 部品 empty. Returns the program folder.
std::wstring MakeScratchProgramFolder(const wchar_t* name, bool withConverter = true);
std::wstring SettingsFolder(const std::wstring& programFolder);  // ...\個人設定

// --- Pictures (Pictures_win.cpp) ------------------------------------------------------
// Colour of a pixel counted from the top left: 0xAARRGGBB (a BMP ignores the alpha).
typedef std::function<DWORD(int x, int y)> PIXEL_FN;
// Little- or big-endian fields, appended.
void Put16(std::string& s, unsigned v, bool big);
void Put32(std::string& s, unsigned long v, bool big);
// A 24-bit bottom-up BMP, byte for byte, and the same written to a file.
std::string TestBmpBytes(int w, int h, const PIXEL_FN& colour);
bool WriteTestBmp(const std::wstring& path, int w, int h, const PIXEL_FN& colour);
// Encodes frames (one function per frame) of w x h in a WIC container (GUID_ContainerFormat...):
// 32-bit with alpha for PNG and TIFF unless opaque, palette for GIF, else 24-bit. Rows go
// to the encoder in strips, so very large pictures need no full-size buffer.
bool EncodePicture(const std::wstring& path, const GUID& container, int w, int h,
                   const std::vector<PIXEL_FN>& frames, bool opaque = false);
// A photo-like gradient with some detail, opaque, and the colour of its pixel (x, y).
bool WriteWicPicture(const std::wstring& path, const GUID& container, int w, int h);
COLORREF WicPicturePixel(int x, int y, int w, int h);
// An icon file with one 32-bit image per size, each filled with its colour (0xAARRGGBB).
bool WriteIcon(const std::wstring& path, const std::vector<std::pair<int, DWORD>>& images);
// A w x h 32-bit bottom-up DIB selected into a memory DC set for HALFTONE stretches, as the
// picture slots are; its pixels readable at bits once GdiFlush has run.
struct HALFTONE_CANVAS {
    HDC dc;
    HBITMAP dib;
    HGDIOBJ old;
    DWORD* bits;
};
bool CanvasOpen(HALFTONE_CANVAS* c, int w, int h);
void CanvasClose(HALFTONE_CANVAS* c);
// An APP1 EXIF segment whose IFD0 holds the orientation, put right after a JPEG's start marker.
bool SpliceExif(const std::wstring& path, unsigned orient, bool bigEndian);
// A BMP as the converter writes it (32-bit, fourth byte 255), read back: size and pixels (0x00RRGGBB) from
// the top left.
struct READ_BMP {
    int w = 0, h = 0, bits = 0;
    int fullW = 0, fullH = 0;      // the picture's full size, as Kotopane's reader takes it
    std::vector<DWORD> px;
    DWORD at(int x, int y) const { return px[(size_t)y * w + x]; }
};
bool ReadConvertedBmp(const std::wstring& path, READ_BMP* out);
// The size of a BMP file as LoadImage reads it; false when LoadImage refuses it.
bool LoadImageSize(const std::wstring& path, int* w, int* h);

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
// Pumps messages until every drop the window took has come in and been shown.
void WaitForDrops(DWORD timeoutMs = 20000);
// What the shell hands over on a drop: a DROPFILES block with wide names (for a window of
// this process only); the receiver frees it.
HDROP MakeDrop(POINT pt, const std::vector<std::wstring>& files);

// --- The converter, asked as Kotopane asks it ---------------------------------------------
// The destination (code page 932, the zero-padded block), then the source. Returns the reply
// (CONVERTER_REPLY_CONVERTED: a BMP was written); *answered says whether both messages came
// back in time. With a colour (0x00BBGGRR), Kotopane's request that carries it.
LRESULT ConverterRequest(HWND converter, const std::wstring& dst, const std::wstring& src, bool* answered = nullptr,
                         DWORD timeoutMs = 60000, long long back = -1);

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

// --- The screen, read from outside (the X11 screen watcher) -------------------------------
std::string UnixPath(const std::wstring& windowsPath);  // Wine's Linux name of a path
// Starts a Linux program of the test build (Wine gives back no process handle for one) and
// waits up to timeoutMs for the first line it writes to its report file; false when none came.
bool HostToolFirstLine(const std::wstring& tool, std::wstring cmd, const std::wstring& report, std::string* line,
                       DWORD timeoutMs = 10000);
// Drops the files at a screen point with the Linux drop source (tests/support/xdnd_drop.c);
// its result line, "0 dropped" when the window took the drop.
std::string XdndDrop(POINT screen, const std::vector<std::wstring>& files, const std::wstring& resultFile);
double UnixMsNow();                                       // the wall clock the watcher logs in
struct SCREEN_CHANGE {
    double ms;          // when the grab was taken (UnixMsNow's clock)
    unsigned hash;      // of the rectangle's pixels
    COLORREF probe;     // the probe pixel
    long dark;          // pixels of the rectangle darker than 80 in every channel
};
struct SCREEN_WATCH {
    std::wstring log, stop;
};
// Grabs a screen rectangle and a probe pixel (screen coordinates) about a hundred times a
// second, for at most maxMs; returns once the first grab is in.
bool ScreenWatchStart(SCREEN_WATCH* w, const wchar_t* name, const RECT& screen, POINT probe, DWORD maxMs);
// Every change seen so far, in order (the first grab first); Stop ends the watch first.
std::vector<SCREEN_CHANGE> ScreenWatchSeen(const SCREEN_WATCH* w);
std::vector<SCREEN_CHANGE> ScreenWatchStop(SCREEN_WATCH* w);
