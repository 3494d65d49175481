#include "base/Window.h"

#include "base/Edge.h"

struct WINDOW_STATE {
    HWND hMainWnd;
    HINSTANCE hInstance;
    PROGRAM_LIFE life;
};
static WINDOW_STATE glWindow;

HWND MainWindow()
{
    return glWindow.hMainWnd;
}

void SetMainWindow(HWND wnd)
{
    glWindow.hMainWnd = wnd;
}

PROGRAM_LIFE ProgramLife()
{
    return glWindow.life;
}

void SetProgramLife(PROGRAM_LIFE life)
{
    glWindow.life = life;
}

bool ProgramRunning()
{
    return glWindow.life == LIFE_RUNNING;
}

HINSTANCE ModuleInstance()
{
    return glWindow.hInstance;
}

void SetModuleInstance(HINSTANCE inst)
{
    glWindow.hInstance = inst;
}

HFONT CreateSlotFont()
{
    return EdgeCreateFont(-12, 0, 0, 0, 400, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_STROKE_PRECIS,
                          CLIP_STROKE_PRECIS, DRAFT_QUALITY, FF_SWISS | DEFAULT_PITCH, KP_UI_FONT);
}
