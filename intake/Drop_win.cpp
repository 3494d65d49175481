#include "intake/Intake.h"

#include <string.h>
#include <string>

#include "base/Cp932.h"
#include "base/Edge.h"
#include "base/Limits.h"
#include "base/Trace.h"
#include "base/Window.h"
#include "categories/MenuBar.h"
#include "categories/RecentFolders.h"
#include "display/Display.h"
#include "store/Paths.h"

// Refused names are listed up to this many characters; the rest is summed up.
enum { REFUSED_LIST_MAX = 2000 };

// Dropped files are copied under their own names into the category under the drop
// point, or into the selected one; the last picture copied is shown.
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

    char path[KP_PATH_BYTES];
    char dest[KP_PATH_BYTES];
    char lastPath[KP_PATH_BYTES] = {};
    char lastDest[KP_PATH_BYTES] = {};
    wchar_t wide[MAX_PATH + 1];
    std::wstring refused;
    int refusedCount = 0;
    int listedCount = 0;
    for (UINT k = 0; k < count; k++) {
        int n = EdgeDragQueryFile(drop, k, path, 260, wide, MAX_PATH + 1);
        if (n < 0) {
            // Copying under a code page 932 spelling would give the picture a mangled
            // name, so the file stays out and the user is told which one.
            refusedCount++;
            if (refused.size() < REFUSED_LIST_MAX) {
                refused += L"\r\n　";
                refused += wide;
                listedCount++;
            }
            continue;
        }
        if (n == 0)
            continue;
        strcpy(lastPath, path);
        const char* name = Cp932FindFileName(path);
        if (!PathJoin(dest, sizeof dest, folder, "\\", name))
            continue;
        // A picture dropped back onto its own category is there already: no copy onto
        // itself, but it has arrived and is shown. A folder, a locked file or a full disk:
        // nothing arrived, so nothing is counted.
        if (!EdgeSameFile(path, dest) && !EdgeCopyFile(path, dest, FALSE))
            continue;
        PictureArrived(target, name);
        strcpy(lastDest, dest);
    }

    if (lastPath[0]) {
        char from[KP_PATH_BYTES];
        Cp932FolderOfPath(lastPath, from, sizeof from);
        RecordRecentFolder(from);
    }
    DragFinish(drop);

    if (refusedCount > 0) {
        std::wstring text = L"次のファイルは、名前に使えない文字が入っているか場所の名前が長すぎるため、取り込めませんでした。";
        text += refused;
        if (listedCount < refusedCount)
            text += L"\r\n　…";
        text += L"\r\n\r\nファイル名を変えてから、もう一度ドロップしてください。";
        if (lastDest[0])
            text += L"\r\n（ほかのファイルは取り込みました。）";
        EdgeMessageBoxWide(MainWindow(), text.c_str(), "取り込めないファイルがあります。（；‘ v‘）/",
                           MB_TOPMOST | MB_OK);
    }

    // Redraw remembers the target's folder as the shown picture's, whichever category is selected.
    if (!lastDest[0])
        return false;
    Redraw(lastDest);
    return true;
}
