#pragma once

#include "categories/DialogHost.h"

// The character speaking on its own. Words: Hitorigoto = talking to oneself.
struct HITORIGOTO_STATE {
    HITORIGOTO_CHOICE choice;   // from ひとりごと.txt; the dialog changes it
    int userActed;              // a category chosen or a picture dropped in this run
    int menuLoops;              // a menu of the main window is open
};
extern HITORIGOTO_STATE Hitorigoto;
