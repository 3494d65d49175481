#pragma once
#include <windows.h>
#include <cstddef>

// Start-up: a fresh record, the client size from the work area, the colour before the
// stored one is read, the bubble font.
void DisplayStart();
// The stored colour and heart flag, read at window creation and written at shutdown.
void LoadBackColour(const char* path);
void SaveBackColour(const char* path);
void LoadHeartFlag(const char* path);
void SaveHeartFlag(const char* path);
// Window creation: the surfaces, and the heart picture. The surfaces take the colour once
// the window is up.
void CreateSurfaces();
void PrepareSurfaces();
void LoadHeartPicture();
// Shutdown, once the settings are saved.
void ReleaseSurfaces();
void DisplayEnd();

int ClientWidth();
int ClientHeight();
void PaintComposition(HDC dc);                 // the composition surface to the window
// A fade or a typed line is on its way to the screen. Meanwhile the thread answers other
// programs' sent messages, so the window procedure may be entered before it ends.
bool AnimationRunning();

// Shows a random picture of category i, whose folder (null when it has none) and name the
// caller gives: listed, loaded, cross-faded in. True when it got as far as the fade; the
// caller then has a line typed into the bubble.
bool Hyouji(int i, const char* folder, const char* name);
// The same when the character changes the picture on its own, with nobody to tell: when no
// picture can be shown, the screen and the shown picture stay as they were.
bool HyoujiQuietly(int i, const char* folder, const char* name);
void LoadPicture(const char* path, int x, int y, int w, int h);
void DiscardPreviousBmp();                     // the previous conversion's file, moved aside
void CrossFade(HDC wndDC);
// Shows the picture at path again (after a drop or a colour change), without the bubble.
void Redraw(const char* path);
// CMD_BACK_COLOUR: the colour dialog, then everything repainted. True when the shown
// picture was redrawn (the caller then has a line typed); selectedFolder as below.
bool ChangeBackgroundColour(const char* selectedFolder);
void SetBackColour(COLORREF color);
COLORREF BackColour();
// Full path of the picture on screen: the folder it was shown from (else selectedFolder,
// the selected category's, when that is not empty) and the current picture file name.
// False when there is none.
bool ShownPicturePath(char* out, size_t cap, const char* selectedFolder);

// The pictures of the categories, as drops and the picture commands see them.
int PictureCount(int category);
void SetPictureCount(int category, int count);
// After a drop: the category holds count pictures now (-1: as many as before), and name, the
// last that came in, is the current picture.
void PicturesArrived(int category, int count, const char* name);
// The pictures a listing of the folder counts, as a display finds them; -1 when it can't be
// listed. It reads no state, so a drop's copying thread may ask.
int CountPictures(const char* folder);
void SetPictureChoice(int nowPicNum, const char* name);
bool PictureShown();
const char* CurrentPictureName();
const char* ShownPictureFolder();              // the folder the picture on the screen came from
int ShownOrdinal();                            // its place in that folder's listing
// The composition (what a paint copies to the window) and the picture slot the next
// picture goes into, for reading what is drawn.
HDC CompositionDC();
HDC PictureSlotDC(int slot);
int NextPictureSlot();
HFONT BubbleFont();
HDC HeartDC(int* width, int* height);          // the heart at its own size; null without one
const COLORREF* CustomColours();               // the colour dialog's own row of 16
void ForgetShownPicture();                     // removed: the composition in the background colour

// The speech bubble: the line typed into it on the window and the composition, then the heart.
void DrawBubble(const char* line);
// How far a drop's copies are, said in a bubble laid over the band: on the window now (unless
// an animation is on its way) and at every paint, until hidden. The composition underneath
// keeps the line, which comes back when the progress goes.
void ShowDropProgress(int done, int total);
void HideDropProgress();
int HeartFlag();
void SetHeartFlag(int flag);
