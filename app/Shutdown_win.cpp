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
    // A box of its own (a settings file that cannot be written) lets queued commands through.
    App.shuttingDown = 1;
    ReleaseAlphaBlendTable();
    SaveBackColour();
    SaveCategoryList();
    ReleaseSurfaces();
    SaveRecentFolders();

    // The converter goes first: one still busy with a picture that timed out would otherwise
    // write the conversion output (or its partial file) after it was deleted.
    ConverterStop();
    DeleteConversionOutput();
    RemoveFileMapFolder();
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
