#include "display/DisplayCalc.h"

#include <cmath>
#include <cstring>

#include "base/Cp932.h"
#include "base/NumberText.h"
#include "store/SaveTemp.h"

bool IsPictureEntry(const char* name, bool hiddenOrSystem)
{
    // What Windows and other systems leave in folders: hidden or system files, dot files
    // (.DS_Store), and the two Windows files that lose those marks when copied by hand.
    if (hiddenOrSystem || name[0] == '.' || Cp932CompareNoCase(name, "Thumbs.db") == 0
        || Cp932CompareNoCase(name, "desktop.ini") == 0)
        return false;
    if (strlen(name) < 4)
        return false;
    // A save cut short by a killed run is no picture, whatever its target was.
    if (IsSaveTempName(name))
        return false;
    return Cp932CompareNoCase(Cp932FindExtension(name), ".txt") != 0;
}

int OrdinalFromFraction(double f, int count)
{
    return (int)(f * (double)count);
}

bool ChooseAgain(int count, int chosen, int previous)
{
    return count > 1 && chosen == previous;
}

void FadeWeights(int out[FADE_FRAMES])
{
    // From half and half down in equal steps, one per frame, so every weight stays positive
    // whatever the number of frames.
    int a = 128;
    for (int k = 0; k < FADE_FRAMES; k++) {
        out[k] = a;
        a = (int)((float)a - 128.0f / (float)FADE_FRAMES);
    }
}

// The hot path of the fade: one 32-bit load per surface and one store per pixel, the
// three colour bytes looked up in the weight's 64 KiB plane of the table.
void BlendFrame(uint8_t* dst, const uint8_t* src, size_t pixels, const uint8_t* table, int a)
{
    const uint8_t* t = table + ((size_t)(a & 0xFF) << 16);
    for (size_t k = 0; k < pixels; k++) {
        uint32_t d, s;
        memcpy(&d, dst + k * 4, 4);
        memcpy(&s, src + k * 4, 4);
        uint32_t b0 = t[((d & 0xFF) << 8) | (s & 0xFF)];
        uint32_t b1 = t[(d & 0xFF00) | ((s >> 8) & 0xFF)];
        uint32_t b2 = t[((d >> 8) & 0xFF00) | ((s >> 16) & 0xFF)];
        d = (d & 0xFF000000u) | b0 | (b1 << 8) | (b2 << 16);
        memcpy(dst + k * 4, &d, 4);
    }
}

BUBBLE_LAYOUT LayoutBubble(int windowW, int bandW, int textW, bool heart)
{
    BUBBLE_LAYOUT b;
    float half = (float)windowW / 2.0f;
    b.pointX[0] = (int)half;
    b.pointY[0] = 60;
    b.pointX[1] = (int)(half - 5.0f);
    b.pointY[1] = 50;
    b.pointX[2] = (int)(half + 5.0f);
    b.pointY[2] = 50;
    int room = heart ? 70 : 20;     // right of the text: the margin, and the heart before it
    b.bodyTop = 0;
    b.bodyBottom = 51;
    if (textW <= bandW) {
        // Shown whole, centred in the band; the bubble's margins and the heart may then
        // reach past the window's edges.
        b.textLeft = (int)((float)(bandW - textW) / 2.0f);
        b.bodyLeft = b.textLeft - 20;
        b.bodyRight = b.textLeft + textW + room;
        b.clipRight = b.bodyRight;
        b.heartLeft = b.textLeft + textW;
    } else {
        b.textLeft = 20;
        b.bodyLeft = 0;
        b.bodyRight = bandW;
        b.clipRight = bandW - room;
        b.heartLeft = bandW - 70;
    }
    b.heartTop = 0;
    b.heartRight = b.heartLeft + 50;
    b.heartBottom = 50;
    return b;
}

int TextDrawX(int x, int textW)
{
    return x < 0 ? -x - textW : x;
}

int CharsPerStep(int chars)
{
    if (chars <= TYPING_MAX_STEPS)
        return 1;
    return (chars + TYPING_MAX_STEPS - 1) / TYPING_MAX_STEPS;
}

uint32_t BackColorFromLine(const char* line)
{
    size_t len = strlen(line);
    if (len == 0 || len > 8)
        return 0;
    for (size_t i = 0; i < len; i++)
        if (line[i] < '0' || line[i] > '9')
            return 0;
    int v = DigitsToNumber(line, (int)len);
    return v <= 0xFFFFFF ? (uint32_t)v : 0;
}

int HeartFlagFromLine(const char* line)
{
    double v = std::trunc(TextToNumber(line));
    if (!(v >= -2147483648.0 && v <= 2147483647.0))
        return 0;
    return (int)v;
}
