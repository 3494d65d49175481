#pragma once
#include <windows.h>

void BuildRecentMenu();                        // "フォルダ(&O)" entry, slots from the file, items
void SaveRecentFolders();                      // the file, then the slots are emptied
void RecordRecentFolder(const char* folder);   // after a drop
const char* RecentFolder(int slot);            // "" outside the slots
void SetRecentFolder(int slot, const char* text);
void MainWnd_FolderOPEN_MenuClick(const char* text);
