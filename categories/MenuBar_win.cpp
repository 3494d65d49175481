#include "categories/MenuBar.h"

#include <string.h>
#include <string>

#include "app/Globals.h"
#include "base/CommandIds.h"
#include "base/Edge.h"
#include "base/Limits.h"
#include "base/MenuInsert.h"
#include "base/Trace.h"
#include "base/Window.h"
#include "categories/CategoryRules.h"
#include "store/Paths.h"
#include "store/TextFile.h"

static_assert((int)CATEGORY_MAX == (int)MENU_MAX && (int)CATEGORY_NAME_BYTES == MENU_NAME_MAX + 1,
              "the rules and the global name slots agree");

// The menu list as the loader reads it: the file's own lines, the settings folder's folders.
static int MenuListReadLine(void* ctx, int n, char* out, size_t cap)
{
    return ReadLineTo(out, cap, (const char*)ctx, n);
}

static bool MenuListFolderExists(void* ctx, const char* name)
{
    char path[KP_PATH_BYTES];
    if (!PathJoin(path, sizeof path, Globals.programFolder, KP_SETTINGS_PREFIX, name))
        return false;
    return EdgePathIsDirectory(path) != FALSE;
}

static void MenuListReportMissing(void* ctx, const char* name)
{
    std::string text = "メニュー「";
    text += name;
    text += "」はメニューリストにはありますが、フォルダがありません。";
    EdgeMessageBox(MainWindow(), text.c_str(), "セリフがありません。（‘ v‘）/", MB_TOPMOST | MB_OK);
}

static void MenuListReportTooLong(void* ctx, const char* name)
{
    std::string text = "メニュー「";
    text += name;
    text += "」は長すぎるので読み込みません。メニュー文字の長さは全角１０文字（半角２０文字）までです。";
    EdgeMessageBox(MainWindow(), text.c_str(), "字数制限", MB_TOPMOST | MB_OK);
}

// Folder and lines file of a first-start category, the lines written with their zero byte.
static void WriteFirstStartCategory(const char* name, const char* lines)
{
    char folder[KP_PATH_BYTES], file[KP_PATH_BYTES];
    if (!PathJoin(folder, sizeof folder, Globals.programFolder, KP_SETTINGS_PREFIX, name))
        return;
    EdgeCreateDirectory(folder);
    if (PathJoin(file, sizeof file, folder, "\\", name, KP_LINES_SUFFIX))
        WriteTextWithZero(file, lines);
}

void LoadCategoryList()
{
    char listPath[KP_PATH_BYTES];
    PathJoin(listPath, sizeof listPath, Globals.programFolder, KP_MENU_LIST_FILE);

    memset(Globals.glMenuName, 0, sizeof Globals.glMenuName);
    CATEGORY_LIST_SOURCE src = { listPath, MenuListReadLine, MenuListFolderExists,
                                 MenuListReportMissing, MenuListReportTooLong };
    bool firstStart = false;
    Globals.glMenuSuu = LoadCategoryNames(&src, Globals.glMenuName, &firstStart);
    if (firstStart) {
        WriteFirstStartCategory(kFirstStartNames[0], "すごーい！\r\nかっこいいー！\r\n頭いいー！\r\n");
        WriteFirstStartCategory(kFirstStartNames[1],
                                "がんばって！\r\nだいじょうぶ！\r\n応援してるよ！\r\nお疲れさま\r\n");
    }
}

void BuildCategoryEntries()
{
    for (int i = 0; i < Globals.glMenuSuu; i++)
        MenuItemInsert(Globals.hMainMenu, 0, TRUE, Globals.glMenuName[i], CMD_CATEGORY_FIRST + i, 0, 0);
}

void ComputeMenuRects()
{
    // The bar is laid out again first, so entries inserted a moment ago have their places.
    DrawMenuBar(MainWindow());
    for (int i = 0; i < Globals.glMenuSuu; i++) {
        RECT rc = {};
        GetMenuItemRect(MainWindow(), Globals.hMainMenu, Globals.glMenuSuu - 1 - i, &rc);
        POINT lt = { rc.left, rc.top };
        POINT rb = { rc.right, rc.bottom };
        ScreenToClient(MainWindow(), &lt);
        ScreenToClient(MainWindow(), &rb);
        Globals.glMenuRect[i].left = lt.x;
        Globals.glMenuRect[i].top = lt.y;
        Globals.glMenuRect[i].right = rb.x;
        Globals.glMenuRect[i].bottom = rb.y;
    }
    TraceRect("glMenuRect[0]", &Globals.glMenuRect[0]);
}

int CategoryAtPoint(int x, int y)
{
    int rects[MENU_MAX][4];
    int count = Globals.glMenuSuu;
    if (count > MENU_MAX)
        count = MENU_MAX;
    for (int i = 0; i < count; i++) {
        rects[i][0] = Globals.glMenuRect[i].left;
        rects[i][1] = Globals.glMenuRect[i].top;
        rects[i][2] = Globals.glMenuRect[i].right;
        rects[i][3] = Globals.glMenuRect[i].bottom;
    }
    return CategoryAtPointRule(rects, count, x, y);
}

const char* CategoryName(int i)
{
    return (i >= 0 && i < MENU_MAX) ? Globals.glMenuName[i] : "";
}

// Only categories in use have a folder: an empty slot would name the settings folder itself.
bool CategoryFolderPath(int i, char* out, size_t cap)
{
    if (cap > 0)
        out[0] = 0;
    if (i < 0 || i >= Globals.glMenuSuu || i >= MENU_MAX || Globals.glMenuName[i][0] == 0)
        return false;
    return PathJoin(out, cap, Globals.programFolder, KP_SETTINGS_PREFIX, Globals.glMenuName[i]);
}

bool CategoryLinesPath(int i, char* out, size_t cap)
{
    char folder[KP_PATH_BYTES];
    if (!CategoryFolderPath(i, folder, sizeof folder)) {
        if (cap > 0)
            out[0] = 0;
        return false;
    }
    return PathJoin(out, cap, folder, "\\", Globals.glMenuName[i], KP_LINES_SUFFIX);
}
