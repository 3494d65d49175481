#include "categories/RecentFolders.h"

#include <string.h>
#include <string>

#include "base/CommandIds.h"
#include "base/Cp932.h"
#include "base/Edge.h"
#include "base/Limits.h"
#include "base/MenuInsert.h"
#include "base/Window.h"
#include "categories/CategoriesState.h"
#include "categories/CategoryRules.h"
#include "categories/RecentRules.h"
#include "store/Paths.h"
#include "store/TextFile.h"

void LoadRecentFolders(const char* path)
{
    std::vector<char> bytes;
    int got = ReadWholeFile(path, &bytes);
    RecentSlotsFromFile(bytes.data(), (size_t)got, Categories.glRecentFolder);
}

// "フォルダ(&O)" on the bar, and an item for each filled slot (slot 0 at the bottom).
void BuildRecentMenu()
{
    Categories.recentOnBar = MenuItemInsert(Categories.hMainMenu, 0, TRUE, "フォルダ(&O)", 0, Categories.hRecentPopup, 0);
    for (int n = 0; n < RECENT_SLOTS; n++) {
        if (Categories.glRecentFolder[n][0] != 0)
            MenuItemInsert(Categories.hRecentPopup, 0, TRUE, MenuLabel(Categories.glRecentFolder[n]).c_str(),
                           CMD_RECENT_FIRST + n, 0, 0);
    }
}

// After a drop: the folder moves to the top of the list, and the popup is rebuilt with
// all five items, blank ones included.
void RecordRecentFolder(const char* folder)
{
    RecordRecentRule(Categories.glRecentFolder, folder);
    for (int i = 0; i < RECENT_SLOTS; i++)
        RemoveMenu(Categories.hRecentPopup, CMD_RECENT_FIRST + i, MF_BYCOMMAND);
    for (int i = 0; i < RECENT_SLOTS; i++)
        MenuItemInsert(Categories.hRecentPopup, 0, TRUE, MenuLabel(RecentItemText(Categories.glRecentFolder[i])).c_str(),
                       CMD_RECENT_FIRST + i, 0, 0);
}

void SaveRecentFolders(const char* path)
{
    const char* slots[RECENT_SLOTS];
    for (int i = 0; i < RECENT_SLOTS; i++)
        slots[i] = Categories.glRecentFolder[i];
    unsigned char block[RECENT_FILE_BYTES];
    RecentFoldersBlock(slots, RECENT_SLOTS, block);
    FileWriteMy2(path, block, RECENT_FILE_BYTES);
    memset(Categories.glRecentFolder, 0, sizeof(Categories.glRecentFolder));
}

const char* RecentFolder(int slot)
{
    return (slot >= 0 && slot < RECENT_SLOTS) ? Categories.glRecentFolder[slot] : "";
}

void SetRecentFolder(int slot, const char* text)
{
    if (slot >= 0 && slot < RECENT_SLOTS)
        Cp932CopyCut(Categories.glRecentFolder[slot], RECENT_SLOT_BYTES, text);
}

// Opens a recent folder in the file manager, or says it is gone.
void MainWnd_FolderOPEN_MenuClick(const char* text)
{
    char folder[KP_PATH_BYTES];
    if (RecentOpenPath(text, folder, sizeof folder) && EdgePathIsDirectory(folder)) {
        EdgeOpenForUser(MainWindow(), folder, HAND_OFF_FOLDER);
        return;
    }
    EdgeMessageBox(MainWindow(), "そのフォルダは存在しません<(_ _)>", "MainWnd_FolderOPEN_MenuClick", MB_OK);
}
