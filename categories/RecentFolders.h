#pragma once
#include <windows.h>

void BuildRecentMenu();                        // "フォルダ(&O)" entry, slots from the file, items
void RecordRecentFolder(const char* folder);   // after a drop
void MainWnd_FolderOPEN_MenuClick(const char* text);
