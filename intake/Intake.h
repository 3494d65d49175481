#pragma once
#include <windows.h>
#include <shellapi.h>

// True when a dropped picture was shown (the caller then has a line typed).
bool MainWnd_DropFiles(HDROP drop);
void MainWnd_AddPicture_MenuClick();           // CMD_ADD_PICTURE
void MainWnd_PictureName_MenuClick();          // CMD_PICTURE_NAME
void MainWnd_RemovePicture_MenuClick();        // CMD_REMOVE_PICTURE
void MainWnd_DeletePicture_MenuClick();        // CMD_DELETE_PICTURE
void MainWnd_CopyPicture_MenuClick();          // CMD_COPY_PICTURE
void PopUpMenu(WPARAM keys, int x, int y);     // right click
