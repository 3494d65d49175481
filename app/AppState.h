#pragma once
#include <windows.h>

// The shell's own handles: what start-up creates for the main window and shutdown releases.
struct APP_STATE {
    HFONT hFont;                // the main window's slot font
    HBRUSH hBackBrush;          // class background of both window classes
    HMENU hMainMenu;            // the menu bar; categories and recent folders add to it
    HMENU hEditMenu;            // 編集(&E)
    HCURSOR hHandCursor;
};
extern APP_STATE App;
