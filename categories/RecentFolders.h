#pragma once
#include <windows.h>

void LoadRecentFolders(const char* path);      // the five slots from the file
void BuildRecentMenu();                        // "フォルダ(&O)" entry and the slots' items
void SaveRecentFolders(const char* path);      // the file, then the slots are emptied
void RecordRecentFolder(const char* folder);   // after a drop
const char* RecentFolder(int slot);            // "" outside the slots
void SetRecentFolder(int slot, const char* text);
void MainWnd_FolderOPEN_MenuClick(const char* text);
