#pragma once
#include <windows.h>
#include <shellapi.h>

#include <deque>

// The shell's own handles: what start-up creates for the main window and shutdown releases.
struct APP_STATE {
    HBRUSH hBackBrush;          // class background of both window classes
    HMENU hMainMenu;            // the menu bar; categories and recent folders add to it
    HMENU hEditMenu;            // 編集(&E)
    HCURSOR hHandCursor;
    int showing;                // a picture is being shown or a line typed (boxes may be open)
    // What waits to be taken, in the order it came: messages that came while an animation ran
    // (they would start a display inside it, or end the window under it), and drops, which
    // also wait for a display or a drop before them.
    std::deque<MSG> waiting;
    int dropDone;               // the copies of the drop in progress are over; its end waits
    int startFinished;          // the work put off until the window was first on the screen
};
extern APP_STATE App;
