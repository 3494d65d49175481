#include "intake/Intake.h"

#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/Cp932.h"
#include "base/Edge.h"
#include "base/Limits.h"
#include "base/PathJoin.h"
#include "base/Trace.h"
#include "base/Window.h"
#include "categories/MenuBar.h"
#include "categories/RecentFolders.h"
#include "display/Display.h"
#include "store/Paths.h"
#include "store/SaveTemp.h"
#include "store/TextFile.h"

// Refused names are listed up to this many characters; the rest is summed up.
enum { REFUSED_LIST_MAX = 2000 };

// Why a dropped file stayed out. The one message after a drop lists the files by reason.
enum {
    REFUSED_NAME,            // code page 932 can't write it, its path is too long, or a temporary name
    REFUSED_LINES_FILE,      // the category's lines file
    REFUSED_NOTHING_INSIDE,  // a folder with no file directly inside
    REFUSED_UNREADABLE,
    REFUSED_DISK_FULL,
    REFUSED_UNWRITABLE,
    REFUSED_KINDS
};

static const wchar_t* const kRefusedText[REFUSED_KINDS] = {
    L"次のファイルは、名前に使えない文字が入っているか場所の名前が長すぎるため、取り込めませんでした。"
    L"ファイル名を変えてから、もう一度ドロップしてください。",
    L"次のファイルは、メニューのセリフファイルと同じ名前のため、取り込めませんでした（セリフファイルはそのままです）。",
    L"次のフォルダには、取り込めるファイルが直接入っていませんでした（中のフォルダからは取り込みません）。",
    L"次のファイルは、読み込めないため（ほかのプログラムが使っているか、読む許可がありません）、取り込めませんでした。",
    L"次のファイルは、ディスクの空きが足りないため、取り込めませんでした。空きを作ってから、もう一度ドロップしてください。",
    L"次のファイルは、メニューのフォルダに書き込めないため、取り込めませんでした。",
};

struct DROP_REFUSALS {
    std::wstring list[REFUSED_KINDS];
    int count[REFUSED_KINDS];
    int listed[REFUSED_KINDS];
    size_t chars;
};

static void Refuse(DROP_REFUSALS* r, int kind, const std::wstring& what)
{
    r->count[kind]++;
    if (r->chars >= REFUSED_LIST_MAX)
        return;
    r->list[kind] += L"\r\n　";
    r->list[kind] += what;
    r->chars += what.size() + 3;
    r->listed[kind]++;
}

static void ReportRefusals(const DROP_REFUSALS& r, bool someArrived)
{
    std::wstring text;
    for (int kind = 0; kind < REFUSED_KINDS; kind++) {
        if (r.count[kind] == 0)
            continue;
        if (!text.empty())
            text += L"\r\n\r\n";
        text += kRefusedText[kind];
        text += r.list[kind];
        if (r.listed[kind] < r.count[kind])
            text += L"\r\n　…";
    }
    if (text.empty())
        return;
    if (someArrived)
        text += L"\r\n\r\n（ほかのファイルは取り込みました。）";
    EdgeMessageBoxWide(MainWindow(), text.c_str(), "取り込めないファイルがあります。（；‘ v‘）/", MB_TOPMOST | MB_OK);
}

// One file to take in: its path in code page 932 ("" when it has none that fits) and as
// the shell or the folder listing gave it.
struct DROPPED {
    std::string path;
    std::wstring wide;
};

// The files directly inside a dropped folder, in name order, each as if it had been
// dropped: not its subfolders, nor the hidden and system files and dot-names that
// systems leave in folders.
static void AddFolderFiles(const char* folder, const std::wstring& wideFolder, std::vector<DROPPED>* items,
                           DROP_REFUSALS* r)
{
    std::wstring wsep = wideFolder.empty() || wideFolder.back() != L'\\' ? L"\\" : L"";
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((wideFolder + wsep + L"*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (!(fd.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))
                && fd.cFileName[0] != L'.')
                names.push_back(fd.cFileName);
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    if (names.empty()) {
        Refuse(r, REFUSED_NOTHING_INSIDE, wideFolder);
        return;
    }
    std::sort(names.begin(), names.end(),
              [](const std::wstring& a, const std::wstring& b) { return lstrcmpiW(a.c_str(), b.c_str()) < 0; });
    for (const std::wstring& name : names) {
        DROPPED d;
        d.wide = wideFolder + wsep + name;
        char cp932[MAX_PATH * 2 + 1];
        char path[KP_PATH_BYTES];
        if (EdgeFromWide(name.c_str(), cp932, sizeof cp932) > 0 && PathJoin(path, sizeof path, folder, cp932))
            d.path = path;
        items->push_back(d);
    }
}

// The category's lines file under any spelling that reaches it: the name Windows opens it
// by (ASCII case, trailing dots and spaces aside) or the file itself (its short name).
static bool IsLinesFile(int target, const char* folder, const char* name, const char* dest)
{
    std::string own = CategoryName(target);
    own += KP_LINES_SUFFIX;
    // Neither a dot nor a space is ever a trail byte.
    std::string given = name;
    while (!given.empty() && (given.back() == '.' || given.back() == ' '))
        given.pop_back();
    if (Cp932CompareNoCase(given.c_str(), own.c_str()) == 0)
        return true;
    char lines[KP_PATH_BYTES];
    return PathJoin(lines, sizeof lines, folder, own.c_str()) && EdgeSameFile(dest, lines);
}

// Copies a picture to a temporary name beside dest and gives it dest's name only when it
// is whole (the crash-safe writers' rule; the start-up sweep removes what a killed run
// leaves), so dest is the new picture or untouched. A failed copy is removed. Returns -1
// when the picture arrived, else why it did not.
static int CopyIn(const char* from, const char* dest, const char* folder)
{
    std::string temp;
    BOOL copied = FALSE;
    DWORD error = NO_ERROR;
    for (int k = 0; k < 100; k++) {
        temp = SaveTempName(dest, GetCurrentProcessId(), k);
        if (temp.size() >= KP_PATH_BYTES - 4)   // a long name: a short one in the same folder
            temp = SaveTempName((std::string(folder) + "\\~").c_str(), GetCurrentProcessId(), k);
        copied = EdgeCopyFile(from, temp.c_str(), TRUE);
        error = copied ? NO_ERROR : GetLastError();
        if (copied || (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS))
            break;
    }
    if (copied && EdgeReplaceFile(temp.c_str(), dest))
        return -1;
    if (copied)
        error = GetLastError();
    // The copy carries the picture's attributes: a read-only one is not deleted otherwise.
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
        EdgeSetFileAttributes(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
        EdgeDeleteFile(temp.c_str());
    }
    if (copied)
        return REFUSED_UNWRITABLE;   // the name is taken by a file that can't be replaced
    if (DiskFullError(error))
        return REFUSED_DISK_FULL;
    HANDLE source = EdgeCreateFile(from, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
    if (source == INVALID_HANDLE_VALUE)
        return REFUSED_UNREADABLE;
    CloseHandle(source);
    return REFUSED_UNWRITABLE;
}

// Dropped files are copied under their own names into the category under the drop
// point, or into the selected one; a dropped folder gives the files directly inside it.
// The last picture copied is shown.
bool MainWnd_DropFiles(HDROP drop)
{
    TraceValues("●●●　MainWnd_DropFiles　●●●", 0, 0, 0, 0, 0);
    UINT count = EdgeDragQueryCount(drop);
    POINT pt = {};
    DragQueryPoint(drop, &pt);
    TraceValues("Pt.x,Pt.y", pt.x, pt.y, 0, 0, 0);
    TraceValues("glMenuSuu", CategoryCount(), 0, 0, 0, 0);

    int target = CategoryAtPoint(pt.x, pt.y);
    if (target >= 0)
        TraceValues("ButtonNum", target, 0, 0, 0, 0);
    else
        target = NowMenuNum();

    // Without a category the copies would land in the settings folder itself.
    char folder[KP_PATH_BYTES] = {};
    if (!CategoryFolderPath(target, folder, sizeof folder)) {
        DragFinish(drop);
        EdgeMessageBox(MainWindow(),
                       "画像を入れるメニューがまだありません。\r\n"
                       "先に「編集」の「メニュー追加」でメニューを作ってから、画像をドロップしてください。",
                       "メニューがありません。（‘ v‘）/", MB_TOPMOST | MB_OK);
        return false;
    }

    DROP_REFUSALS refusals = {};
    std::vector<DROPPED> items;
    char path[KP_PATH_BYTES];
    wchar_t wide[MAX_PATH + 1];
    for (UINT k = 0; k < count; k++) {
        int n = EdgeDragQueryFile(drop, k, path, 260, wide, MAX_PATH + 1);
        if (n < 0) {
            // Copying under a code page 932 spelling would give the picture a mangled
            // name, so the file stays out and the user is told which one.
            Refuse(&refusals, REFUSED_NAME, wide);
        } else if (n > 0 && EdgePathIsDirectory(path)) {
            AddFolderFiles(path, wide, &items, &refusals);
        } else if (n > 0) {
            items.push_back(DROPPED{ path, wide });
        }
    }
    DragFinish(drop);

    // A category folder removed outside the program is made again to take the pictures.
    if (!items.empty() && !EdgePathIsDirectory(folder) && !EdgeCreateDirectory(folder)) {
        wchar_t shown[MAX_PATH + 1];
        EdgeToWide(folder, shown, MAX_PATH + 1);
        std::wstring text = L"メニューのフォルダ\r\n　";
        text += shown;
        text += L"\r\nがなく、作ることもできなかったため、画像を取り込めませんでした。";
        EdgeMessageBoxWide(MainWindow(), text.c_str(), "フォルダがありません。（；‘ v‘）/", MB_TOPMOST | MB_OK);
        return false;
    }

    char dest[KP_PATH_BYTES];
    char lastDest[KP_PATH_BYTES] = {};
    std::string lastFrom;
    for (const DROPPED& d : items) {
        if (d.path.empty()) {
            Refuse(&refusals, REFUSED_NAME, d.wide);
            continue;
        }
        const char* name = Cp932FindFileName(d.path.c_str());
        // A name like the crash-safe writers' temporary files would be swept at the next start.
        if (!PathJoin(dest, sizeof dest, folder, name) || IsSaveTempName(name)) {
            Refuse(&refusals, REFUSED_NAME, d.wide);
            continue;
        }
        if (IsLinesFile(target, folder, name, dest)) {
            Refuse(&refusals, REFUSED_LINES_FILE, d.wide);
            continue;
        }
        // A picture dropped back onto its own category is there already: no copy onto
        // itself, but it has arrived and is shown.
        if (!EdgeSameFile(d.path.c_str(), dest)) {
            int refused = CopyIn(d.path.c_str(), dest, folder);
            if (refused >= 0) {
                Refuse(&refusals, refused, d.wide);
                continue;
            }
        }
        PictureArrived(target, name);
        strcpy(lastDest, dest);
        lastFrom = d.path;
    }

    // The folder the last picture that came in came from.
    if (!lastFrom.empty()) {
        char from[KP_PATH_BYTES];
        Cp932FolderOfPath(lastFrom.c_str(), from, sizeof from);
        RecordRecentFolder(from);
    }
    ReportRefusals(refusals, lastDest[0] != 0);

    // Redraw remembers the target's folder as the shown picture's, whichever category is
    // selected. Nothing is drawn once the window has gone (closed while the box was open).
    if (!lastDest[0] || !IsWindow(MainWindow()))
        return false;
    Redraw(lastDest);
    return true;
}
