#include "app/BackColorText.h"
#include "app/Globals.h"
#include "app/MainWnd.h"
#include "base/Edge.h"
#include "base/Limits.h"
#include "base/Random.h"
#include "base/Window.h"
#include "bitmaps/FileMapDC.h"
#include "categories/MenuBar.h"
#include "categories/RecentFolders.h"
#include "display/Display.h"
#include "intake/Converter.h"
#include "store/LineText.h"
#include "store/Paths.h"
#include "store/TextFile.h"
#include <string>
#include <string.h>

// Opened at every start; the one place the address lives.
#define KP_WEB_ADDRESS "https://www.example.com/kotopane/"

static void LoadBackColor()
{
    char path[KP_PATH_BYTES];
    char line[LINE_BUFFER_BYTES] = {};
    if (PathJoin(path, sizeof(path), Globals.programFolder, KP_BACKCOLOR_FILE))
        ReadLineTo(line, sizeof(line), path, 0);
    Globals.backColor = BackColorFromLine(line);
}

static void CreateSurfaces()
{
    int w = Globals.clientW, h = Globals.clientH;
    DCCreateByFSFM(&Globals.glMemDC, "glMemDC", 0, w, h, 32);
    FillRectColor(Globals.glMemDC.hDC, 0, 0, w, h, Globals.backColor);
    for (int i = 0; i < 2; i++) {
        DCCreateByFSFM(&Globals.glGazouDC[i], "glGazouDC", i, w, h, 32);
        SetStretchBltMode(Globals.glGazouDC[i].hDC, HALFTONE);
    }
    for (int i = 0; i < 2; i++)
        FillRectColor(Globals.glGazouDC[i].hDC, 0, 0, w, h, Globals.backColor);
}

static void LoadHeartFlag()
{
    char path[KP_PATH_BYTES];
    std::string line;
    if (PathJoin(path, sizeof(path), Globals.programFolder, KP_HEART_FILE))
        line = ReadLine(path, 0);
    Globals.heartFlag = HeartFlagFromLine(line.c_str());
}

void MainWnd_Create()
{
    HWND wnd = MainWindow();
    if (!ConverterPresent()) {
        ConverterReportMissing();
        // Start-up made the file-map folder a moment ago; an empty one is not left behind.
        EdgeRemoveDirectory(KP_FILEMAP_DIR);
        ExitProcess(0);
    }
    EdgeShellOpen(wnd, KP_WEB_ADDRESS);
    RandomSeed(GetTickCount());
    SetWindowPos(wnd, nullptr, 0, 0, Globals.clientW, Globals.clientH, SWP_NOZORDER);

    LoadBackColor();
    CreateSurfaces();
    SetRect(&Globals.bubbleBand, 0, 0, Globals.clientW, 50);
    Globals.hMainMenu = GetMenu(wnd);
    memset(Globals.glMenuName, 0, sizeof(Globals.glMenuName));

    LoadCategoryList();
    BuildRecentMenu();
    BuildCategoryEntries();
    ComputeMenuRects();

    LoadHeartFlag();
    char path[KP_PATH_BYTES];
    if (PathJoin(path, sizeof(path), Globals.programFolder, KP_HEART_BMP))
        BmpToDC(&Globals.glHartDC, "glHartDC", 0, path);

    SetWindowPos(wnd, HWND_TOP, 10, 10, 0, 0, SWP_NOSIZE);
    ConverterStart();
}
