#include "app/MainWnd.h"

#include "base/Edge.h"
#include "base/Limits.h"
#include "base/Random.h"
#include "base/Window.h"
#include "bitmaps/Converter.h"
#include "bitmaps/MappedBuffer.h"
#include "categories/MenuBar.h"
#include "categories/RecentFolders.h"
#include "display/Display.h"
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
    ConverterSetPath(converter);
    if (!ConverterPresent()) {
        ConverterReportMissing();
        // Start-up made the file-map folder a moment ago; an empty one is not left behind.
        EdgeRemoveDirectory(KP_FILEMAP_DIR);
        ExitProcess(0);
    }
    // Started first and not waited for: it gets ready while the window is built, and its
    // window is looked for when the first picture needs it.
    ConverterStart();
    char guide[KP_PATH_BYTES];
    if (ProgramPath(guide, sizeof(guide), KP_GUIDE_PAGE))
        EdgeShellOpen(wnd, guide);
    RandomSeed(GetTickCount());
    SetWindowPos(wnd, nullptr, 0, 0, ClientWidth(), ClientHeight(), SWP_NOZORDER);

    LoadBackColour();
    CreateSurfaces();

    LoadCategoryList();
    SweepLeftovers();
    BuildRecentMenu();
    BuildCategoryEntries();
    ComputeMenuRects();

    LoadHeart();

    SetWindowPos(wnd, HWND_TOP, 10, 10, 0, 0, SWP_NOSIZE);
}
