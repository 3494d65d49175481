#include "base/Window.h"

#include "base/Edge.h"

struct WINDOW_STATE {
    HWND hMainWnd;
    HINSTANCE hInstance;
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
