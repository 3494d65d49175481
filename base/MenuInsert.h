#pragma once
#include <windows.h>

// The one operation that adds a menu item. No text: a separator.
BOOL MenuItemInsert(HMENU menu, UINT item, BOOL byPosition, const char* text, UINT id, HMENU sub, UINT state);
