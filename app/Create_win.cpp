#include "app/MainWnd.h"

#include "app/AppState.h"
#include "base/Edge.h"
#include "base/Limits.h"
#include "base/Random.h"
#include "base/Window.h"
#include "bitmaps/BlendTable.h"
#include "bitmaps/FileMapFolder.h"
#include "categories/MenuBar.h"
#include "categories/RecentFolders.h"
#include "display/Display.h"
#include "qx5link/Qx5Link.h"
#include "store/Paths.h"
#include "store/TextFile.h"

// Opened at every start: the usage guide that ships in the parts folder, so it opens
// (in the user's browser) wherever the program folder was unpacked, even offline.
#define KP_GUIDE_PAGE "\\部品\\使い方.html"

// A run that was killed leaves half-saved settings and lines files (never counted as
// pictures, but taking room) and its last conversion behind.
static void SweepLeftovers()
{
    char folder[KP_PATH_BYTES];
    if (ProgramPath(folder, sizeof folder, KP_SETTINGS_DIR))
        SweepSaveLeftovers(folder);
    for (int i = 0; i < CategoryCount(); i++) {
        if (CategoryFolderPath(i, folder, sizeof folder))
            SweepSaveLeftovers(folder);
    }
    DeleteConversionOutput();
}

// Everything is loaded here, once, in this order.
void MainWnd_Create()
{
    HWND wnd = MainWindow();
    char converter[KP_PATH_BYTES];
    ProgramPath(converter, sizeof(converter), KP_CONVERTER_EXE);
    Qx5LinkSetPath(converter);
    if (!Qx5LinkPresent()) {
        Qx5LinkReportMissing();
        // Start-up made the file-map folder a moment ago; an empty one is not left behind.
        EdgeRemoveDirectory(KP_FILEMAP_DIR);
        ExitProcess(0);
    }
    RandomSeed(GetTickCount());
    // The window was created at its size and place: a move to (0, 0) and back would cost
    // two X window moves for nothing the user sees.

    CreateSurfaces();
    LoadSettingsFiles();
    SweepLeftovers();
    BuildRecentMenu();
    BuildCategoryEntries();
    ComputeMenuRects();
    LoadHeartPicture();

    SetWindowPos(wnd, HWND_TOP, 10, 10, 0, 0, SWP_NOSIZE);
    // The first paint brings this forward; a window that is never painted (started
    // minimised) still finishes its start.
    SetTimer(wnd, TIMER_FINISH_START, 500, nullptr);
}

// Starting the converter and the browser, the blend table and the surfaces' colour are
// not needed to show the window; done before it, they kept it off the screen for
// tens of milliseconds. Each is also made ready on demand should a picture come first.
void MainWnd_FinishStart()
{
    if (App.startFinished || !MainWindow())
        return;
    App.startFinished = 1;
    Qx5LinkStart();
    char guide[KP_PATH_BYTES];
    if (ProgramPath(guide, sizeof(guide), KP_GUIDE_PAGE))
        EdgeShellOpen(MainWindow(), guide);
    BuildAlphaBlendTable();
    PrepareSurfaces();
}
