#pragma once
#include <windows.h>

// "MenuTsuika", "MenuSakujo", "Kinou", "Hitorigoto"; param reaches the kind as the lParam
// of WM_INITDIALOG.
int DialogOpen(HWND owner, const char* key, void* param = nullptr);
void DialogClose(HWND dlg, int code);
bool DialogRunning();                          // a dialog's loop is running under the caller
void RegisterDialogClass(HBRUSH background);   // NORMALDLG
void MainWnd_RestoreMenu_MenuClick();          // CMD_RESTORE_CATEGORY

// What the Hitorigoto dialog shows and changes: the seconds between the character's talks
// on its own (0: never) and whether the picture changes too. Its caller takes it once the
// dialog has closed.
struct HITORIGOTO_CHOICE {
    int seconds;
    int pictures;
};
