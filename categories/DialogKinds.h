#pragma once
#include <windows.h>

// Window procedures of the four dialog kinds (the host swaps them in).
LRESULT CALLBACK MenuTsuikaProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK MenuSakujoProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK KinouProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK HitorigotoProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);

// A control of a dialog of the given window slot, drawn with that slot's font.
HWND DialogControl(HWND dlg, int slot, DWORD exStyle, const char* cls, const char* text, DWORD style,
                   int x, int y, int w, int h, int id);
