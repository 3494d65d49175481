#include "categories/DialogHost.h"

#include <string.h>

#include "base/Edge.h"
#include "base/Trace.h"
#include "base/Window.h"
#include "categories/CategoriesState.h"
#include "categories/DialogKinds.h"

struct DIALOG_KIND {
    const char* key;
    const char* title;
    int width;
    int height;
    int slot;
    WNDPROC proc;
};

static const DIALOG_KIND kDialogKinds[] = {
    { "MenuTsuika", "メニュー追加", 480, 154, SLOT_MENUTSUIKA, MenuTsuikaProc },
    { "MenuSakujo", "メニュー削除", 480, 360, SLOT_MENUSAKUJO, MenuSakujoProc },
    { "Kinou", "機能", 480, 169, SLOT_KINOU, KinouProc },
    { "Hitorigoto", "ひとりごと", 480, 206, SLOT_HITORIGOTO, HitorigotoProc },
};

// Tests open the dialogs without the program's start-up.
static HINSTANCE DialogInstance()
{
    return ModuleInstance() ? ModuleInstance() : GetModuleHandleW(nullptr);
}

void RegisterDialogClass(HBRUSH background)
{
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = DialogInstance();
    wc.hIcon = LoadIconW(nullptr, (LPCWSTR)IDI_APPLICATION);
    wc.hIconSm = LoadIconW(nullptr, (LPCWSTR)IDI_WINLOGO);
    wc.hCursor = LoadCursorW(nullptr, (LPCWSTR)IDC_ARROW);
    wc.hbrBackground = background;
    wc.lpszClassName = L"NORMALDLG";
    // Registered by an earlier start in this process (tests), it is the same class.
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        TraceLastError("RegisterClassExW", "NORMALDLG");
}

HWND DialogControl(HWND dlg, int slot, DWORD exStyle, const char* cls, const char* text, DWORD style,
                   int x, int y, int w, int h, int id)
{
    HWND c = EdgeCreateWindowEx(exStyle, cls, text, style, x, y, w, h, dlg, (HMENU)(INT_PTR)id,
                                DialogInstance(), nullptr);
    if (!c)
        TraceLastError("CreateWindowExW", cls);
    SendMessageW(c, WM_SETFONT, (WPARAM)Categories.slot[slot].hFont, 0);
    return c;
}

// Runs the dialog of the given kind in a loop of its own until DialogClose ends it, or
// until the dialog's window is gone with its owner. The loop ends by its own flag, never by
// a WM_QUIT: a quit that reaches it is the program's and is passed on to the main loop.
int DialogOpen(HWND owner, const char* key, void* param)
{
    const DIALOG_KIND* kind = nullptr;
    for (const DIALOG_KIND& k : kDialogKinds) {
        if (strcmp(k.key, key) == 0)
            kind = &k;
    }
    if (!kind)
        return 0;

    HWND dlg = EdgeCreateWindowEx(0, "NORMALDLG", kind->title, WS_CAPTION | WS_SYSMENU,
                                  CW_USEDEFAULT, CW_USEDEFAULT, kind->width, kind->height,
                                  owner, nullptr, DialogInstance(), nullptr);
    Categories.slot[kind->slot].hWnd = dlg;
    if (!dlg) {
        TraceLastError("CreateWindowExW", "NORMALDLG");
        return 0;
    }
    DIALOG_RUN run = { dlg, 0, 0, Categories.dialogRun };
    Categories.dialogRun = &run;
    SetWindowLongPtrW(dlg, GWLP_WNDPROC, (LONG_PTR)kind->proc);
    SendMessageW(dlg, WM_INITDIALOG, 0, (LPARAM)param);
    ShowWindow(dlg, SW_SHOW);
    EnableWindow(owner, FALSE);

    MSG msg = {};
    while (!run.done && IsWindow(dlg)) {
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            if (got == 0)
                PostQuitMessage((int)msg.wParam);
            break;
        }
        if (!IsDialogMessageW(dlg, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    Categories.dialogRun = run.outer;
    if (IsWindow(owner))
        EnableWindow(owner, TRUE);
    if (IsWindow(dlg))
        DestroyWindow(dlg);
    return run.code;
}

bool DialogRunning()
{
    return Categories.dialogRun != nullptr;
}

// Closing twice (a box of the dialog's own still open when the title-bar button closed
// it) is harmless: the second call finds no window and no loop.
void DialogClose(HWND dlg, int code)
{
    for (DIALOG_RUN* r = Categories.dialogRun; r; r = r->outer) {
        if (r->dlg == dlg && !r->done) {
            r->done = 1;
            r->code = code;
        }
    }
    if (!IsWindow(dlg))
        return;
    EnableWindow(GetWindow(dlg, GW_OWNER), TRUE);
    DestroyWindow(dlg);
}
