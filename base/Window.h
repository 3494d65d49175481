#pragma once
#include <windows.h>

// What every window of the program shares. The main window owns every message box; the
// shell sets it when the window is created and the module instance at start-up.
HWND MainWindow();
// The main window's timers, one id each whichever subsystem sets it.
enum { TIMER_FINISH_START = 1, TIMER_HITORIGOTO = 2, TIMER_DROP_PROGRESS = 3 };
void SetMainWindow(HWND wnd);
HINSTANCE ModuleInstance();                    // 0 until start-up sets it
void SetModuleInstance(HINSTANCE inst);

// The face of every font the program makes.
#define KP_UI_FONT "ＭＳ Ｐゴシック"
// The small font each window slot (main window, dialogs) draws its controls with.
HFONT CreateSlotFont();
