#pragma once
#include <windows.h>
#include <shellapi.h>

#include "base/Window.h"

// What a drop's copying thread posts to the window: wParam files done, lParam files in all;
// then the end.
enum { WM_KP_DROP_PROGRESS = WM_APP + 1, WM_KP_DROP_DONE = WM_APP + 2 };

// A drop: its files are copied in by a thread of their own while the window goes on (the
// handle is released here). False when nothing was started: the user has been told why.
bool MainWnd_DropFiles(HDROP drop);
// From the start of a drop until its end has been taken.
bool DropInProgress();
// WM_KP_DROP_PROGRESS, and the progress timer (every TIMER_DROP_PROGRESS_MS while a drop is
// in progress): from half a second into the drop, the band says how far it is.
enum { TIMER_DROP_PROGRESS_MS = 250 };
void DropProgress(int done, int total);
void DropProgressTick();
// The copies are over (after WM_KP_DROP_DONE, once no display runs): what came in is counted
// and remembered, what stayed out is told, and the last picture that came in is shown. True
// when it was (the caller then has a line typed).
bool MainWnd_DropEnds();
// The shutdown: the copies stop (the file in flight is finished or removed) and what came in
// is counted and remembered, for the settings saved next.
void DropStop();

void MainWnd_AddPicture_MenuClick();           // CMD_ADD_PICTURE
void MainWnd_PictureName_MenuClick();          // CMD_PICTURE_NAME
void MainWnd_RemovePicture_MenuClick();        // CMD_REMOVE_PICTURE
void MainWnd_DeletePicture_MenuClick();        // CMD_DELETE_PICTURE
void MainWnd_CopyPicture_MenuClick();          // CMD_COPY_PICTURE
void PopUpMenu(WPARAM keys, int x, int y);     // right click
int PopupItemCount();                          // items in the table for the next right click
