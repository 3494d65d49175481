#include "app/Globals.h"
#include "app/MainWnd.h"
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
    BitBlt(dc, 0, 0, Globals.clientW, Globals.clientH, Globals.glMemDC.hDC, 0, 0, SRCCOPY);
    EndPaint(wnd, &ps);
}

static void MainWnd_MouseMove()
{
    SetClassLongPtrW(MAIN_HWND, GCLP_HCURSOR, (LONG_PTR)Globals.hHandCursor);
    SetCursor(Globals.hHandCursor);
}

static void MainWnd_EditCommand(UINT id)
{
    switch (id) {
    case 1007: MainWnd_AddPicture_MenuClick(); break;
    case 1008: MainWnd_PictureName_MenuClick(); break;
    case 1009: MainWnd_RemovePicture_MenuClick(); break;
    case 1010: MainWnd_DeletePicture_MenuClick(); break;
    case 1011: MainWnd_CopyPicture_MenuClick(); break;
    case 1012: MainWnd_AddLines_MenuClick(); break;
    case 1013: MainWnd_DeleteLines_MenuClick(); break;
    case 1014: DialogOpen(MAIN_HWND, "MenuTsuika"); break;
    case 1015: DialogOpen(MAIN_HWND, "MenuSakujo"); break;
    case 1016: MainWnd_RestoreMenu_MenuClick(); break;
    case 1017: DialogOpen(MAIN_HWND, "Kinou"); break;
    case 1018: ChangeBackgroundColour(); break;
    }
}

static void MainWnd_Command(UINT id)
{
    for (int i = 0; i < MENU_MAX; i++) {
        if (id == (UINT)(CATEGORY_ID_FIRST + i)) {
            SelectCategory(i);
            break;
        }
    }
    UINT first = (UINT)Globals.recentFirstId;
    if (id >= first && id < first + RECENT_MAX)
        MainWnd_FolderOPEN_MenuClick(Globals.glRecentFolder[id - first]);
    if (id >= 1007 && id <= 1018)
        MainWnd_EditCommand(id);
}

LRESULT CALLBACK MainWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    int x = LOWORD(lParam);
    int y = HIWORD(lParam);
    switch (msg) {
    case WM_CREATE:
        MAIN_HWND = wnd;
        SetMenu(wnd, Globals.hMainMenu);
        MainWnd_Create();
        return 0;
    case WM_DESTROY:
        MainWnd_Destroy();
        SetMenu(wnd, nullptr);
        return 0;
    case WM_PAINT:
        MainWnd_Paint(wnd);
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
        PopUpMenu(wParam, x, y);
        return 0;
    case WM_DROPFILES:
        MainWnd_DropFiles((HDROP)wParam);
        return 0;
    }
    return DefWindowProcW(wnd, msg, wParam, lParam);
}
