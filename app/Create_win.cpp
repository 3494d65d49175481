#include "app/BackColorText.h"
#include "app/Globals.h"
#include "app/Edge.h"
#include "app/MainWnd.h"
#include "bitmaps/FileMapDC.h"
#include "categories/MenuBar.h"
#include "categories/RecentFolders.h"
#include "display/Display.h"
#include "display/Random.h"
#include "intake/Converter.h"
#include "store/LineText.h"
#include "store/Paths.h"
#include "store/TextFile.h"
#include <string>
#include <string.h>

// Opened at every start: the usage guide that ships in the parts folder, so it opens
// (in the user's browser) wherever the program folder was unpacked, even offline.
#define KP_WEB_ADDRESS "\\部品\\使い方.html"

static void LoadBackColor()
{
    char path[264];
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
    char path[264];
    std::string line;
    if (PathJoin(path, sizeof(path), Globals.programFolder, KP_HEART_FILE))
        line = ReadLine(path, 0);
    Globals.heartFlag = HeartFlagFromLine(line.c_str());
}

void MainWnd_Create()
{
    HWND wnd = MAIN_HWND;
    if (!ConverterPresent()) {
        ConverterReportMissing();
        // Start-up made the file-map folder a moment ago; an empty one is not left behind.
        EdgeRemoveDirectory(KP_FILEMAP_DIR);
        ExitProcess(0);
    }
    char guide[264];
    if (PathJoin(guide, sizeof(guide), Globals.programFolder, KP_WEB_ADDRESS))
        EdgeShellOpen(wnd, guide);
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
    char path[264];
    if (PathJoin(path, sizeof(path), Globals.programFolder, KP_HEART_BMP))
        BmpToDC(&Globals.glHartDC, "glHartDC", 0, path);

    SetWindowPos(wnd, HWND_TOP, 10, 10, 0, 0, SWP_NOSIZE);
    ConverterStart();
}
