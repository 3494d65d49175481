#include "base/MenuInsert.h"

#include "base/Edge.h"

BOOL MenuItemInsert(HMENU menu, UINT item, BOOL byPosition, const char* text, UINT id, HMENU sub, UINT state)
{
    MENUITEMINFOW mii = {};
    mii.cbSize = sizeof(mii);
    mii.fMask = MIIM_TYPE;
    if (!text) {
        mii.fType = MFT_SEPARATOR;
        return InsertMenuItemW(menu, item, byPosition, &mii);
    }
    mii.fType = MFT_STRING;
    mii.fMask |= MIIM_STATE | MIIM_ID;
    mii.wID = id;
    mii.fState = state;
    if (sub) {
        mii.fMask |= MIIM_SUBMENU;
        mii.hSubMenu = sub;
    }
    return EdgeInsertMenuItem(menu, item, byPosition, &mii, text);
}
