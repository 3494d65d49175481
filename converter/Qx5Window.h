#pragma once
#include <windows.h>
#include "converter/Qx5Message.h"

#define QX5_TITLE L"圧縮ファイルBMP変換だぞ"
#define QX5_CLASS L"QX5ConverterWindow"
// Longest source path accepted by WM_SETTEXT (the longest path Windows knows).
enum { QX5_SOURCE_MAX = 32767 };

// The converter's state: its window and the destination of the next conversion.
struct QX5_GLOBALS {
    HWND hWnd;
    wchar_t dst[QX5_PATH_BLOCK + 1];
    int haveDst;               // set by a valid WM_COPYDATA, used up by the next WM_SETTEXT
};
extern QX5_GLOBALS Qx5;

HWND Qx5CreateWindow(HINSTANCE inst);
LRESULT CALLBACK Qx5WndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL Qx5Wnd_CopyData(const COPYDATASTRUCT* cds);
BOOL Qx5Wnd_SetText(const wchar_t* src);
