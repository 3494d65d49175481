#include "display/Display.h"

#include <commdlg.h>
#include <string.h>
#include <string>

#include "base/Cp932.h"
#include "base/Edge.h"
#include "base/Limits.h"
#include "base/NumberText.h"
#include "base/PathJoin.h"
#include "base/Random.h"
#include "base/Trace.h"
#include "base/Window.h"
#include "bitmaps/BlendTable.h"
#include "bitmaps/MappedBmp.h"
#include "converter/Qx5Protocol.h"
#include "display/DisplayCalc.h"
#include "display/DisplayState.h"
#include "qx5link/Qx5Link.h"
#include "store/LineText.h"
#include "store/Paths.h"
#include "store/TextFile.h"

DISPLAY_STATE Display;

void DisplayStart()
{
    memset(&Display, 0, sizeof(Display));
    CreateBubbleFont();
    Display.backColor = 0x5A00;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &Display.workArea, 0);
    Display.clientW = Display.workArea.right - Display.workArea.left - KOTOPANE_MARGIN_W;
    Display.clientH = Display.workArea.bottom - Display.workArea.top;
}

void DisplayEnd()
{
    DeleteObject(Display.hBubbleFont);
    Display.hBubbleFont = nullptr;
}

int ClientWidth()
{
    return Display.clientW;
}

int ClientHeight()
{
    return Display.clientH;
}

void PaintComposition(HDC dc)
{
    // Until the surfaces hold the colour, the composition is the colour alone.
    if (!Display.surfacesPrepared)
        FillRectColor(dc, 0, 0, Display.clientW, Display.clientH, Display.backColor);
    else
        BitBlt(dc, 0, 0, Display.clientW, Display.clientH, Display.glMemDC.hDC, 0, 0, SRCCOPY);
    if (Display.progressShown)
        DrawDropProgress(dc);
}

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

void LoadBackColour(const char* path)
{
    char line[LINE_BUFFER_BYTES] = {};
    ReadLineTo(line, sizeof(line), path, 0);
    Display.backColor = BackColorFromLine(line);
}

void SaveBackColour(const char* path)
{
    std::string text = NumberToText((double)(uint32_t)Display.backColor);
    FileWriteMy2(path, text.data(), (DWORD)text.size());
}

void CreateSurfaces()
{
    int w = Display.clientW, h = Display.clientH;
    DCCreateByFSFM(&Display.glMemDC, "glMemDC", 0, w, h, 32);
    // The heart is stretched onto the composition, the pictures onto their slots.
    SetStretchBltMode(Display.glMemDC.hDC, HALFTONE);
    for (int i = 0; i < 2; i++) {
        DCCreateByFSFM(&Display.glGazouDC[i], "glGazouDC", i, w, h, 32);
        SetStretchBltMode(Display.glGazouDC[i].hDC, HALFTONE);
    }
    SetRect(&Display.bubbleBand, 0, 0, w, 50);
}

// Filling the file-backed surfaces touches every page of their files: that waits until the
// window is on the screen, and is done before anything draws on them.
void PrepareSurfaces()
{
    if (Display.surfacesPrepared)
        return;
    Display.surfacesPrepared = 1;
    FillRectColor(Display.glMemDC.hDC, 0, 0, Display.clientW, Display.clientH, Display.backColor);
    for (int i = 0; i < 2; i++)
        FillRectColor(Display.glGazouDC[i].hDC, 0, 0, Display.clientW, Display.clientH, Display.backColor);
}

void ReleaseSurfaces()
{
    DCDeleteByFSFM(&Display.glMemDC);
    // Made only from a heart picture that loaded.
    if (Display.glHartDC.hDC)
        DCDeleteByFSFM(&Display.glHartDC);
    DCDeleteByFSFM(&Display.glGazouDC[0]);
    DCDeleteByFSFM(&Display.glGazouDC[1]);
}

// Folder part of a path, without the backslash before the file name.
static void RememberShownFolder(const char* path)
{
    size_t n = (size_t)(Cp932FindFileName(path) - path);
    if (n > 0)
        n--;
    if (n >= sizeof(Display.shownPicFolder))
        n = 0;
    memcpy(Display.shownPicFolder, path, n);
    Display.shownPicFolder[n] = 0;
}

static void FailedToLoad(const char* path)
{
    // A picture shown on its own tells nobody.
    if (Display.quiet)
        return;
    // No owner: the main window stays usable while the message is open.
    EdgeMessageBox(nullptr, path, "画像ファイルの読み込みに失敗", MB_OK);
}

// The converter's BMP is drawn straight from a read-only mapping of the file: a 48-megapixel
// photo then costs file pages while it is stretched, not a bitmap and its copies.
void LoadPicture(const char* path, int x, int y, int w, int h)
{
    char bmpPath[KP_PATH_BYTES];
    if (!ProgramPath(bmpPath, sizeof(bmpPath), KP_GAZOU_BMP)) {
        FailedToLoad(path);
        return;
    }
    // A stale file from the previous picture must never be shown for this one. It is moved
    // aside rather than deleted: dropping a large file takes tens of milliseconds, spent
    // once the new picture is on the screen (DiscardPreviousBmp).
    char oldPath[KP_PATH_BYTES];
    if (!ProgramPath(oldPath, sizeof(oldPath), KP_GAZOU_OLD_BMP) || !EdgeReplaceFile(bmpPath, oldPath))
        EdgeDeleteFile(bmpPath);
    // A converter that cannot be started has said so: that is the picture's one message.
    // Transparent pixels come laid over the colour they are shown on: the stretch, the fade
    // and a redraw after a colour change then need nothing of their own.
    CONVERT_RESULT converted = Qx5LinkConvert(bmpPath, path, Display.backColor);
    if (converted == CONVERT_NO_CONVERTER || converted == CONVERT_STOPPED)
        return;
    if (converted != CONVERT_DONE || !ProgramRunning()) {
        FailedToLoad(path);
        return;
    }
    MAPPED_BMP bmp;
    if (!MappedBmpOpen(&bmp, bmpPath)) {
        FailedToLoad(path);
        return;
    }
    const BMP_LAYOUT* l = &bmp.layout;
    // Fitted by the picture's full size: a photo the converter decoded smaller for the
    // screen lands on the same rectangle as the whole one would.
    PICTURE_PLACE p = PlacePicture(w, h, l->fullWidth, l->fullHeight);
    FSFM_DC* slot = &Display.glGazouDC[Display.glGazouNext];
    // The stretch covers its rectangle, so only the field around it is filled.
    int left = x + p.x, right = left + p.width, bottom = y + p.height;
    int W = Display.clientW, H = Display.clientH;
    COLORREF back = Display.backColor;
    FillRectColor(slot->hDC, 0, 0, W, y, back);
    FillRectColor(slot->hDC, 0, bottom, W, H, back);
    FillRectColor(slot->hDC, 0, y, left, bottom, back);
    FillRectColor(slot->hDC, right, y, W, bottom, back);
    SetStretchBltMode(slot->hDC, HALFTONE);
    SetBrushOrgEx(slot->hDC, 0, 0, nullptr);
    MappedBmpDraw(&bmp, slot->hDC, left, y, p.width, p.height);
    MappedBmpClose(&bmp);
    Display.glGazouNext = Display.glGazouNext == 0 ? 1 : 0;
}

void DiscardPreviousBmp()
{
    char oldPath[KP_PATH_BYTES];
    if (ProgramPath(oldPath, sizeof(oldPath), KP_GAZOU_OLD_BMP))
        EdgeDeleteFile(oldPath);
}

// Five blended frames, each held on the screen for the same time, then the new picture.
void CrossFade(HDC wndDC)
{
    FSFM_DC* newer = &Display.glGazouDC[1 - Display.glGazouNext];
    FSFM_DC* older = &Display.glGazouDC[Display.glGazouNext];
    FSFM_DC* mem = &Display.glMemDC;
    int W = Display.clientW, H = Display.clientH;
    // The blend reads and writes the pixels directly, so it needs both views, equal sizes
    // and the table; without them the fade is a plain cut.
    BuildAlphaBlendTable();
    bool canBlend = older->pView && mem->pView && AlphaBlendTable() &&
                    older->width == mem->width && older->height == mem->height;
    int weights[FADE_FRAMES];
    FadeWeights(weights);
    PACE pace;
    PaceStart(&pace);
    for (int k = 0; k < FADE_FRAMES && canBlend; k++) {
        BitBlt(mem->hDC, 0, 0, newer->width, newer->height, newer->hDC, 0, 0, SRCCOPY);
        GdiFlush();
        BlendFrame(mem->pView, older->pView, (size_t)older->width * (size_t)older->height,
                   AlphaBlendTable(), weights[k]);
        BitBlt(wndDC, 0, 0, W, H, mem->hDC, 0, 0, SRCCOPY);
        PaceShow(&pace, FADE_FRAME_MS);
    }
    BitBlt(mem->hDC, 0, 0, newer->width, newer->height, newer->hDC, 0, 0, SRCCOPY);
    BitBlt(wndDC, 0, 0, W, H, mem->hDC, 0, 0, SRCCOPY);
    PaceEnd(&pace);
}

// Counts the picture entries of a folder listing; false when the folder can't be listed.
// The name of the last entry goes to name; with stopAt >= 0 the listing stops at that
// ordinal instead, and name gets its name only when it is reached. Pictures whose names
// can't be used are counted apart, in unusable.
static bool ListPictures(const char* pattern, int stopAt, int* count, int* unusable, char* name, size_t cap)
{
    EDGE_FIND_DATA fd;
    HANDLE h = EdgeFindFirstFile(pattern, &fd);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    int n = 0;
    *unusable = 0;
    do {
        if (!IsPictureEntry(fd.name, (fd.attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0))
            continue;
        // Neither the name nor a short form of it in code page 932: it can't be opened.
        if (fd.lossy) {
            (*unusable)++;
            continue;
        }
        if (stopAt < 0 || n == stopAt)
            Cp932CopyCut(name, cap, fd.name);
        if (n == stopAt)
            break;
        n++;
    } while (EdgeFindNextFile(h, &fd));
    FindClose(h);
    *count = n;
    return true;
}

int CountPictures(const char* folder)
{
    char pattern[KP_PATH_BYTES];
    char name[sizeof(((EDGE_FIND_DATA*)nullptr)->name)];
    int count = 0, unusable = 0;
    if (!PathJoin(pattern, sizeof(pattern), folder, "*.*") || !ListPictures(pattern, -1, &count, &unusable, name, sizeof(name)))
        return -1;
    return count;
}

// No picture, or none whose name can be used (names code page 932 can't write, on a file
// system without short names).
static void ReportEmptyCategory(const char* name, int unusable)
{
    std::string caption = "このメニュー（", text = "「";
    caption += name;
    text += name;
    if (unusable > 0) {
        caption += "）の画像は、名前が使えません。";
        text += "」のフォルダにある画像は、ファイル名にKotopaneで使えない文字（シフトJISにない文字）が"
                "入っているため、表示できません。\r\n"
                "ファイル名を日本語か半角英数字だけに変えてください。";
    } else {
        caption += "）に画像は登録されていません。";
        text += "」のセリフを言わせたい画像を何枚かウィンドウにドロップしてください。\r\n"
                "（「OK」を押してから画像をドロップしてください。）\r\n"
                "（元の画像は移動したり失われたりしません。）\r\n"
                "(裏ワザ：メニューをクリックしなくても、入れたいメニューの上にドロップすればそのメニューに画像が入ります。)";
    }
    EdgeMessageBox(MainWindow(), text.c_str(), caption.c_str(), MB_OK | MB_TOPMOST);
}

// Shows the picture at path: load into the next slot, fade to it on the window. False
// when the window is gone: closed while a box of the loading was open, or before.
static bool ShowPicture(const char* path)
{
    PrepareSurfaces();
    RememberShownFolder(path);
    int slot = Display.glGazouNext;
    LoadPicture(path, 0, PICTURE_BOX_TOP, Display.clientW, Display.clientH - KOTOPANE_MARGIN_H);
    // A load that failed leaves the slots as they were; shown on its own, nothing fades.
    if (Display.quiet && Display.glGazouNext == slot)
        return false;
    Display.picShown = 1;
    if (!ProgramRunning())
        return false;
    HDC wndDC = GetDC(MainWindow());
    CrossFade(wndDC);
    ReleaseDC(MainWindow(), wndDC);
    DiscardPreviousBmp();
    return true;
}

// The choice is made in local buffers: the shown picture's ordinal, name and folder change
// together when it is shown, and every earlier return leaves them as they were, so a later
// removal never pairs one folder with another folder's file name.
bool Hyouji(int i, const char* folder, const char* name)
{
    TraceValues("●●●　Hyouji　●●●ButtonNum", i, 0, 0, 0, 0);
    if (i < 0 || i >= CATEGORY_MAX || !folder)
        return false;
    char pattern[KP_PATH_BYTES];
    if (!PathJoin(pattern, sizeof(pattern), folder, "*.*"))
        return false;

    char picName[sizeof(((EDGE_FIND_DATA*)nullptr)->name)] = {};
    int count = 0, unusable = 0;
    if (!ListPictures(pattern, -1, &count, &unusable, picName, sizeof(picName)))
        return false;
    Display.glPicSuu[i] = count;
    if (count == 0) {
        if (!Display.quiet)
            ReportEmptyCategory(name, unusable);
        return false;
    }

    int previous = Display.glNowPicNum;
    int chosen = 0;
    do {
        chosen = OrdinalFromFraction(RandomFraction(), count);
        TraceValues("glNowPicNum", chosen, 0, 0, 0, 0);
        int seen = 0;
        if (!ListPictures(pattern, chosen, &seen, &unusable, picName, sizeof(picName)))
            return false;
    } while (ChooseAgain(count, chosen, previous));

    // A path too long for the converter and the commands is reported by name, untouched.
    char path[KP_PATH_BYTES];
    if (!PathJoin(path, sizeof(path), folder, picName)) {
        FailedToLoad(PathJoined(folder, picName).c_str());
        return false;
    }
    FillRectColor(Display.glGazouDC[Display.glGazouNext].hDC, 0, 0, Display.clientW, Display.clientH,
                  Display.backColor);
    Display.glNowPicNum = chosen;
    Cp932CopyCut(Display.currentPicName, sizeof(Display.currentPicName), picName);
    TraceText("Path", path);
    return ShowPicture(path);
}

bool HyoujiQuietly(int i, const char* folder, const char* name)
{
    int nowPicNum = Display.glNowPicNum;
    std::string picName = Display.currentPicName, picFolder = Display.shownPicFolder;
    Display.quiet = 1;
    bool shown = Hyouji(i, folder, name);
    Display.quiet = 0;
    // The picture commands go on naming the picture on the screen.
    if (!shown) {
        Display.glNowPicNum = nowPicNum;
        Cp932CopyCut(Display.currentPicName, sizeof(Display.currentPicName), picName.c_str());
        Cp932CopyCut(Display.shownPicFolder, sizeof(Display.shownPicFolder), picFolder.c_str());
    }
    return shown;
}

void Redraw(const char* path)
{
    // The fade overwrites all of it; clearing first keeps a failed load from showing leftovers.
    FillRectColor(Display.glMemDC.hDC, 0, 0, Display.clientW, Display.clientH, Display.backColor);
    ShowPicture(path);
}

// A drop onto another category's entry shows a picture of that category, so the folder
// it was shown from counts, not the selection.
bool ShownPicturePath(char* out, size_t cap, const char* selectedFolder)
{
    const char* folder = Display.shownPicFolder[0] ? Display.shownPicFolder : selectedFolder;
    if (!folder || !folder[0])
        return false;
    return PathJoin(out, cap, folder, Display.currentPicName);
}

bool ChangeBackgroundColour(const char* selectedFolder)
{
    CHOOSECOLORW cc;
    memset(&cc, 0, sizeof(cc));
    cc.lStructSize = sizeof(cc);
    cc.hwndOwner = MainWindow();
    cc.hInstance = (HWND)ModuleInstance();
    cc.rgbResult = Display.backColor;
    cc.lpCustColors = Display.customColors;
    cc.Flags = CC_RGBINIT | CC_FULLOPEN | CC_SHOWHELP;
    // Only OK takes the colour: some dialogs (Wine's) write the colour being picked into
    // the record as the user goes, so after Cancel it may hold a colour never confirmed.
    BOOL picked = ChooseColorW(&cc);
    // The window closed while the dialog was open: the shutdown has run.
    if (!ProgramRunning())
        return false;
    if (picked)
        SetBackColour(cc.rgbResult);

    int W = Display.clientW, H = Display.clientH;
    FillRectColor(Display.glMemDC.hDC, 0, 0, W, H, Display.backColor);
    FillRectColor(Display.glGazouDC[0].hDC, 0, 0, W, H, Display.backColor);
    FillRectColor(Display.glGazouDC[1].hDC, 0, 0, W, H, Display.backColor);

    // Redraw the picture actually on screen, from the folder it was taken from.
    char path[KP_PATH_BYTES];
    if (ShownPicturePath(path, sizeof(path), selectedFolder)) {
        Redraw(path);
        return true;
    }
    InvalidateRect(MainWindow(), nullptr, FALSE);
    return false;
}

void SetBackColour(COLORREF color)
{
    Display.backColor = color;
}

COLORREF BackColour()
{
    return Display.backColor;
}

const char* ShownPictureFolder()
{
    return Display.shownPicFolder;
}

int ShownOrdinal()
{
    return Display.glNowPicNum;
}

HDC CompositionDC()
{
    return Display.glMemDC.hDC;
}

HDC PictureSlotDC(int slot)
{
    return Display.glGazouDC[slot & 1].hDC;
}

int NextPictureSlot()
{
    return Display.glGazouNext;
}

HFONT BubbleFont()
{
    return Display.hBubbleFont;
}

HDC HeartDC(int* width, int* height)
{
    *width = Display.glHartDC.width;
    *height = Display.glHartDC.height;
    return Display.glHartDC.hDC;
}

const COLORREF* CustomColours()
{
    return Display.customColors;
}

int PictureCount(int category)
{
    return (category >= 0 && category < CATEGORY_MAX) ? Display.glPicSuu[category] : 0;
}

void SetPictureCount(int category, int count)
{
    if (category >= 0 && category < CATEGORY_MAX)
        Display.glPicSuu[category] = count;
}

void PicturesArrived(int category, int count, const char* name)
{
    if (count >= 0)
        SetPictureCount(category, count);
    Cp932CopyCut(Display.currentPicName, sizeof(Display.currentPicName), name);
}

void SetPictureChoice(int nowPicNum, const char* name)
{
    Display.glNowPicNum = nowPicNum;
    Cp932CopyCut(Display.currentPicName, sizeof(Display.currentPicName), name);
}

bool PictureShown()
{
    return Display.picShown != 0;
}

const char* CurrentPictureName()
{
    return Display.currentPicName;
}

// The picture commands then find no picture, as at start.
void ForgetShownPicture()
{
    PrepareSurfaces();
    FillRectColor(Display.glMemDC.hDC, 0, 0, Display.clientW, Display.clientH, Display.backColor);
    Display.currentPicName[0] = 0;
    Display.shownPicFolder[0] = 0;
    Display.picShown = 0;
}
