#pragma once
#include <windows.h>
#include "converter/Qx5Message.h"

// The converter's state: its window and the destination and colour of the next conversion.
struct QX5_GLOBALS {
    HWND hWnd;
    wchar_t dst[CONVERTER_DEST_BYTES + 1];
    uint32_t back;             // the colour transparent pixels are laid over (0x00BBGGRR)
    int haveDst;               // set by a valid destination, used up by the source after it
};
extern QX5_GLOBALS Qx5;

HWND Qx5CreateWindow(HINSTANCE inst);
LRESULT CALLBACK Qx5WndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL Qx5Wnd_ConvertDestination(const COPYDATASTRUCT* cds);
BOOL Qx5Wnd_ConvertSource(const wchar_t* src);
