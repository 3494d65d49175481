#include "app/MainWnd.h"

#include "app/AppState.h"
#include "base/Edge.h"
#include "base/Limits.h"
#include "bitmaps/Converter.h"
#include "bitmaps/MappedBuffer.h"
#include "categories/MenuBar.h"
#include "categories/RecentFolders.h"
#include "display/Display.h"
#include "store/Paths.h"

// Everything is saved here, once, each settings file by its owner, in this order.
void MainWnd_Destroy()
{
    ReleaseAlphaBlendTable();
    SaveBackColour();
    SaveCategoryList();
    ReleaseSurfaces();
    SaveRecentFolders();

    char path[KP_PATH_BYTES];
    ProgramPath(path, sizeof(path), KP_GAZOU_BMP);
    EdgeDeleteFile(path);
    DiscardPreviousBmp();
    RemoveFileMapFolder();
    ConverterStop();
    SaveHeartFlag();

    // The menu bar takes the Edit and recent folders popups with it.
    DestroyMenu(App.hMainMenu);
    App.hMainMenu = nullptr;
    App.hEditMenu = nullptr;
    CategoriesEnd();
    DeleteObject(App.hFont);
    App.hFont = nullptr;
    DisplayEnd();
    DeleteObject(App.hBackBrush);
    App.hBackBrush = nullptr;
    PostQuitMessage(0);
}
