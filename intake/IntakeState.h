#pragma once
#include <windows.h>

struct DROP_JOB;

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

    // The drop whose files are being copied in, from its start until its end is taken.
    DROP_JOB* dropJob;
    HANDLE hDropThread;         // null once it has ended, or when the job ran on this thread
    int dropTarget;             // the category the files go into
    DWORD dropStartTick;
    int dropDone, dropTotal;    // files judged and copied so far, and in all
};
extern INTAKE_STATE Intake;
