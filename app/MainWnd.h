#pragma once
#include <windows.h>
#include <vector>

#include "base/Window.h"

// Start-up up to the main window (returns it; 0 when the window was not created).
HWND KotopaneStartup(HINSTANCE inst);
int KotopaneMessageLoop();
LRESULT CALLBACK MainWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
// The Edit menu, built from the command rows the window procedure dispatches.
HMENU CreateEditMenu();

// Every settings file read with its owner's reader, in the table's order; at shutdown
// written the same way, and those that could not be written told in one box.
void LoadSettingsFiles();
void SaveSettingsFiles();
struct SAVE_FAILURE;
void ReportUnsavedSettings(const std::vector<SAVE_FAILURE>& failed);

// Work of WM_CREATE and WM_DESTROY.
void MainWnd_Create();
// The rest of start-up, once the window is on the screen (the first paint sets it off);
// runs once, whenever it is called first.
void MainWnd_FinishStart();
void MainWnd_Destroy();

// The character speaking on its own: its settings file, loaded at window creation and
// saved at shutdown; the timer, started again after each thing the user does.
void HitorigotoStart();                        // a fresh record
void LoadHitorigoto(const char* path);
void SaveHitorigoto(const char* path);
void HitorigotoUserActed();                    // a category chosen or a picture dropped
void HitorigotoRestart();
bool HitorigotoMayTalk();
bool HitorigotoChangesPicture();
void MainWnd_Hitorigoto_MenuClick();           // CMD_HITORIGOTO
// WM_ENTERMENULOOP and WM_ENTERSIZEMOVE (entered), WM_EXITMENULOOP and WM_EXITSIZEMOVE
void MainWnd_WindowLoop(bool entered);
