#pragma once
#include <windows.h>

int DialogOpen(HWND owner, const char* key);   // "MenuTsuika", "MenuSakujo", "Kinou"
void DialogClose(HWND dlg, int code);
void RegisterDialogClass(HBRUSH background);   // NORMALDLG
void MainWnd_RestoreMenu_MenuClick();          // CMD_RESTORE_CATEGORY
