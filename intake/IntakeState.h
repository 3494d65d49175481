#pragma once
#include <windows.h>

// The context menu: its item table, filled for each right click, and the menu while it is open.
enum { POPUP_ITEM_MAX = 16 };

struct POPUP_ITEM {
    char text[256];
    UINT id;
    int checked;
    int disabled;
};

struct INTAKE_STATE {
    POPUP_ITEM popupItem[POPUP_ITEM_MAX];
    BYTE popupItemCount;
    HMENU hPopupMenu;
};
extern INTAKE_STATE Intake;
