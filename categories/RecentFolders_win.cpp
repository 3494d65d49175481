#include "categories/RecentFolders.h"

#include <string>

#include "app/Globals.h"
#include "base/CommandIds.h"
#include "base/Edge.h"
#include "base/Limits.h"
#include "base/MenuInsert.h"
#include "base/Window.h"
#include "categories/RecentRules.h"
#include "store/Paths.h"
#include "store/TextFile.h"

static_assert((int)RECENT_SLOTS == (int)RECENT_MAX && (int)RECENT_SLOT_BYTES == RECENT_PATH_MAX + 1,
              "the rules and the global recent folder slots agree");

// "フォルダ(&O)" on the bar, the five slots from the recent folders file, and an item for
// each filled slot (slot 0 at the bottom).
void BuildRecentMenu()
{
    MenuItemInsert(Globals.hMainMenu, 0, TRUE, "フォルダ(&O)", 0, Globals.hRecentPopup, 0);

    char path[KP_PATH_BYTES];
    PathJoin(path, sizeof path, Globals.programFolder, KP_RECENT_FILE);
    for (int n = 0; n < RECENT_MAX; n++) {
        std::string line = ReadLine(path, n);
        RecentSlotFromLine(line.c_str(), Globals.glRecentFolder[n]);
    }
    for (int n = 0; n < RECENT_MAX; n++) {
        if (Globals.glRecentFolder[n][0] != 0)
            MenuItemInsert(Globals.hRecentPopup, 0, TRUE, Globals.glRecentFolder[n], CMD_RECENT_FIRST + n, 0, 0);
    }
}

// After a drop: the folder moves to the top of the list, and the popup is rebuilt with
// all five items, blank ones included.
void RecordRecentFolder(const char* folder)
{
    RecordRecentRule(Globals.glRecentFolder, folder);
    for (int i = 0; i < RECENT_MAX; i++)
        RemoveMenu(Globals.hRecentPopup, CMD_RECENT_FIRST + i, MF_BYCOMMAND);
    for (int i = 0; i < RECENT_MAX; i++)
        MenuItemInsert(Globals.hRecentPopup, 0, TRUE, RecentItemText(Globals.glRecentFolder[i]),
                       CMD_RECENT_FIRST + i, 0, 0);
}

// Opens a recent folder in the file manager, or says it is gone.
void MainWnd_FolderOPEN_MenuClick(const char* text)
{
    char folder[KP_PATH_BYTES];
    if (RecentOpenPath(text, folder, sizeof folder) && EdgePathIsDirectory(folder)) {
        EdgeShellOpen(MainWindow(), folder);
        return;
    }
    EdgeMessageBox(MainWindow(), "そのフォルダは存在しません<(_ _)>", "MainWnd_FolderOPEN_MenuClick", MB_OK);
}
