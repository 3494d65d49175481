#include "display/Display.h"

#include <string.h>
#include <string>

#include "base/Edge.h"
#include "base/Limits.h"
#include "base/NumberText.h"
#include "base/Window.h"
#include "display/DisplayCalc.h"
#include "display/DisplayState.h"
#include "store/LineText.h"
#include "store/Paths.h"
#include "store/TextFile.h"

// Wall-clock time per typed character. A fixed deadline per character keeps the pace the
// same on every machine; 30 ms reads as quick typing without dragging long lines out.
enum { TYPING_MS_PER_CHAR = 30 };

static const COLORREF WHITE = RGB(255, 255, 255);
static const COLORREF BLACK = RGB(0, 0, 0);

void CreateBubbleFont()
{
    LOGFONTW lf = {};
    lf.lfHeight = 50;
    lf.lfWeight = 700;
    lf.lfCharSet = SHIFTJIS_CHARSET;
    lf.lfOutPrecision = OUT_STROKE_PRECIS;
    lf.lfClipPrecision = CLIP_STROKE_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = DEFAULT_PITCH;
    EdgeToWide(KP_UI_FONT, lf.lfFaceName, LF_FACESIZE);
    Display.hBubbleFont = EdgeCreateFontFromLogFont(&lf);
}

void LoadHeart()
{
    char path[KP_PATH_BYTES];
    std::string line;
    if (ProgramPath(path, sizeof(path), KP_HEART_FILE))
        line = ReadLine(path, 0);
    Display.heartFlag = HeartFlagFromLine(line.c_str());
    if (ProgramPath(path, sizeof(path), KP_HEART_BMP))
        BmpToDC(&Display.glHartDC, "glHartDC", 0, path);
}

void SaveHeartFlag()
{
    char path[KP_PATH_BYTES];
    ProgramPath(path, sizeof(path), KP_HEART_FILE);
    WriteTextWithZero(path, NumberToText((double)Display.heartFlag).c_str());
}

int HeartFlag()
{
    return Display.heartFlag;
}

void SetHeartFlag(int flag)
{
    Display.heartFlag = flag;
}

static void FillRgnColor(HDC dc, HRGN rgn, COLORREF color)
{
    HBRUSH brush = CreateSolidBrush(color);
    HGDIOBJ old = SelectObject(dc, brush);
    PaintRgn(dc, rgn);
    SelectObject(dc, old);
    DeleteObject(brush);
}

// Text and background colours stay set on dc; a negative x means "end at -x".
static void DrawTextAt(HDC dc, int x, int y, const char* text, COLORREF fore, COLORREF back, HFONT font)
{
    SetTextColor(dc, fore);
    SetBkColor(dc, back);
    HGDIOBJ old = SelectObject(dc, font);
    if (x < 0) {
        SIZE sz = {0, 0};
        EdgeGetTextExtent(dc, text, &sz);
        x = TextDrawX(x, sz.cx);
    }
    EdgeTextOut(dc, x, y, text);
    SelectObject(dc, old);
}

// Waits until the character's deadline. When drawing fell behind, the clock restarts
// instead of rushing the next characters out.
static void TypingWait(LARGE_INTEGER* deadline, LONGLONG step, LONGLONG freq)
{
    deadline->QuadPart += step;
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    if (now.QuadPart >= deadline->QuadPart) {
        *deadline = now;
        return;
    }
    LONGLONG ms = (deadline->QuadPart - now.QuadPart) * 1000 / freq;
    if (ms > 2)
        Sleep((DWORD)(ms - 2));
    do {
        QueryPerformanceCounter(&now);
    } while (now.QuadPart < deadline->QuadPart);
}

void DrawBubble(const char* line)
{
    HDC wndDC = GetDC(MainWindow());
    FSFM_DC* mem = &Display.glMemDC;
    HDC dc = mem->hDC;
    int W = Display.clientW, H = Display.clientH;

    FillRectColor(dc, 0, 0, W, 50, Display.backColor);

    BUBBLE_LAYOUT pre = LayoutBubble(W, 0, 0, false);
    POINT tip[3];
    for (int k = 0; k < 3; k++) {
        tip[k].x = pre.pointX[k];
        tip[k].y = pre.pointY[k];
    }
    HRGN pointer = CreatePolygonRgn(tip, 3, WINDING);
    FillRgnColor(dc, pointer, WHITE);
    DeleteObject(pointer);

    size_t len = strnlen(line, LINE_MAX_BYTES);

    RECT rc = {0, 0, 0, 0};
    HGDIOBJ oldFont = SelectObject(dc, Display.hBubbleFont);
    if (len > 0)
        EdgeDrawTextCalcRect(dc, line, &rc);
    SelectObject(dc, oldFont);
    int tw = rc.right - rc.left;

    int bandW = Display.bubbleBand.right - Display.bubbleBand.left;
    BUBBLE_LAYOUT b = LayoutBubble(W, bandW, tw, Display.heartFlag != 0);
    HRGN body = CreateRoundRectRgn(b.bodyLeft, b.bodyTop, b.bodyRight, b.bodyBottom, 20, 20);
    FillRgnColor(dc, body, WHITE);
    DeleteObject(body);

    char prefix[LINE_MAX_BYTES + 1];
    memset(prefix, 0, sizeof(prefix));
    LARGE_INTEGER freq, deadline;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&deadline);
    LONGLONG step = freq.QuadPart * TYPING_MS_PER_CHAR / 1000;
    Display.typingCount = 0;
    size_t i = 0;
    for (size_t n; i < len && (n = TypingStepBytes(line, i)) != 0; i += n) {
        if (i + n > len)
            n = len - i;
        memcpy(prefix + i, line + i, n);
        prefix[i + n] = 0;
        DrawTextAt(dc, b.textLeft, 0, prefix, BLACK, WHITE, Display.hBubbleFont);
        BitBlt(wndDC, 0, 0, W, H, dc, 0, 0, SRCCOPY);
        LARGE_INTEGER shown;
        QueryPerformanceCounter(&shown);
        Display.typingTimes[Display.typingCount++] = shown.QuadPart;
        TypingWait(&deadline, step, freq.QuadPart);
    }

    if (Display.heartFlag && Display.glHartDC.hDC) {
        StretchBlt(dc, b.heartLeft, b.heartTop, 50, 50, Display.glHartDC.hDC, 0, 0,
                   Display.glHartDC.width, Display.glHartDC.height, SRCCOPY);
    }
    ReleaseDC(MainWindow(), wndDC);
}

int TypingStepTimes(const LONGLONG** times)
{
    *times = Display.typingTimes;
    return Display.typingCount;
}
