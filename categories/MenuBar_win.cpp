#include "categories/MenuBar.h"

#include <string.h>
#include <string>
#include <vector>

#include "base/CommandIds.h"
#include "base/Cp932.h"
#include "base/Limits.h"
#include "base/MenuInsert.h"
#include "base/PathJoin.h"
#include "base/Trace.h"
#include "base/Window.h"
#include "categories/CategoriesState.h"
#include "categories/CategoryRules.h"
#include "store/Paths.h"

CATEGORIES_STATE Categories;

void CategoriesStart(HMENU mainMenu)
{
    memset(&Categories, 0, sizeof(Categories));
    Categories.hMainMenu = mainMenu;
    for (int s = 0; s < DIALOG_SLOTS; s++)
        Categories.slot[s].hFont = CreateSlotFont();
    Categories.hRecentPopup = CreatePopupMenu();
}

void CategoriesEnd()
{
    // A start that ended before the window was made never put it on the bar.
    if (!Categories.recentOnBar && Categories.hRecentPopup)
        DestroyMenu(Categories.hRecentPopup);
    Categories.hMainMenu = nullptr;
    Categories.hRecentPopup = nullptr;
    for (int s = 0; s < DIALOG_SLOTS; s++) {
        DeleteObject(Categories.slot[s].hFont);
        Categories.slot[s].hFont = nullptr;
    }
}

// Settings folder + the folder name Windows opens for a category name; false when it
// doesn't fit.
bool CategoryFolderOfName(const char* name, char* out, size_t cap)
{
    char folder[CATEGORY_NAME_BYTES];
    size_t n = CategoryFolderNameLength(name);
    if (n >= sizeof folder) {
        if (cap > 0)
            out[0] = 0;
        return false;
    }
    memcpy(folder, name, n);
    folder[n] = 0;
    return ProgramPath(out, cap, KP_SETTINGS_PREFIX, folder);
}

static bool LinesPathOf(const char* folder, const char* name, char* out, size_t cap)
{
    return PathJoin(out, cap, folder, (std::string(name) + KP_LINES_SUFFIX).c_str());
}

bool CategoryPlacesOfName(const char* name, char* folder, size_t folderCap, char* lines, size_t linesCap)
{
    if (linesCap > 0)
        lines[0] = 0;
    return CategoryFolderOfName(name, folder, folderCap) && LinesPathOf(folder, name, lines, linesCap);
}

void AddCategory(const char* name)
{
    int n = Categories.glMenuSuu;
    if (n >= CATEGORY_MAX)
        return;
    memset(Categories.glMenuName[n], 0, sizeof Categories.glMenuName[n]);
    Cp932CopyCut(Categories.glMenuName[n], CATEGORY_NAME_BYTES, name);
    Categories.glNowMenuNum = n;
    InsertCategoryEntry(n);
    // The rectangles are taken with the new entry counted, so every entry keeps its own.
    Categories.glMenuSuu = n + 1;
    ComputeMenuRects();
}

void InsertCategoryEntry(int i)
{
    MenuItemInsert(Categories.hMainMenu, 0, TRUE, MenuLabel(Categories.glMenuName[i]).c_str(),
                   CMD_CATEGORY_FIRST + i, 0, 0);
}

void BuildCategoryEntries()
{
    for (int i = 0; i < Categories.glMenuSuu; i++)
        InsertCategoryEntry(i);
}

void ComputeMenuRects()
{
    // The bar is laid out again first, so entries inserted a moment ago have their places.
    DrawMenuBar(MainWindow());
    for (int i = 0; i < Categories.glMenuSuu; i++) {
        RECT rc = {};
        GetMenuItemRect(MainWindow(), Categories.hMainMenu, Categories.glMenuSuu - 1 - i, &rc);
        POINT lt = { rc.left, rc.top };
        POINT rb = { rc.right, rc.bottom };
        ScreenToClient(MainWindow(), &lt);
        ScreenToClient(MainWindow(), &rb);
        Categories.glMenuRect[i].left = lt.x;
        Categories.glMenuRect[i].top = lt.y;
        Categories.glMenuRect[i].right = rb.x;
        Categories.glMenuRect[i].bottom = rb.y;
    }
    TraceRect("glMenuRect[0]", &Categories.glMenuRect[0]);
}

int CategoryAtPoint(int x, int y)
{
    int rects[CATEGORY_MAX][4];
    int count = Categories.glMenuSuu;
    if (count > CATEGORY_MAX)
        count = CATEGORY_MAX;
    for (int i = 0; i < count; i++) {
        rects[i][0] = Categories.glMenuRect[i].left;
        rects[i][1] = Categories.glMenuRect[i].top;
        rects[i][2] = Categories.glMenuRect[i].right;
        rects[i][3] = Categories.glMenuRect[i].bottom;
    }
    return CategoryAtPointRule(rects, count, x, y);
}

RECT CategoryRect(int i)
{
    RECT none = {};
    return i >= 0 && i < Categories.glMenuSuu ? Categories.glMenuRect[i] : none;
}

int CategoryCount()
{
    return Categories.glMenuSuu;
}

int NowMenuNum()
{
    return Categories.glNowMenuNum;
}

void SetNowMenuNum(int i)
{
    Categories.glNowMenuNum = i;
}

const char* CategoryName(int i)
{
    return (i >= 0 && i < CATEGORY_MAX) ? Categories.glMenuName[i] : "";
}

// Only categories in use have a folder: an empty slot would name the settings folder itself.
bool CategoryFolderPath(int i, char* out, size_t cap)
{
    if (cap > 0)
        out[0] = 0;
    if (i < 0 || i >= Categories.glMenuSuu || i >= CATEGORY_MAX || Categories.glMenuName[i][0] == 0)
        return false;
    return CategoryFolderOfName(Categories.glMenuName[i], out, cap);
}

bool CategoryLinesPath(int i, char* out, size_t cap)
{
    char folder[KP_PATH_BYTES];
    if (!CategoryFolderPath(i, folder, sizeof folder)) {
        if (cap > 0)
            out[0] = 0;
        return false;
    }
    return LinesPathOf(folder, Categories.glMenuName[i], out, cap);
}
