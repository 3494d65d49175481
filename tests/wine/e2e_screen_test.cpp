// What reaches the screen while the real Kotopane.exe switches pictures and types, read
// from the X display by the screen watcher: the fade's frames, one step per character, a
// window that answers through a very long line, a bubble that fits its line.
#include <gtest/gtest.h>
#include <colordlg.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/CommandIds.h"
#include "tests/support/TestSupport.h"
#include "tests/wine/e2e_kotopane.h"

namespace {

const COLORREF RED = RGB(255, 0, 0);
const COLORREF BLUE = RGB(0, 0, 255);
const wchar_t LINE20[] = L"あいうえお&かきくけこ&&さしすせそたち";   // '&' is no accelerator mark
const int RED_CAT = 0, BLUE_CAT = 1, LONG_CAT = 2, CLEAR_CAT = 3;

class e2eScreen : public ::testing::Test {
protected:
    KOTOPANE_RUN run = {};
    SCREEN_WATCH watch;
    int W = 0;

    // 赤 (red picture, line あ), 青 (blue, LINE20), 長い (blue, 1000 bytes of "il&") and 透明
    // (a blue square on a clear canvas over a band of black at half alpha), on a green
    // background; the heart after every line when heart is set.
    std::wstring settings;
    void Start(bool heart, const char* hitorigoto = "")
    {
        std::wstring prog = MakeScratchProgramFolder(
            (L"e2e_screen_" + Utf8ToWide(::testing::UnitTest::GetInstance()->current_test_info()->name())).c_str());
        settings = SettingsFolder(prog);
        CreateDirectoryW(settings.c_str(), nullptr);
        WriteBytes(settings + L"\\背景色.txt", "40960");
        WriteBytes(settings + L"\\ひとりごと.txt", hitorigoto);
        WriteBytes(settings + L"\\ハート.txt", heart ? "1" : "0");
        WriteBytes(settings + L"\\メニューリスト.txt", ToCp932(L"赤\r\n青\r\n長い\r\n透明\r\n"));
        std::string longLine;
        while (longLine.size() < 1000)
            longLine += "il&";
        const wchar_t* cats[] = { L"赤", L"青", L"長い", L"透明" };
        std::string lines[] = { ToCp932(L"あ"), ToCp932(LINE20), longLine.substr(0, 1000), ToCp932(L"い") };
        for (int k = 0; k < 4; k++) {
            std::wstring folder = settings + L"\\" + cats[k];
            CreateDirectoryW(folder.c_str(), nullptr);
            ASSERT_TRUE(WriteBytes(folder + L"\\" + cats[k] + L"セリフ.txt", lines[k] + "\r\n"));
            DWORD rgb = k == RED_CAT ? 0xFF0000 : 0x0000FF;
            if (k == CLEAR_CAT)
                ASSERT_TRUE(EncodePicture(folder + L"\\clear.png", GUID_ContainerFormatPng, 400, 300, { [](int x, int y) {
                    return y >= 250 ? 0x80000000u : x >= 150 && x < 250 && y >= 100 && y < 200 ? 0xFF0000FFu : 0u;
                } }));
            else
                ASSERT_TRUE(WriteTestBmp(folder + L"\\pic.bmp", 400, 300, [rgb](int, int) { return rgb; }));
        }
        RECT work;
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        W = work.right - work.left - 50;
        ASSERT_TRUE(E2eStart(prog, &run));
    }

    void TearDown() override { E2eCleanUp(&run); }

    COLORREF Picture() { return E2eScreenPixel(run.main, W / 2, 200); }

    // Shows a category and waits until its picture (and, with heart, the heart) settles.
    bool ShowAndSettle(int category, COLORREF picture, bool heart = false)
    {
        PostMessageW(run.main, WM_COMMAND, CMD_CATEGORY_FIRST + category, 0);
        return E2eWaitSettled(run.main, { W - 100, 0, W - 10, 60 },
                              [&] { return Picture() == picture && (!heart || HeartPixels() > 200); }, 15000);
    }

    int HeartPixels()
    {
        int n = 0;
        for (DWORD p : E2eGrab(run.main, { W - 70, 0, W - 20, 50 }))
            n += ((p >> 16) & 0xFF) > 150 && ((p >> 8) & 0xFF) < 100;
        return n;
    }

    // Watches band rows 5..44 between client x left and right, and the picture.
    void Watch(int left, int right, DWORD maxMs = 30000)
    {
        POINT a = E2eClientToScreen(run.main, left, 5);
        RECT rc = { a.x, a.y, a.x + (right - left), a.y + 40 };
        ASSERT_TRUE(ScreenWatchStart(&watch, L"e2e_screen", rc, E2eClientToScreen(run.main, W / 2, 200), maxMs));
    }

    // Until the picture is `want` and the watched screen has been still for a second.
    std::vector<SCREEN_CHANGE> WaitStill(COLORREF want)
    {
        for (double start = UnixMsNow(); UnixMsNow() - start < 20000; Sleep(50)) {
            std::vector<SCREEN_CHANGE> seen = ScreenWatchSeen(&watch);
            if (!seen.empty() && seen.back().probe == want && UnixMsNow() - seen.back().ms > 1000)
                break;
        }
        return ScreenWatchStop(&watch);
    }

    // The first burst of changes (less than a second apart) after `after`, once a second
    // has passed without one: its first and last times; {0, 0} when none comes in time.
    std::pair<double, double> NextBurst(double after, double timeoutMs)
    {
        for (double start = UnixMsNow(); UnixMsNow() - start < timeoutMs; Sleep(50)) {
            std::pair<double, double> b = { 0, 0 };
            for (const SCREEN_CHANGE& c : ScreenWatchSeen(&watch))
                if (c.ms > after && (!b.first || c.ms - b.second < 1000))
                    b = { b.first ? b.first : c.ms, c.ms };
            if (b.first && UnixMsNow() - b.second > 1000)
                return b;
        }
        return { 0, 0 };
    }

    // Typing steps (changes that added dark text pixels) while the picture is `shown`;
    // false when the text lost pixels on the way. *lastDark: the text when it left.
    static bool TypingSteps(const std::vector<SCREEN_CHANGE>& seen, COLORREF shown, int* steps, long* lastDark)
    {
        *steps = 0;
        long last = 0;
        bool on = false, grew = true;
        for (const SCREEN_CHANGE& c : seen) {
            if (on && c.probe != shown)
                break;
            on = on || c.probe == shown;
            if (on) {
                *steps += c.dark > last;
                grew = grew && c.dark >= last;
                last = c.dark;
            }
        }
        *lastDark = last;
        return grew;
    }
};

TEST_F(e2eScreen, FadeFramesAndEveryTypedCharacterReachTheScreen)
{
    Start(false);
    ASSERT_TRUE(ShowAndSettle(RED_CAT, RED));
    int tw = E2eTextWidth(LINE20);
    int textLeft = (W - tw) / 2;
    Watch(textLeft, textLeft + tw);
    double command = UnixMsNow();
    PostMessageW(run.main, WM_COMMAND, CMD_CATEGORY_FIRST + BLUE_CAT, 0);
    std::vector<SCREEN_CHANGE> seen = WaitStill(BLUE);

    // The fade: red and blue mixed, the red share falling, for about 200 ms.
    std::vector<COLORREF> mixes;
    double firstMix = 0, firstBlue = 0;
    for (const SCREEN_CHANGE& c : seen) {
        if (c.ms < command || firstBlue || c.probe == RED)
            continue;
        if (c.probe == BLUE)
            firstBlue = c.ms;
        else if (mixes.empty() || mixes.back() != c.probe)
            mixes.push_back(c.probe);
        firstMix = firstMix ? firstMix : c.ms;
    }
    ASSERT_GE(mixes.size(), 3u) << "fade frames seen on the screen (5 drawn); a cut shows none";
    for (size_t k = 0; k < mixes.size(); k++) {
        EXPECT_EQ(0, GetGValue(mixes[k])) << E2eHex(mixes[k]);
        EXPECT_NEAR(253, GetRValue(mixes[k]) + GetBValue(mixes[k]), 2) << E2eHex(mixes[k]);
        EXPECT_TRUE(k == 0 || GetRValue(mixes[k]) < GetRValue(mixes[k - 1])) << "frames out of order";
    }
    EXPECT_GE(firstBlue - firstMix, 100.0) << "the frames stay on the screen";

    int steps = 0;
    long dark = 0;
    EXPECT_TRUE(TypingSteps(seen, BLUE, &steps, &dark));
    EXPECT_GE(steps, 15) << "typing steps seen for 20 characters (bursts of three give 7)";
    EXPECT_LE(steps, 20);
    printf("fade frames seen %d, command to first frame %.0f ms; typing steps seen %d\n", (int)mixes.size(),
           firstMix - command, steps);

    // The bubble fits the line as drawn, '&' included, centred on the window's middle.
    int first, last;
    E2eWhiteRun(run.main, 25, W - 30, &first, &last);
    EXPECT_NEAR(textLeft - 20, first, 2);
    EXPECT_NEAR(textLeft + tw + 20 - 1, last, 2);
    EXPECT_NEAR(W - 1, first + last, 3) << "bubble not centred";
}

TEST_F(e2eScreen, LongLineKeepsTheWindowAnsweringAndTheHeartInside)
{
    Start(true);
    ASSERT_TRUE(ShowAndSettle(RED_CAT, RED));
    Watch(20, W - 20);
    PostMessageW(run.main, WM_COMMAND, CMD_CATEGORY_FIRST + LONG_CAT, 0);
    // Another program asks the window all along; once the typing shows it also sends a
    // category command, which must wait until the line is complete.
    double start = UnixMsNow(), slowest = 0, commandAt = 0;
    int asked = 0, unanswered = 0;
    while (UnixMsNow() - start < 15000 && !(commandAt && Picture() == RED)) {
        DWORD_PTR r = 0;
        double a = UnixMsNow();
        unanswered += !SendMessageTimeoutW(run.main, WM_NULL, 0, 0, SMTO_NORMAL, 3000, &r);
        slowest = std::max(slowest, UnixMsNow() - a);
        asked++;
        std::vector<SCREEN_CHANGE> seen = ScreenWatchSeen(&watch);
        if (!commandAt && !seen.empty() && seen.back().probe == BLUE && seen.back().dark > 0) {
            commandAt = UnixMsNow();
            SendMessageTimeoutW(run.main, WM_COMMAND, CMD_CATEGORY_FIRST + RED_CAT, 0, SMTO_NORMAL, 3000, &r);
        }
        Sleep(20);
    }
    EXPECT_EQ(0, unanswered) << "of " << asked << " messages";
    EXPECT_LT(slowest, 3000.0);
    ASSERT_GT(commandAt, 0.0) << "the long line never showed";

    int steps = 0;
    long typed = 0;
    EXPECT_TRUE(TypingSteps(WaitStill(RED), BLUE, &steps, &typed)) << "the command ran inside the typing";
    EXPECT_GE(steps, 25) << "the long line is still typed, a step every 40 ms";
    EXPECT_LE(steps, 65) << "a long line takes at most about 60 steps (2.4 s)";
    printf("long line: %d typing steps; %d answers, slowest %.0f ms\n", steps, asked, slowest);

    // Left to settle, the long line fills the band, is cut before the heart, and the heart
    // stays inside the window. Its text is what was typed before the queued command ran.
    ASSERT_TRUE(ShowAndSettle(LONG_CAT, BLUE, true)) << "no heart at the band's right end";
    long dark = 0;
    for (DWORD p : E2eGrab(run.main, { 20, 5, W - 20, 45 }))
        dark += (p & 0xFF) < 80 && ((p >> 8) & 0xFF) < 80 && ((p >> 16) & 0xFF) < 80;
    EXPECT_GT(dark, 2000);
    EXPECT_EQ(dark, typed) << "the queued command ran before the line was complete";
    int first, last;
    E2eWhiteRun(run.main, 25, W - 10, &first, &last);
    EXPECT_LE(first, 5);
    EXPECT_GE(last, W - 11);
}

// A transparent picture shows the window's colour behind it, its half-transparent band the
// two blended; after the colour dialog the same picture is over the new colour.
TEST_F(e2eScreen, TransparentPictureShowsTheBackgroundColourBehindIt)
{
    Start(false);
    int left = (W - 400) / 2;
    auto clear = [&] { return E2eScreenPixel(run.main, left + 20, 80); };
    auto band = [&] { return E2eScreenPixel(run.main, left + 20, 60 + 280); };
    ASSERT_TRUE(ShowAndSettle(CLEAR_CAT, BLUE));
    EXPECT_EQ(E2eHex(RGB(0, 160, 0)), E2eHex(clear()));
    EXPECT_EQ(E2eHex(RGB(0, 80, 0)), E2eHex(band()));

    PostMessageW(run.main, WM_COMMAND, CMD_BACK_COLOUR, 0);
    std::vector<HWND> dialogs = FindProcessBoxes(run.app.pid, 5000);
    ASSERT_EQ(1u, dialogs.size()) << "the colour dialog";
    SetDlgItemInt(dialogs[0], COLOR_RED, 255, FALSE);
    SetDlgItemInt(dialogs[0], COLOR_GREEN, 192, FALSE);
    SetDlgItemInt(dialogs[0], COLOR_BLUE, 160, FALSE);
    PostMessageW(dialogs[0], WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)GetDlgItem(dialogs[0], IDOK));
    ASSERT_TRUE(E2eWaitSettled(run.main, { left, 60, left + 400, 360 }, [&] { return clear() == RGB(255, 192, 160); },
                               15000)) << E2eHex(clear());
    EXPECT_EQ(E2eHex(BLUE), E2eHex(Picture()));
    EXPECT_EQ(E2eHex(RGB(127, 96, 80)), E2eHex(band()));
}

// Every 10 s, varied by up to a quarter and counted from the end of the last display, the
// character types a new line with no input; under a box or minimised it waits.
TEST_F(e2eScreen, SpeaksOnItsOwnButNotUnderABoxOrMinimised)
{
    ASSERT_NO_FATAL_FAILURE(Start(false, "10\r\n0\r\n"));
    int tw = E2eTextWidth(LINE20), textLeft = (W - tw) / 2;
    ASSERT_NO_FATAL_FAILURE(Watch(textLeft, textLeft + tw, 60000));
    PostMessageW(run.main, WM_COMMAND, CMD_CATEGORY_FIRST + BLUE_CAT, 0);
    std::pair<double, double> shown = NextBurst(UnixMsNow() - 1, 10000), talk = NextBurst(shown.second, 15000);
    ASSERT_TRUE(shown.first && talk.first) << "no line said on its own";
    EXPECT_GE(talk.first - shown.second, 7400.0);
    EXPECT_LE(talk.first - shown.second, 13000.0);

    PostMessageW(run.main, WM_COMMAND, CMD_ADD_PICTURE, 0);
    std::vector<HWND> boxes = FindProcessBoxes(run.app.pid, 5000);
    ASSERT_EQ(1u, boxes.size());
    while (UnixMsNow() - talk.second < 13000)   // past the longest interval
        Sleep(50);
    double closed = UnixMsNow();
    PostMessageW(boxes[0], WM_COMMAND, IDOK, 0);
    for (const SCREEN_CHANGE& c : ScreenWatchSeen(&watch))
        EXPECT_LE(c.ms, talk.second) << "a line said under the box";
    std::pair<double, double> after = NextBurst(closed, 15000);
    ASSERT_TRUE(after.first) << "silent for good after the box";
    EXPECT_LE(after.first - closed, 13000.0);

    // A line said while minimised would be this shorter one, in a narrower bubble.
    ASSERT_TRUE(WriteBytes(settings + L"\\青\\青セリフ.txt", ToCp932(L"あ\r\n")));
    ShowWindow(run.main, SW_MINIMIZE);
    while (UnixMsNow() - after.second < 13000)
        Sleep(50);
    ShowWindow(run.main, SW_RESTORE);
    ScreenWatchStop(&watch);
    int first = -1, last = -1;
    E2eWaitSettled(run.main, { 0, 0, W, 60 }, [&] { return E2eWhiteRun(run.main, 25, W - 30, &first, &last), first >= 0; },
                   3000);
    EXPECT_NEAR(textLeft - 20, first, 2) << "a line said while minimised";
}

}  // namespace
