#pragma once
#include <windows.h>

void SerifuLoad();
void MainWnd_LButtonDown(WPARAM keys, int x, int y);
void MainWnd_AddLines_MenuClick();             // CMD_ADD_LINES
void MainWnd_DeleteLines_MenuClick();          // CMD_DELETE_LINES
