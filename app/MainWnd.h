#pragma once
#include <windows.h>

#include "base/Window.h"

// Start-up up to the main window (returns it; 0 when the window was not created).
HWND KotopaneStartup(HINSTANCE inst);
int KotopaneMessageLoop();
LRESULT CALLBACK MainWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
// The Edit menu, built from the command rows the window procedure dispatches.
HMENU CreateEditMenu();

// Work of WM_CREATE and WM_DESTROY.
void MainWnd_Create();
// The rest of start-up, once the window is on the screen (the first paint sets it off);
// runs once, whenever it is called first.
void MainWnd_FinishStart();
void MainWnd_Destroy();

// The character speaking on its own: its settings file, loaded at window creation and
// saved at shutdown; the timer, started again after each thing the user does.
void HitorigotoStart();                        // a fresh record
void LoadHitorigoto();
void SaveHitorigoto();
void HitorigotoUserActed();                    // a category chosen or a picture dropped
void HitorigotoRestart();
bool HitorigotoMayTalk();
bool HitorigotoChangesPicture();
void MainWnd_Hitorigoto_MenuClick();           // CMD_HITORIGOTO
// WM_ENTERMENULOOP and WM_ENTERSIZEMOVE (entered), WM_EXITMENULOOP and WM_EXITSIZEMOVE
void MainWnd_WindowLoop(bool entered);
