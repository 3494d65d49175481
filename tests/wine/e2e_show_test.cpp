// Choosing a category in the real Kotopane.exe and reading what it shows from the screen,
// the way a user sees it: the picture, its margins, the bubble and its pointer, and the
// messages of an empty category and of a picture that can't be read.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/CommandIds.h"
#include "tests/support/TestSupport.h"
#include "tests/wine/e2e_kotopane.h"

namespace {

const COLORREF BACK = RGB(255, 0, 0);        // the digits 255 in the colour file
const COLORREF PICTURE = RGB(0x20, 0x80, 0xC0);
const COLORREF WHITE = RGB(255, 255, 255);
const wchar_t LINE[] = L"テスト";
// 一枚's line as Notepad saves it (UTF-8), and as it reads: the emoji code page 932 lacks as □.
const char* const LINE_UTF8 = (const char*)u8"がんばって！応援してるよ\U0001F600";
const int PIC_W = 200, PIC_H = 100;

#define EXPECT_SCREEN(want, x, y) \
    EXPECT_EQ(E2eHex(want), E2eHex(E2eScreenPixel(run.main, (x), (y)))) << "client " << (x) << "," << (y)

class e2eShow : public ::testing::Test {
protected:
    std::wstring prog;
    std::wstring settings;
    KOTOPANE_RUN run = {};
    int W = 0;   // the width everything is composed in

    // Categories 一枚 (one solid picture), 空っぽ (lines only) and 壊れ (a JPEG that isn't one).
    void SetUp() override
    {
        std::wstring name = L"e2e_show_" + Utf8ToWide(::testing::UnitTest::GetInstance()->current_test_info()->name());
        prog = MakeScratchProgramFolder(name.c_str());
        HandoffLogStart(name.c_str());
        settings = SettingsFolder(prog);
        CreateDirectoryW(settings.c_str(), nullptr);
        ASSERT_TRUE(WriteBytes(settings + L"\\背景色.txt", "255"));
        ASSERT_TRUE(WriteBytes(settings + L"\\メニューリスト.txt", ToCp932(L"一枚\r\n空っぽ\r\n壊れ\r\n")));
        for (const wchar_t* c : { L"一枚", L"空っぽ", L"壊れ" }) {
            std::wstring folder = settings + L"\\" + c;
            CreateDirectoryW(folder.c_str(), nullptr);
            ASSERT_TRUE(WriteBytes(folder + L"\\" + c + L"セリフ.txt", ToCp932(LINE) + "\r\n"));
        }
        ASSERT_TRUE(WriteBytes(settings + L"\\一枚\\一枚セリフ.txt", std::string(LINE_UTF8) + "\r\n"));
        ASSERT_TRUE(WriteTestBmp(settings + L"\\一枚\\青.bmp", PIC_W, PIC_H, [](int, int) { return 0x2080C0u; }));
        ASSERT_TRUE(WriteBytes(BrokenPath(), std::string("\xFF\xD8\xFF\xE0 not really a JPEG", 22)));

        RECT work;
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        W = work.right - work.left - 50;

        ASSERT_TRUE(E2eStart(prog, &run));
        ASSERT_NE(run.converter, nullptr) << "converter not started";
        // Before any choice the picture area is the background colour.
        ASSERT_TRUE(E2eWaitSettled(run.main, Band(), [&] { return E2eScreenPixel(run.main, W / 2, 300) == BACK; }, 10000));
    }

    void TearDown() override { E2eCleanUp(&run); }

    std::wstring BrokenPath() { return settings + L"\\壊れ\\broken.jpg"; }

    // The bubble band, the pointer and the top of the picture area.
    RECT Band()
    {
        RECT rc = { 0, 0, W < 1800 ? W : 1800, 200 };
        return rc;
    }

    void Choose(int category) { PostMessageW(run.main, WM_COMMAND, CMD_CATEGORY_FIRST + category, 0); }

    bool PictureShown()
    {
        return E2eWaitSettled(run.main, Band(), [&] { return E2eScreenPixel(run.main, W / 2, 110) == PICTURE; }, 10000);
    }

    void CloseAndExpectBothEnd()
    {
        DWORD code = 99;
        EXPECT_TRUE(E2eClose(&run, &code)) << "Kotopane or its converter still running";
        EXPECT_EQ(0u, code);
    }
};

TEST_F(e2eShow, PictureMarginsBubbleAndPointerOnTheScreen)
{
    Choose(0);
    ASSERT_TRUE(PictureShown()) << "the picture never settled on the screen";

    // Own size, centred horizontally, top edge at y 60; the rest in the background colour.
    const int left = (W - PIC_W) / 2;
    EXPECT_SCREEN(PICTURE, left, 60);
    EXPECT_SCREEN(PICTURE, left + PIC_W - 1, 60);
    EXPECT_SCREEN(PICTURE, left, 60 + PIC_H - 1);
    EXPECT_SCREEN(PICTURE, left + PIC_W - 1, 60 + PIC_H - 1);
    EXPECT_SCREEN(BACK, left - 1, 100);
    EXPECT_SCREEN(BACK, left + PIC_W, 100);
    EXPECT_SCREEN(BACK, W / 2, 60 + PIC_H);
    EXPECT_SCREEN(BACK, 0, 500);
    EXPECT_SCREEN(BACK, 300, 100);

    // The bubble: a white body around the typed line, centred in the window.
    int tw = E2eTextWidth(L"がんばって！応援してるよ□");
    ASSERT_GT(tw, 60);
    int first, last;
    E2eWhiteRun(run.main, 25, Band().right, &first, &last);
    int textLeft = (int)((float)(W - tw) / 2.0f);
    EXPECT_NEAR(textLeft - 20, first, 2);
    EXPECT_NEAR(textLeft + tw + 20 - 1, last, 2);
    EXPECT_NEAR(W - 1, first + last, 3) << "bubble not centred";
    EXPECT_SCREEN(BACK, first - 1, 25);
    EXPECT_SCREEN(BACK, last + 1, 25);
    EXPECT_SCREEN(BACK, 2, 10);
    EXPECT_SCREEN(BACK, W / 2 - 400, 25);
    int black = 0;
    RECT text = { textLeft, 0, textLeft + tw, 50 };
    for (DWORD p : E2eGrab(run.main, text))
        black += (p & 0xFFFFFF) == 0;
    EXPECT_GT(black, 100) << "no typed text in the bubble";

    // The pointer hangs from the middle of the bubble down to the picture.
    EXPECT_SCREEN(WHITE, W / 2, 52);
    EXPECT_SCREEN(WHITE, W / 2, 55);
    EXPECT_SCREEN(BACK, W / 2 - 9, 55);
    EXPECT_SCREEN(BACK, W / 2 + 9, 55);
    EXPECT_SCREEN(BACK, W / 2 - 100, 57);

    // The conversion output stays while the program runs.
    EXPECT_TRUE(FileExists(settings + L"\\Gazou.bmp"));
    CloseAndExpectBothEnd();
    EXPECT_FALSE(FileExists(settings + L"\\Gazou.bmp"));
}

TEST_F(e2eShow, EmptyCategoryExplainsHowToAddPicturesAndDrawsNothing)
{
    Choose(1);
    std::vector<HWND> boxes = FindProcessBoxes(run.app.pid, 5000);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(L"このメニュー（空っぽ）に画像は登録されていません。", WindowTitle(boxes[0]));
    EXPECT_EQ(L"「空っぽ」のセリフを言わせたい画像を何枚かウィンドウにドロップしてください。\r\n"
              L"（「OK」を押してから画像をドロップしてください。）\r\n"
              L"（元の画像は移動したり失われたりしません。）\r\n"
              L"(裏ワザ：メニューをクリックしなくても、入れたいメニューの上にドロップすればそのメニューに画像が入ります。)",
              BoxText(boxes[0]));
    EXPECT_EQ(run.main, GetWindow(boxes[0], GW_OWNER));
    EXPECT_TRUE(GetDlgItem(boxes[0], IDOK) != nullptr);
    EXPECT_TRUE(GetDlgItem(boxes[0], IDNO) == nullptr);
    PostMessageW(boxes[0], WM_COMMAND, IDOK, 0);

    // Answered, the box goes and the window shows what it showed before: no bubble, no picture.
    ASSERT_TRUE(E2eWaitSettled(run.main, Band(), [&] { return !IsWindow(boxes[0]); }, 5000));
    EXPECT_SCREEN(BACK, W / 2, 25);
    EXPECT_SCREEN(BACK, W / 2, 55);
    EXPECT_SCREEN(BACK, W / 2, 110);
    CloseAndExpectBothEnd();
}

TEST_F(e2eShow, UnreadablePictureIsReportedAndThePreviousOneStays)
{
    Choose(0);
    ASSERT_TRUE(PictureShown());
    std::string broken;
    ASSERT_TRUE(ReadBytes(BrokenPath(), &broken));

    Choose(2);
    std::vector<HWND> boxes = FindProcessBoxes(run.app.pid, 10000);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(L"画像ファイルの読み込みに失敗", WindowTitle(boxes[0]));
    EXPECT_EQ(BrokenPath(), BoxText(boxes[0]));
    EXPECT_EQ(nullptr, GetWindow(boxes[0], GW_OWNER)) << "this message has no owner";
    EXPECT_TRUE(IsWindowEnabled(run.main));
    PostMessageW(boxes[0], WM_COMMAND, IDOK, 0);

    // The old picture fades back in under a fresh bubble; the file is left as it was.
    ASSERT_TRUE(E2eWaitSettled(run.main, Band(), [&] { return !IsWindow(boxes[0]); }, 10000));
    EXPECT_SCREEN(PICTURE, W / 2, 110);
    EXPECT_SCREEN(BACK, (W - PIC_W) / 2 - 1, 110);
    EXPECT_SCREEN(WHITE, W / 2, 55);
    int first, last;
    E2eWhiteRun(run.main, 25, Band().right, &first, &last);
    EXPECT_NEAR(W - 1, first + last, 3);
    std::string after;
    ASSERT_TRUE(ReadBytes(BrokenPath(), &after));
    EXPECT_EQ(broken, after);
    CloseAndExpectBothEnd();
}

}  // namespace
