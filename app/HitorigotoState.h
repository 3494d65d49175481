#pragma once

#include "categories/DialogHost.h"

// The character speaking on its own. Words: Hitorigoto = talking to oneself.
struct HITORIGOTO_STATE {
    HITORIGOTO_CHOICE choice;   // from ひとりごと.txt; the dialog changes it
    int userActed;              // a category chosen or a picture dropped in this run
    int windowLoops;            // a menu of the main window is open, or it is being moved or sized
};
extern HITORIGOTO_STATE Hitorigoto;
