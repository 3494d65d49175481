#include "app/Globals.h"
#include "app/MainWnd.h"
#include "base/Edge.h"
#include "base/Limits.h"
#include "base/NumberText.h"
#include "bitmaps/FileMapDC.h"
#include "bitmaps/MappedBuffer.h"
#include "intake/Converter.h"
#include "store/Paths.h"
#include "store/SettingsFormat.h"
#include "store/TextFile.h"
#include <string>
#include <string.h>

static void SettingsPath(char* out, size_t cap, const char* literal)
{
    PathJoin(out, cap, Globals.programFolder, literal);
}

static void SaveBackColor()
{
    char path[KP_PATH_BYTES];
    SettingsPath(path, sizeof(path), KP_BACKCOLOR_FILE);
    std::string text = NumberToText((double)(uint32_t)Globals.backColor);
    FileWriteMy2(path, text.data(), (DWORD)text.size());
}

static void SaveMenuList()
{
    const char* names[MENU_MAX];
    for (int i = 0; i < MENU_MAX; i++)
        names[i] = Globals.glMenuName[i];
    int count = Globals.glMenuSuu < 0 ? 0 : (Globals.glMenuSuu > MENU_MAX ? MENU_MAX : Globals.glMenuSuu);
    std::string text = MenuListText(names, count);
    char path[KP_PATH_BYTES];
    SettingsPath(path, sizeof(path), KP_MENU_LIST_FILE);
    FileWriteMy2(path, text.data(), (DWORD)text.size());
}

static void SaveRecentFolders()
{
    const char* slots[RECENT_MAX];
    for (int i = 0; i < RECENT_MAX; i++)
        slots[i] = Globals.glRecentFolder[i];
    unsigned char block[RECENT_FILE_BYTES];
    RecentFoldersBlock(slots, RECENT_MAX, block);
    char path[KP_PATH_BYTES];
    SettingsPath(path, sizeof(path), KP_RECENT_FILE);
    FileWriteMy2(path, block, RECENT_FILE_BYTES);
    memset(Globals.glRecentFolder, 0, sizeof(Globals.glRecentFolder));
}

// Deletes the backing files (closed by now) and then the folder itself.
static void ClearFileMapFolder()
{
    EDGE_FIND_DATA fd;
    HANDLE find = EdgeFindFirstFile(KP_FILEMAP_DIR "\\*", &fd);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        char path[KP_PATH_BYTES];
        if (!fd.lossy && PathJoin(path, sizeof(path), KP_FILEMAP_DIR, "\\", fd.name))
            EdgeDeleteFile(path);
    } while (EdgeFindNextFile(find, &fd));
    FindClose(find);
    EdgeRemoveDirectory(KP_FILEMAP_DIR);
}

static void SaveHeartFlag()
{
    char path[KP_PATH_BYTES];
    SettingsPath(path, sizeof(path), KP_HEART_FILE);
    WriteTextWithZero(path, NumberToText((double)Globals.heartFlag).c_str());
}

void MainWnd_Destroy()
{
    if (Globals.AlphaBlendBBTableC || Globals.alphaBuffer.hMap)
        ReleaseAlphaBlendTable();
    SaveBackColor();
    SaveMenuList();

    DCDeleteByFSFM(&Globals.glMemDC, 1);
    DCDeleteByFSFM(&Globals.glHartDC, 1);
    DCDeleteByFSFM(&Globals.glGazouDC[0], 1);
    DCDeleteByFSFM(&Globals.glGazouDC[1], 1);

    SaveRecentFolders();

    char path[KP_PATH_BYTES];
    SettingsPath(path, sizeof(path), KP_GAZOU_BMP);
    EdgeDeleteFile(path);
    ClearFileMapFolder();
    ConverterStop();
    SaveHeartFlag();

    DestroyMenu(Globals.hMainMenu);
    Globals.hMainMenu = nullptr;
    Globals.hEditMenu = nullptr;
    Globals.hRecentPopup = nullptr;
    for (int i = 0; i < SLOT_COUNT; i++) {
        DeleteObject(Globals.slot[i].hFont);
        Globals.slot[i].hFont = nullptr;
    }
    DeleteObject(Globals.hBubbleFont);
    Globals.hBubbleFont = nullptr;
    DeleteObject(Globals.hBackBrush);
    Globals.hBackBrush = nullptr;
    PostQuitMessage(0);
}
