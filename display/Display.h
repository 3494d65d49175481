#pragma once
#include <windows.h>

void FillRectColor(HDC dc, int left, int top, int right, int bottom, COLORREF color);
// Shows a random picture of category i, whose folder (null when it has none) and name the
// caller gives: listed, loaded, cross-faded in. True when it got as far as the fade; the
// caller then has a line typed into the bubble.
bool Hyouji(int i, const char* folder, const char* name);
void LoadPicture(HDC dc, const char* path, int x, int y, int w, int h);
void CrossFade(HDC wndDC);
// Types the line into the bubble on the window and the composition, then the heart.
void DrawBubble(const char* line);
// Shows the picture at path again (after a drop or a colour change), without the bubble.
void Redraw(const char* path);
// CMD_BACK_COLOUR: the colour dialog, then everything repainted. True when the shown
// picture was redrawn (the caller then has a line typed); selectedFolder as below.
bool ChangeBackgroundColour(const char* selectedFolder);
// Full path of the picture on screen: the folder it was shown from (else selectedFolder,
// the selected category's, when that is not empty) and the current picture file name.
// False when there is none.
bool ShownPicturePath(char* out, size_t cap, const char* selectedFolder);
// Performance-counter times at which each typed step of the last bubble reached the window.
int TypingStepTimes(const LONGLONG** times);
