#include "categories/MenuBar.h"

#include <string.h>
#include <string>
#include <vector>

#include "base/Cp932.h"
#include "base/Edge.h"
#include "base/Limits.h"
#include "base/PathJoin.h"
#include "base/Window.h"
#include "categories/CategoriesState.h"
#include "categories/CategoryRules.h"
#include "store/Paths.h"
#include "store/TextFile.h"

// The menu list file: the category names read at window creation, written back at shutdown.

// The menu list as the loader reads it: the file's own lines, the settings folder's folders.
static int MenuListReadLine(void* ctx, int n, char* out, size_t cap)
{
    const std::vector<std::string>* lines = (const std::vector<std::string>*)ctx;
    if (n < 0 || (size_t)n >= lines->size())
        return 0;
    Cp932CopyCut(out, cap, (*lines)[n].c_str());
    return 1;
}

// The names the menu list file holds now, read as any editor may have saved it.
static std::vector<std::string> MenuListFileLines(const char* path)
{
    std::string text;
    ReadTextFile(path, &text);
    return MenuListLines(text.data(), text.size());
}

static bool MenuListFolderExists(void* ctx, const char* name)
{
    char path[KP_PATH_BYTES];
    if (!CategoryFolderOfName(name, path, sizeof path))
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
// A lines file already there (a category deleted earlier, to be restored) is the user's.
static void WriteFirstStartCategory(const char* name, const char* lines)
{
    char folder[KP_PATH_BYTES], file[KP_PATH_BYTES];
    if (!ProgramPath(folder, sizeof folder, KP_SETTINGS_PREFIX, name))
        return;
    EdgeCreateDirectory(folder);
    if (!PathJoin(file, sizeof file, folder, (std::string(name) + KP_LINES_SUFFIX).c_str()))
        return;
    HANDLE h = EdgeCreateFile(file, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL);
    if (h != INVALID_HANDLE_VALUE) {
        CloseHandle(h);
        return;
    }
    if (GetLastError() == ERROR_FILE_NOT_FOUND)
        WriteTextWithZero(file, lines);
}

void LoadCategoryList(const char* path)
{
    std::vector<std::string> lines = MenuListFileLines(path);
    memset(Categories.listAtStart, 0, sizeof Categories.listAtStart);
    Categories.listAtStartCount = 0;
    for (const std::string& l : lines)
        Cp932CopyCut(Categories.listAtStart[Categories.listAtStartCount++], CATEGORY_LINE_BYTES, l.c_str());

    memset(Categories.glMenuName, 0, sizeof Categories.glMenuName);
    CATEGORY_LIST_SOURCE src = { &lines, MenuListReadLine, MenuListFolderExists,
                                 MenuListReportMissing, MenuListReportTooLong };
    bool firstStart = false;
    Categories.glMenuSuu = LoadCategoryNames(&src, Categories.glMenuName, &firstStart);
    if (firstStart) {
        WriteFirstStartCategory(kFirstStartNames[0], "すごーい！\r\nかっこいいー！\r\n頭いいー！\r\n");
        WriteFirstStartCategory(kFirstStartNames[1],
                                "がんばって！\r\nだいじょうぶ！\r\n応援してるよ！\r\nお疲れさま\r\n");
    }
}

// Written back in code page 932. A name the user wrote into the file while the program ran
// (the restore of a deleted category) stays in it beside this run's own changes; a file
// that is gone or empty now is no edit.
void SaveCategoryList(const char* path)
{
    int count = Categories.glMenuSuu < 0 ? 0 : (Categories.glMenuSuu > CATEGORY_MAX ? CATEGORY_MAX : Categories.glMenuSuu);
    std::vector<std::string> running(Categories.glMenuName, Categories.glMenuName + count);
    std::vector<std::string> now = MenuListFileLines(path);
    if (!now.empty()) {
        std::vector<std::string> atStart(Categories.listAtStart, Categories.listAtStart + Categories.listAtStartCount);
        running = MenuListToSave(running, atStart, now);
    }
    std::vector<const char*> names;
    for (const std::string& n : running)
        names.push_back(n.c_str());
    std::string text = MenuListText(names.data(), (int)names.size());
    FileWriteMy2(path, text.data(), (DWORD)text.size());
}

void SetCategoryList(const char* const* names, int count)
{
    memset(Categories.glMenuName, 0, sizeof Categories.glMenuName);
    for (int i = 0; i < count && i < CATEGORY_MAX; i++)
        Cp932CopyCut(Categories.glMenuName[i], CATEGORY_NAME_BYTES, names[i]);
    Categories.glMenuSuu = count;
}

