// QX5.exe driven as Kotopane drives it: a real process, found by its window title, asked to
// convert (the destination in code page 932, then the source in UTF-16) and to quit.
#include "converter/Qx5Protocol.h"
#include "tests/support/TestSupport.h"
#include <gtest/gtest.h>
#include <psapi.h>
#include <string.h>
#include <math.h>
#include <random>
#include "base/PictureFit.h"
#include "converter/Qx5Image.h"

struct QX5_RUN {
    STARTED_PROGRAM prog = {};
    HWND wnd = nullptr;
};

struct FIND_TITLE {
    DWORD pid;
    HWND found;
};

static BOOL CALLBACK FindTitleProc(HWND wnd, LPARAM lp)
{
    FIND_TITLE* ctx = (FIND_TITLE*)lp;
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    wchar_t text[64] = {};
    if (pid == ctx->pid && GetWindowTextW(wnd, text, 64) && wcscmp(text, CONVERTER_TITLE) == 0) {
        ctx->found = wnd;
        return FALSE;
    }
    return TRUE;
}

static std::wstring Qx5Exe()
{
    return TestBuildDir() + L"\\Kotopane\\部品\\QX5.exe";
}

static bool Qx5Launch(QX5_RUN* run)
{
    if (!StartProgram(Qx5Exe(), L"", &run->prog))
        return false;
    for (int i = 0; i < 250 && !run->wnd; i++) {
        FIND_TITLE ctx = {run->prog.pid, nullptr};
        EnumWindows(FindTitleProc, (LPARAM)&ctx);
        run->wnd = ctx.found;
        if (!run->wnd)
            Sleep(20);
    }
    return run->wnd != nullptr;
}

static void Qx5End(QX5_RUN* run)
{
    if (run->wnd) {
        DWORD_PTR r;
        SendMessageTimeoutW(run->wnd, CONVERTER_QUIT, 0, 0, SMTO_ABORTIFHUNG, 5000, &r);
    }
    if (run->prog.process) {
        if (WaitForSingleObject(run->prog.process, 5000) != WAIT_OBJECT_0)
            TerminateProcess(run->prog.process, 1);
        CloseHandle(run->prog.process);
    }
    *run = QX5_RUN();
}

// Colours within tolerance per channel (JPEG is lossy).
static bool Near(DWORD a, DWORD b, int tol = 24)
{
    for (int s = 0; s < 24; s += 8) {
        int d = (int)((a >> s) & 0xFF) - (int)((b >> s) & 0xFF);
        if (d < -tol || d > tol)
            return false;
    }
    return true;
}

// Four quadrants of distinct colours, so every turn and mirror shows.
static DWORD Quadrants(int x, int y, int w, int h)
{
    bool right = x >= w / 2, bottom = y >= h / 2;
    if (!bottom)
        return right ? 0xFF00C000 : 0xFFE00000;   // green | red
    return right ? 0xFFFFFF00 : 0xFF0000E0;       // yellow | blue
}

enum { RED = 0xE00000, GREEN = 0x00C000, BLUE = 0x0000E0, YELLOW = 0xFFFF00 };

class Qx5Test : public ::testing::Test {
protected:
    static QX5_RUN run;
    static std::wstring dir;

    static void SetUpTestSuite()
    {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        dir = TestBuildDir() + L"\\scratch\\qx5_変換表ソ";
        DeleteTree(dir);
        CreateDirectoryW((TestBuildDir() + L"\\scratch").c_str(), nullptr);
        CreateDirectoryW(dir.c_str(), nullptr);
        Qx5Launch(&run);
    }
    static void TearDownTestSuite() { Qx5End(&run); }
    void SetUp() override { ASSERT_TRUE(run.wnd) << "QX5.exe did not show its window"; }

    // Converts and reads the result; the destination is removed first.
    static bool Convert(const std::wstring& src, READ_BMP* out, const wchar_t* dstName = L"Gazou.bmp")
    {
        std::wstring dst = dir + L"\\" + dstName;
        DeleteFileW(dst.c_str());
        LRESULT r = ConverterRequest(run.wnd, dst, src);
        bool read = ReadConvertedBmp(dst, out);
        EXPECT_EQ(read ? CONVERTER_REPLY_CONVERTED : CONVERTER_REPLY_FAILED, r) << "the reply says whether a BMP was written";
        int w = 0, h = 0;
        if (read) {
            EXPECT_TRUE(LoadImageSize(dst, &w, &h));
            EXPECT_EQ(out->w, w);
            EXPECT_EQ(out->h, h);
        }
        return read;
    }

    static void ExpectAlive()
    {
        std::wstring src = dir + L"\\alive.png";
        ASSERT_TRUE(EncodePicture(src, GUID_ContainerFormatPng, 3, 2, {[](int, int) { return 0xFF123456u; }}));
        READ_BMP bmp;
        ASSERT_TRUE(Convert(src, &bmp, L"alive.bmp"));
        EXPECT_EQ(0x123456u, bmp.at(2, 1));
    }
};
QX5_RUN Qx5Test::run;
std::wstring Qx5Test::dir;

// Pictures the corpus maker (tools/damaged_pictures.py) encoded with the formats' own tools.
static std::wstring Corpus(const wchar_t* name)
{
    return TestBuildDir() + L"\\damaged\\good\\" + name;
}

TEST_F(Qx5Test, EachFormatBecomesAnUprightBmp)
{
    const int W = 64, H = 32;
    PIXEL_FN quads = [](int x, int y) { return Quadrants(x, y, W, H); };
    struct { const wchar_t* name; GUID container; int tol; } cases[] = {
        {L"写真.jpg", GUID_ContainerFormatJpeg, 40},
        {L"絵.png", GUID_ContainerFormatPng, 0},
        {L"表.bmp", GUID_ContainerFormatBmp, 0},
        {L"ソ.tif", GUID_ContainerFormatTiff, 0},
        {L"anim.gif", GUID_ContainerFormatGif, 0},
    };
    for (auto& c : cases) {
        std::wstring src = dir + L"\\" + c.name;
        std::vector<PIXEL_FN> frames = {quads};
        if (IsEqualGUID(c.container, GUID_ContainerFormatGif))   // animated: a second, all-blue frame
            frames.push_back([](int, int) { return 0xFF0000E0u; });
        ASSERT_TRUE(EncodePicture(src, c.container, W, H, frames)) << (const char*)ToCp932(c.name).c_str();
        READ_BMP bmp;
        ASSERT_TRUE(Convert(src, &bmp)) << ToCp932(c.name);
        EXPECT_EQ(W, bmp.w);
        EXPECT_EQ(H, bmp.h);
        EXPECT_PRED3(Near, RED, bmp.at(8, 8), c.tol) << ToCp932(c.name);
        EXPECT_PRED3(Near, GREEN, bmp.at(56, 8), c.tol) << ToCp932(c.name);
        EXPECT_PRED3(Near, BLUE, bmp.at(8, 24), c.tol) << ToCp932(c.name);
        EXPECT_PRED3(Near, YELLOW, bmp.at(56, 24), c.tol) << ToCp932(c.name);
    }

    // The same four colours (blue 0000FF) from the corpus: stills, an animation's first frame,
    // 10 bits, tiles, and pictures turned by their own irot (a quarter turn clockwise) whose
    // EXIF says the same turn, which must not be applied again.
    const DWORD FULL_BLUE = 0x0000FF;
    struct { const wchar_t* name; int w, h; DWORD tl, tr, bl, br; } files[] = {
        {L"webp-lossy.webp", 160, 96, RED, GREEN, FULL_BLUE, YELLOW},
        {L"webp-animated.webp", 160, 96, RED, GREEN, FULL_BLUE, YELLOW},
        {L"avif-quads.avif", 160, 96, RED, GREEN, FULL_BLUE, YELLOW},
        {L"heic-quads.heic", 160, 96, RED, GREEN, FULL_BLUE, YELLOW},
        {L"heic-10bit.heic", 256, 192, RED, GREEN, FULL_BLUE, YELLOW},
        {L"avif-10bit-grid.avif", 256, 192, RED, GREEN, FULL_BLUE, YELLOW},
        {L"avif-turned.avif", 96, 160, FULL_BLUE, RED, YELLOW, GREEN},
        {L"heic-phone-10bit.heic", 96, 160, FULL_BLUE, RED, YELLOW, GREEN},
    };
    for (auto& f : files) {
        READ_BMP bmp;
        ASSERT_TRUE(FileExists(Corpus(f.name))) << "make the corpus: python3 tools/damaged_pictures.py build/damaged";
        bool heif = wcsstr(f.name, L".heic") || wcsstr(f.name, L".avif");
        if (!(heif ? KP_HAVE_LIBHEIF : KP_HAVE_LIBWEBP)) {
            // Without the library they go to WIC, which has no such decoder under Wine.
            EXPECT_FALSE(Convert(Corpus(f.name), &bmp)) << ToCp932(f.name);
            continue;
        }
        ASSERT_TRUE(Convert(Corpus(f.name), &bmp)) << ToCp932(f.name);
        ASSERT_EQ(f.w, bmp.w) << ToCp932(f.name);
        ASSERT_EQ(f.h, bmp.h) << ToCp932(f.name);
        int qx = f.w / 4, qy = f.h / 4;
        EXPECT_PRED3(Near, f.tl, bmp.at(qx, qy), 40) << ToCp932(f.name);
        EXPECT_PRED3(Near, f.tr, bmp.at(f.w - 1 - qx, qy), 40) << ToCp932(f.name);
        EXPECT_PRED3(Near, f.bl, bmp.at(qx, f.h - 1 - qy), 40) << ToCp932(f.name);
        EXPECT_PRED3(Near, f.br, bmp.at(f.w - 1 - qx, f.h - 1 - qy), 40) << ToCp932(f.name);
    }
}

TEST_F(Qx5Test, IconGivesItsLargestImage)
{
    std::wstring src = dir + L"\\アイコン.ico";
    ASSERT_TRUE(WriteIcon(src, {{16, 0xFFFF0000}, {48, 0xFF00FF00}, {32, 0xFF0000FF}}));
    READ_BMP bmp;
    ASSERT_TRUE(Convert(src, &bmp));
    EXPECT_EQ(48, bmp.w);
    EXPECT_EQ(48, bmp.h);
    EXPECT_EQ(0x00FF00u, bmp.at(0, 0));
    EXPECT_EQ(0x00FF00u, bmp.at(47, 47));
}

// Photos taken sideways carry their orientation only in the EXIF block; the BMP is upright.
TEST_F(Qx5Test, ExifOrientationTurnsJpegsUpright)
{
    const int W = 64, H = 32;
    struct { unsigned orient; bool big; int w, h; DWORD tl, tr, bl, br; } cases[] = {
        {1, false, 64, 32, RED, GREEN, BLUE, YELLOW},
        {6, true, 32, 64, BLUE, RED, YELLOW, GREEN},     // turned right
        {3, false, 64, 32, YELLOW, BLUE, GREEN, RED},    // upside down
        {8, false, 32, 64, GREEN, YELLOW, RED, BLUE},    // turned left
        {2, true, 64, 32, GREEN, RED, YELLOW, BLUE},     // mirrored
        {5, true, 32, 64, RED, BLUE, GREEN, YELLOW},     // transposed
        {7, false, 32, 64, YELLOW, GREEN, BLUE, RED},    // transverse
    };
    for (auto& c : cases) {
        std::wstring src = dir + L"\\横向き" + std::to_wstring(c.orient) + L".jpg";
        ASSERT_TRUE(EncodePicture(src, GUID_ContainerFormatJpeg, W, H, {[](int x, int y) { return Quadrants(x, y, W, H); }}));
        ASSERT_TRUE(SpliceExif(src, c.orient, c.big));
        READ_BMP bmp;
        ASSERT_TRUE(Convert(src, &bmp)) << c.orient;
        ASSERT_EQ(c.w, bmp.w) << c.orient;
        ASSERT_EQ(c.h, bmp.h) << c.orient;
        int qx = c.w / 4, qy = c.h / 4;
        EXPECT_PRED3(Near, c.tl, bmp.at(qx, qy), 40) << "orientation " << c.orient;
        EXPECT_PRED3(Near, c.tr, bmp.at(c.w - 1 - qx, qy), 40) << "orientation " << c.orient;
        EXPECT_PRED3(Near, c.bl, bmp.at(qx, c.h - 1 - qy), 40) << "orientation " << c.orient;
        EXPECT_PRED3(Near, c.br, bmp.at(c.w - 1 - qx, c.h - 1 - qy), 40) << "orientation " << c.orient;
    }
}

// Kotopane's request lays transparency over the colour it names; the plain request, which
// other programs send, over white. Opaque pixels come out the same either way.
TEST_F(Qx5Test, TransparencyIsLaidOverTheRequestedColour)
{
    std::wstring src = dir + L"\\透明.png";
    // Left column clear, middle half-transparent black, right opaque blue.
    ASSERT_TRUE(EncodePicture(src, GUID_ContainerFormatPng, 3, 1, {[](int x, int) {
        return x == 0 ? 0x00FF0000u : (x == 1 ? 0x80000000u : 0xFF0000FFu);
    }}));
    std::wstring dst = dir + L"\\Gazou.bmp";
    struct { long long back; DWORD clear, half; } cases[] = {
        {-1, 0xFFFFFF, 0x7F7F7F},
        {RGB(0xFF, 0xC0, 0xA0), 0xFFC0A0, 0x7F6050},    // pink
    };
    for (auto& c : cases) {
        EXPECT_EQ(CONVERTER_REPLY_CONVERTED, ConverterRequest(run.wnd, dst, src, nullptr, 10000, c.back)) << c.back;
        READ_BMP bmp;
        ASSERT_TRUE(ReadConvertedBmp(dst, &bmp));
        EXPECT_EQ(c.clear, bmp.at(0, 0)) << c.back;
        EXPECT_PRED3(Near, c.half, bmp.at(1, 0), 1);
        EXPECT_EQ(0x0000FFu, bmp.at(2, 0));
    }

    // The corpus's transparent figure (a red disc on a clear canvas over a band of blue
    // 2020E0 at half alpha) in each format that has alpha; lossy alpha within a few steps.
    const wchar_t* figures[] = {L"webp-lossless-alpha.webp", L"webp-lossy-alpha.webp", L"avif-alpha.avif",
                                L"heic-alpha.heic"};
    for (const wchar_t* f : figures) {
        bool heif = !wcsstr(f, L".webp");
        if (!(heif ? KP_HAVE_LIBHEIF : KP_HAVE_LIBWEBP))
            continue;
        for (auto& c : cases) {
            DWORD back = c.back < 0 ? 0xFFFFFF : c.clear;
            DWORD band = 0;
            for (int s = 0; s < 24; s += 8)
                band |= ((0x2020E0u >> s & 0xFF) * 128 + (back >> s & 0xFF) * 127 + 127) / 255 << s;
            ASSERT_EQ(CONVERTER_REPLY_CONVERTED, ConverterRequest(run.wnd, dst, Corpus(f), nullptr, 10000, c.back)) << ToCp932(f);
            READ_BMP bmp;
            ASSERT_TRUE(ReadConvertedBmp(dst, &bmp));
            EXPECT_PRED3(Near, back, bmp.at(2, 2), 3) << ToCp932(f);
            EXPECT_PRED3(Near, band, bmp.at(4, 56), 8) << ToCp932(f);
            EXPECT_PRED3(Near, 0xE02020, bmp.at(48, 20), 12) << ToCp932(f);
        }
    }
}

// Whatever it can't read leaves no file, not even an earlier one, and the converter
// keeps answering.
TEST_F(Qx5Test, UnreadableInputLeavesNoFileAndKeepsRunning)
{
    std::wstring good = dir + L"\\good.png";
    ASSERT_TRUE(EncodePicture(good, GUID_ContainerFormatPng, 40, 30, {[](int x, int y) { return 0xFF000000u | (x * 6 << 16) | (y * 8); }}));
    std::string png, jpg;
    ASSERT_TRUE(ReadBytes(good, &png));
    std::wstring goodJpg = dir + L"\\good.jpg";
    ASSERT_TRUE(EncodePicture(goodJpg, GUID_ContainerFormatJpeg, 400, 300, {[](int x, int y) { return 0xFF000000u | (x << 8) | y; }}));
    ASSERT_TRUE(ReadBytes(goodJpg, &jpg));
    std::string garbage(5000, '\0');
    for (size_t i = 0; i < garbage.size(); i++)
        garbage[i] = (char)(i * 7919 >> 3);
    // A BMP header claiming 100000 x 100000 pixels with nothing behind it.
    std::string hugeBmp("BM\0\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\xA0\x86\x01\0\xA0\x86\x01\0\x01\0\x18\0", 30);
    hugeBmp += std::string(24, '\0');
    // A JPEG whose frame claims 65000 x 65000 pixels: refused before anything is decoded.
    std::string hugeJpg = jpg;
    hugeJpg.replace(hugeJpg.find("\xFF\xC0") + 5, 4, "\xFD\xE8\xFD\xE8");
    struct { const wchar_t* name; std::string bytes; } cases[] = {
        {L"empty.jpg", ""},
        {L"text.png", "this is not a picture\r\n"},
        {L"garbage.gif", garbage},
        {L"pngheader.png", png.substr(0, 8) + garbage},
        {L"half.png", png.substr(0, png.size() / 2)},
        {L"huge.bmp", hugeBmp},
        {L"huge.jpg", hugeJpg},
    };
    std::wstring dst = dir + L"\\Gazou.bmp";
    for (auto& c : cases) {
        std::wstring src = dir + L"\\" + c.name;
        ASSERT_TRUE(WriteBytes(src, c.bytes));
        ASSERT_TRUE(WriteBytes(dst, "stale picture"));
        bool answered = false;
        LRESULT r = ConverterRequest(run.wnd, dst, src, &answered, 20000);
        EXPECT_TRUE(answered) << ToCp932(c.name);
        EXPECT_EQ(CONVERTER_REPLY_FAILED, r) << ToCp932(c.name);
        EXPECT_FALSE(FileExists(dst)) << ToCp932(c.name);
        EXPECT_FALSE(FileExists(dst + L".qx5tmp")) << ToCp932(c.name);
    }
    // Missing file, a folder.
    for (std::wstring src : {dir + L"\\none.jpg", dir}) {
        ASSERT_TRUE(WriteBytes(dst, "stale picture"));
        EXPECT_EQ(CONVERTER_REPLY_FAILED, ConverterRequest(run.wnd, dst, src));
        EXPECT_FALSE(FileExists(dst));
    }
    // A JPEG cut short is shown as far as it decodes; the rest is grey.
    std::wstring half = dir + L"\\half.jpg";
    ASSERT_TRUE(WriteBytes(half, jpg.substr(0, jpg.size() / 2)));
    READ_BMP bmp;
    ASSERT_TRUE(Convert(half, &bmp));
    EXPECT_EQ(400, bmp.w);
    EXPECT_PRED3(Near, 0x000000u, bmp.at(0, 0), 16);
    EXPECT_PRED3(Near, 0x00C864u, bmp.at(200, 100), 16);
    EXPECT_PRED3(Near, 0x808080u, bmp.at(399, 299), 4);
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(run.prog.process, 0));
    ExpectAlive();
}

// What arrives is checked before any path is touched; the source never renames the window.
TEST_F(Qx5Test, RequestsAreCheckedAndTheTitleStays)
{
    std::wstring src = dir + L"\\check.png";
    ASSERT_TRUE(EncodePicture(src, GUID_ContainerFormatPng, 2, 2, {[](int, int) { return 0xFF00FF00u; }}));
    std::wstring dst = dir + L"\\checked.bmp";
    std::string d = ToCp932(dst);
    DWORD_PTR r = 1;

    // A source with no destination before it: nothing written.
    DeleteFileW(dst.c_str());
    ASSERT_TRUE(SendMessageTimeoutW(run.wnd, CONVERTER_CONVERT_SOURCE, 0, (LPARAM)src.c_str(), 0, 10000, &r));
    EXPECT_EQ(CONVERTER_REPLY_FAILED, (LRESULT)r);
    EXPECT_FALSE(FileExists(dst));

    struct { size_t size; bool terminate; const char* path; } bad[] = {
        {259, true, nullptr},            // short block
        {261, true, nullptr},            // long block
        {260, false, nullptr},           // no terminator
        {260, true, "relative.bmp"},
        {260, true, "C:\\x\x81"},        // a lead byte cut off
    };
    for (auto& b : bad) {
        std::vector<char> block(b.size, 0);
        if (b.path)
            strcpy(block.data(), b.path);
        else
            memcpy(block.data(), d.data(), d.size());
        if (!b.terminate)
            for (size_t i = d.size(); i < block.size(); i++)
                block[i] = 'x';
        COPYDATASTRUCT cds = {0, (DWORD)block.size(), block.data()};
        ASSERT_TRUE(SendMessageTimeoutW(run.wnd, CONVERTER_CONVERT_DESTINATION, 0, (LPARAM)&cds, 0, 5000, &r));
        EXPECT_EQ(FALSE, (LRESULT)r) << b.size;
        // The source that follows a refused destination is ignored.
        ASSERT_TRUE(SendMessageTimeoutW(run.wnd, CONVERTER_CONVERT_SOURCE, 0, (LPARAM)src.c_str(), 0, 10000, &r));
        EXPECT_EQ(CONVERTER_REPLY_FAILED, (LRESULT)r);
    }
    EXPECT_FALSE(FileExists(dst));
    std::vector<std::wstring> names = ListFolder(dir);
    for (auto& n : names)
        EXPECT_EQ(std::wstring::npos, n.find(L"relative")) << ToCp932(n);

    // An empty source after a good destination.
    EXPECT_EQ(CONVERTER_REPLY_FAILED, ConverterRequest(run.wnd, dst, L""));
    // One destination serves one conversion only.
    EXPECT_EQ(CONVERTER_REPLY_CONVERTED, ConverterRequest(run.wnd, dst, src));
    EXPECT_TRUE(DeleteFileW(dst.c_str()));
    ASSERT_TRUE(SendMessageTimeoutW(run.wnd, CONVERTER_CONVERT_SOURCE, 0, (LPARAM)src.c_str(), 0, 10000, &r));
    EXPECT_FALSE(FileExists(dst));

    wchar_t title[64] = {};
    GetWindowTextW(run.wnd, title, 64);
    EXPECT_STREQ(CONVERTER_TITLE, title);
    EXPECT_FALSE(IsWindowVisible(run.wnd));
}

// Damaged files of every format, made from good ones by flipping, overwriting and cutting
// bytes: each is answered in time, the converter survives, and a file is written only
// when it is a whole BMP. Bounded by count and time.
TEST_F(Qx5Test, MutatedFilesNeverCrashOrHang)
{
    std::vector<std::string> seeds;
    const GUID formats[] = {GUID_ContainerFormatJpeg, GUID_ContainerFormatPng, GUID_ContainerFormatGif,
                            GUID_ContainerFormatBmp, GUID_ContainerFormatTiff};
    for (const GUID& g : formats) {
        std::wstring path = dir + L"\\seed";
        ASSERT_TRUE(EncodePicture(path, g, 24, 16, {[](int x, int y) { return Quadrants(x, y, 24, 16); }}));
        if (IsEqualGUID(g, GUID_ContainerFormatJpeg)) {
            ASSERT_TRUE(SpliceExif(path, 6, true));
        }
        std::string bytes;
        ASSERT_TRUE(ReadBytes(path, &bytes));
        seeds.push_back(bytes);
    }
    std::wstring ico = dir + L"\\seed.ico";
    ASSERT_TRUE(WriteIcon(ico, {{16, 0x80FF0000}, {32, 0xFF00FF00}}));
    std::string icoBytes;
    ASSERT_TRUE(ReadBytes(ico, &icoBytes));
    seeds.push_back(icoBytes);

    std::mt19937 rng(20240601);
    std::wstring src = dir + L"\\mutant";
    std::wstring dst = dir + L"\\mutant.bmp";
    DWORD begin = GetTickCount();
    int runs = 0, written = 0;
    for (; runs < 1000 && GetTickCount() - begin < 8000; runs++) {
        std::string b = seeds[rng() % seeds.size()];
        int edits = 1 + rng() % 6;
        for (int e = 0; e < edits && !b.empty(); e++) {
            size_t at = rng() % b.size();
            switch (rng() % 4) {
            case 0: b[at] = (char)rng(); break;
            case 1: b[at] ^= (char)(1 << (rng() % 8)); break;
            case 2: b[at] = (char)0xFF; break;
            case 3: b.resize(at); break;
            }
        }
        ASSERT_TRUE(WriteBytes(src, b));
        DeleteFileW(dst.c_str());
        bool answered = false;
        LRESULT r = ConverterRequest(run.wnd, dst, src, &answered, 10000);
        ASSERT_TRUE(answered) << "run " << runs;
        ASSERT_EQ(WAIT_TIMEOUT, WaitForSingleObject(run.prog.process, 0)) << "run " << runs;
        READ_BMP bmp;
        bool read = ReadConvertedBmp(dst, &bmp);
        EXPECT_EQ(r == CONVERTER_REPLY_CONVERTED, read) << "run " << runs;
        if (!r) {
            EXPECT_FALSE(FileExists(dst)) << "run " << runs;
        }
        written += read;
    }
    printf("%d damaged files, %d still gave a picture\n", runs, written);
    EXPECT_GT(runs, 50);
    ExpectAlive();
}

// A smooth photo: gradients with slow waves over them.
static DWORD Smooth(int x, int y, int w, int h)
{
    int b = 128 + (int)(100 * sin(x / 300.0) * cos(y / 400.0));
    return 0xFF000000u | (DWORD)(x * 255 / (w - 1)) << 16 | (DWORD)(y * 255 / (h - 1)) << 8 | (DWORD)b;
}

// The mean difference, per channel, between a converted BMP stretched into the place the full
// picture gets (as Kotopane stretches it) and the full-size reference (decoded by WIC),
// each of whose pixels is averaged into the shown pixel it falls in, turned by orient.
static double ShownDifference(const READ_BMP& bmp, const std::wstring& reference, unsigned orient, int boxW, int boxH)
{
    IWICImagingFactory* factory = nullptr;
    IWICBitmapDecoder* dec = nullptr;
    IWICBitmapFrameDecode* frame = nullptr;
    IWICFormatConverter* conv = nullptr;
    UINT W = 0, H = 0;
    EXPECT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                           IID_IWICImagingFactory, (void**)&factory)) &&
                SUCCEEDED(factory->CreateDecoderFromFilename(reference.c_str(), nullptr, GENERIC_READ,
                                                             WICDecodeMetadataCacheOnDemand, &dec)) &&
                SUCCEEDED(dec->GetFrame(0, &frame)) && SUCCEEDED(frame->GetSize(&W, &H)) &&
                SUCCEEDED(factory->CreateFormatConverter(&conv)) &&
                SUCCEEDED(conv->Initialize(frame, GUID_WICPixelFormat24bppBGR, WICBitmapDitherTypeNone, nullptr, 0,
                                           WICBitmapPaletteTypeCustom)));
    std::vector<BYTE> px((size_t)W * H * 3);
    if (conv)
        conv->CopyPixels(nullptr, W * 3, (UINT)px.size(), px.data());
    for (IUnknown* u : {(IUnknown*)conv, (IUnknown*)frame, (IUnknown*)dec, (IUnknown*)factory})
        if (u)
            u->Release();
    QX5_GEOMETRY full;
    if (!Qx5PlanGeometry(&full, W, H, (int)orient) || bmp.fullW != (int)full.outW || bmp.fullH != (int)full.outH) {
        ADD_FAILURE() << "the BMP's full size " << bmp.fullW << "x" << bmp.fullH << " is not the picture's";
        return 1e9;
    }
    PICTURE_PLACE p = PlacePicture(boxW, boxH, bmp.fullW, bmp.fullH);
    HALFTONE_CANVAS shown;
    if (!CanvasOpen(&shown, p.width, p.height))
        return 1e9;
    BITMAPINFO bi = {{sizeof(BITMAPINFOHEADER), bmp.w, -bmp.h, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
    StretchDIBits(shown.dc, 0, 0, p.width, p.height, 0, 0, bmp.w, bmp.h, bmp.px.data(), &bi, DIB_RGB_COLORS, SRCCOPY);
    GdiFlush();
    std::vector<unsigned> sums((size_t)p.width * p.height * 4, 0);
    for (unsigned y = 0; y < H; y++)
        for (unsigned x = 0; x < W; x++) {
            unsigned dx, dy;
            Qx5OrientPoint(&full, x, y, &dx, &dy);
            unsigned* s = &sums[((size_t)(dy * p.height / full.outH) * p.width + dx * p.width / full.outW) * 4];
            for (int c = 0; c < 3; c++)
                s[c] += px[((size_t)y * W + x) * 3 + c];
            s[3]++;
        }
    double diff = 0;
    for (size_t i = 0; i < (size_t)p.width * p.height; i++) {
        const BYTE* got = (const BYTE*)&shown.bits[(size_t)(p.height - 1 - i / p.width) * p.width + i % p.width];
        for (int c = 0; c < 3; c++)
            diff += fabs(got[c] - (double)sums[i * 4 + c] / sums[i * 4 + 3]);
    }
    CanvasClose(&shown);
    return diff / ((double)p.width * p.height * 3);
}

static void PictureBox(int* boxW, int* boxH)
{
    RECT work = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    *boxW = work.right - work.left - KOTOPANE_MARGIN_W;
    *boxH = work.bottom - work.top - KOTOPANE_MARGIN_H;
}

// A 48 MP photo comes out at the scale Kotopane's picture box shows it, upright, with its
// full size in the header, so it lands on the rectangle the full picture gets; stretched
// there as Kotopane stretches it, it is within a mean difference of 3 of the full-size
// decode shrunk by area averaging; and the converter's memory stays far below the photo's.
static void ConvertBigPhoto(unsigned orient)
{
    const int W = 8000, H = 6000;
    std::wstring dir = TestBuildDir() + L"\\scratch\\qx5_big";
    CreateDirectoryW((TestBuildDir() + L"\\scratch").c_str(), nullptr);
    CreateDirectoryW(dir.c_str(), nullptr);
    std::wstring src = dir + L"\\48MP-smooth.jpg", rotated = dir + L"\\48MP_" + std::to_wstring(orient) + L".jpg";
    if (!FileExists(src)) {
        ASSERT_TRUE(EncodePicture(src, GUID_ContainerFormatJpeg, W, H, {[](int x, int y) { return Smooth(x, y, W, H); }}));
    }
    ASSERT_TRUE(CopyFileW(src.c_str(), rotated.c_str(), FALSE) && SpliceExif(rotated, orient, false));
    QX5_RUN run;
    ASSERT_TRUE(Qx5Launch(&run));
    std::wstring dst = dir + L"\\Gazou.bmp";
    DeleteFileW(dst.c_str());
    EXPECT_EQ(CONVERTER_REPLY_CONVERTED, ConverterRequest(run.wnd, dst, rotated, nullptr, 120000));
    PROCESS_MEMORY_COUNTERS pmc = {};
    pmc.cb = sizeof(pmc);
    ASSERT_TRUE(GetProcessMemoryInfo(run.prog.process, &pmc, sizeof(pmc)));
    Qx5End(&run);
    EXPECT_LT(pmc.PeakWorkingSetSize, (SIZE_T)100 << 20) << "a full-size decode would take about 200 MB";

    QX5_GEOMETRY full;
    ASSERT_TRUE(Qx5PlanGeometry(&full, W, H, (int)orient));
    int boxW, boxH;
    PictureBox(&boxW, &boxH);
    unsigned m = Qx5ChooseEighths(W, H, (int)orient, boxW, boxH);
    READ_BMP bmp;
    ASSERT_TRUE(m < 8 && ReadConvertedBmp(dst, &bmp));
    EXPECT_TRUE(bmp.w == (int)ScaledSide(full.outW, m) && bmp.h == (int)ScaledSide(full.outH, m));
    double diff = ShownDifference(bmp, src, orient, boxW, boxH);
    printf("48 MP, orientation %u: decoded at %u/8, peak working set %llu MB, mean difference %.2f\n", orient, m,
           (unsigned long long)pmc.PeakWorkingSetSize >> 20, diff);
    EXPECT_LE(diff, 3.0);
    DeleteFileW(dst.c_str());
    DeleteFileW(rotated.c_str());
}

// The corpus's large WebP, AVIF and HEIC (tiles) of one smooth picture: shrunk by libwebp, or
// by QX5 from libheif's full size, each shows as that picture does.
TEST_F(Qx5Test, LargeWebpAvifAndHeicShowAsTheWholePicture)
{
    if (!KP_HAVE_LIBWEBP || !KP_HAVE_LIBHEIF)
        GTEST_SKIP() << "QX5 is built without libwebp or libheif";
    int boxW, boxH;
    PictureBox(&boxW, &boxH);
    for (const wchar_t* f : {L"webp-big.webp", L"avif-big.avif", L"heic-phone-big.heic"}) {
        READ_BMP bmp;
        ASSERT_TRUE(Convert(Corpus(f), &bmp)) << ToCp932(f);
        EXPECT_TRUE(bmp.w < bmp.fullW && bmp.h < bmp.fullH) << ToCp932(f) << ": decoded at the shown scale";
        double diff = ShownDifference(bmp, TestBuildDir() + L"\\damaged\\reference\\photo.png", 1, boxW, boxH);
        printf("%s: %dx%d of %dx%d, mean difference %.2f\n", ToCp932(f).c_str(), bmp.w, bmp.h, bmp.fullW, bmp.fullH, diff);
        EXPECT_LE(diff, 3.0) << ToCp932(f);
    }
}

TEST(Qx5Big, FortyEightMegapixelPhotoConverts)
{
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ConvertBigPhoto(1);
}

TEST(Qx5Big, FortyEightMegapixelPhotoTakenSidewaysConverts)
{
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ConvertBigPhoto(6);
}

TEST(Qx5Life, QuitEndsTheProcess)
{
    QX5_RUN run;
    ASSERT_TRUE(Qx5Launch(&run));
    EXPECT_FALSE(IsWindowVisible(run.wnd));
    DWORD_PTR r = 1;
    ASSERT_TRUE(SendMessageTimeoutW(run.wnd, CONVERTER_QUIT, 0, 0, SMTO_ABORTIFHUNG, 5000, &r));
    DWORD code = 99;
    EXPECT_TRUE(WaitProcessExit(run.prog.process, 5000, &code));
    EXPECT_EQ(0u, code);
    EXPECT_FALSE(IsWindow(run.wnd));
    CloseHandle(run.prog.process);
}
