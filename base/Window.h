#pragma once
#include <windows.h>

// What every window of the program shares. The main window owns every message box; the
// shell sets it when the window is created and the module instance at start-up.
HWND MainWindow();
// The main window's timers, one id each whichever subsystem sets it.
enum { TIMER_FINISH_START = 1, TIMER_HITORIGOTO = 2, TIMER_DROP_PROGRESS = 3 };
void SetMainWindow(HWND wnd);
// The program's life. Work enters only while it runs: the window procedure, the display and
// the converter link ask ProgramRunning() before they begin anything, and again after a wait
// in which other messages were answered (a nested loop may have closed the window).
enum PROGRAM_LIFE {
    LIFE_RUNNING,    // from start-up on
    LIFE_CLOSING,    // the main window's shutdown has begun: its boxes run loops of their own
    LIFE_CLOSED,     // the shutdown is over
};
PROGRAM_LIFE ProgramLife();
void SetProgramLife(PROGRAM_LIFE life);
bool ProgramRunning();
HINSTANCE ModuleInstance();                    // 0 until start-up sets it
void SetModuleInstance(HINSTANCE inst);

// The face of every font the program makes.
#define KP_UI_FONT "ＭＳ Ｐゴシック"
// The small font each window slot (main window, dialogs) draws its controls with.
HFONT CreateSlotFont();
