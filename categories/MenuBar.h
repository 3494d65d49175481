#pragma once
#include <windows.h>
#include <cstddef>

// Start-up: a fresh record, the menu bar the entries go on, the dialogs' fonts and an
// empty recent folders popup.
void CategoriesStart(HMENU mainMenu);
void CategoriesEnd();                          // the fonts; the menus went with the window

void LoadCategoryList(const char* path);   // menu list file -> names, glMenuSuu (first start: defaults)
void SaveCategoryList(const char* path);
void SetCategoryList(const char* const* names, int count);
// A name the add dialog accepted: a new category at the end of the list, selected, its
// entry leftmost on the bar.
void AddCategory(const char* name);
void BuildCategoryEntries();       // entries CMD_CATEGORY_FIRST + i at position 0 of the menu bar
void InsertCategoryEntry(int i);   // one of them, showing the name as written
void ComputeMenuRects();           // glMenuRect in client coordinates, trace "glMenuRect[0]"
int CategoryAtPoint(int x, int y); // -1 when none; coordinates as signed 16-bit

int CategoryCount();
RECT CategoryRect(int i);          // entry i on the bar, client coordinates (empty outside the list)
int NowMenuNum();
void SetNowMenuNum(int i);
const char* CategoryName(int i);   // "" for an index outside the list's slots
// Folder of category i (settings folder + name); false (and "") when it has none.
bool CategoryFolderPath(int i, char* out, size_t cap);
bool CategoryLinesPath(int i, char* out, size_t cap);
// The same for a name: settings folder + the folder name Windows opens for it, and the
// lines file in it; false when they don't fit.
bool CategoryFolderOfName(const char* name, char* out, size_t cap);
bool CategoryPlacesOfName(const char* name, char* folder, size_t folderCap, char* lines, size_t linesCap);
