#include "base/Edge.h"

#include <shlwapi.h>
#include <string.h>

#include "base/Trace.h"

enum { CP_SJIS = 932 };

int EdgeToWide(const char* s, wchar_t* out, int cap)
{
    if (cap <= 0)
        return -1;
    out[0] = 0;
    if (!s || !*s)
        return 0;
    int n = MultiByteToWideChar(CP_SJIS, 0, s, -1, out, cap);
    if (n <= 0) {
        out[0] = 0;
        return -1;
    }
    return n - 1;
}

int EdgeFromWide(const wchar_t* s, char* out, int cap)
{
    if (cap <= 0)
        return -1;
    out[0] = 0;
    if (!s || !*s)
        return 0;
    BOOL lossy = FALSE;
    int n = WideCharToMultiByte(CP_SJIS, WC_NO_BEST_FIT_CHARS, s, -1, out, cap, nullptr, &lossy);
    if (n <= 0 || lossy) {
        out[0] = 0;
        return -1;
    }
    return n - 1;
}

enum { CONVERT_CHUNK = 256 };
static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 text is handed to the W functions as it is");

// Appends s[0..n) in code page 932; false (nothing appended) when a character can't be written.
static bool AppendCp932(const wchar_t* s, size_t n, std::string* out)
{
    char buf[2 * CONVERT_CHUNK + 2];
    BOOL lossy = FALSE;
    int got = WideCharToMultiByte(CP_SJIS, WC_NO_BEST_FIT_CHARS, s, (int)n, buf, sizeof buf, nullptr, &lossy);
    if (got <= 0 || lossy)
        return false;
    out->append(buf, (size_t)got);
    return true;
}

// A chunk at a time, and one character at a time only in a chunk that needs the mark.
void EdgeTextFromUtf16(const char16_t* text, size_t n, std::string* out)
{
    const wchar_t* s = (const wchar_t*)text;
    out->clear();
    for (size_t i = 0; i < n;) {
        size_t chunk = n - i < (size_t)CONVERT_CHUNK ? n - i : (size_t)CONVERT_CHUNK;
        if (i + chunk < n && IS_HIGH_SURROGATE(s[i + chunk - 1]))
            chunk--;
        if (!AppendCp932(s + i, chunk, out)) {
            for (size_t j = i; j < i + chunk;) {
                size_t len = IS_SURROGATE_PAIR(s[j], j + 1 < i + chunk ? s[j + 1] : 0) ? 2 : 1;
                if (!AppendCp932(s + j, len, out))
                    out->append("□");
                j += len;
            }
        }
        i += chunk;
    }
}

// Paths and texts of this program fit MAX_PATH-sized wide buffers comfortably; longer
// texts (message boxes) use a heap buffer.
struct WIDE_TEXT {
    wchar_t local[520];
    wchar_t* heap;
    const wchar_t* p;
};

static void WideOpen(WIDE_TEXT* w, const char* s)
{
    w->heap = nullptr;
    w->p = w->local;
    if (!s) {
        w->p = nullptr;
        return;
    }
    int need = MultiByteToWideChar(CP_SJIS, 0, s, -1, nullptr, 0);
    if (need <= 0) {
        w->local[0] = 0;
        return;
    }
    wchar_t* buf = w->local;
    if (need > (int)(sizeof(w->local) / sizeof(w->local[0]))) {
        w->heap = (wchar_t*)HeapAlloc(GetProcessHeap(), 0, need * sizeof(wchar_t));
        if (!w->heap) {
            w->local[0] = 0;
            return;
        }
        buf = w->heap;
        w->p = buf;
    }
    MultiByteToWideChar(CP_SJIS, 0, s, -1, buf, need);
}

static void WideClose(WIDE_TEXT* w)
{
    if (w->heap)
        HeapFree(GetProcessHeap(), 0, w->heap);
}

// What a caller of a file call expects to happen now and then: the file or folder is not
// there (reading a setting never saved, deleting what is already gone), or it already is
// (a folder made again, a temporary name taken).
enum { EXPECT_NONE = 0, EXPECT_MISSING = 1, EXPECT_EXISTING = 2 };

// A file call that failed goes to the trace with its error, unless it failed the way its
// callers expect. The caller still finds the error where the call left it.
static void FileCallFailed(const char* call, const char* path, DWORD err, int expected)
{
    bool missing = err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND;
    bool existing = err == ERROR_FILE_EXISTS || err == ERROR_ALREADY_EXISTS;
    if (!((expected & EXPECT_MISSING) && missing) && !((expected & EXPECT_EXISTING) && existing)) {
        SetLastError(err);
        TraceLastError(call, path);
    }
    SetLastError(err);
}

HANDLE EdgeCreateFile(const char* path, DWORD access, DWORD share, DWORD disposition, DWORD attrs)
{
    WIDE_TEXT w;
    WideOpen(&w, path);
    HANDLE h = CreateFileW(w.p, access, share, nullptr, disposition, attrs, nullptr);
    DWORD err = GetLastError();
    WideClose(&w);
    if (h == INVALID_HANDLE_VALUE)
        FileCallFailed("CreateFileW", path, err, EXPECT_MISSING | EXPECT_EXISTING);
    return h;
}

// One path in, a BOOL out: the folder and file calls below.
static BOOL PathCall(BOOL (WINAPI *call)(LPCWSTR), const char* name, const char* path, int expected)
{
    WIDE_TEXT w;
    WideOpen(&w, path);
    BOOL ok = call(w.p);
    DWORD err = GetLastError();
    WideClose(&w);
    if (!ok)
        FileCallFailed(name, path, err, expected);
    return ok;
}

static BOOL WINAPI CreateFolderW(LPCWSTR path)
{
    return CreateDirectoryW(path, nullptr);
}

BOOL EdgeCreateDirectory(const char* path)
{
    return PathCall(CreateFolderW, "CreateDirectoryW", path, EXPECT_EXISTING);
}

BOOL EdgeRemoveDirectory(const char* path)
{
    return PathCall(RemoveDirectoryW, "RemoveDirectoryW", path, EXPECT_MISSING);
}

BOOL EdgeDeleteFile(const char* path)
{
    return PathCall(DeleteFileW, "DeleteFileW", path, EXPECT_MISSING);
}

BOOL EdgeSetFileAttributes(const char* path, DWORD attrs)
{
    WIDE_TEXT w;
    WideOpen(&w, path);
    BOOL ok = SetFileAttributesW(w.p, attrs);
    DWORD err = GetLastError();
    WideClose(&w);
    if (!ok)
        FileCallFailed("SetFileAttributesW", path, err, EXPECT_MISSING);
    return ok;
}

BOOL EdgeCopyFile(const char* from, const char* to, BOOL failIfExists)
{
    WIDE_TEXT a, b;
    WideOpen(&a, from);
    WideOpen(&b, to);
    BOOL ok = CopyFileW(a.p, b.p, failIfExists);
    DWORD err = GetLastError();
    WideClose(&b);
    WideClose(&a);
    if (!ok)
        FileCallFailed("CopyFileW", to, err, failIfExists ? EXPECT_EXISTING : EXPECT_NONE);
    return ok;
}

static BOOL MoveCall(const char* from, const char* to, DWORD flags, int expected)
{
    WIDE_TEXT a, b;
    WideOpen(&a, from);
    WideOpen(&b, to);
    BOOL ok = MoveFileExW(a.p, b.p, flags);
    DWORD err = GetLastError();
    WideClose(&b);
    WideClose(&a);
    if (!ok)
        FileCallFailed("MoveFileExW", to, err, expected);
    return ok;
}

BOOL EdgeReplaceFile(const char* from, const char* to)
{
    return MoveCall(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH, EXPECT_MISSING);
}

BOOL EdgeRenameFile(const char* from, const char* to)
{
    return MoveCall(from, to, 0, EXPECT_EXISTING);
}

BOOL EdgePathIsFile(const char* path)
{
    WIDE_TEXT w;
    WideOpen(&w, path);
    DWORD a = w.p && *w.p ? GetFileAttributesW(w.p) : INVALID_FILE_ATTRIBUTES;
    WideClose(&w);
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

BOOL EdgePathIsDirectory(const char* path)
{
    WIDE_TEXT w;
    WideOpen(&w, path);
    BOOL ok = w.p && *w.p && PathIsDirectoryW(w.p);
    WideClose(&w);
    return ok ? TRUE : FALSE;
}

static BOOL FileIdentity(const char* path, BY_HANDLE_FILE_INFORMATION* info)
{
    WIDE_TEXT w;
    WideOpen(&w, path);
    HANDLE h = CreateFileW(w.p, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    WideClose(&w);
    if (h == INVALID_HANDLE_VALUE)
        return FALSE;
    BOOL ok = GetFileInformationByHandle(h, info);
    CloseHandle(h);
    return ok;
}

BOOL EdgeSameFile(const char* a, const char* b)
{
    BY_HANDLE_FILE_INFORMATION ia, ib;
    if (!FileIdentity(a, &ia) || !FileIdentity(b, &ib))
        return FALSE;
    return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber && ia.nFileIndexHigh == ib.nFileIndexHigh
           && ia.nFileIndexLow == ib.nFileIndexLow;
}

DWORD EdgeGetCurrentDirectory(char* out, int cap)
{
    wchar_t buf[MAX_PATH + 1];
    DWORD n = GetCurrentDirectoryW(MAX_PATH + 1, buf);
    if (n == 0 || n > MAX_PATH || EdgeFromWide(buf, out, cap) < 0) {
        if (cap > 0)
            out[0] = 0;
        return 0;
    }
    return (DWORD)strlen(out);
}

static void FindDataFrom(const WIN32_FIND_DATAW* w, EDGE_FIND_DATA* fd)
{
    fd->attributes = w->dwFileAttributes;
    fd->lossy = FALSE;
    if (EdgeFromWide(w->cFileName, fd->name, sizeof(fd->name)) >= 0)
        return;
    // The short (8.3) name opens the same file, where the file system keeps one.
    if (w->cAlternateFileName[0] && EdgeFromWide(w->cAlternateFileName, fd->name, sizeof(fd->name)) >= 0)
        return;
    // "?" for what code page 932 can't write: no real file has it, so callers never act
    // on the name, but its length and extension can still be told.
    fd->lossy = TRUE;
    if (WideCharToMultiByte(CP_SJIS, WC_NO_BEST_FIT_CHARS, w->cFileName, -1, fd->name, sizeof(fd->name), "?",
                            nullptr) <= 0)
        strcpy(fd->name, "?");
}

HANDLE EdgeFindFirstFile(const char* pattern, EDGE_FIND_DATA* fd)
{
    WIDE_TEXT w;
    WideOpen(&w, pattern);
    WIN32_FIND_DATAW wfd;
    HANDLE h = FindFirstFileW(w.p, &wfd);
    WideClose(&w);
    if (h != INVALID_HANDLE_VALUE)
        FindDataFrom(&wfd, fd);
    return h;
}

BOOL EdgeFindNextFile(HANDLE h, EDGE_FIND_DATA* fd)
{
    WIN32_FIND_DATAW wfd;
    if (!FindNextFileW(h, &wfd))
        return FALSE;
    FindDataFrom(&wfd, fd);
    return TRUE;
}

// Every box and hand-off of the program passes here, on whichever thread shows it.
static volatile LONG glModalOpen;
static thread_local int glNoticesHeld;

int EdgeModalOpen()
{
    return (int)InterlockedCompareExchange(&glModalOpen, 0, 0);
}

void EdgeHoldNotices(bool hold)
{
    glNoticesHeld += hold ? 1 : -1;
}

// A box that only tells (its one button is OK) while this thread holds its notices; a box
// that asks is always shown.
static bool NoticeHeld(const char* caption, UINT type)
{
    if (glNoticesHeld <= 0 || (type & MB_TYPEMASK) != MB_OK)
        return false;
    TraceText("Held notice: ", caption);
    return true;
}

static int ShowBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type)
{
    InterlockedIncrement(&glModalOpen);
    int r = MessageBoxW(owner, text, caption, type);
    InterlockedDecrement(&glModalOpen);
    return r;
}

int EdgeMessageBox(HWND owner, const char* text, const char* caption, UINT type)
{
    if (NoticeHeld(caption, type))
        return IDOK;
    WIDE_TEXT t, c;
    WideOpen(&t, text);
    WideOpen(&c, caption);
    int r = ShowBox(owner, t.p, c.p, type);
    WideClose(&c);
    WideClose(&t);
    return r;
}

int EdgeMessageBoxWide(HWND owner, const wchar_t* text, const char* caption, UINT type)
{
    if (NoticeHeld(caption, type))
        return IDOK;
    WIDE_TEXT c;
    WideOpen(&c, caption);
    int r = ShowBox(owner, text, c.p, type);
    WideClose(&c);
    return r;
}

// The shell may wait in a loop of its own, or show a box of its own (a file with no
// program to open it), while it starts the program.
bool EdgeShellOpen(HWND owner, const char* file)
{
    WIDE_TEXT w;
    WideOpen(&w, file);
    InterlockedIncrement(&glModalOpen);
    INT_PTR r = w.p && *w.p ? (INT_PTR)ShellExecuteW(owner, L"open", w.p, nullptr, nullptr, SW_SHOWNORMAL) : 0;
    InterlockedDecrement(&glModalOpen);
    // Above 32 means the shell started something for it. The DDE errors come after the
    // handler was started (Wine answers 30 for every folder that opens in explorer).
    bool ok = r > 32 || r == SE_ERR_DDETIMEOUT || r == SE_ERR_DDEFAIL || r == SE_ERR_DDEBUSY;
    WideClose(&w);
    return ok;
}

void EdgeOpenForUser(HWND owner, const char* path, HAND_OFF_KIND kind)
{
    if (!EdgeShellOpen(owner, path))
        EdgeMessageBox(owner, HandOffFailedText(kind, path).c_str(), HAND_OFF_FAILED_CAPTION, MB_TOPMOST | MB_OK);
}

HANDLE EdgeShellOpenProcess(HWND owner, const char* file)
{
    WIDE_TEXT w;
    WideOpen(&w, file);
    SHELLEXECUTEINFOW sei = {};
    sei.cbSize = sizeof sei;
    sei.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    sei.hwnd = owner;
    sei.lpVerb = L"open";
    sei.lpFile = w.p;
    sei.nShow = SW_SHOWNORMAL;
    BOOL ok = w.p && *w.p && ShellExecuteExW(&sei);
    WideClose(&w);
    return ok ? sei.hProcess : nullptr;
}

HWND EdgeCreateWindowEx(DWORD exStyle, const char* className, const char* title, DWORD style,
                        int x, int y, int w, int h, HWND parent, HMENU menu, HINSTANCE inst, void* param)
{
    WIDE_TEXT c, t;
    WideOpen(&c, className);
    WideOpen(&t, title);
    HWND wnd = CreateWindowExW(exStyle, c.p, t.p, style, x, y, w, h, parent, menu, inst, param);
    WideClose(&t);
    WideClose(&c);
    return wnd;
}

int EdgeGetWindowText(HWND wnd, char* out, int cap)
{
    if (cap <= 0)
        return -1;
    out[0] = 0;
    int len = GetWindowTextLengthW(wnd);
    if (len <= 0)
        return 0;
    wchar_t local[520];
    wchar_t* buf = local;
    if (len + 1 > 520) {
        buf = (wchar_t*)HeapAlloc(GetProcessHeap(), 0, (len + 1) * sizeof(wchar_t));
        if (!buf)
            return -1;
    }
    GetWindowTextW(wnd, buf, len + 1);
    int n = EdgeFromWide(buf, out, cap);
    if (buf != local)
        HeapFree(GetProcessHeap(), 0, buf);
    return n;
}

BOOL EdgeSetWindowText(HWND wnd, const char* text)
{
    WIDE_TEXT w;
    WideOpen(&w, text);
    BOOL ok = SetWindowTextW(wnd, w.p);
    WideClose(&w);
    return ok;
}

HFONT EdgeCreateFont(int height, int width, int escapement, int orientation, int weight,
                     DWORD italic, DWORD underline, DWORD strikeOut, DWORD charSet,
                     DWORD outPrecision, DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily,
                     const char* face)
{
    WIDE_TEXT w;
    WideOpen(&w, face);
    HFONT f = CreateFontW(height, width, escapement, orientation, weight, italic, underline, strikeOut,
                          charSet, outPrecision, clipPrecision, quality, pitchAndFamily, w.p);
    WideClose(&w);
    return f;
}

HFONT EdgeCreateFontFromLogFont(const LOGFONTW* lf)
{
    return CreateFontIndirectW(lf);
}

BOOL EdgeTextOut(HDC dc, int x, int y, const char* text)
{
    WIDE_TEXT w;
    WideOpen(&w, text);
    BOOL ok = TextOutW(dc, x, y, w.p, (int)wcslen(w.p));
    WideClose(&w);
    return ok;
}

BOOL EdgeGetTextExtent(HDC dc, const char* text, SIZE* size)
{
    WIDE_TEXT w;
    WideOpen(&w, text);
    BOOL ok = GetTextExtentPoint32W(dc, w.p, (int)wcslen(w.p), size);
    WideClose(&w);
    return ok;
}

HANDLE EdgeLoadBitmapFile(HINSTANCE inst, const char* path)
{
    WIDE_TEXT w;
    WideOpen(&w, path);
    HANDLE h = LoadImageW(inst, w.p, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_DEFAULTSIZE);
    WideClose(&w);
    return h;
}

HANDLE EdgeCreateFileMapping(HANDLE file, DWORD protect, DWORD sizeHigh, DWORD sizeLow, const char* name)
{
    WIDE_TEXT w;
    WideOpen(&w, name);
    HANDLE h = CreateFileMappingW(file, nullptr, protect, sizeHigh, sizeLow, w.p);
    WideClose(&w);
    return h;
}

UINT EdgeDragQueryCount(HDROP drop)
{
    return DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
}

int EdgeDragQueryFile(HDROP drop, UINT k, char* out, int cap, wchar_t* wideOut, int wideCap)
{
    if (cap > 0)
        out[0] = 0;
    // A path longer than the classic calls open is still named to the user (cut to wideCap).
    UINT n = DragQueryFileW(drop, k, nullptr, 0);
    wchar_t* buf = n > 0 ? (wchar_t*)HeapAlloc(GetProcessHeap(), 0, (n + 1) * sizeof(wchar_t)) : nullptr;
    if (!buf || DragQueryFileW(drop, k, buf, n + 1) != n) {
        if (buf)
            HeapFree(GetProcessHeap(), 0, buf);
        return 0;
    }
    if (wideOut && wideCap > 0)
        lstrcpynW(wideOut, buf, wideCap);
    int r = n > MAX_PATH ? -1 : EdgeFromWide(buf, out, cap);
    HeapFree(GetProcessHeap(), 0, buf);
    return r;
}

BOOL EdgeInsertMenuItem(HMENU menu, UINT item, BOOL byPos, MENUITEMINFOW* mii, const char* text)
{
    WIDE_TEXT w;
    WideOpen(&w, text);
    if (text)
        mii->dwTypeData = (LPWSTR)w.p;
    BOOL ok = InsertMenuItemW(menu, item, byPos, mii);
    WideClose(&w);
    return ok;
}

LRESULT EdgeListBoxAddString(HWND list, const char* text)
{
    WIDE_TEXT w;
    WideOpen(&w, text);
    LRESULT r = SendMessageW(list, LB_ADDSTRING, 0, (LPARAM)w.p);
    WideClose(&w);
    return r;
}

void EdgeDebugOut(const char* cp932)
{
    // The bytes go out as they are: debuggers read code page 932 text.
    OutputDebugStringA(cp932);
}
