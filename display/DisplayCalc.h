#pragma once
#include <cstddef>
#include <cstdint>

#include "base/PictureFit.h"

// Picture fitting, choice, cross-fade and bubble arithmetic, and the texts of the colour
// and heart files (no Windows header).

// A folder entry counts as a picture unless it is hidden or a system file, its name starts
// with a dot, is Thumbs.db or desktop.ini, is shorter than 4 bytes, ends in .txt or is a
// temporary file of the settings writers.
bool IsPictureEntry(const char* name, bool hiddenOrSystem = false);
// Ordinal among count entries for a fraction 0 <= f < 1.
int OrdinalFromFraction(double f, int count);
// Another draw is needed while there is a choice and the draw repeats the previous ordinal.
bool ChooseAgain(int count, int chosen, int previous);

// Each fade frame stays on screen FADE_FRAME_MS: 200 ms in all, long enough to read as a
// fade and short enough not to keep the user waiting.
enum { FADE_FRAMES = 5, FADE_FRAME_MS = 40 };
// Weight of the old picture (out of 256) for frames 0..4: 128, 102, 76, 50, 24.
void FadeWeights(int out[FADE_FRAMES]);
// dst = table[a][dst][src] for bytes 0..2 of each 32-bit pixel; byte 3 of dst is kept.
void BlendFrame(uint8_t* dst, const uint8_t* src, size_t pixels, const uint8_t* table, int a);

struct BUBBLE_LAYOUT {
    int pointX[3];      // tip, left base, right base
    int pointY[3];
    int textLeft;       // where the typed text starts
    int clipRight;      // the text is cut here (a line too wide for the band)
    int bodyLeft, bodyTop, bodyRight, bodyBottom;
    int heartLeft, heartTop, heartRight, heartBottom;   // 50 x 50 after the text
};
// The text is centred in the band with the bubble 20 pixels around it (and 50 more for the
// heart). Only a line wider than the band fills it: the text starts at the left margin and
// is cut before the heart, which stays inside the band.
BUBBLE_LAYOUT LayoutBubble(int windowW, int bandW, int textW, bool heart);
// Where text of the given width is drawn for x: a negative x means "ends at -x".
int TextDrawX(int x, int textW);
// Typing pace: one character per step for lines of up to TYPING_MAX_STEPS characters,
// several per step for longer ones, so no line takes more than 2.4 s to type.
enum { TYPING_STEP_MS = 40, TYPING_MAX_STEPS = 60 };
int CharsPerStep(int chars);

// The stored background colour: decimal digits of a COLORREF. A hand-edited line that is
// not such a number (letters, signs, more than 0xFFFFFF) gives black, as a missing file does.
uint32_t BackColorFromLine(const char* line);
// The stored heart flag: a number text, truncated toward zero, kept inside 32 bits.
int HeartFlagFromLine(const char* line);
