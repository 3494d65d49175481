#include "app/MainWnd.h"

#include <commctrl.h>

#include "app/AppState.h"
#include "base/Edge.h"
#include "base/Limits.h"
#include "base/MenuInsert.h"
#include "base/Random.h"
#include "base/Trace.h"
#include "base/Window.h"
#include "bitmaps/FileMapFolder.h"
#include "categories/DialogHost.h"
#include "categories/MenuBar.h"
#include "display/Display.h"
#include "lines/Lines.h"
#include "store/Paths.h"

APP_STATE App;

#define KP_MAIN_TITLE "Kotopane （‘ v‘）/ メニューを押すと画像が変わります。画像をクリックするとセリフだけ変わります。　セリフやメニューは「編集(E)」から追加、削除、書き換えできます。"

static void CreateMenus()
{
    App.hMainMenu = CreateMenu();
    App.hEditMenu = CreateEditMenu();
    MenuItemInsert(App.hMainMenu, 0, TRUE, "編集(&E)", 0, App.hEditMenu, 0);
}

// A class registered by an earlier window of this process (tests bring it up again) is
// the same class.
static bool RegisterMainClass(HINSTANCE inst)
{
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = MainWndProc;
    wc.hInstance = inst;
    wc.hIcon = LoadIconW(inst, MAKEINTRESOURCEW(101));
    wc.hIconSm = wc.hIcon;
    wc.hCursor = LoadCursorW(nullptr, (LPCWSTR)IDC_ARROW);
    wc.hbrBackground = App.hBackBrush;
    wc.lpszClassName = L"NORMAL0";
    if (RegisterClassExW(&wc) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS)
        return true;
    TraceLastError("RegisterClassExW", "NORMAL0");
    return false;
}

// A start that ends without a window releases what it made, in reverse order, as the
// shutdown would (tests start again in the same process). Null, for the caller to return.
static HWND StartupEnds()
{
    DisplayEnd();
    DestroyMenu(App.hMainMenu);     // the Edit popup with it
    App.hMainMenu = nullptr;
    App.hEditMenu = nullptr;
    CategoriesEnd();
    DeleteObject(App.hBackBrush);
    App.hBackBrush = nullptr;
    return nullptr;
}

// Each step needs the ones before it: the menus before the categories put entries on them,
// the program folder before anything is read or created, the client size before the
// window. Each subsystem starts from a fresh record (tests bring the window up more than
// once in one process). Null when the program ends without a window.
HWND KotopaneStartup(HINSTANCE inst)
{
    App = APP_STATE();
    SetMainWindow(nullptr);
    SetProgramLife(LIFE_RUNNING);
    SetModuleInstance(inst);
    RandomSeed(1);

    INITCOMMONCONTROLSEX icc = { 8, 0xFF };
    InitCommonControlsEx(&icc);

    App.hBackBrush = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    CreateMenus();
    CategoriesStart(App.hMainMenu);
    RegisterDialogClass(App.hBackBrush);

    // A folder that can't be named in code page 932 ends the program before anything is
    // created: every path would otherwise land somewhere else. So does a folder it can't
    // write in (a read-only place, a full disk): everything the user did would be lost.
    // The check makes the file-map folder.
    if (!StoreStart() || !StoreCheckWritable(KP_FILEMAP_DIR))
        return StartupEnds();
    LinesStart();
    DisplayStart();
    HitorigotoStart();
    App.hHandCursor = LoadCursorW(nullptr, (LPCWSTR)IDC_HAND);

    if (!RegisterMainClass(inst))
        return StartupEnds();
    // Created at its final size and place: resizing and moving it during creation cost an
    // X window change each.
    HWND wnd = EdgeCreateWindowEx(WS_EX_ACCEPTFILES, "NORMAL0", KP_MAIN_TITLE,
                                  WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, 10, 10, ClientWidth(),
                                  ClientHeight(), nullptr, nullptr, inst, nullptr);
    if (!wnd) {
        TraceLastError("CreateWindowExW", "NORMAL0");
        return StartupEnds();
    }
    return wnd;
}

// The program ends only through the main window's destruction, whose shutdown saves
// everything and posts the one quit that ends this loop. A quit from anywhere else while
// the window lives (passed on by a nested loop, or sent by another program) closes the
// window first, as the user would.
int KotopaneMessageLoop()
{
    MSG msg;
    for (;;) {
        BOOL r = GetMessageW(&msg, nullptr, 0, 0);
        if (r == 0 && MainWindow() && ProgramRunning()) {
            DestroyWindow(MainWindow());
            continue;
        }
        if (r == 0 || r == -1)
            break;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
