// What reaches the screen while the real Kotopane.exe switches pictures and types, read
// from the X display a hundred times a second by the screen watcher: the fade's frames,
// one step per typed character, a window that keeps answering through a very long line,
// and a bubble that fits its line with the heart inside the window.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/CommandIds.h"
#include "tests/support/TestSupport.h"
#include "tests/wine/e2e_kotopane.h"

namespace {

const COLORREF BACK = RGB(0, 160, 0);        // "40960" in the colour file
const COLORREF RED = RGB(255, 0, 0);
const COLORREF BLUE = RGB(0, 0, 255);
const COLORREF WHITE = RGB(255, 255, 255);
// Twenty characters, '&' among them (no accelerator marks here).
const wchar_t LINE20[] = L"あいうえお&かきくけこ&&さしすせそたち";
enum { RED_CAT, BLUE_CAT, LONG_CAT };

class e2eScreen : public ::testing::Test {
protected:
    std::wstring prog;
    KOTOPANE_RUN run = {};
    SCREEN_WATCH watch;
    int W = 0;

    // 赤 (red picture), 青 (blue picture, the twenty-character line) and 長い (blue picture,
    // a 1000-byte line); the heart after every line when heart is set.
    void Start(bool heart)
    {
        std::wstring name = L"e2e_screen_" + Utf8ToWide(::testing::UnitTest::GetInstance()->current_test_info()->name());
        prog = MakeScratchProgramFolder(name.c_str());
        std::wstring settings = SettingsFolder(prog);
        CreateDirectoryW(settings.c_str(), nullptr);
        ASSERT_TRUE(WriteBytes(settings + L"\\背景色.txt", "40960"));
        ASSERT_TRUE(WriteBytes(settings + L"\\ハート.txt", heart ? "1" : "0"));
        ASSERT_TRUE(WriteBytes(settings + L"\\メニューリスト.txt", ToCp932(L"赤\r\n青\r\n長い\r\n")));
        const wchar_t* cats[] = { L"赤", L"青", L"長い" };
        std::string lines[] = { ToCp932(L"あ"), ToCp932(LINE20), LongLine() };
        for (int k = 0; k < 3; k++) {
            std::wstring folder = settings + L"\\" + cats[k];
            CreateDirectoryW(folder.c_str(), nullptr);
            ASSERT_TRUE(WriteBytes(folder + L"\\" + cats[k] + L"セリフ.txt", lines[k] + "\r\n"));
            DWORD rgb = k == RED_CAT ? 0xFF0000 : 0x0000FF;
            ASSERT_TRUE(WriteTestBmp(folder + L"\\pic.bmp", 400, 300, [rgb](int, int) { return rgb; }));
        }
        RECT work;
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        W = work.right - work.left - 50;
        ASSERT_TRUE(E2eStart(prog, &run));
    }

    void TearDown() override { E2eCleanUp(&run); }

    // 1000 bytes of narrow letters and '&': far wider than the window.
    static std::string LongLine()
    {
        std::string s;
        while (s.size() < 1000)
            s += "il&";
        return s.substr(0, 1000);
    }

    void Choose(int category) { PostMessageW(run.main, WM_COMMAND, CMD_CATEGORY_FIRST + category, 0); }

    POINT Probe() { return E2eClientToScreen(run.main, W / 2, 200); }   // inside the picture

    // Watches rows 5..44 of the band from client x left to right, and the probe.
    void Watch(int left, int right)
    {
        POINT a = E2eClientToScreen(run.main, left, 5);
        RECT rc = { a.x, a.y, a.x + (right - left), a.y + 40 };
        ASSERT_TRUE(ScreenWatchStart(&watch, L"e2e_screen", rc, Probe(), 30000)) << "screen watcher did not start";
    }

    // Until the probe shows `want` and the watched screen has been still for quietMs.
    std::vector<SCREEN_CHANGE> WaitStill(COLORREF want, double quietMs)
    {
        double start = UnixMsNow();
        while (UnixMsNow() - start < 20000) {
            std::vector<SCREEN_CHANGE> seen = ScreenWatchSeen(&watch);
            if (!seen.empty() && seen.back().probe == want && UnixMsNow() - seen.back().ms > quietMs)
                break;
            Sleep(50);
        }
        return ScreenWatchStop(&watch);
    }

    int TextWidth(const wchar_t* text)
    {
        HFONT font = CreateFontW(50, 0, 0, 0, 700, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_STROKE_PRECIS,
                                 CLIP_STROKE_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"ＭＳ Ｐゴシック");
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, font);
        SIZE sz = { 0, 0 };
        GetTextExtentPoint32W(dc, text, lstrlenW(text), &sz);
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(font);
        return sz.cx;
    }

    int HeartPixels()
    {
        int n = 0;
        for (DWORD p : E2eGrab(run.main, { W - 70, 0, W - 20, 50 }))
            n += ((p >> 16) & 0xFF) > 150 && ((p >> 8) & 0xFF) < 100;
        return n;
    }

    // Typing steps: changes of the text that added dark pixels, counted until the probe
    // leaves `shown`; false when the text ever lost pixels on the way (a redraw over it).
    // *lastDark: the text's dark pixels when the probe left.
    static bool TypingSteps(const std::vector<SCREEN_CHANGE>& seen, COLORREF shown, int* steps, double* span,
                            long* lastDark = nullptr)
    {
        *steps = 0;
        long last = 0;
        double first = 0, end = 0;
        bool grew = true, on = false;
        for (const SCREEN_CHANGE& c : seen) {
            on = on || c.probe == shown;
            if (!on)
                continue;
            if (c.probe != shown)
                break;
            if (c.dark > last) {
                first = *steps == 0 ? c.ms : first;
                end = c.ms;
                ++*steps;
            }
            grew = grew && c.dark >= last;
            last = c.dark;
        }
        *span = end - first;
        if (lastDark)
            *lastDark = last;
        return grew;
    }
};

TEST_F(e2eScreen, FadeFramesAndEveryTypedCharacterReachTheScreen)
{
    Start(false);
    Choose(RED_CAT);
    ASSERT_TRUE(E2eWaitSettled(run.main, { 0, 0, 200, 100 }, [&] { return E2eScreenPixel(run.main, W / 2, 200) == RED; }, 15000));

    int tw = TextWidth(LINE20);
    int textLeft = (W - tw) / 2;
    Watch(textLeft, textLeft + tw);
    double command = UnixMsNow();
    Choose(BLUE_CAT);
    std::vector<SCREEN_CHANGE> seen = WaitStill(BLUE, 1000);

    // The fade: mixes of red and blue between the two pictures, the red share falling.
    std::vector<COLORREF> mixes;
    double firstMix = 0, firstBlue = 0;
    for (const SCREEN_CHANGE& c : seen) {
        if (c.ms < command || firstBlue)
            continue;
        if (c.probe == BLUE) {
            firstBlue = c.ms;
        } else if (c.probe != RED && (mixes.empty() || mixes.back() != c.probe)) {
            mixes.push_back(c.probe);
            firstMix = firstMix ? firstMix : c.ms;
        }
    }
    ASSERT_GE(mixes.size(), 3u) << "fade frames seen on the screen (5 drawn); a cut shows none";
    for (size_t k = 0; k < mixes.size(); k++) {
        int r = GetRValue(mixes[k]), b = GetBValue(mixes[k]);
        EXPECT_EQ(0, GetGValue(mixes[k])) << E2eHex(mixes[k]);
        EXPECT_NEAR(253, r + b, 2) << E2eHex(mixes[k]);
        if (k > 0) {
            EXPECT_LT(r, GetRValue(mixes[k - 1])) << "frames out of order";
        }
    }
    EXPECT_GE(firstBlue - firstMix, 100.0) << "the fade's frames stay on the screen about 200 ms in all";

    // The typing: one step per character, never a burst of several.
    int steps = 0;
    double span = 0;
    EXPECT_TRUE(TypingSteps(seen, BLUE, &steps, &span));
    EXPECT_GE(steps, 15) << "typing steps seen for 20 characters (bursts of three give 7)";
    EXPECT_LE(steps, 20);
    printf("fade frames seen %d, command to first frame %.0f ms, typing steps seen %d over %.0f ms\n",
           (int)mixes.size(), firstMix - command, steps, span);

    // The bubble fits the line as drawn, '&' included, centred on the window's middle.
    RECT row = { 0, 25, W - 30, 26 };     // the client area ends a few pixels short of W
    std::vector<DWORD> px = E2eGrab(run.main, row);
    int first = -1, last = -1;
    for (int x = 0; x < (int)px.size(); x++)
        if ((px[x] & 0xFFFFFF) == 0xFFFFFF) {
            first = first < 0 ? x : first;
            last = x;
        }
    EXPECT_NEAR(textLeft - 20, first, 2);
    EXPECT_NEAR(textLeft + tw + 20 - 1, last, 2);
    EXPECT_NEAR(W - 1, first + last, 3) << "bubble not centred";
    long dark = 0;
    for (DWORD p : E2eGrab(run.main, { textLeft + tw - 25, 0, textLeft + tw, 50 }))
        dark += (p & 0xFFFFFF) == 0;
    EXPECT_GT(dark, 20) << "the last character (ち) is inside the bubble";
}

TEST_F(e2eScreen, LongLineKeepsTheWindowAnsweringAndTheHeartInside)
{
    Start(true);
    Choose(RED_CAT);
    ASSERT_TRUE(E2eWaitSettled(run.main, { 0, 0, 200, 100 }, [&] { return E2eScreenPixel(run.main, W / 2, 200) == RED; }, 15000));

    Watch(20, W - 20);
    Choose(LONG_CAT);
    // Another program asks the window all along; halfway through the typing it also sends
    // a category command, which must wait until the line is complete.
    double start = UnixMsNow(), slowest = 0, commandAt = 0;
    int asked = 0, unanswered = 0;
    while (UnixMsNow() - start < 15000 && !(commandAt && E2eScreenPixel(run.main, W / 2, 200) == RED)) {
        DWORD_PTR r = 0;
        double a = UnixMsNow();
        if (!SendMessageTimeoutW(run.main, WM_NULL, 0, 0, SMTO_NORMAL, 3000, &r))
            unanswered++;
        slowest = std::max(slowest, UnixMsNow() - a);
        asked++;
        std::vector<SCREEN_CHANGE> seen = ScreenWatchSeen(&watch);
        if (!commandAt && !seen.empty() && seen.back().probe == BLUE && seen.back().dark > 0) {
            commandAt = UnixMsNow();
            SendMessageTimeoutW(run.main, WM_COMMAND, CMD_CATEGORY_FIRST + (int)RED_CAT, 0, SMTO_NORMAL, 3000, &r);
        }
        Sleep(20);
    }
    EXPECT_EQ(0, unanswered) << "of " << asked << " messages, slowest answer " << slowest << " ms";
    EXPECT_LT(slowest, 3000.0);
    ASSERT_GT(commandAt, 0.0) << "the long line never showed";

    std::vector<SCREEN_CHANGE> seen = WaitStill(RED, 1000);
    int steps = 0;
    double span = 0;
    long typedDark = 0;
    EXPECT_TRUE(TypingSteps(seen, BLUE, &steps, &span, &typedDark));
    EXPECT_GE(steps, 25) << "the long line is still typed, a step every 40 ms";
    EXPECT_LE(steps, 65) << "a long line takes at most about 60 steps (2.4 s)";
    printf("long line: %d typing steps over %.0f ms; %d answers, slowest %.0f ms\n", steps, span, asked, slowest);
    ASSERT_EQ(RED, E2eScreenPixel(run.main, W / 2, 200)) << "the deferred command was lost";

    // The long line again, left to settle: it fills the band, is cut before the heart, and
    // the heart stays inside the window. The text is what the first time had typed in
    // full before the deferred command began.
    Choose(LONG_CAT);
    ASSERT_TRUE(E2eWaitSettled(run.main, { W - 100, 0, W - 10, 60 },
                               [&] { return E2eScreenPixel(run.main, W / 2, 200) == BLUE && HeartPixels() > 200; },
                               15000))
        << "no heart at the band's right end";
    long dark = 0;
    for (DWORD p : E2eGrab(run.main, { 20, 5, W - 20, 45 }))
        dark += (p & 0xFF) < 80 && ((p >> 8) & 0xFF) < 80 && ((p >> 16) & 0xFF) < 80;
    EXPECT_GT(dark, 2000) << "text all the way to the heart";
    EXPECT_EQ(dark, typedDark) << "the deferred command ran before the line was complete";
    EXPECT_EQ(E2eHex(WHITE), E2eHex(E2eScreenPixel(run.main, 5, 25)));
    EXPECT_EQ(E2eHex(WHITE), E2eHex(E2eScreenPixel(run.main, W - 12, 25)));
}

}  // namespace
