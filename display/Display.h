#pragma once
#include <windows.h>

void FillRectColor(HDC dc, int left, int top, int right, int bottom, COLORREF color);
void Hyouji(int i);
void LoadPicture(HDC dc, const char* path, int x, int y, int w, int h);
void CrossFade(HDC wndDC);
void DrawBubble(HDC wndDC);                    // releases wndDC
void Redraw(const char* path);
void ChangeBackgroundColour();                 // CMD_BACK_COLOUR
// Full path of the picture on screen: the folder it was shown from (else the selected
// category's) and the current picture file name. False when there is none.
bool ShownPicturePath(char* out, size_t cap);
// Performance-counter times at which each typed step of the last bubble reached the window.
int TypingStepTimes(const LONGLONG** times);
