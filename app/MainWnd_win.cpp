#include "app/MainWnd.h"

#include "app/AppState.h"
#include "base/CommandIds.h"
#include "base/Limits.h"
#include "base/Trace.h"
#include "base/Window.h"
#include "categories/DialogHost.h"
#include "categories/MenuBar.h"
#include "categories/RecentFolders.h"
#include "display/Display.h"
#include "intake/Intake.h"
#include "lines/Lines.h"

// Messages are distributed to one handler each; no handler logic lives in the switch.

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

static void MainWnd_Timer(HWND wnd, UINT_PTR id)
{
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

// The window is gone when a nested loop (a message box, the colour dialog) let the user
// close it: the shutdown has run, or is running, so nothing more is started or drawn.
static bool WindowGone()
{
    return App.shuttingDown || !IsWindow(MainWindow());
}

// A new line of the selected category typed into the bubble; the paint that follows
// shows the composition whole.
static void NewLine()
{
    const char* line = SerifuLoad();
    if (WindowGone())
        return;
    DrawBubble(line);
    InvalidateRect(MainWindow(), nullptr, FALSE);
}

static void MainWnd_DropAndShow(HDROP drop);

// While a picture is shown or a line typed, a message box of theirs runs its own loop (the
// unreadable-picture box has no owner, so the window stays usable): a category, a click, a
// colour change or a removal arriving then would start a second display inside the first.
// They are ignored; drops wait and are taken when the display is over.
static bool ShowingBegins()
{
    if (App.showing > 0 || WindowGone())
        return false;
    App.showing++;
    return true;
}

static void ShowingEnds()
{
    App.showing--;
    while (App.showing == 0 && !App.pendingDrops.empty()) {
        HDROP drop = App.pendingDrops.front();
        App.pendingDrops.pop_front();
        if (WindowGone())
            DragFinish(drop);
        else
            MainWnd_DropAndShow(drop);
    }
}

// A category entry: it becomes the selection and one of its pictures is shown.
static void SelectCategory(int i)
{
    if (!ShowingBegins())
        return;
    TraceValues("III", i, 0, 0, 0, 0);
    SetNowMenuNum(i);
    char folder[KP_PATH_BYTES];
    bool hasFolder = CategoryFolderPath(i, folder, sizeof folder);
    if (Hyouji(i, hasFolder ? folder : nullptr, CategoryName(i)) && !WindowGone())
        NewLine();
    ShowingEnds();
}

// A click anywhere types a new line over the picture already shown.
static void MainWnd_LButtonDown(WPARAM keys, int x, int y)
{
    if (!ShowingBegins())
        return;
    TraceValues("●●●　MainWnd_LButtonDown　●●●glNowMenuNum", NowMenuNum(), 0, 0, 0, 0);
    NewLine();
    ShowingEnds();
}

static void MainWnd_DropAndShow(HDROP drop)
{
    if (WindowGone()) {
        DragFinish(drop);
        return;
    }
    if (App.showing > 0) {
        App.pendingDrops.push_back(drop);
        return;
    }
    ShowingBegins();
    if (MainWnd_DropFiles(drop) && !WindowGone())
        NewLine();
    ShowingEnds();
}

static void MainWnd_BackColour_MenuClick()
{
    if (!ShowingBegins())
        return;
    char selected[KP_PATH_BYTES];
    CategoryFolderPath(NowMenuNum(), selected, sizeof selected);
    if (ChangeBackgroundColour(selected) && !WindowGone())
        NewLine();
    ShowingEnds();
}

static void MainWnd_RightClick(WPARAM keys, int x, int y)
{
    if (App.showing == 0 && !WindowGone())
        PopUpMenu(keys, x, y);
}

static void MainWnd_RemovePicture()
{
    if (App.showing == 0)
        MainWnd_RemovePicture_MenuClick();
}

static void MainWnd_EditCommand(UINT id)
{
    switch (id) {
    case CMD_ADD_PICTURE: MainWnd_AddPicture_MenuClick(); break;
    case CMD_PICTURE_NAME: MainWnd_PictureName_MenuClick(); break;
    case CMD_REMOVE_PICTURE: MainWnd_RemovePicture(); break;
    case CMD_DELETE_PICTURE: MainWnd_DeletePicture_MenuClick(); break;
    case CMD_COPY_PICTURE: MainWnd_CopyPicture_MenuClick(); break;
    case CMD_ADD_LINES: MainWnd_AddLines_MenuClick(); break;
    case CMD_DELETE_LINES: MainWnd_DeleteLines_MenuClick(); break;
    case CMD_ADD_CATEGORY: DialogOpen(MainWindow(), "MenuTsuika"); break;
    case CMD_DELETE_CATEGORY: DialogOpen(MainWindow(), "MenuSakujo"); break;
    case CMD_RESTORE_CATEGORY: MainWnd_RestoreMenu_MenuClick(); break;
    case CMD_HEART_OPTION: DialogOpen(MainWindow(), "Kinou"); break;
    case CMD_BACK_COLOUR: MainWnd_BackColour_MenuClick(); break;
    }
}

static void MainWnd_Command(UINT id)
{
    if (WindowGone())
        return;
    if (id >= CMD_CATEGORY_FIRST && id - CMD_CATEGORY_FIRST < (UINT)CATEGORY_MAX)
        SelectCategory((int)(id - CMD_CATEGORY_FIRST));
    if (id >= CMD_RECENT_FIRST && id < CMD_RECENT_FIRST + CMD_RECENT_COUNT)
        MainWnd_FolderOPEN_MenuClick(RecentFolder((int)(id - CMD_RECENT_FIRST)));
    if (id >= CMD_EDIT_FIRST && id <= CMD_EDIT_LAST)
        MainWnd_EditCommand(id);
}

LRESULT CALLBACK MainWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    int x = LOWORD(lParam);
    int y = HIWORD(lParam);
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
        MainWnd_DropAndShow((HDROP)wParam);
        return 0;
    }
    return DefWindowProcW(wnd, msg, wParam, lParam);
}
