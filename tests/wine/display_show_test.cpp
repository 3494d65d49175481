// Showing categories in the real main window: pictures in the real surfaces, the bubble,
// the messages and the colour dialog.
#include <gtest/gtest.h>
#include <windows.h>
#include <colordlg.h>
#include <dlgs.h>

#include <string>
#include <vector>

#include "base/CommandIds.h"
#include "base/Edge.h"
#include "base/TraceFormat.h"
#include "categories/MenuBar.h"
#include "display/Display.h"
#include "display/DisplayCalc.h"
#include "display/DisplayState.h"
#include "lines/LinesState.h"
#include "tests/support/TestSupport.h"

namespace {

const COLORREF BACK = RGB(0, 0, 128);
const COLORREF WHITE = RGB(255, 255, 255);

COLORREF MemPixel(int x, int y)
{
    GdiFlush();
    return GetPixel(CompositionDC(), x, y);
}

std::wstring Hex(COLORREF c)
{
    wchar_t b[16];
    wsprintfW(b, L"%06X", (unsigned)c);
    return b;
}

#define EXPECT_PIXEL(want, x, y) EXPECT_EQ(Hex(want), Hex(MemPixel((x), (y)))) << "at " << (x) << "," << (y)

class DisplayShow : public ::testing::Test {
protected:
    std::wstring prog;
    std::wstring settings;
    HWND wnd = nullptr;

    // Categories as code page 932 names; each gets a folder and a lines file with `line`.
    void Start(const std::vector<std::string>& names, const std::string& line = "テスト")
    {
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        prog = MakeScratchProgramFolder((L"display_" + Utf8ToWide(info->name())).c_str());
        settings = SettingsFolder(prog);
        CreateDirectoryW(settings.c_str(), nullptr);
        std::string list;
        for (const std::string& n : names) {
            list += n + "\r\n";
            std::wstring folder = Folder(n);
            CreateDirectoryW(folder.c_str(), nullptr);
            WriteBytes(folder + L"\\" + ToWide((n + "セリフ.txt").c_str()), line + "\r\n");
        }
        WriteBytes(settings + L"\\" + ToWide("メニューリスト.txt"), list);
        wnd = StartKotopaneInProcess(prog);
        ASSERT_TRUE(wnd != nullptr);
        ASSERT_EQ(1870, ClientWidth());
        ASSERT_EQ(1080, ClientHeight());
        SetBackColour(BACK);
        SetHeartFlag(0);
    }

    void TearDown() override
    {
        if (wnd)
            StopKotopaneInProcess();
    }

    std::wstring Folder(const std::string& name) { return settings + L"\\" + ToWide(name.c_str()); }

    int IndexOf(const char* name)
    {
        for (int i = 0; i < CategoryCount(); i++)
            if (strcmp(CategoryName(i), name) == 0)
                return i;
        return -1;
    }

    void Show(const char* name)
    {
        int i = IndexOf(name);
        ASSERT_GE(i, 0) << name;
        SendMessageW(wnd, WM_COMMAND, CMD_CATEGORY_FIRST + i, 0);
    }
};

DWORD Solid(DWORD rgb)
{
    return rgb;
}

TEST_F(DisplayShow, SmallPictureAtOwnSizeCentredWithBubbleAndPointer)
{
    Start({"一枚"});
    ASSERT_TRUE(WriteTestBmp(Folder("一枚") + L"\\green.bmp", 100, 100, [](int, int) { return Solid(0x00FF00); }));
    BoxWatchStart();
    TraceCaptureStart();
    Show("一枚");
    std::vector<std::string> traces = TraceCaptureStop();
    EXPECT_TRUE(BoxWatchStop().empty());
    const double entry[5] = {(double)IndexOf("一枚"), 0, 0, 0, 0};
    const double chosen[5] = {0, 0, 0, 0, 0};
    std::string path = ToCp932(Folder("一枚")) + "\\green.bmp";
    std::vector<std::string> want = {FormatTraceValues("●●●　Hyouji　●●●ButtonNum", entry),
                                     FormatTraceValues("glNowPicNum", chosen), FormatTraceText("Path", path.c_str())};
    size_t at = 0;
    for (const std::string& t : traces)
        if (at < want.size() && t == want[at])
            at++;
    EXPECT_EQ(want.size(), at) << "missing trace " << (at < want.size() ? want[at] : "");

    EXPECT_EQ(1, PictureCount(IndexOf("一枚")));
    EXPECT_STREQ("green.bmp", CurrentPictureName());
    EXPECT_EQ(ToCp932(Folder("一枚")), ShownPictureFolder());
    EXPECT_EQ(1, PictureShown());

    // Own size, centred at x 885, top at y 60; margins in the background colour.
    const COLORREF green = RGB(0, 255, 0);
    EXPECT_PIXEL(green, 885, 60);
    EXPECT_PIXEL(green, 984, 159);
    EXPECT_PIXEL(BACK, 884, 100);
    EXPECT_PIXEL(BACK, 985, 100);
    EXPECT_PIXEL(BACK, 900, 160);
    EXPECT_PIXEL(BACK, 900, 1079);
    EXPECT_PIXEL(BACK, 0, 500);

    // The bubble: band in the background colour, white body around the text, pointer at the middle.
    HDC probe = CreateCompatibleDC(CompositionDC());
    HGDIOBJ old = SelectObject(probe, BubbleFont());
    SIZE sz = {0, 0};
    EdgeGetTextExtent(probe, "テスト", &sz);
    SelectObject(probe, old);
    DeleteDC(probe);
    BUBBLE_LAYOUT b = LayoutBubble(1870, 1870, sz.cx, false);
    ASSERT_GT(sz.cx, 0);
    EXPECT_PIXEL(BACK, 2, 10);
    EXPECT_PIXEL(BACK, b.bodyLeft - 1, 25);
    EXPECT_PIXEL(WHITE, b.bodyLeft + 1, 25);
    EXPECT_PIXEL(WHITE, b.textLeft - 5, 25);
    EXPECT_PIXEL(WHITE, b.bodyRight - 2, 25);
    EXPECT_PIXEL(BACK, b.bodyRight, 25);
    EXPECT_PIXEL(WHITE, b.textLeft + sz.cx / 2, 50);   // one row below the band
    EXPECT_PIXEL(WHITE, 935, 53);
    EXPECT_PIXEL(BACK, 926, 55);
    EXPECT_PIXEL(BACK, 944, 55);
    // Some black text inside the body.
    int black = 0;
    for (int x = b.textLeft; x < b.textLeft + sz.cx; x++)
        for (int y = 0; y < 50; y++)
            black += MemPixel(x, y) == RGB(0, 0, 0);
    EXPECT_GT(black, 50);

    // The paint that follows puts the composition on the window.
    PumpMessages(150);
    HDC wdc = GetDC(wnd);
    EXPECT_EQ(Hex(green), Hex(GetPixel(wdc, 900, 100)));
    EXPECT_EQ(Hex(BACK), Hex(GetPixel(wdc, 800, 100)));
    ReleaseDC(wnd, wdc);
}

TEST_F(DisplayShow, WidePictureIsShrunkAndHeartFollowsTheText)
{
    Start({"横長"});
    ASSERT_TRUE(WriteTestBmp(Folder("横長") + L"\\wide.bmp", 2000, 500, [](int, int) { return Solid(0xFF0000); }));
    SetHeartFlag(1);
    Show("横長");

    // 2000 x 500 in 1870 x 970 is 1870 x 467 at (0, 60).
    const COLORREF red = RGB(255, 0, 0);
    EXPECT_PIXEL(red, 0, 62);
    EXPECT_PIXEL(red, 1869, 300);
    EXPECT_PIXEL(red, 935, 60 + 465);
    EXPECT_PIXEL(BACK, 935, 60 + 467 + 1);
    EXPECT_PIXEL(BACK, 935, 1079);

    HDC probe = CreateCompatibleDC(CompositionDC());
    HGDIOBJ old = SelectObject(probe, BubbleFont());
    SIZE sz = {0, 0};
    EdgeGetTextExtent(probe, "テスト", &sz);
    SelectObject(probe, old);
    BUBBLE_LAYOUT b = LayoutBubble(1870, 1870, sz.cx, true);
    EXPECT_PIXEL(WHITE, b.bodyRight - 3, 25);     // room for the heart is white beyond it
    EXPECT_PIXEL(BACK, b.bodyRight, 25);

    // The heart square holds the heart stretched to 50 x 50, the same way.
    int heartW = 0, heartH = 0;
    HDC heart = HeartDC(&heartW, &heartH);
    ASSERT_TRUE(heart != nullptr);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = 50;
    bi.bmiHeader.biHeight = -50;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP ref = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ oldBmp = SelectObject(probe, ref);
    SetStretchBltMode(probe, HALFTONE);
    SetBrushOrgEx(probe, 0, 0, nullptr);
    StretchBlt(probe, 0, 0, 50, 50, heart, 0, 0, heartW, heartH, SRCCOPY);
    GdiFlush();
    int differ = 0, nonWhite = 0;
    for (int y = 0; y < 50; y++)
        for (int x = 0; x < 50; x++) {
            const BYTE* p = (const BYTE*)bits + (y * 50 + x) * 4;
            COLORREF want = RGB(p[2], p[1], p[0]);
            differ += MemPixel(b.heartLeft + x, y) != want;
            nonWhite += want != WHITE;
        }
    EXPECT_EQ(0, differ);
    EXPECT_GT(nonWhite, 0);
    SelectObject(probe, oldBmp);
    DeleteObject(ref);
    DeleteDC(probe);
}

TEST_F(DisplayShow, TwoPicturesAlternateAndTheFirstChoiceSkipsOrdinalZero)
{
    Start({"二枚"});
    ASSERT_TRUE(WriteTestBmp(Folder("二枚") + L"\\aaaa.bmp", 64, 64, [](int, int) { return Solid(0x00FF00); }));
    // A name code page 932 can't write is shown by its short (8.3) name.
    ASSERT_TRUE(WriteTestBmp(Folder("二枚") + L"\\caf\u00e9.bmp", 64, 64, [](int, int) { return Solid(0xFF0000); }));
    SetPictureChoice(0, "");
    COLORREF previous = 0;
    for (int k = 0; k < 4; k++) {
        int before = ShownOrdinal();
        Show("二枚");
        EXPECT_EQ(2, PictureCount(IndexOf("二枚")));
        EXPECT_NE(before, ShownOrdinal());
        COLORREF c = MemPixel(935, 90);
        EXPECT_TRUE(c == RGB(0, 255, 0) || c == RGB(255, 0, 0)) << Hex(c);
        EXPECT_NE(Hex(previous), Hex(c));
        previous = c;
        if (k == 0) {
            EXPECT_EQ(1, ShownOrdinal());
        }
    }
}

TEST_F(DisplayShow, EmptyCategoryTellsHowToAddPicturesAndDrawsNothing)
{
    Start({"空っぽ"});
    ASSERT_TRUE(WriteBytes(Folder("空っぽ") + L"\\a.b", "x"));
    ASSERT_TRUE(WriteBytes(Folder("空っぽ") + L"\\NOTE.TXT", "x"));
    // What systems leave in folders is no picture: Wine shows .DS_Store hidden; a system BMP.
    for (const wchar_t* name : {L"Thumbs.db", L"desktop.ini", L".DS_Store", L"system.bmp"})
        ASSERT_TRUE(WriteTestBmp(Folder("空っぽ") + L"\\" + name, 4, 4, [](int, int) { return Solid(0xFF); }));
    SetFileAttributesW((Folder("空っぽ") + L"\\system.bmp").c_str(), FILE_ATTRIBUTE_SYSTEM);
    SetPictureChoice(3, "before.png");
    COLORREF was = MemPixel(900, 500);
    BoxWatchStart();
    Show("空っぽ");
    std::vector<SHOWN_BOX> boxes = BoxWatchStop();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(wnd, boxes[0].owner);
    // (MB_TOPMOST is not visible in the box's extended style under Wine 8 when the hook looks.)
    EXPECT_EQ(ToWide("このメニュー（空っぽ）に画像は登録されていません。"), boxes[0].caption);
    EXPECT_EQ(ToWide("「空っぽ」のセリフを言わせたい画像を何枚かウィンドウにドロップしてください。\r\n"
                         "（「OK」を押してから画像をドロップしてください。）\r\n"
                         "（元の画像は移動したり失われたりしません。）\r\n"
                         "(裏ワザ：メニューをクリックしなくても、入れたいメニューの上にドロップすればそのメニューに画像が入ります。)"),
              boxes[0].text);
    EXPECT_EQ(0, PictureCount(IndexOf("空っぽ")));
    EXPECT_EQ(3, ShownOrdinal());
    EXPECT_STREQ("before.png", CurrentPictureName());
    EXPECT_EQ(Hex(was), Hex(MemPixel(900, 500)));

    // A four-letter subfolder counts as a picture entry (and then fails to load).
    CreateDirectoryW((Folder("空っぽ") + L"\\abcd").c_str(), nullptr);
    BoxWatchStart();
    Show("空っぽ");
    boxes = BoxWatchStop();
    EXPECT_EQ(1, PictureCount(IndexOf("空っぽ")));
    EXPECT_STREQ("abcd", CurrentPictureName());
    ASSERT_GE(boxes.size(), 1u);
    EXPECT_EQ(ToWide("画像ファイルの読み込みに失敗"), boxes[0].caption);

    // A folder removed behind the program's back: nothing at all.
    SetPictureCount(IndexOf("空っぽ"), 7);
    DeleteTree(Folder("空っぽ"));
    BoxWatchStart();
    Show("空っぽ");
    EXPECT_TRUE(BoxWatchStop().empty());
    EXPECT_EQ(7, PictureCount(IndexOf("空っぽ")));
}

TEST_F(DisplayShow, PictureThatFailsToLoadIsReportedWithoutOwnerAndTheOldOneStays)
{
    Start({"良い", "壊れ"});
    ASSERT_TRUE(WriteTestBmp(Folder("良い") + L"\\good.bmp", 100, 100, [](int, int) { return Solid(0x00FF00); }));
    ASSERT_TRUE(WriteBytes(Folder("壊れ") + L"\\broken.png", "this is no picture"));
    Show("良い");
    ASSERT_EQ(Hex(RGB(0, 255, 0)), Hex(MemPixel(900, 100)));
    int next = NextPictureSlot();

    BoxWatchStart();
    Show("壊れ");
    std::vector<SHOWN_BOX> boxes = BoxWatchStop();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(nullptr, boxes[0].owner);
    EXPECT_FALSE(boxes[0].topmost);
    EXPECT_EQ(ToWide("画像ファイルの読み込みに失敗"), boxes[0].caption);
    EXPECT_EQ(Folder("壊れ") + L"\\broken.png", boxes[0].text);
    EXPECT_EQ(next, NextPictureSlot());
    EXPECT_STREQ("broken.png", CurrentPictureName());
    EXPECT_EQ(1, PictureShown());
    // The previous picture is still on screen, under a fresh bubble.
    EXPECT_PIXEL(RGB(0, 255, 0), 900, 100);
    EXPECT_PIXEL(WHITE, 935, 53);

    // A path the converter link refuses (longer than its block) is reported the same way.
    std::string longPath = ToCp932(Folder("良い")) + "\\" + std::string(280, 'x') + ".png";
    BoxWatchStart();
    LoadPicture(longPath.c_str(), 0, 60, 1870, 970);
    boxes = BoxWatchStop();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(nullptr, boxes[0].owner);
    EXPECT_EQ(ToWide(longPath.c_str()), boxes[0].text);
    EXPECT_EQ(next, NextPictureSlot());
}

// The colour dialog, driven like a user: the colour typed into its edits, then a button.
struct COLOUR_PLAN {
    COLORREF pick;
    bool ok;
    bool addCustom;
    int seen;
    COLORREF initial;
    bool helpVisible;
    bool expanded;
    bool escape;
    bool stuck;     // the real input did not close it
};
COLOUR_PLAN gPlan;

// Timer 1 cancels by a real click on キャンセル or a real Esc; timer 2 by a message, if still open.
void CALLBACK CancelByInput(HWND dlg, UINT, UINT_PTR id, DWORD)
{
    KillTimer(dlg, id);
    RECT rc;
    GetWindowRect(GetDlgItem(dlg, IDCANCEL), &rc);
    SetCursorPos((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    if (id == 2)
        gPlan.stuck = PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
    else if (gPlan.escape)
        keybd_event(VK_ESCAPE, 0, 0, 0), keybd_event(VK_ESCAPE, 0, KEYEVENTF_KEYUP, 0);
    else
        mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0), mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
}

bool DriveColourDialog(HWND dlg)
{
    gPlan.seen++;
    gPlan.initial = RGB(GetDlgItemInt(dlg, COLOR_RED, nullptr, FALSE), GetDlgItemInt(dlg, COLOR_GREEN, nullptr, FALSE),
                        GetDlgItemInt(dlg, COLOR_BLUE, nullptr, FALSE));
    // The dialog itself may not be visible yet: look at the controls' own styles.
    HWND help = GetDlgItem(dlg, pshHelp);
    gPlan.helpVisible = help && (GetWindowLongW(help, GWL_STYLE) & WS_VISIBLE);
    HWND red = GetDlgItem(dlg, COLOR_RED);
    gPlan.expanded = red && (GetWindowLongW(red, GWL_STYLE) & WS_VISIBLE);
    SetDlgItemInt(dlg, COLOR_RED, GetRValue(gPlan.pick), FALSE);
    SetDlgItemInt(dlg, COLOR_GREEN, GetGValue(gPlan.pick), FALSE);
    SetDlgItemInt(dlg, COLOR_BLUE, GetBValue(gPlan.pick), FALSE);
    if (gPlan.ok) {
        if (gPlan.addCustom)
            SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(COLOR_ADD, BN_CLICKED), (LPARAM)GetDlgItem(dlg, COLOR_ADD));
        PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)GetDlgItem(dlg, IDOK));
    } else {
        SetTimer(dlg, 1, 20, CancelByInput);
        SetTimer(dlg, 2, 5000, CancelByInput);
    }
    return true;
}

TEST_F(DisplayShow, ColourDialogRepaintsEverythingBeforeAnyPicture)
{
    Start({"色"});
    gPlan = COLOUR_PLAN{.pick = RGB(10, 200, 30), .ok = true, .addCustom = true};
    BoxWatchStart();
    BoxWatchSetDialogDriver(DriveColourDialog);
    SendMessageW(wnd, WM_COMMAND, CMD_BACK_COLOUR, 0);
    BoxWatchSetDialogDriver(nullptr);
    EXPECT_TRUE(BoxWatchStop().empty());
    ASSERT_EQ(1, gPlan.seen);
    EXPECT_EQ(Hex(BACK), Hex(gPlan.initial));
    EXPECT_TRUE(gPlan.helpVisible);
    EXPECT_TRUE(gPlan.expanded);
    EXPECT_EQ(Hex(RGB(10, 200, 30)), Hex(BackColour()));
    EXPECT_EQ(Hex(RGB(10, 200, 30)), Hex(CustomColours()[0]));
    EXPECT_PIXEL(RGB(10, 200, 30), 0, 0);
    EXPECT_PIXEL(RGB(10, 200, 30), 935, 30);
    EXPECT_PIXEL(RGB(10, 200, 30), 1869, 1079);
    PumpMessages(150);
    HDC wdc = GetDC(wnd);
    EXPECT_EQ(Hex(RGB(10, 200, 30)), Hex(GetPixel(wdc, 500, 500)));
    ReleaseDC(wnd, wdc);
}

TEST_F(DisplayShow, ColourDialogRedrawsTheShownPictureOnOkAndOnCancel)
{
    Start({"色替え"});
    ASSERT_TRUE(WriteTestBmp(Folder("色替え") + L"\\pict.bmp", 100, 100, [](int, int) { return Solid(0x00FF00); }));
    Show("色替え");
    ASSERT_EQ(Hex(BACK), Hex(MemPixel(500, 500)));

    gPlan = COLOUR_PLAN{.pick = RGB(200, 100, 0), .ok = true};
    BoxWatchStart();
    BoxWatchSetDialogDriver(DriveColourDialog);
    SendMessageW(wnd, WM_COMMAND, CMD_BACK_COLOUR, 0);
    EXPECT_EQ(1, gPlan.seen);
    EXPECT_EQ(Hex(RGB(200, 100, 0)), Hex(BackColour()));
    EXPECT_PIXEL(RGB(200, 100, 0), 500, 500);
    EXPECT_PIXEL(RGB(200, 100, 0), 2, 10);
    EXPECT_PIXEL(RGB(0, 255, 0), 900, 100);
    EXPECT_PIXEL(WHITE, 935, 53);

    // Red, then キャンセル clicked or Esc: the old colour, still repainted (the mark is gone).
    for (bool escape : {false, true}) {
        gPlan = COLOUR_PLAN{.pick = RGB(255, 0, 0), .escape = escape};
        FillRectColor(CompositionDC(), 400, 400, 600, 600, RGB(1, 2, 3));
        SendMessageW(wnd, WM_COMMAND, CMD_BACK_COLOUR, 0);
        EXPECT_FALSE(gPlan.stuck) << escape;
        EXPECT_EQ(Hex(RGB(200, 100, 0)), Hex(gPlan.initial));
        EXPECT_EQ(Hex(RGB(200, 100, 0)), Hex(BackColour()));
        EXPECT_PIXEL(RGB(200, 100, 0), 500, 500);
        EXPECT_PIXEL(RGB(0, 255, 0), 900, 100);
    }
    BoxWatchSetDialogDriver(nullptr);
    EXPECT_TRUE(BoxWatchStop().empty());
}

}  // namespace
