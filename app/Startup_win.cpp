#include "app/Globals.h"
#include "app/MainWnd.h"
#include "base/CommandIds.h"
#include "base/Edge.h"
#include "base/Limits.h"
#include "base/MenuInsert.h"
#include "base/Random.h"
#include "base/Window.h"
#include "bitmaps/MappedBuffer.h"
#include "categories/DialogHost.h"
#include "store/Paths.h"
#include <commctrl.h>
#include <string.h>

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
    Globals.hMainMenu = CreateMenu();
    Globals.hEditMenu = CreatePopupMenu();
    // Each insertion lands on top, so the highest id goes in first.
    for (int k = (int)(sizeof(kEditItems) / sizeof(kEditItems[0])) - 1; k >= 0; k--)
        MenuItemInsert(Globals.hEditMenu, 0, TRUE, kEditItems[k].text, kEditItems[k].id, nullptr, 0);
    MenuItemInsert(Globals.hMainMenu, 0, TRUE, "編集(&E)", 0, Globals.hEditMenu, 0);
}

static void CreateFonts()
{
    for (int i = 0; i < SLOT_COUNT; i++)
        Globals.slot[i].hFont = CreateSlotFont();
    Globals.hBackBrush = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
}

static void CreateBubbleFont()
{
    LOGFONTW lf = {};
    lf.lfHeight = 50;
    lf.lfWeight = 700;
    lf.lfCharSet = SHIFTJIS_CHARSET;
    lf.lfOutPrecision = OUT_STROKE_PRECIS;
    lf.lfClipPrecision = CLIP_STROKE_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = DEFAULT_PITCH;
    EdgeToWide(KP_UI_FONT, lf.lfFaceName, LF_FACESIZE);
    Globals.hBubbleFont = EdgeCreateFontFromLogFont(&lf);
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
    wc.hbrBackground = Globals.hBackBrush;
    wc.lpszClassName = L"NORMAL0";
    RegisterClassExW(&wc);
}

HWND KotopaneStartup(HINSTANCE inst)
{
    // A fresh record, as at process start (tests bring the window up more than once).
    memset(&Globals, 0, sizeof(Globals));
    SetMainWindow(nullptr);
    SetModuleInstance(inst);
    RandomSeed(1);

    INITCOMMONCONTROLSEX icc = { 8, 0xFF };
    InitCommonControlsEx(&icc);

    CreateFonts();
    CreateMenus();
    RegisterDialogClass();

    char workDir[KP_PATH_BYTES];
    EdgeGetCurrentDirectory(workDir, sizeof(workDir));
    ProgramFolderOf(workDir, Globals.programFolder, sizeof(Globals.programFolder));

    char path[KP_PATH_BYTES];
    if (PathJoin(path, sizeof(path), Globals.programFolder, KP_SETTINGS_DIR))
        EdgeCreateDirectory(path);

    Globals.glNowMenuNum = 0;
    Globals.glNowPicNum = 0;
    Globals.currentLineIndex = 0;
    CreateBubbleFont();
    Globals.menuNameLimit = MENU_NAME_MAX;

    Globals.hRecentPopup = CreatePopupMenu();
    Globals.recentFirstId = CMD_RECENT_FIRST;
    Globals.hHandCursor = LoadCursorW(nullptr, (LPCWSTR)IDC_HAND);

    Globals.backColor = 0x5A00;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &Globals.workArea, 0);
    Globals.clientW = Globals.workArea.right - Globals.workArea.left - 50;
    Globals.clientH = Globals.workArea.bottom - Globals.workArea.top;

    BuildAlphaBlendTable();
    EdgeCreateDirectory(KP_FILEMAP_DIR);

    RegisterMainClass(inst);
    return EdgeCreateWindowEx(WS_EX_ACCEPTFILES, "NORMAL0", KP_MAIN_TITLE,
                              WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN,
                              CW_USEDEFAULT, CW_USEDEFAULT, 1002, 720, nullptr, nullptr, inst, nullptr);
}

int KotopaneMessageLoop()
{
    MSG msg;
    for (;;) {
        BOOL r = GetMessageW(&msg, nullptr, 0, 0);
        if (r == 0 || r == -1)
            break;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
