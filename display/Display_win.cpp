#include "display/Display.h"

#include <commdlg.h>
#include <string.h>

#include "app/Globals.h"
#include "base/Cp932.h"
#include "base/Edge.h"
#include "base/Limits.h"
#include "base/Random.h"
#include "base/Trace.h"
#include "base/Window.h"
#include "display/DisplayCalc.h"
#include "intake/Converter.h"
#include "intake/ShownPicture.h"
#include "store/Paths.h"

// Wall-clock time per typed character. A fixed deadline per character keeps the pace the
// same on every machine; 30 ms reads as quick typing without dragging long lines out.
enum { TYPING_MS_PER_CHAR = 30 };

static const COLORREF WHITE = RGB(255, 255, 255);
static const COLORREF BLACK = RGB(0, 0, 0);

static LONGLONG glTypingTimes[LINE_MAX_BYTES];
static int glTypingCount;

void FillRectColor(HDC dc, int left, int top, int right, int bottom, COLORREF color)
{
    HRGN rgn = CreateRectRgn(left, top, right, bottom);
    HBRUSH brush = CreateSolidBrush(color);
    HGDIOBJ old = SelectObject(dc, brush);
    PaintRgn(dc, rgn);
    DeleteObject(rgn);
    SelectObject(dc, old);
    DeleteObject(brush);
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

// Folder part of a path, without the backslash before the file name.
static void RememberShownFolder(const char* path)
{
    size_t n = (size_t)(Cp932FindFileName(path) - path);
    if (n > 0)
        n--;
    if (n >= sizeof(Globals.shownPicFolder))
        n = 0;
    memcpy(Globals.shownPicFolder, path, n);
    Globals.shownPicFolder[n] = 0;
}

static void FailedToLoad(const char* path)
{
    // No owner: the main window stays usable while the message is open.
    EdgeMessageBox(nullptr, path, "画像ファイルの読み込みに失敗", MB_OK);
}

void LoadPicture(HDC dc, const char* path, int x, int y, int w, int h)
{
    char bmpPath[KP_PATH_BYTES];
    if (!PathJoin(bmpPath, sizeof(bmpPath), Globals.programFolder, KP_GAZOU_BMP)) {
        FailedToLoad(path);
        return;
    }
    // A stale file from the previous picture must never be shown for this one.
    EdgeDeleteFile(bmpPath);
    if (!ConverterConvert(bmpPath, path)) {
        FailedToLoad(path);
        return;
    }
    HBITMAP bmp = (HBITMAP)EdgeLoadBitmapFile(ModuleInstance(), bmpPath);
    if (!bmp) {
        FailedToLoad(path);
        return;
    }
    BITMAP bm;
    memset(&bm, 0, sizeof(bm));
    GetObjectW(bmp, sizeof(bm), &bm);

    HDC memDC = CreateCompatibleDC(dc);
    HGDIOBJ oldBmp = SelectObject(memDC, bmp);
    SetStretchBltMode(dc, HALFTONE);

    PICTURE_PLACE p = PlacePicture(w, h, bm.bmWidth, bm.bmHeight);
    FSFM_DC* slot = &Globals.glGazouDC[Globals.glGazouNext];
    FillRectColor(slot->hDC, 0, 0, Globals.clientW, Globals.clientH, Globals.backColor);
    SetStretchBltMode(slot->hDC, HALFTONE);
    SetBrushOrgEx(slot->hDC, 0, 0, nullptr);
    StretchBlt(slot->hDC, x + p.x, y, p.width, p.height, memDC, 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);

    SelectObject(memDC, oldBmp);
    DeleteObject(bmp);
    DeleteDC(memDC);
    Globals.glGazouNext = Globals.glGazouNext == 0 ? 1 : 0;
}

void CrossFade(HDC wndDC)
{
    FSFM_DC* newer = &Globals.glGazouDC[1 - Globals.glGazouNext];
    FSFM_DC* older = &Globals.glGazouDC[Globals.glGazouNext];
    FSFM_DC* mem = &Globals.glMemDC;
    int W = Globals.clientW, H = Globals.clientH;
    // The blend reads and writes the pixels directly, so it needs both views, equal sizes
    // and the table; without them the fade is a plain cut.
    bool canBlend = older->pView && mem->pView && Globals.AlphaBlendBBTableC &&
                    older->width == mem->width && older->height == mem->height;
    int weights[FADE_FRAMES];
    FadeWeights(weights);
    for (int k = 0; k < FADE_FRAMES; k++) {
        BitBlt(mem->hDC, 0, 0, newer->width, newer->height, newer->hDC, 0, 0, SRCCOPY);
        if (canBlend) {
            GdiFlush();
            BlendFrame(mem->pView, older->pView, (size_t)older->width * (size_t)older->height,
                       Globals.AlphaBlendBBTableC, weights[k]);
        }
        BitBlt(wndDC, 0, 0, W, H, mem->hDC, 0, 0, SRCCOPY);
    }
    BitBlt(mem->hDC, 0, 0, newer->width, newer->height, newer->hDC, 0, 0, SRCCOPY);
    BitBlt(wndDC, 0, 0, W, H, mem->hDC, 0, 0, SRCCOPY);
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
    FSFM_DC* mem = &Globals.glMemDC;
    HDC dc = mem->hDC;
    int W = Globals.clientW, H = Globals.clientH;

    FillRectColor(dc, 0, 0, W, 50, Globals.backColor);

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
    HGDIOBJ oldFont = SelectObject(dc, Globals.hBubbleFont);
    if (len > 0)
        EdgeDrawTextCalcRect(dc, line, &rc);
    SelectObject(dc, oldFont);
    int tw = rc.right - rc.left;

    int bandW = Globals.bubbleBand.right - Globals.bubbleBand.left;
    BUBBLE_LAYOUT b = LayoutBubble(W, bandW, tw, Globals.heartFlag != 0);
    HRGN body = CreateRoundRectRgn(b.bodyLeft, b.bodyTop, b.bodyRight, b.bodyBottom, 20, 20);
    FillRgnColor(dc, body, WHITE);
    DeleteObject(body);

    char prefix[LINE_MAX_BYTES + 1];
    memset(prefix, 0, sizeof(prefix));
    LARGE_INTEGER freq, deadline;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&deadline);
    LONGLONG step = freq.QuadPart * TYPING_MS_PER_CHAR / 1000;
    glTypingCount = 0;
    size_t i = 0;
    for (size_t n; i < len && (n = TypingStepBytes(line, i)) != 0; i += n) {
        if (i + n > len)
            n = len - i;
        memcpy(prefix + i, line + i, n);
        prefix[i + n] = 0;
        DrawTextAt(dc, b.textLeft, 0, prefix, BLACK, WHITE, Globals.hBubbleFont);
        BitBlt(wndDC, 0, 0, W, H, dc, 0, 0, SRCCOPY);
        LARGE_INTEGER shown;
        QueryPerformanceCounter(&shown);
        glTypingTimes[glTypingCount++] = shown.QuadPart;
        TypingWait(&deadline, step, freq.QuadPart);
    }

    if (Globals.heartFlag && Globals.glHartDC.hDC) {
        StretchBlt(dc, b.heartLeft, b.heartTop, 50, 50, Globals.glHartDC.hDC, 0, 0,
                   Globals.glHartDC.width, Globals.glHartDC.height, SRCCOPY);
    }
    ReleaseDC(MainWindow(), wndDC);
}

int TypingStepTimes(const LONGLONG** times)
{
    *times = glTypingTimes;
    return glTypingCount;
}

// Counts the picture entries of a folder listing; false when the folder can't be listed.
// With stopAt >= 0 the listing stops at that ordinal and its name is kept instead.
static bool ListPictures(const char* pattern, int stopAt, int* count)
{
    EDGE_FIND_DATA fd;
    HANDLE h = EdgeFindFirstFile(pattern, &fd);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    int n = 0;
    do {
        // A name code page 932 can't spell can't be opened through it either.
        if (fd.lossy || !IsPictureEntry(fd.name))
            continue;
        if (stopAt < 0) {
            Cp932CopyCut(Globals.currentPicName, sizeof(Globals.currentPicName), fd.name);
        } else if (n == stopAt) {
            Cp932CopyCut(Globals.currentPicName, sizeof(Globals.currentPicName), fd.name);
            break;
        }
        n++;
    } while (EdgeFindNextFile(h, &fd));
    FindClose(h);
    *count = n;
    return true;
}

static void ReportEmptyCategory(const char* name)
{
    char caption[256], text[1024];
    PathJoin(caption, sizeof(caption), "このメニュー（", name, "）に画像は登録されていません。");
    PathJoin(text, sizeof(text), "「", name,
             "」のセリフを言わせたい画像を何枚かウィンドウにドロップしてください。\r\n"
             "（「OK」を押してから画像をドロップしてください。）\r\n"
             "（元の画像は移動したり失われたりしません。）\r\n"
             "(裏ワザ：メニューをクリックしなくても、入れたいメニューの上にドロップすればそのメニューに画像が入ります。)");
    EdgeMessageBox(MainWindow(), text, caption, MB_OK | MB_TOPMOST);
}

// Shows the picture at path: load into the next slot, fade to it on the window.
static void ShowPicture(const char* path)
{
    RememberShownFolder(path);
    LoadPicture(Globals.glMemDC.hDC, path, 0, 60, Globals.clientW, Globals.clientH - 110);
    Globals.picShown = 1;
    HDC wndDC = GetDC(MainWindow());
    CrossFade(wndDC);
    ReleaseDC(MainWindow(), wndDC);
}

bool Hyouji(int i, const char* folder, const char* name)
{
    TraceValues("●●●　Hyouji　●●●ButtonNum", i, 0, 0, 0, 0);
    if (i < 0 || i >= MENU_MAX || !folder)
        return false;
    char pattern[KP_PATH_BYTES];
    if (!PathJoin(pattern, sizeof(pattern), folder, "\\*.*"))
        return false;

    int count = 0;
    if (!ListPictures(pattern, -1, &count))
        return false;
    Globals.glPicSuu[i] = count;
    if (count == 0) {
        ReportEmptyCategory(name);
        return false;
    }

    int previous = Globals.glNowPicNum;
    do {
        Globals.glNowPicNum = OrdinalFromFraction(RandomFraction(), count);
        TraceValues("glNowPicNum", Globals.glNowPicNum, 0, 0, 0, 0);
        int seen = 0;
        if (!ListPictures(pattern, Globals.glNowPicNum, &seen))
            return false;
    } while (ChooseAgain(count, Globals.glNowPicNum, previous));

    FillRectColor(Globals.glGazouDC[Globals.glGazouNext].hDC, 0, 0, Globals.clientW, Globals.clientH,
                  Globals.backColor);
    char path[KP_PATH_BYTES];
    if (!PathJoin(path, sizeof(path), folder, "\\", Globals.currentPicName))
        return false;
    TraceText("Path", path);
    ShowPicture(path);
    return true;
}

void Redraw(const char* path)
{
    // The fade overwrites all of it; clearing first keeps a failed load from showing leftovers.
    FillRectColor(Globals.glMemDC.hDC, 0, 0, Globals.clientW, Globals.clientH, Globals.backColor);
    ShowPicture(path);
}

// A drop onto another category's entry shows a picture of that category, so the folder
// it was shown from counts, not the selection.
bool ShownPicturePath(char* out, size_t cap, const char* selectedFolder)
{
    const char* folder = Globals.shownPicFolder[0] ? Globals.shownPicFolder : selectedFolder;
    if (!folder || !folder[0])
        return false;
    return JoinFolderAndName(out, cap, folder, Globals.currentPicName);
}

bool ChangeBackgroundColour(const char* selectedFolder)
{
    CHOOSECOLORW cc;
    memset(&cc, 0, sizeof(cc));
    cc.lStructSize = sizeof(cc);
    cc.hwndOwner = MainWindow();
    cc.hInstance = (HWND)ModuleInstance();
    cc.rgbResult = Globals.backColor;
    cc.lpCustColors = Globals.customColors;
    cc.Flags = CC_RGBINIT | CC_FULLOPEN | CC_SHOWHELP;
    ChooseColorW(&cc);
    // Cancel leaves rgbResult at the colour it started with.
    Globals.backColor = cc.rgbResult;

    int W = Globals.clientW, H = Globals.clientH;
    FillRectColor(Globals.glMemDC.hDC, 0, 0, W, H, Globals.backColor);
    FillRectColor(Globals.glGazouDC[0].hDC, 0, 0, W, H, Globals.backColor);
    FillRectColor(Globals.glGazouDC[1].hDC, 0, 0, W, H, Globals.backColor);

    // Redraw the picture actually on screen, from the folder it was taken from.
    char path[KP_PATH_BYTES];
    if (ShownPicturePath(path, sizeof(path), selectedFolder)) {
        Redraw(path);
        return true;
    }
    InvalidateRect(MainWindow(), nullptr, FALSE);
    return false;
}
