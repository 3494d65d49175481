#pragma once
#include <windows.h>

#include "base/Limits.h"
#include "categories/CategoryRules.h"
#include "categories/RecentRules.h"

// The categories on the menu bar, the dialogs that change them and the options, and the
// recent folders. Words: Menu = a category (its entry on the menu bar), Suu = count,
// glNow... = the selected one, Tsuika/Sakujo = add/delete (MenuTsuika and MenuSakujo are
// the two category dialogs), Kinou = options (the heart option dialog), Hitorigoto =
// talking to oneself (the dialog of the character's talk on its own).
struct WINDOW_SLOT {
    HWND hWnd;
    HFONT hFont;
};
enum { SLOT_MENUTSUIKA = 0, SLOT_MENUSAKUJO, SLOT_KINOU, SLOT_HITORIGOTO, DIALOG_SLOTS };

// A dialog's loop while it runs: DialogClose marks it done.
struct DIALOG_RUN {
    HWND dlg;
    int done;
    int code;
    DIALOG_RUN* outer;
};

struct CATEGORIES_STATE {
    HMENU hMainMenu;                    // the menu bar, given at start-up
    char glMenuName[CATEGORY_MAX][CATEGORY_NAME_BYTES];
    int glMenuSuu;
    int glNowMenuNum;
    RECT glMenuRect[CATEGORY_MAX];      // each entry on the bar, client coordinates
    WINDOW_SLOT slot[DIALOG_SLOTS];     // the dialogs
    DIALOG_RUN* dialogRun;              // the innermost dialog loop running, if any
    char glRecentFolder[RECENT_SLOTS][RECENT_SLOT_BYTES];
    HMENU hRecentPopup;                 // フォルダ(&O)
    int recentOnBar;                    // on the menu bar, which destroys it with itself
    // The menu list file's names when it was read: the save tells a hand edit by them.
    char listAtStart[CATEGORY_MAX][CATEGORY_LINE_BYTES];
    int listAtStartCount;
};
extern CATEGORIES_STATE Categories;
