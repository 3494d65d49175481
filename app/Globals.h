#pragma once
#include <windows.h>
#include "base/CommandIds.h"
#include "base/ConverterProtocol.h"
#include "base/Limits.h"
#include "bitmaps/FileMapDC.h"
#include "bitmaps/MappedBuffer.h"

enum { MENU_MAX = 10, MENU_NAME_MAX = 20, RECENT_MAX = CMD_RECENT_COUNT, RECENT_PATH_MAX = 260 };
enum { SLOT_MAIN = 0, SLOT_MENUTSUIKA, SLOT_MENUSAKUJO, SLOT_KINOU, SLOT_COUNT };
enum { POPUP_ITEM_MAX = 16 };
// The current line holds everything the line reader can deliver (1003 bytes), so
// long lines are neither cut nor overrun.
enum { LINE_MAX_BYTES = 1003 };

struct WINDOW_SLOT {
    HWND hWnd;
    HFONT hFont;
};

struct POPUP_ITEM {
    char text[256];
    UINT id;
    int checked;
    int disabled;
};

// The process-wide state: plain fields, zero at process start.
struct KOTOPANE_GLOBALS {
    WINDOW_SLOT slot[SLOT_COUNT];      // main window and the three dialogs
    HBRUSH hBackBrush;
    HMENU hMainMenu;
    HMENU hEditMenu;
    HMENU hRecentPopup;
    HCURSOR hHandCursor;
    HFONT hBubbleFont;

    char programFolder[KP_PATH_BYTES];           // parent of the working directory, no trailing backslash
    RECT workArea;
    int clientW;
    int clientH;
    COLORREF backColor;
    int heartFlag;

    // Categories
    char glMenuName[MENU_MAX][MENU_NAME_MAX + 1];
    int glMenuSuu;
    int glNowMenuNum;
    RECT glMenuRect[MENU_MAX];
    int menuNameLimit;

    // Recent folders
    char glRecentFolder[RECENT_MAX][RECENT_PATH_MAX + 1];
    int recentFirstId;

    // Pictures and display
    FSFM_DC glMemDC;
    FSFM_DC glGazouDC[2];
    FSFM_DC glHartDC;
    int glGazouNext;
    int glNowPicNum;
    int glPicSuu[MENU_MAX];            // picture count per category
    char currentPicName[KP_PATH_BYTES];          // file name of the shown picture, no folder
    char shownPicFolder[KP_PATH_BYTES];          // folder the shown picture was taken from
    int picShown;
    RECT bubbleBand;
    COLORREF customColors[16];

    // Lines
    char currentLine[LINE_MAX_BYTES + 1];
    int currentLineIndex;

    // Alpha-blend table
    MAPPED_BUFFER alphaBuffer;
    BYTE* AlphaBlendBBTableC;

    // Converter link
    HWND hConverterWnd;
    char convOutBlock[CONVERTER_DEST_BYTES];
    char convSrcPath[KP_PATH_BYTES];
    char converterPath[KP_PATH_BYTES];

    // Context menu
    POPUP_ITEM popupItem[POPUP_ITEM_MAX];
    BYTE popupItemCount;
    HMENU hPopupMenu;
};

extern KOTOPANE_GLOBALS Globals;

