#pragma once
#include <windows.h>

void LoadCategoryList();           // menu list file -> names, glMenuSuu (first start: defaults)
void BuildCategoryEntries();       // entries CMD_CATEGORY_FIRST + i at position 0 of the menu bar
void ComputeMenuRects();           // glMenuRect in client coordinates, trace "glMenuRect[0]"
int CategoryAtPoint(int x, int y); // -1 when none; coordinates as signed 16-bit
const char* CategoryName(int i);   // "" for an index outside the list's slots
// Folder of category i (settings folder + name); false when it does not fit.
bool CategoryFolderPath(int i, char* out, size_t cap);
bool CategoryLinesPath(int i, char* out, size_t cap);
