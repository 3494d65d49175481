#include "intake/Intake.h"

#include <string>

#include "base/Cp932.h"
#include "base/Edge.h"
#include "base/Limits.h"
#include "base/PathJoin.h"
#include "base/Trace.h"
#include "base/Window.h"
#include "categories/MenuBar.h"
#include "categories/RecentFolders.h"
#include "display/Display.h"
#include "intake/DropCopy.h"
#include "intake/IntakeState.h"
#include "store/Paths.h"

// Refused names are listed up to this many characters; the rest is summed up.
enum { REFUSED_LIST_MAX = 2000 };

static const wchar_t* const kRefusedText[REFUSED_KINDS] = {
    L"次のファイルは、名前に使えない文字が入っているか場所の名前が長すぎるため、取り込めませんでした。"
    L"ファイル名を変えてから、もう一度ドロップしてください。",
    L"次のファイルは、メニューのセリフファイルと同じ名前のため、取り込めませんでした（セリフファイルはそのままです）。",
    L"次のフォルダには、取り込めるファイルが直接入っていませんでした（中のフォルダからは取り込みません）。",
    L"次のファイルは、画像ではないため（動画や、写真についてくる編集情報などのファイルです）、取り込みませんでした。",
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

// The shutdown waits this long for the file in flight; a read that never returns (a drive
// gone) is left to the process's end, and its temporary name to the next start's sweep.
enum { DROP_STOP_WAIT_MS = 5000, PROGRESS_AFTER_MS = 500 };

// The category under the drop point, else the selected one; the drop never changes the
// selection.
static int DropTarget(HDROP drop)
{
    POINT pt = {};
    DragQueryPoint(drop, &pt);
    TraceValues("Pt.x,Pt.y", pt.x, pt.y, 0, 0, 0);
    TraceValues("glMenuSuu", CategoryCount(), 0, 0, 0, 0);
    int target = CategoryAtPoint(pt.x, pt.y);
    if (target < 0)
        return NowMenuNum();
    TraceValues("ButtonNum", target, 0, 0, 0, 0);
    return target;
}

// The copying thread's job: where the files go, and each dropped path as the shell gave it.
static DROP_JOB* DropJobOf(HDROP drop, int target, const char* folder)
{
    DROP_JOB* job = new DROP_JOB();
    job->notify = MainWindow();
    job->folder = folder;
    job->linesFile = std::string(CategoryName(target)) + KP_LINES_SUFFIX;
    char path[KP_PATH_BYTES];
    wchar_t wide[MAX_PATH + 1];
    UINT count = EdgeDragQueryCount(drop);
    for (UINT k = 0; k < count; k++) {
        // A name code page 932 can't write keeps its path empty: copying it under a code page
        // 932 spelling would give the picture a mangled name, so it stays out, told by name.
        int n = EdgeDragQueryFile(drop, k, path, 260, wide, MAX_PATH + 1);
        if (n != 0)
            job->dropped.push_back(DROPPED{ n > 0 ? path : "", wide, false });
    }
    return job;
}

// On a thread of its own when one can be started, else here and now; its end comes as
// WM_KP_DROP_DONE either way, and the progress timer runs until then.
static void StartCopies(DROP_JOB* job, int target)
{
    Intake.dropJob = job;
    Intake.dropTarget = target;
    Intake.dropStartTick = GetTickCount();
    Intake.dropDone = Intake.dropTotal = 0;
    Intake.hDropThread = DropCopyStart(job);
    if (!Intake.hDropThread) {
        DropCopyRun(job);
        PostMessageW(MainWindow(), WM_KP_DROP_DONE, 0, 0);
    }
    SetTimer(MainWindow(), TIMER_DROP_PROGRESS, TIMER_DROP_PROGRESS_MS, nullptr);
}

// Dropped files are copied under their own names into the category under the drop point,
// or into the selected one; a dropped folder gives the pictures directly inside it. What the
// files are is judged by the copying thread, which may read slow drives.
bool MainWnd_DropFiles(HDROP drop)
{
    TraceValues("●●●　MainWnd_DropFiles　●●●", 0, 0, 0, 0, 0);
    int target = DropTarget(drop);
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
    DROP_JOB* job = DropJobOf(drop, target, folder);
    DragFinish(drop);
    StartCopies(job, target);
    return true;
}

bool DropInProgress()
{
    return Intake.dropJob != nullptr;
}

void DropProgress(int done, int total)
{
    Intake.dropDone = done;
    Intake.dropTotal = total;
}

void DropProgressTick()
{
    if (Intake.dropJob && GetTickCount() - Intake.dropStartTick >= PROGRESS_AFTER_MS)
        ShowDropProgress(Intake.dropDone, Intake.dropTotal);
}

// The job of the drop in progress once its thread has ended (it posts its end last, so the
// wait is short), no longer the intake's; null when the thread did not end in time.
static DROP_JOB* TakeJob(DWORD waitMs)
{
    DROP_JOB* job = Intake.dropJob;
    if (Intake.hDropThread) {
        if (WaitForSingleObject(Intake.hDropThread, waitMs) != WAIT_OBJECT_0)
            return nullptr;
        CloseHandle(Intake.hDropThread);
        Intake.hDropThread = nullptr;
    }
    Intake.dropJob = nullptr;
    return job;
}

// What came in is counted as the next display counts it, the last one becomes the current
// picture, and the folder it came from is remembered. Returns the last one's result.
static const DROP_RESULT* CountArrivals(const DROP_JOB* job, int target)
{
    const DROP_RESULT* last = nullptr;
    for (const DROP_RESULT& r : job->results)
        if (r.outcome == DROP_ARRIVED)
            last = &r;
    if (!last)
        return nullptr;
    PicturesArrived(target, job->pictures, Cp932FindFileName(last->file.path.c_str()));
    char from[KP_PATH_BYTES];
    Cp932FolderOfPath(last->file.path.c_str(), from, sizeof from);
    RecordRecentFolder(from);
    return last;
}

bool MainWnd_DropEnds()
{
    KillTimer(MainWindow(), TIMER_DROP_PROGRESS);
    HideDropProgress();
    DROP_JOB* job = TakeJob(INFINITE);
    if (!job)
        return false;
    if (job->folderMissing) {
        wchar_t shown[MAX_PATH + 1];
        EdgeToWide(job->folder.c_str(), shown, MAX_PATH + 1);
        delete job;
        std::wstring text = L"メニューのフォルダ\r\n　";
        text += shown;
        text += L"\r\nがなく、作ることもできなかったため、画像を取り込めませんでした。";
        EdgeMessageBoxWide(MainWindow(), text.c_str(), "フォルダがありません。（；‘ v‘）/", MB_TOPMOST | MB_OK);
        return false;
    }
    const DROP_RESULT* last = CountArrivals(job, Intake.dropTarget);
    DROP_REFUSALS refusals = {};
    for (const DROP_RESULT& r : job->results)
        if (r.outcome >= 0 && r.outcome < REFUSED_KINDS)
            Refuse(&refusals, r.outcome, r.file.wide);
    char dest[KP_PATH_BYTES] = {};
    if (last)
        PathJoin(dest, sizeof dest, job->folder.c_str(), Cp932FindFileName(last->file.path.c_str()));
    delete job;
    ReportRefusals(refusals, last != nullptr);

    // Redraw remembers the target's folder as the shown picture's, whichever category is
    // selected. Nothing is drawn once the window has gone (closed while the box was open).
    if (!dest[0] || !ProgramRunning())
        return false;
    Redraw(dest);
    return true;
}

void DropStop()
{
    if (!Intake.dropJob)
        return;
    InterlockedExchange(&Intake.dropJob->stop, 1);
    DROP_JOB* job = TakeJob(DROP_STOP_WAIT_MS);
    if (!job) {
        // The thread keeps its job (it is never freed) and ends with the process.
        CloseHandle(Intake.hDropThread);
        Intake.hDropThread = nullptr;
        Intake.dropJob = nullptr;
        return;
    }
    CountArrivals(job, Intake.dropTarget);
    delete job;
}
