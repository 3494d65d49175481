// Damaged pictures by the hundred: the corpus that tools/damaged_pictures.py makes (in
// build\damaged, or the folder KP_DAMAGED_DIR names) goes through QX5.exe on its own and
// through Kotopane's display with its own converter, chosen as a user chooses a category.
// Neither program may crash or keep the user waiting; every file is either shown exactly as
// the converter decoded it, or reported with the unreadable-picture message while the
// picture before it stays on screen.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "base/CommandIds.h"
#include "display/Display.h"
#include "display/DisplayCalc.h"
#include "display/DisplayState.h"
#include "qx5link/Qx5Link.h"
#include "tests/support/TestSupport.h"

namespace {

// A format whose library is not in this build goes to WIC, which has no decoder for it here.
bool BuiltToDecode(const std::string& name)
{
    std::string ext = name.substr(name.rfind('.') + 1);
    return ext == "webp" ? KP_HAVE_LIBWEBP : ext == "heic" || ext == "avif" ? KP_HAVE_LIBHEIF : true;
}

std::wstring CorpusFolder()
{
    wchar_t env[MAX_PATH] = {};
    DWORD n = GetEnvironmentVariableW(L"KP_DAMAGED_DIR", env, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return TestBuildDir() + L"\\damaged";
    std::wstring dir = env;
    if (dir[0] == L'/') {          // a Linux path, as the shell hands it over
        std::replace(dir.begin(), dir.end(), L'/', L'\\');
        dir = L"Z:" + dir;
    }
    return dir;
}

std::vector<std::wstring> Files(const std::wstring& folder)
{
    std::vector<std::wstring> out;
    for (const std::wstring& n : ListFolder(folder))
        if (n != L"MANIFEST.tsv" && n != L"RESULTS.tsv" && !DirExists(folder + L"\\" + n))
            out.push_back(n);
    std::sort(out.begin(), out.end());
    return out;
}

// The client area as the window shows it, rows y0.. of the surface size (0x00RRGGBB).
struct SHOT {
    int w = 0, h = 0, y0 = 0;
    std::vector<DWORD> px;
    DWORD at(int x, int y) const { return px[(size_t)(y - y0) * w + x] & 0xFFFFFF; }
    bool operator==(const SHOT& o) const { return px == o.px; }
};

SHOT Shoot(HWND wnd, int y0)
{
    RECT rc;
    GetClientRect(wnd, &rc);
    SHOT s;
    s.w = std::min<int>(rc.right, ClientWidth());
    s.h = std::min<int>(rc.bottom, ClientHeight()) - y0;
    s.y0 = y0;
    s.px.assign((size_t)s.w * s.h, 0);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = s.w;
    bi.bmiHeader.biHeight = -s.h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC wdc = GetDC(wnd);
    HDC mem = CreateCompatibleDC(wdc);
    HBITMAP dib = CreateDIBSection(wdc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, dib);
    BitBlt(mem, 0, 0, s.w, s.h, wdc, 0, y0, SRCCOPY);
    GdiFlush();
    memcpy(s.px.data(), bits, s.px.size() * 4);
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
    ReleaseDC(wnd, wdc);
    return s;
}

// What the picture area must show for a converted BMP: at its own size when it fits,
// centred and top-aligned; a larger one as the same HALFTONE stretch of the file.
SHOT Expected(const std::wstring& bmpPath, const READ_BMP& bmp, const SHOT& like, COLORREF back)
{
    SHOT s = like;
    PICTURE_PLACE p = PlacePicture(ClientWidth(), ClientHeight() - 110, bmp.fullW, bmp.fullH);
    DWORD bg = GetRValue(back) << 16 | GetGValue(back) << 8 | GetBValue(back);
    std::fill(s.px.begin(), s.px.end(), bg);
    if (p.width == bmp.w && p.height == bmp.h) {
        for (int y = std::max(60, s.y0); y < 60 + bmp.h && y < s.y0 + s.h; y++)
            for (int x = 0; x < bmp.w && p.x + x < s.w; x++)
                s.px[(size_t)(y - s.y0) * s.w + p.x + x] = bmp.at(x, y - 60);
        return s;
    }
    HBITMAP src = (HBITMAP)LoadImageW(nullptr, bmpPath.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = ClientWidth();
    bi.bmiHeader.biHeight = -ClientHeight();
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC a = CreateCompatibleDC(nullptr), b = CreateCompatibleDC(nullptr);
    HBITMAP dib = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ oa = SelectObject(a, dib), ob = SelectObject(b, src);
    for (size_t i = 0; i < (size_t)ClientWidth() * ClientHeight(); i++)
        ((DWORD*)bits)[i] = bg;
    SetStretchBltMode(a, HALFTONE);
    SetBrushOrgEx(a, 0, 0, nullptr);
    StretchBlt(a, p.x, 60, p.width, p.height, b, 0, 0, bmp.w, bmp.h, SRCCOPY);
    GdiFlush();
    for (int y = 0; y < s.h; y++)
        memcpy(&s.px[(size_t)y * s.w], (DWORD*)bits + (size_t)(y + s.y0) * ClientWidth(), (size_t)s.w * 4);
    SelectObject(a, oa);
    SelectObject(b, ob);
    DeleteObject(dib);
    DeleteObject(src);
    DeleteDC(a);
    DeleteDC(b);
    return s;
}

// QX5.exe asked as Kotopane asks it. False when it did not answer within the link's bound.
bool DirectConvert(HWND qx5, const std::wstring& dst, const std::wstring& src, LRESULT* result, DWORD* ms)
{
    bool answered = false;
    DWORD t0 = GetTickCount();
    *result = ConverterRequest(qx5, dst, src, &answered, CONVERTER_CONVERT_MS);
    *ms = GetTickCount() - t0;
    return answered;
}

struct TALLY {
    int shown = 0, reported = 0;
};

// Whatever stops the run, both converters and Kotopane are ended.
class DamagedPictures : public ::testing::Test {
protected:
    HWND wnd = nullptr;
    HANDLE kotopaneQx5 = nullptr;
    STARTED_PROGRAM direct = {};

    void TearDown() override
    {
        if (kotopaneQx5)
            CloseHandle(kotopaneQx5);
        if (direct.process) {
            TerminateProcess(direct.process, 0);
            CloseHandle(direct.process);
        }
        if (wnd)
            StopKotopaneInProcess();
    }
};

TEST_F(DamagedPictures, EachIsShownAsDecodedOrReportedWhileBothProgramsLive)
{
    std::wstring corpus = CorpusFolder();
    std::vector<std::wstring> good = Files(corpus + L"\\good"), damaged = Files(corpus);
    ASSERT_FALSE(good.empty() || damaged.empty())
        << "no corpus in " << ToCp932(corpus) << ": make it with python3 tools/damaged_pictures.py build/damaged";

    // Kotopane with two categories: one good picture to start from, and the damaged one.
    std::wstring prog = MakeScratchProgramFolder(L"display_damaged");
    std::wstring settings = SettingsFolder(prog);
    CreateDirectoryW(settings.c_str(), nullptr);
    const char* names[] = {"前", "壊れ"};
    for (const char* n : names) {
        std::wstring folder = settings + L"\\" + ToWide(n);
        CreateDirectoryW(folder.c_str(), nullptr);
        WriteBytes(folder + L"\\" + ToWide((std::string(n) + "セリフ.txt").c_str()), "あ\r\n");
    }
    WriteBytes(settings + L"\\" + ToWide("メニューリスト.txt"), "前\r\n壊れ\r\n");
    std::wstring slot = settings + L"\\" + ToWide("壊れ");
    ASSERT_TRUE(WriteTestBmp(settings + L"\\" + ToWide("前") + L"\\first.bmp", 300, 200,
                             [](int x, int y) { return (DWORD)((x * 7) << 16 | (y * 11) << 8 | 0x5A) & 0xFFFFFF; }));
    wnd = StartKotopaneInProcess(prog);
    ASSERT_TRUE(wnd != nullptr);
    ASSERT_TRUE(Qx5LinkWindow() != nullptr);
    kotopaneQx5 = OpenProcess(SYNCHRONIZE, FALSE, Qx5LinkProcessId());
    ASSERT_TRUE(kotopaneQx5 != nullptr);

    // A converter of the test's own, started after Kotopane found its one.
    ASSERT_TRUE(StartProgram(prog + L"\\部品\\QX5.exe", prog + L"\\App", &direct));
    HWND qx5 = FindProcessWindow(direct.pid, CONVERTER_CLASS, 10000);
    ASSERT_TRUE(qx5 != nullptr);

    SendMessageW(wnd, WM_COMMAND, CMD_CATEGORY_FIRST + 0, 0);
    SHOT before = Shoot(wnd, 61);
    const COLORREF back = BackColour();
    ASSERT_NE(before.at(before.w / 2, 100), before.at(0, 100)) << "the first picture is on screen";

    std::wstring gazou = settings + L"\\Gazou.bmp", reference = prog + L"\\direct.bmp";
    std::map<std::string, TALLY> tally;   // by extension
    DWORD slowestDirect = 0, slowestShow = 0, t0 = GetTickCount();
    std::wstring inSlot;
    std::vector<std::pair<std::wstring, bool>> all;
    for (const std::wstring& n : good)
        all.push_back({n, true});
    for (const std::wstring& n : damaged)
        all.push_back({n, false});
    // Every fault is listed with the file's name, so it can be made again and tried alone.
    std::vector<std::string> faults;
    std::string results = "file\tresult\tdecoded size\tconversion ms\tdisplay ms\r\n";
    for (auto& [name, isGood] : all) {
        std::wstring src = (isGood ? corpus + L"\\good\\" : corpus + L"\\") + name;
        std::string label = ToCp932(name);
        auto check = [&](bool ok, const char* what) {
            if (!ok)
                faults.push_back(label + ": " + what);
        };

        // 1. QX5.exe alone: answers in time, stays up, writes a whole BMP or nothing.
        DeleteFileW(reference.c_str());
        LRESULT converted = FALSE;
        DWORD ms = 0;
        check(DirectConvert(qx5, reference, src, &converted, &ms), "QX5.exe gave no answer in time");
        slowestDirect = std::max(slowestDirect, ms);
        ASSERT_EQ(WAIT_TIMEOUT, WaitForSingleObject(direct.process, 0)) << label << ": QX5.exe ended";
        READ_BMP bmp;
        bool whole = ReadConvertedBmp(reference, &bmp);
        check((converted == CONVERTER_REPLY_CONVERTED) == whole, "QX5.exe's answer and its file disagree");
        check(!FileExists(reference + L".qx5tmp"), "temporary file left");
        if (isGood && BuiltToDecode(label))
            check(whole, "a good source did not convert");
        if (isGood && label.rfind("jpeg-big", 0) == 0)
            check(bmp.fullW > bmp.w && bmp.fullH > bmp.h, "a large JPEG was not decoded at the shown scale");

        // 2. The same file as the only picture of a category, chosen from the menu.
        if (!inSlot.empty())
            DeleteFileW((slot + L"\\" + inSlot).c_str());
        ASSERT_TRUE(CopyFileW(src.c_str(), (slot + L"\\" + name).c_str(), FALSE));
        inSlot = name;
        BoxWatchStart();
        DWORD s0 = GetTickCount();
        SendMessageW(wnd, WM_COMMAND, CMD_CATEGORY_FIRST + 1, 0);
        DWORD showMs = GetTickCount() - s0;
        std::vector<SHOWN_BOX> boxes = BoxWatchStop();
        slowestShow = std::max(slowestShow, showMs);
        check(showMs < CONVERTER_CONVERT_MS, "the display took longer than the conversion bound");
        check(Qx5LinkAnswering(), "Kotopane's converter did not answer in time");
        ASSERT_EQ(WAIT_TIMEOUT, WaitForSingleObject(kotopaneQx5, 0)) << label << ": Kotopane's QX5.exe ended";
        SHOT after = Shoot(wnd, 61);

        TALLY& t = tally[label.substr(label.rfind('.') + 1)];
        if (!boxes.empty()) {
            t.reported++;
            check(boxes.size() == 1, "more than one message");
            check(boxes[0].caption == ToWide("画像ファイルの読み込みに失敗"), "wrong caption");
            check(boxes[0].text == slot + L"\\" + name, "the message does not name the picture");
            check(boxes[0].owner == nullptr, "the message has an owner");
            check(!whole, "reported although QX5.exe alone read it");
            check(after == before, "the previous picture did not stay");
        } else {
            t.shown++;
            check(whole, "shown although QX5.exe alone could not read it");
            // Compared with what its own converter wrote: Wine's RLE BMP decoder takes the
            // colours of indices past a short palette from memory it never filled, so two
            // conversions of such a file may differ in those pixels.
            READ_BMP shown;
            bool read = ReadConvertedBmp(gazou, &shown);
            check(read && shown.w == bmp.w && shown.h == bmp.h, "its converter decoded another size");
            if (read) {
                SHOT want = Expected(gazou, shown, after, back);
                size_t wrong = 0;
                for (size_t i = 0; i < want.px.size(); i++)
                    wrong += (want.px[i] & 0xFFFFFF) != (after.px[i] & 0xFFFFFF);
                check(wrong == 0, "not shown as decoded");
            }
        }
        char row[128];
        wsprintfA(row, "\t%s\t%dx%d\t%lu\t%lu\r\n", boxes.empty() ? "shown" : "reported", bmp.w, bmp.h, ms, showMs);
        results += label + row;
        before = after;
    }
    WriteBytes(corpus + L"\\RESULTS.tsv", results);
    DWORD total = GetTickCount() - t0;

    printf("%zu good and %zu damaged files in %lu ms; slowest conversion %lu ms, slowest display %lu ms"
           " (bound %lu ms)\n", good.size(), damaged.size(), total, slowestDirect, slowestShow, (unsigned long)CONVERTER_CONVERT_MS);
    printf("type     shown  reported (good sources included)\n");
    for (auto& [fmt, t] : tally)
        printf("%-8s %5d %9d\n", fmt.c_str(), t.shown, t.reported);

    // Both converters still answer with a picture.
    std::wstring probe = corpus + L"\\good\\" + good[0];
    LRESULT r = FALSE;
    DWORD ms = 0;
    EXPECT_TRUE(DirectConvert(qx5, reference, probe, &r, &ms) && r == CONVERTER_REPLY_CONVERTED);
    EXPECT_TRUE(DirectConvert(Qx5LinkWindow(), reference, probe, &r, &ms) && r == CONVERTER_REPLY_CONVERTED);

    std::string list;
    for (size_t i = 0; i < faults.size() && i < 40; i++)
        list += "\n  " + faults[i];
    EXPECT_TRUE(faults.empty()) << faults.size() << " faults:" << list;
}

// An indexed BMP with `colours` palette entries (0x00RRGGBB) and one row of indices.
std::string IndexedBmp(int bits, const std::vector<DWORD>& colours, const std::vector<int>& row)
{
    int w = (int)row.size(), stride = ((w * bits + 31) / 32) * 4;
    std::string px((size_t)stride, '\0');
    for (int x = 0; x < w; x++)
        px[(size_t)(x * bits / 8)] |= (char)(row[x] << (8 - bits - (x * bits) % 8));
    std::string pal;
    for (DWORD c : colours)
        Put32(pal, c, false);
    std::string b = "BM";
    Put32(b, 54 + (unsigned long)(pal.size() + px.size()), false);
    Put32(b, 0, false);
    Put32(b, 54 + (unsigned long)pal.size(), false);
    Put32(b, 40, false); Put32(b, w, false); Put32(b, 1, false);
    Put16(b, 1, false); Put16(b, bits, false);
    Put32(b, 0, false); Put32(b, (unsigned long)px.size(), false); Put32(b, 2835, false); Put32(b, 2835, false);
    Put32(b, (unsigned long)colours.size(), false); Put32(b, 0, false);
    return b + pal + px;
}

// Indices past the end of a short palette (a damaged count, or damaged pixel data) are
// black, the same on every conversion, never whatever memory held.
TEST_F(DamagedPictures, IndicesPastTheEndOfThePaletteAreBlack)
{
    std::wstring prog = MakeScratchProgramFolder(L"display_damaged_palette");
    ASSERT_TRUE(StartProgram(prog + L"\\部品\\QX5.exe", prog + L"\\App", &direct));
    HWND qx5 = FindProcessWindow(direct.pid, CONVERTER_CLASS, 10000);
    ASSERT_TRUE(qx5 != nullptr);
    const DWORD red = 0xE01010, blue = 0x1010E0;
    struct { int bits; std::vector<int> row; } cases[] = {
        {1, {0, 1, 0, 1, 1, 0, 1, 0, 0}},
        {4, {0, 1, 2, 15, 7, 1, 0, 9}},
        {8, {0, 1, 2, 200, 255, 17, 1, 0, 99, 3}},
    };
    for (auto& c : cases) {
        // One entry for 1 bit per pixel, two for the others.
        std::vector<DWORD> pal = {red};
        if (c.bits > 1)
            pal.push_back(blue);
        std::wstring src = prog + L"\\short" + std::to_wstring(c.bits) + L".bmp";
        ASSERT_TRUE(WriteBytes(src, IndexedBmp(c.bits, pal, c.row)));
        for (int k = 0; k < 3; k++) {
            std::wstring dst = prog + L"\\out.bmp";
            DeleteFileW(dst.c_str());
            LRESULT r = FALSE;
            DWORD ms = 0;
            ASSERT_TRUE(DirectConvert(qx5, dst, src, &r, &ms));
            READ_BMP bmp;
            ASSERT_TRUE(r == CONVERTER_REPLY_CONVERTED && ReadConvertedBmp(dst, &bmp)) << ToCp932(src);
            ASSERT_EQ((int)c.row.size(), bmp.w);
            for (int x = 0; x < bmp.w; x++) {
                int i = c.row[x];
                DWORD want = i < (int)pal.size() ? pal[i] : 0;
                EXPECT_EQ(want, bmp.at(x, 0)) << ToCp932(src) << ", index " << i << ", conversion " << k;
            }
        }
    }
}

}  // namespace
