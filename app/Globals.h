#pragma once
#include <windows.h>
#include "bitmaps/FileMapDC.h"
#include "bitmaps/MappedBuffer.h"

enum { MENU_MAX = 10, MENU_NAME_MAX = 20, RECENT_MAX = 5, RECENT_PATH_MAX = 260 };
enum { SLOT_MAIN = 0, SLOT_MENUTSUIKA, SLOT_MENUSAKUJO, SLOT_KINOU, SLOT_COUNT };
enum { CATEGORY_ID_FIRST = 10000, RECENT_ID_FIRST = 5330, POPUP_ITEM_MAX = 16 };
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
    HINSTANCE hInstance;
    WINDOW_SLOT slot[SLOT_COUNT];      // main window and the three dialogs
    HBRUSH hBackBrush;
    HMENU hMainMenu;
    HMENU hEditMenu;
    HMENU hRecentPopup;
    HCURSOR hHandCursor;
    HFONT hBubbleFont;

    char programFolder[264];           // parent of the working directory, no trailing backslash
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
    char currentPicName[264];          // file name of the shown picture, no folder
    char shownPicFolder[264];          // folder the shown picture was taken from
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
    char convOutBlock[260];
    char convSrcPath[264];
    char converterPath[264];

    // Context menu
    POPUP_ITEM popupItem[POPUP_ITEM_MAX];
    BYTE popupItemCount;
    HMENU hPopupMenu;
};

extern KOTOPANE_GLOBALS Globals;

#define MAIN_HWND (Globals.slot[SLOT_MAIN].hWnd)
