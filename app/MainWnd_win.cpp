#include "app/MainWnd.h"

#include <windowsx.h>

#include "app/AppState.h"
#include "app/HitorigotoState.h"
#include "base/CommandIds.h"
#include "base/Edge.h"
#include "base/Limits.h"
#include "base/MenuInsert.h"
#include "base/Trace.h"
#include "base/Window.h"
#include "categories/DialogHost.h"
#include "categories/MenuBar.h"
#include "categories/RecentFolders.h"
#include "display/Display.h"
#include "intake/Intake.h"
#include "lines/Lines.h"

// Messages are distributed to one handler each; no handler logic lives in the switch.

static void TakeWaiting();

static void MainWnd_Paint(HWND wnd)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(wnd, &ps);
    PaintComposition(dc);
    EndPaint(wnd, &ps);
    // A timer comes only when the queue is empty, that is once the thread has waited and
    // this first picture of the window has reached the screen.
    if (!App.startFinished)
        SetTimer(wnd, TIMER_FINISH_START, USER_TIMER_MINIMUM, nullptr);
}

// The paint covers the composition's rectangle, so only what lies beyond it (a window
// enlarged past the surfaces) takes the class brush: no fill that the paint overwrites.
static void MainWnd_EraseBackground(HWND wnd, HDC dc)
{
    RECT rc;
    GetClientRect(wnd, &rc);
    int saved = SaveDC(dc);
    ExcludeClipRect(dc, 0, 0, ClientWidth(), ClientHeight());
    FillRect(dc, &rc, App.hBackBrush);
    RestoreDC(dc, saved);
}

static void MainWnd_Hitorigoto();

static void MainWnd_Timer(HWND wnd, UINT_PTR id)
{
    if (id == TIMER_DROP_PROGRESS) {
        DropProgressTick();
        TakeWaiting();
        return;
    }
    if (id == TIMER_HITORIGOTO) {
        MainWnd_Hitorigoto();
        return;
    }
    if (id != TIMER_FINISH_START)
        return;
    KillTimer(wnd, TIMER_FINISH_START);
    MainWnd_FinishStart();
}

static void MainWnd_MouseMove()
{
    SetClassLongPtrW(MainWindow(), GCLP_HCURSOR, (LONG_PTR)App.hHandCursor);
    SetCursor(App.hHandCursor);
}

// A new line of the selected category typed into the bubble; the paint that follows
// shows the composition whole.
static void NewLine()
{
    const char* line = SerifuLoad();
    if (!ProgramRunning())
        return;
    DrawBubble(line);
    InvalidateRect(MainWindow(), nullptr, FALSE);
}

// While a picture is shown or a line typed, a message box of theirs runs its own loop (the
// unreadable-picture box has no owner, so the window stays usable): a category, a click, a
// colour change or a removal arriving then would start a second display inside the first.
// They are ignored; drops, and the end of a drop's copies, wait and are taken when the
// display is over.
static bool ShowingBegins()
{
    if (App.showing > 0)
        return false;
    App.showing++;
    return true;
}

static void ShowingEnds()
{
    App.showing--;
    TakeWaiting();
}

// A category entry: it becomes the selection and one of its pictures is shown.
static void SelectCategory(int i)
{
    if (!ShowingBegins())
        return;
    TraceValues("III", i, 0, 0, 0, 0);
    HitorigotoUserActed();
    SetNowMenuNum(i);
    char folder[KP_PATH_BYTES];
    bool hasFolder = CategoryFolderPath(i, folder, sizeof folder);
    if (Hyouji(i, hasFolder ? folder : nullptr, CategoryName(i)))
        NewLine();
    ShowingEnds();
    HitorigotoRestart();
}

// A click anywhere types a new line over the picture already shown.
static void MainWnd_LButtonDown(WPARAM keys, int x, int y)
{
    if (!ShowingBegins())
        return;
    TraceValues("●●●　MainWnd_LButtonDown　●●●glNowMenuNum", NowMenuNum(), 0, 0, 0, 0);
    NewLine();
    ShowingEnds();
    HitorigotoRestart();
}

// A message that waited: anything but a drop is taken as soon as nothing runs; drops are
// taken one at a time, in the order they came, each once the one before has ended.
static bool TakeNextWaiting()
{
    for (auto it = App.waiting.begin(); it != App.waiting.end(); ++it) {
        if (it->message == WM_DROPFILES && DropInProgress())
            continue;
        MSG m = *it;
        App.waiting.erase(it);
        if (m.message == WM_DROPFILES) {
            ShowingBegins();
            MainWnd_DropFiles((HDROP)m.wParam);
            App.showing--;
        } else {
            MainWndProc(m.hwnd, m.message, m.wParam, m.lParam);
        }
        return true;
    }
    return false;
}

// What waits is taken once nothing runs. The end of a drop's copies also waits for a box or
// dialog that holds the window (its loop would run the end inside it); the progress timer
// tries again meanwhile.
static void TakeWaiting()
{
    while (ProgramRunning() && App.showing == 0 && !AnimationRunning()) {
        if (App.dropDone && IsWindowEnabled(MainWindow())) {
            App.dropDone = 0;
            ShowingBegins();
            if (MainWnd_DropEnds())
                NewLine();
            App.showing--;
            HitorigotoRestart();
        } else if (!TakeNextWaiting()) {
            return;
        }
    }
}

static void MainWnd_DropAndShow(HWND wnd, HDROP drop)
{
    HitorigotoUserActed();
    App.waiting.push_back(MSG{ wnd, WM_DROPFILES, (WPARAM)drop, 0 });
    TakeWaiting();
}

static void MainWnd_DropDone()
{
    App.dropDone = 1;
    TakeWaiting();
}

// The interval is up: the character says a new line on its own, over the picture shown or
// with a new picture of the selected category, when the user is not in the middle of
// something; else it waits for the next interval. It tells nobody anything: a category
// without a usable line, or without a picture it can show, is passed over this time.
static void MainWnd_Hitorigoto()
{
    KillTimer(MainWindow(), TIMER_HITORIGOTO);
    if (HitorigotoMayTalk() && ShowingBegins()) {
        TraceValues("●●●　MainWnd_Hitorigoto　●●●glNowMenuNum", NowMenuNum(), 0, 0, 0, 0);
        EdgeHoldNotices(true);
        const char* line = SerifuLoadQuietly();
        bool talk = line != nullptr;
        if (talk && HitorigotoChangesPicture()) {
            int i = NowMenuNum();
            char folder[KP_PATH_BYTES];
            talk = CategoryFolderPath(i, folder, sizeof folder) && HyoujiQuietly(i, folder, CategoryName(i));
        }
        if (talk) {
            DrawBubble(line);
            InvalidateRect(MainWindow(), nullptr, FALSE);
        }
        EdgeHoldNotices(false);
        // Drops that came meanwhile are taken in as ever, with their boxes.
        ShowingEnds();
    }
    HitorigotoRestart();
}

static void MainWnd_BackColour_MenuClick()
{
    if (!ShowingBegins())
        return;
    char selected[KP_PATH_BYTES];
    CategoryFolderPath(NowMenuNum(), selected, sizeof selected);
    if (ChangeBackgroundColour(selected))
        NewLine();
    ShowingEnds();
}

static void MainWnd_RightClick(WPARAM keys, int x, int y)
{
    if (App.showing == 0)
        PopUpMenu(keys, x, y);
}

static void MainWnd_AddCategory_MenuClick()
{
    DialogOpen(MainWindow(), "MenuTsuika");
}

static void MainWnd_DeleteCategory_MenuClick()
{
    DialogOpen(MainWindow(), "MenuSakujo");
}

static void MainWnd_HeartOption_MenuClick()
{
    DialogOpen(MainWindow(), "Kinou");
}

// The Edit menu, top to bottom: one row per command (CMD_REMOVE_PICTURE is also the
// context menu's item). A row ignored while showing is not taken while a picture is shown or
// a line typed: its box or redraw would land inside the other display.
struct COMMAND_ROW {
    UINT id;
    const char* text;
    void (*handler)();
    bool ignoredWhileShowing;
};

static constexpr COMMAND_ROW kCommands[] = {
    { CMD_ADD_PICTURE, "画像追加", MainWnd_AddPicture_MenuClick, false },
    { CMD_PICTURE_NAME, "現在の画像ファイル名", MainWnd_PictureName_MenuClick, false },
    { CMD_REMOVE_PICTURE, "現在の画像をリストから外す", MainWnd_RemovePicture_MenuClick, true },
    { CMD_DELETE_PICTURE, "画像を選択して削除", MainWnd_DeletePicture_MenuClick, false },
    { CMD_COPY_PICTURE, "画像を指定して別のメニューにコピー", MainWnd_CopyPicture_MenuClick, false },
    { CMD_ADD_LINES, "セリフを追加", MainWnd_AddLines_MenuClick, false },
    { CMD_DELETE_LINES, "セリフを選択して削除", MainWnd_DeleteLines_MenuClick, false },
    { CMD_ADD_CATEGORY, "メニュー追加", MainWnd_AddCategory_MenuClick, false },
    { CMD_DELETE_CATEGORY, "メニュー削除", MainWnd_DeleteCategory_MenuClick, false },
    { CMD_RESTORE_CATEGORY, "削除済みメニューの復活", MainWnd_RestoreMenu_MenuClick, false },
    { CMD_HEART_OPTION, "語尾にハートを付ける", MainWnd_HeartOption_MenuClick, false },
    { CMD_BACK_COLOUR, "背景色指定", MainWnd_BackColour_MenuClick, true },
    { CMD_HITORIGOTO, "ひとりごと…", MainWnd_Hitorigoto_MenuClick, false },
};

// The rows run through the Edit range in menu order, so a new row can neither fall outside
// the range (and be dropped) nor share an id with a recent folder or a category.
static constexpr bool RowsFillTheEditRange()
{
    constexpr size_t rows = sizeof kCommands / sizeof kCommands[0];
    for (size_t k = 0; k < rows; k++) {
        if (kCommands[k].id != CMD_EDIT_FIRST + k)
            return false;
    }
    return rows == CMD_EDIT_LAST - CMD_EDIT_FIRST + 1;
}
static_assert(RowsFillTheEditRange(), "Edit commands: one row per id from CMD_EDIT_FIRST to CMD_EDIT_LAST, in menu order");

HMENU CreateEditMenu()
{
    HMENU menu = CreatePopupMenu();
    // Each insertion lands on top, so the last row goes in first.
    for (int k = (int)(sizeof kCommands / sizeof kCommands[0]) - 1; k >= 0; k--)
        MenuItemInsert(menu, 0, TRUE, kCommands[k].text, kCommands[k].id, nullptr, 0);
    return menu;
}

static void MainWnd_Command(UINT id)
{
    if (id >= CMD_CATEGORY_FIRST && id - CMD_CATEGORY_FIRST < (UINT)CATEGORY_MAX) {
        SelectCategory((int)(id - CMD_CATEGORY_FIRST));
        return;
    }
    if (id >= CMD_RECENT_FIRST && id - CMD_RECENT_FIRST < (UINT)CMD_RECENT_COUNT) {
        MainWnd_FolderOPEN_MenuClick(RecentFolder((int)(id - CMD_RECENT_FIRST)));
        return;
    }
    for (const COMMAND_ROW& row : kCommands) {
        if (row.id == id && !(row.ignoredWhileShowing && App.showing > 0))
            row.handler();
    }
}

// What starts work is taken only while the program runs: once the shutdown has begun, its
// own boxes run loops that would pass on what was queued.
static bool StartsWork(UINT msg)
{
    switch (msg) {
    case WM_COMMAND:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_DROPFILES:
    case WM_TIMER:
    case WM_KP_DROP_PROGRESS:
    case WM_KP_DROP_DONE:
        return true;
    }
    return false;
}

// A fade or a typed line answers other programs' sent messages as it runs, and so enters
// this procedure: whatever would start a display inside it, or end the window under it,
// waits and is taken once the animation is over.
static bool WaitsForAnimation(UINT msg)
{
    switch (msg) {
    case WM_COMMAND:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_DROPFILES:
    case WM_CLOSE:
        return AnimationRunning();
    }
    return false;
}

LRESULT CALLBACK MainWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (!ProgramRunning() && StartsWork(msg)) {
        if (msg == WM_DROPFILES)
            DragFinish((HDROP)wParam);
        return 0;
    }
    if (WaitsForAnimation(msg)) {
        App.waiting.push_back(MSG{ wnd, msg, wParam, lParam });
        return 0;
    }
    int x = GET_X_LPARAM(lParam);
    int y = GET_Y_LPARAM(lParam);
    switch (msg) {
    case WM_CREATE:
        SetMainWindow(wnd);
        SetMenu(wnd, App.hMainMenu);
        MainWnd_Create();
        return 0;
    case WM_DESTROY:
        MainWnd_Destroy();
        SetMenu(wnd, nullptr);
        return 0;
    case WM_PAINT:
        MainWnd_Paint(wnd);
        return 0;
    case WM_ERASEBKGND:
        MainWnd_EraseBackground(wnd, (HDC)wParam);
        return 1;
    case WM_TIMER:
        MainWnd_Timer(wnd, wParam);
        return 0;
    case WM_CLOSE:
        DestroyWindow(wnd);
        return 0;
    case WM_COMMAND:
        MainWnd_Command(LOWORD(wParam));
        return 0;
    case WM_ENTERMENULOOP:
    case WM_ENTERSIZEMOVE:
        MainWnd_WindowLoop(true);
        return 0;
    case WM_EXITMENULOOP:
    case WM_EXITSIZEMOVE:
        MainWnd_WindowLoop(false);
        return 0;
    case WM_MOUSEMOVE:
        MainWnd_MouseMove();
        return 0;
    case WM_LBUTTONDOWN:
        MainWnd_LButtonDown(wParam, x, y);
        return 0;
    case WM_LBUTTONUP:
        return 0;
    case WM_RBUTTONDOWN:
        MainWnd_RightClick(wParam, x, y);
        return 0;
    case WM_DROPFILES:
        MainWnd_DropAndShow(wnd, (HDROP)wParam);
        return 0;
    case WM_KP_DROP_PROGRESS:
        DropProgress((int)wParam, (int)lParam);
        return 0;
    case WM_KP_DROP_DONE:
        MainWnd_DropDone();
        return 0;
    }
    return DefWindowProcW(wnd, msg, wParam, lParam);
}
