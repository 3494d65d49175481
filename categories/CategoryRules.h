#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "base/Limits.h"

enum {
    CATEGORY_NAME_MAX = 20,                 // bytes of code page 932 text
    CATEGORY_NAME_BYTES = CATEGORY_NAME_MAX + 1,
    CATEGORY_LINE_BYTES = 1004              // what the line reader can hand over
};

// Where the menu list comes from, and who hears about the lines that are left out.
struct CATEGORY_LIST_SOURCE {
    void* ctx;
    // Line n of the menu list into out (cap bytes, terminated); 1 when the line was reached.
    int (*readLine)(void* ctx, int n, char* out, size_t cap);
    bool (*folderExists)(void* ctx, const char* name);
    void (*reportMissing)(void* ctx, const char* name);   // listed, but no folder of its own
    void (*reportTooLong)(void* ctx, const char* name);   // over 20 bytes
};

extern const char* const kFirstStartNames[2];

// Fills names[0..count-1] from menu list lines 0 to 9 and returns count, one name per
// folder. *firstStart becomes true when line 0 is empty: names then hold the two
// first-start categories.
int LoadCategoryNames(const CATEGORY_LIST_SOURCE* src, char names[][CATEGORY_NAME_BYTES], bool* firstStart);

// A name that can be a category folder inside the settings folder and nowhere else:
// a plain folder name that Windows keeps as it is (no trailing space or dot, no device name).
bool IsCategoryFolderName(const char* name);

// A name of the menu list that is kept: at most 20 bytes, naming a folder inside the
// settings folder and nothing else. A trailing space or dot is allowed here (the user may
// have written one; Windows opens the folder without it), separators, "." and "..", device
// names, the program's own file names and control bytes are not.
bool IsStoredCategoryName(const char* name);
// Length of the folder name Windows opens for a category name: without trailing spaces and dots.
size_t CategoryFolderNameLength(const char* name);

// Both names open the same folder.
bool SameCategoryFolder(const char* a, const char* b);

// Index of the first rectangle (left, top, right, bottom) holding the point, edges
// included; -1 when none. The coordinates are taken as signed 16-bit values.
int CategoryAtPointRule(const int (*rects)[4], int count, int x, int y);

// Removes the name at index, moving the later ones down. Returns the new count.
int RemoveCategoryName(char names[][CATEGORY_NAME_BYTES], int count, int index);

enum CATEGORY_NAME_CHECK {
    NAME_OK = 0,
    NAME_LIST_FULL,         // already ten categories
    NAME_TOO_LONG,          // over 20 bytes
    NAME_EMPTY,
    NAME_NOT_PLAIN,         // could not be a folder inside the settings folder, or names a file of the program's
    NAME_DUPLICATE          // another category already uses that folder
};

// The add dialog's rules, in the order they are told to the user.
CATEGORY_NAME_CHECK CheckNewCategoryName(const char* name, const char names[][CATEGORY_NAME_BYTES], int count);

// A menu item's text that shows the name as written: a menu takes a single & for the
// keyboard shortcut that follows it, so each one is doubled.
std::string MenuLabel(const char* text);

// The lines of a menu list's text that the loader reads: lines 0 to 9, up to the first
// empty one (none when line 0 is empty).
std::vector<std::string> MenuListLines(const char* text, size_t len);

// The names to save when the menu list file was edited by hand while the program ran
// (`atStart` and `now` are its names then and now): the program's own list (`running`,
// with what it added or removed in this run) less the names taken out of the file by hand,
// then the names written into it by hand that the loader takes (IsStoredCategoryName), in
// the file's order; at most ten.
std::vector<std::string> MenuListToSave(const std::vector<std::string>& running,
                                        const std::vector<std::string>& atStart,
                                        const std::vector<std::string>& now);

// The menu list file as it is saved: each name and CR LF.
std::string MenuListText(const char* const* names, int count);
