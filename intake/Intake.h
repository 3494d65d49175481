#pragma once
#include <windows.h>
#include <shellapi.h>

void MainWnd_DropFiles(HDROP drop);
void MainWnd_AddPicture_MenuClick();           // 1007
void MainWnd_PictureName_MenuClick();          // 1008
void MainWnd_RemovePicture_MenuClick();        // 1009
void MainWnd_DeletePicture_MenuClick();        // 1010
void MainWnd_CopyPicture_MenuClick();          // 1011
void PopUpMenu(WPARAM keys, int x, int y);     // right click
