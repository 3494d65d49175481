#pragma once
#include <windows.h>

void SerifuLoad();
void MainWnd_LButtonDown(WPARAM keys, int x, int y);
void MainWnd_AddLines_MenuClick();             // command 1012
void MainWnd_DeleteLines_MenuClick();          // command 1013
