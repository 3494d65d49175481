#include "display/Display.h"

#include <string.h>
#include <string>

#include "base/Cp932.h"
#include "base/Edge.h"
#include "base/Limits.h"
#include "base/NumberText.h"
#include "base/Window.h"
#include "converter/Qx5Protocol.h"
#include "display/DisplayCalc.h"
#include "display/DisplayState.h"
#include "store/LineText.h"
#include "store/Paths.h"
#include "store/TextFile.h"

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

void LoadHeartFlag(const char* path)
{
    Display.heartFlag = HeartFlagFromLine(ReadLine(path, 0).c_str());
}

void LoadHeartPicture()
{
    char path[KP_PATH_BYTES];
    if (ProgramPath(path, sizeof(path), KP_HEART_BMP))
        BmpToDC(&Display.glHartDC, "glHartDC", 0, path);
}

void SaveHeartFlag(const char* path)
{
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

// Width of the line's first n bytes in the bubble font selected into dc.
static int PrefixWidth(HDC dc, const char* line, size_t n, char* buf)
{
    memcpy(buf, line, n);
    buf[n] = 0;
    SIZE sz = {0, 0};
    if (n > 0)
        EdgeGetTextExtent(dc, buf, &sz);
    return sz.cx;
}

// The pointer from the band down to the picture, at the middle of the window.
static void DrawPointer(HDC dc, int W)
{
    BUBBLE_LAYOUT pre = LayoutBubble(W, 0, 0, false);
    POINT tip[3];
    for (int k = 0; k < 3; k++) {
        tip[k].x = pre.pointX[k];
        tip[k].y = pre.pointY[k];
    }
    HRGN pointer = CreatePolygonRgn(tip, 3, WINDING);
    FillRgnColor(dc, pointer, WHITE);
    DeleteObject(pointer);
}

static void DrawBody(HDC dc, const BUBBLE_LAYOUT& b)
{
    HRGN body = CreateRoundRectRgn(b.bodyLeft, b.bodyTop, b.bodyRight, b.bodyBottom, 20, 20);
    FillRgnColor(dc, body, WHITE);
    DeleteObject(body);
}

// A line measured for the bubble: where each character ends (the typing reveals whole
// characters), the bubble around it, and how many characters are typed one by one.
struct BUBBLE_LINE {
    size_t len;
    unsigned short ends[LINE_MAX_BYTES];
    int chars;
    int typed;          // a line cut at the band's end is typed as far as it shows
    BUBBLE_LAYOUT layout;
};

static void MeasureLine(HDC dc, const char* line, int W, BUBBLE_LINE* m)
{
    m->len = strnlen(line, LINE_MAX_BYTES);
    m->chars = 0;
    for (size_t i = 0, n; i < m->len && (n = Cp932Step(line, i, m->len)) != 0; i += n)
        m->ends[m->chars++] = (unsigned short)(i + n < m->len ? i + n : m->len);

    // Measured exactly as TextOut draws it: '&' is a character like any other.
    char prefix[LINE_MAX_BYTES + 1];
    HGDIOBJ oldFont = SelectObject(dc, Display.hBubbleFont);
    int tw = PrefixWidth(dc, line, m->len, prefix);
    int bandW = Display.bubbleBand.right - Display.bubbleBand.left;
    m->layout = LayoutBubble(W, bandW, tw, Display.heartFlag != 0);
    const BUBBLE_LAYOUT& b = m->layout;
    m->typed = m->chars;
    if (b.textLeft + tw > b.clipRight) {
        int lo = 0, hi = m->chars;     // characters wholly left of the cut: lo <= n < hi + 1
        while (lo < hi) {
            int mid = (lo + hi + 1) / 2;
            if (b.textLeft + PrefixWidth(dc, line, m->ends[mid - 1], prefix) <= b.clipRight)
                lo = mid;
            else
                hi = mid - 1;
        }
        m->typed = lo < m->chars ? lo + 1 : m->chars;
    }
    SelectObject(dc, oldFont);
}

// The line grows from the left, a step at a time, on the composition and the window; only
// the band and the pointer change while it is typed.
static void TypeLine(HDC dc, HDC wndDC, const char* line, const BUBBLE_LINE* m, int W)
{
    const BUBBLE_LAYOUT& b = m->layout;
    char prefix[LINE_MAX_BYTES + 1];
    int saved = SaveDC(dc);
    IntersectClipRect(dc, b.textLeft, 0, b.clipRight, 50);
    int per = CharsPerStep(m->typed);
    PACE pace;
    PaceStart(&pace);
    for (int c = 0; c < m->typed;) {
        c = c + per < m->typed ? c + per : m->typed;
        size_t n = c == m->typed ? m->len : m->ends[c - 1];
        memcpy(prefix, line, n);
        prefix[n] = 0;
        DrawTextAt(dc, b.textLeft, 0, prefix, BLACK, WHITE, Display.hBubbleFont);
        BitBlt(wndDC, 0, 0, W, 61, dc, 0, 0, SRCCOPY);
        PaceShow(&pace, TYPING_STEP_MS);
    }
    PaceEnd(&pace);
    RestoreDC(dc, saved);
}

void DrawBubble(const char* line)
{
    PrepareSurfaces();
    HDC dc = Display.glMemDC.hDC;
    int W = Display.clientW;
    FillRectColor(dc, 0, 0, W, 50, Display.backColor);
    DrawPointer(dc, W);

    BUBBLE_LINE m;
    MeasureLine(dc, line, W, &m);
    const BUBBLE_LAYOUT& b = m.layout;
    DrawBody(dc, b);

    HDC wndDC = GetDC(MainWindow());
    TypeLine(dc, wndDC, line, &m, W);
    ReleaseDC(MainWindow(), wndDC);

    // The heart reaches the window with the paint that follows.
    if (Display.heartFlag && Display.glHartDC.hDC) {
        StretchBlt(dc, b.heartLeft, b.heartTop, 50, 50, Display.glHartDC.hDC, 0, 0,
                   Display.glHartDC.width, Display.glHartDC.height, SRCCOPY);
    }
}

// The progress bubble: the words and the count, then a bar as long as the words are high.
enum { PROGRESS_GAP = 24, PROGRESS_BAR_W = 240, PROGRESS_BAR_TOP = 17, PROGRESS_BAR_BOTTOM = 34 };

void DrawDropProgress(HDC target)
{
    int W = Display.clientW, H = PICTURE_BOX_TOP + 1;
    HDC dc = CreateCompatibleDC(target);
    HBITMAP bmp = dc ? CreateCompatibleBitmap(target, W, H) : nullptr;
    if (!bmp) {
        if (dc)
            DeleteDC(dc);
        return;
    }
    HGDIOBJ oldBmp = SelectObject(dc, bmp);
    FillRectColor(dc, 0, 0, W, H, Display.backColor);

    std::string count = NumberToText(Display.progressDone) + " / " + NumberToText(Display.progressTotal);
    std::string text = "画像を取り込んでいます… " + count;
    HGDIOBJ oldFont = SelectObject(dc, Display.hBubbleFont);
    SIZE sz = { 0, 0 };
    EdgeGetTextExtent(dc, text.c_str(), &sz);
    // A narrow window keeps the count and the bar whole.
    if (sz.cx + PROGRESS_GAP + PROGRESS_BAR_W + 40 > W) {
        text = count;
        EdgeGetTextExtent(dc, text.c_str(), &sz);
    }
    SelectObject(dc, oldFont);
    BUBBLE_LAYOUT b = LayoutBubble(W, W, sz.cx + PROGRESS_GAP + PROGRESS_BAR_W, false);
    DrawPointer(dc, W);
    DrawBody(dc, b);
    DrawTextAt(dc, b.textLeft, 0, text.c_str(), BLACK, WHITE, Display.hBubbleFont);

    int left = b.textLeft + sz.cx + PROGRESS_GAP, right = left + PROGRESS_BAR_W;
    int total = Display.progressTotal > 0 ? Display.progressTotal : 1;
    int filled = (int)((long long)(PROGRESS_BAR_W - 6) * Display.progressDone / total);
    FillRectColor(dc, left, PROGRESS_BAR_TOP, right, PROGRESS_BAR_BOTTOM, BLACK);
    FillRectColor(dc, left + 2, PROGRESS_BAR_TOP + 2, right - 2, PROGRESS_BAR_BOTTOM - 2, WHITE);
    FillRectColor(dc, left + 3, PROGRESS_BAR_TOP + 3, left + 3 + filled, PROGRESS_BAR_BOTTOM - 3, BLACK);

    BitBlt(target, 0, 0, W, H, dc, 0, 0, SRCCOPY);
    SelectObject(dc, oldBmp);
    DeleteObject(bmp);
    DeleteDC(dc);
}

void ShowDropProgress(int done, int total)
{
    Display.progressShown = 1;
    Display.progressDone = done;
    Display.progressTotal = total;
    // A fade or a typed line draws the band itself; the paint after it brings the progress back.
    if (AnimationRunning() || !MainWindow())
        return;
    HDC wndDC = GetDC(MainWindow());
    DrawDropProgress(wndDC);
    ReleaseDC(MainWindow(), wndDC);
}

void HideDropProgress()
{
    if (!Display.progressShown)
        return;
    Display.progressShown = 0;
    RECT band = { 0, 0, Display.clientW, PICTURE_BOX_TOP + 1 };
    if (MainWindow())
        InvalidateRect(MainWindow(), &band, FALSE);
}
