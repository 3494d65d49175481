#pragma once
#include <windows.h>
#include <shellapi.h>

#include <deque>

// The shell's own handles: what start-up creates for the main window and shutdown releases.
struct APP_STATE {
    HFONT hFont;                // the main window's slot font
    HBRUSH hBackBrush;          // class background of both window classes
    HMENU hMainMenu;            // the menu bar; categories and recent folders add to it
    HMENU hEditMenu;            // 編集(&E)
    HCURSOR hHandCursor;
    int showing;                // a picture is being shown or a line typed (boxes may be open)
    std::deque<HDROP> pendingDrops;   // drops that wait for a display or a drop before them
    int dropDone;               // the copies of the drop in progress are over; its end waits
    int startFinished;          // the work put off until the window was first on the screen
    int shuttingDown;           // the shutdown has begun: no command, click or drop is taken
};
extern APP_STATE App;
