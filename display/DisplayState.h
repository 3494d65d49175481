#pragma once
#include <windows.h>

#include "base/Limits.h"
#include "bitmaps/FileMapDC.h"
#include "store/LineText.h"

// What the window shows: the surfaces, the picture of each category, the colour and the
// speech bubble. Words: Hyouji = show (a category), Gazou = picture, Hart = heart,
// Suu = count, glNow... = the one shown now.
struct DISPLAY_STATE {
    RECT workArea;
    int clientW;                        // every surface is clientW x clientH
    int clientH;
    COLORREF backColor;
    COLORREF customColors[16];          // the colour dialog's own row

    FSFM_DC glMemDC;                    // the composition, what a paint copies to the window
    FSFM_DC glGazouDC[2];               // picture slots; the next picture goes to glGazouNext
    FSFM_DC glHartDC;                   // the heart at its own size
    int glGazouNext;
    int surfacesPrepared;               // the composition and both slots hold the colour

    int glNowPicNum;                    // ordinal of the shown picture in its folder
    int glPicSuu[CATEGORY_MAX];         // picture count per category
    char currentPicName[KP_PATH_BYTES]; // file name of the shown picture, no folder
    char shownPicFolder[KP_PATH_BYTES]; // folder the shown picture was taken from
    int picShown;

    HFONT hBubbleFont;
    RECT bubbleBand;
    int heartFlag;                      // the heart after each line (the options dialog)

    int animDepth;                      // a fade or a typed line is running
    int progressShown;                  // a drop's progress lies over the band
    int progressDone, progressTotal;
    int quiet;                          // a picture shown on its own (HyoujiQuietly)
};
extern DISPLAY_STATE Display;

// Shared by the display's own files.
void CreateBubbleFont();
void FillRectColor(HDC dc, int left, int top, int right, int bottom, COLORREF color);

// Paces an animation against a steady clock: each frame drawn on the window is put on the
// screen and held until its deadline, the window answering other programs meanwhile.
struct PACE {
    LONGLONG freq;
    LONGLONG deadline;
    HANDLE timer;
    bool finePeriod;
};
void PaceStart(PACE* p);
void PaceShow(PACE* p, int ms);
void PaceEnd(PACE* p);

// The drop's progress over the band, onto dc (the window's, or a paint's).
void DrawDropProgress(HDC dc);
