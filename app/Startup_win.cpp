#include "app/MainWnd.h"

#include <commctrl.h>

#include "app/AppState.h"
#include "base/CommandIds.h"
#include "base/Edge.h"
#include "base/Limits.h"
#include "base/MenuInsert.h"
#include "base/Random.h"
#include "base/Window.h"
#include "bitmaps/MappedBuffer.h"
#include "categories/DialogHost.h"
#include "categories/MenuBar.h"
#include "display/Display.h"
#include "lines/Lines.h"
#include "store/Paths.h"

APP_STATE App;

#define KP_MAIN_TITLE "Kotopane （‘ v‘）/ メニューを押すと画像が変わります。画像をクリックするとセリフだけ変わります。　セリフやメニューは「編集(E)」から追加、削除、書き換えできます。"

struct EDIT_ITEM {
    UINT id;
    const char* text;
};

static const EDIT_ITEM kEditItems[] = {
    { CMD_ADD_PICTURE, "画像追加" },
    { CMD_PICTURE_NAME, "現在の画像ファイル名" },
    { CMD_REMOVE_PICTURE, "現在の画像をリストから外す" },
    { CMD_DELETE_PICTURE, "画像を選択して削除" },
    { CMD_COPY_PICTURE, "画像を指定して別のメニューにコピー" },
    { CMD_ADD_LINES, "セリフを追加" },
    { CMD_DELETE_LINES, "セリフを選択して削除" },
    { CMD_ADD_CATEGORY, "メニュー追加" },
    { CMD_DELETE_CATEGORY, "メニュー削除" },
    { CMD_RESTORE_CATEGORY, "削除済みメニューの復活" },
    { CMD_HEART_OPTION, "語尾にハートを付ける" },
    { CMD_BACK_COLOUR, "背景色指定" },
};

static void CreateMenus()
{
    App.hMainMenu = CreateMenu();
    App.hEditMenu = CreatePopupMenu();
    // Each insertion lands on top, so the highest id goes in first.
    for (int k = (int)(sizeof(kEditItems) / sizeof(kEditItems[0])) - 1; k >= 0; k--)
        MenuItemInsert(App.hEditMenu, 0, TRUE, kEditItems[k].text, kEditItems[k].id, nullptr, 0);
    MenuItemInsert(App.hMainMenu, 0, TRUE, "編集(&E)", 0, App.hEditMenu, 0);
}

static void RegisterMainClass(HINSTANCE inst)
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
    RegisterClassExW(&wc);
}

// The order is the one every start has always had; each subsystem starts from a fresh
// record (tests bring the window up more than once in one process). Null when the program
// ends without a window.
HWND KotopaneStartup(HINSTANCE inst)
{
    App = APP_STATE();
    SetMainWindow(nullptr);
    SetModuleInstance(inst);
    RandomSeed(1);

    INITCOMMONCONTROLSEX icc = { 8, 0xFF };
    InitCommonControlsEx(&icc);

    App.hFont = CreateSlotFont();
    App.hBackBrush = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    CreateMenus();
    CategoriesStart(App.hMainMenu);
    RegisterDialogClass(App.hBackBrush);

    // A folder that can't be named in code page 932 ends the program before anything is
    // created: every path would otherwise land somewhere else. So does a folder it can't
    // write in (a read-only place, a full disk): everything the user did would be lost.
    // The check makes the file-map folder.
    if (!StoreStart() || !StoreCheckWritable(KP_FILEMAP_DIR))
        return nullptr;
    LinesStart();
    DisplayStart();
    App.hHandCursor = LoadCursorW(nullptr, (LPCWSTR)IDC_HAND);

    RegisterMainClass(inst);
    // Created at its final size and place: resizing and moving it during creation cost an
    // X window change each.
    return EdgeCreateWindowEx(WS_EX_ACCEPTFILES, "NORMAL0", KP_MAIN_TITLE,
                              WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, 10, 10, ClientWidth(),
                              ClientHeight(), nullptr, nullptr, inst, nullptr);
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
        if (r == 0 && MainWindow() && IsWindow(MainWindow())) {
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
