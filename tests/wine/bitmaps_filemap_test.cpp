#include <gtest/gtest.h>

#include <string.h>

#include "base/Window.h"
#include "bitmaps/BlendTable.h"
#include "bitmaps/FileMapDC.h"
#include "bitmaps/FileMapFolder.h"
#include "bitmaps/MappedBmp.h"
#include "display/DisplayCalc.h"
#include "store/Paths.h"
#include "tests/support/TestSupport.h"

namespace {

// Each test runs in a working directory of its own, where the file-map folder may or may
// not exist, as at a real start.
class BitmapsTest : public ::testing::Test {
protected:
    std::wstring dir;
    wchar_t oldDir[MAX_PATH + 1] = {};

    void SetUp() override
    {
        GetCurrentDirectoryW(MAX_PATH + 1, oldDir);
        dir = TestBuildDir() + L"\\scratch\\bitmaps_" + std::to_wstring(GetCurrentProcessId());
        DeleteTree(dir);
        CreateDirectoryW((TestBuildDir() + L"\\scratch").c_str(), nullptr);
        ASSERT_TRUE(CreateDirectoryW(dir.c_str(), nullptr));
        ASSERT_TRUE(SetCurrentDirectoryW(dir.c_str()));
        SetMainWindow(nullptr);
    }
    void TearDown() override
    {
        SetCurrentDirectoryW(oldDir);
        DeleteTree(dir);
    }
    std::wstring MapFolder() { return dir + L"\\" + ToWide(KP_FILEMAP_DIR); }
    void MakeMapFolder() { ASSERT_TRUE(CreateDirectoryW(MapFolder().c_str(), nullptr)); }
    std::wstring Backing(const char* name) { return MapFolder() + L"\\" + ToWide(name); }
    static long long SizeOf(const std::wstring& path)
    {
        WIN32_FILE_ATTRIBUTE_DATA a;
        if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &a))
            return -1;
        return ((long long)a.nFileSizeHigh << 32) | a.nFileSizeLow;
    }
    // Mapping names live in the session, so each test uses its own.
    std::string Name(const char* base) { return std::string(base) + std::to_string(GetCurrentProcessId()) + "_"; }
};

// A 24-bit BMP file whose pixel (x, y) from the top left is (x*6, y*8, 200) in RGB.
std::string MakeBmp(int w, int h)
{
    return TestBmpBytes(w, h, [](int x, int y) { return (DWORD)((x * 6) & 0xFF) << 16 | (DWORD)((y * 8) & 0xFF) << 8 | 200; });
}

}  // namespace

TEST_F(BitmapsTest, CreateFillsTheRecordAndTheBackingFile)
{
    MakeMapFolder();
    std::string name = Name("kpDC");
    FSFM_DC rec = {};
    BoxWatchStart();
    ASSERT_EQ(DCCreateByFSFM(&rec, name.c_str(), 3, 64, 48, 32), 1);
    EXPECT_TRUE(BoxWatchStop().empty());
    EXPECT_EQ(rec.width, 64);
    EXPECT_EQ(rec.height, 48);
    EXPECT_NE(rec.hDC, nullptr);
    EXPECT_NE(rec.hBmp, nullptr);
    EXPECT_NE(rec.hOldBmp, nullptr);
    EXPECT_EQ(rec.dibSize, 64u * 48 * 4 + 40);
    EXPECT_NE(rec.hMap, nullptr);
    EXPECT_NE(rec.pView, nullptr);
    EXPECT_NE(rec.hFile, nullptr);
    EXPECT_EQ(GetCurrentObject(rec.hDC, OBJ_BITMAP), rec.hBmp);

    DIBSECTION ds = {};
    ASSERT_EQ(GetObjectW(rec.hBmp, sizeof ds, &ds), (int)sizeof ds);
    EXPECT_EQ(ds.dsBmih.biWidth, 64);
    EXPECT_EQ(ds.dsBmih.biHeight, 48);
    EXPECT_EQ(ds.dsBmih.biBitCount, 32);
    EXPECT_EQ(ds.dsBmih.biCompression, (DWORD)BI_RGB);
    EXPECT_EQ(ds.dsOffset, 0u);

    std::string file = name + "3.txt";
    EXPECT_EQ(SizeOf(Backing(file.c_str())), 64LL * 48 * 4 + 1000);
    HANDLE byName = OpenFileMappingW(FILE_MAP_READ, FALSE, ToWide((name + "3").c_str()).c_str());
    EXPECT_NE(byName, nullptr);
    CloseHandle(byName);

    // A second create on the same record changes nothing.
    FSFM_DC before = rec;
    EXPECT_EQ(DCCreateByFSFM(&rec, name.c_str(), 3, 10, 10, 32), 0);
    EXPECT_EQ(memcmp(&before, &rec, sizeof rec), 0);

    // The pixel (x, y) from the top left lies at ((h - 1 - y) * w + x) * 4, as B, G, R.
    SetPixel(rec.hDC, 5, 7, RGB(11, 22, 33));
    GdiFlush();
    BYTE* px = rec.pView + ((48 - 1 - 7) * 64 + 5) * 4;
    EXPECT_EQ(px[0], 33);
    EXPECT_EQ(px[1], 22);
    EXPECT_EQ(px[2], 11);
    BYTE* q = rec.pView + ((48 - 1 - 40) * 64 + 63) * 4;
    q[0] = 1;
    q[1] = 2;
    q[2] = 3;
    EXPECT_EQ(GetPixel(rec.hDC, 63, 40), RGB(3, 2, 1));

    EXPECT_EQ(DCDeleteByFSFM(&rec), 1);
    EXPECT_EQ(rec.hDC, nullptr);
    EXPECT_EQ(rec.hMap, nullptr);
    EXPECT_EQ(rec.pView, nullptr);
    EXPECT_EQ(rec.hFile, nullptr);
    EXPECT_EQ(GetObjectType(before.hBmp), 0u);
    EXPECT_EQ(GetObjectType(before.hDC), 0u);
    // Closed: the backing file can be deleted now.
    EXPECT_TRUE(DeleteFileW(Backing(file.c_str()).c_str()));
}

TEST_F(BitmapsTest, WithoutTheFolderThePagingFileBacksThePixels)
{
    std::string name = Name("kpPF");
    FSFM_DC rec = {};
    ASSERT_EQ(DCCreateByFSFM(&rec, name.c_str(), 0, 8, 4, 32), 1);
    EXPECT_EQ(rec.hFile, nullptr);
    EXPECT_FALSE(DirExists(MapFolder()));
    SetPixel(rec.hDC, 0, 0, RGB(9, 8, 7));
    GdiFlush();
    EXPECT_EQ(rec.pView[(3 * 8) * 4], 7);
    TraceCaptureStart();
    EXPECT_EQ(DCDeleteByFSFM(&rec), 1);
    EXPECT_TRUE(TraceCaptureStop().empty());
}

TEST_F(BitmapsTest, ReleaseTriesEveryStepAndReleasesOnlyWhatWasMade)
{
    // Never created: nothing to release, nothing to trace.
    FSFM_DC none = {};
    TraceCaptureStart();
    EXPECT_EQ(DCDeleteByFSFM(&none), 1);
    EXPECT_TRUE(TraceCaptureStop().empty());

    MakeMapFolder();
    std::string name = Name("kpRel");
    FSFM_DC rec = {};
    ASSERT_EQ(DCCreateByFSFM(&rec, name.c_str(), 0, 16, 16, 32), 1);
    FSFM_DC made = rec;

    // The first step (the previous bitmap back) and the fourth (an address that is no view)
    // fail: each is traced in its turn with its error, and everything else is released.
    std::vector<BYTE> notAView(64);
    rec.hOldBmp = (HBITMAP)(ULONG_PTR)0x1234;
    rec.pView = notAView.data();
    TraceCaptureStart();
    EXPECT_EQ(DCDeleteByFSFM(&rec), 0);
    std::vector<std::string> traces = TraceCaptureStop();
    ASSERT_EQ(traces.size(), 2u);
    EXPECT_EQ(traces[0].rfind("DCDeleteByFSFM　SelectObject(hDC,hOldBmp)失敗=", 0), 0u) << traces[0];
    EXPECT_EQ(traces[1], "DCDeleteByFSFM　UnmapViewOfFile失敗=" + std::to_string(ERROR_INVALID_ADDRESS) + ", 0, 0, 0, 0\r\n");
    EXPECT_EQ(GetObjectType(made.hDC), 0u);
    EXPECT_EQ(GetObjectType(made.hBmp), 0u);
    EXPECT_TRUE(!rec.hDC && !rec.hBmp && !rec.hOldBmp && !rec.hMap && !rec.pView && !rec.hFile) << "nothing is held";
    // The mapping and the file are closed: once the real view goes, so can the file.
    EXPECT_TRUE(UnmapViewOfFile(made.pView));
    EXPECT_TRUE(DeleteFileW(Backing((name + "0.txt").c_str()).c_str()));
}

TEST_F(BitmapsTest, CreationFailureReportsAndLeavesNothingOpen)
{
    MakeMapFolder();
    HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 nullptr, nullptr);
    SetMainWindow(owner);
    std::string name = Name("kpBad");
    FSFM_DC rec = {};
    BoxWatchStart();
    EXPECT_EQ(DCCreateByFSFM(&rec, name.c_str(), 0, -5, 10, 32), 0);
    std::vector<SHOWN_BOX> boxes = BoxWatchStop();
    SetMainWindow(nullptr);
    DestroyWindow(owner);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, ToWide("メモリが足りないため、画像を置く場所を作れませんでした。画像は表示されません。\r\n"
                                    "ほかのプログラムを閉じてから、Kotopaneを起動し直してください。"));
    EXPECT_EQ(boxes[0].caption, ToWide("<(_ _)>"));
    EXPECT_EQ(boxes[0].owner, owner);
    EXPECT_EQ(rec.hDC, nullptr);
    EXPECT_EQ(rec.hMap, nullptr);
    EXPECT_EQ(rec.pView, nullptr);
    EXPECT_EQ(rec.hFile, nullptr);
    EXPECT_FALSE(FileExists(Backing((name + "0.txt").c_str())));
    // A failed record can be created afterwards.
    EXPECT_EQ(DCCreateByFSFM(&rec, name.c_str(), 0, 4, 4, 32), 1);
    EXPECT_EQ(DCDeleteByFSFM(&rec), 1);
}

TEST_F(BitmapsTest, BmpToDCTakesTheFilesOwnSize)
{
    MakeMapFolder();
    ASSERT_TRUE(WriteBytes(dir + L"\\★ハート.bmp", MakeBmp(40, 30)));
    std::string name = Name("kpHart");
    FSFM_DC rec = {};
    BoxWatchStart();
    ASSERT_EQ(BmpToDC(&rec, name.c_str(), 0, "★ハート.bmp"), 1);
    EXPECT_EQ(rec.width, 40);
    EXPECT_EQ(rec.height, 30);
    EXPECT_EQ(SizeOf(Backing((name + "0.txt").c_str())), 40LL * 30 * 4 + 1000);
    int points[][2] = {{0, 0}, {39, 0}, {0, 29}, {17, 11}, {39, 29}};
    for (auto& p : points) {
        BYTE* px = rec.pView + ((30 - 1 - p[1]) * 40 + p[0]) * 4;
        EXPECT_EQ(px[0], 200) << p[0] << "," << p[1];
        EXPECT_EQ(px[1], p[1] * 8) << p[0] << "," << p[1];
        EXPECT_EQ(px[2], p[0] * 6) << p[0] << "," << p[1];
    }
    // Loading into a record that already holds a surface makes nothing new.
    EXPECT_EQ(BmpToDC(&rec, name.c_str(), 0, "★ハート.bmp"), 0);
    EXPECT_EQ(DCDeleteByFSFM(&rec), 1);

    // A missing file: 0, no message, record untouched.
    FSFM_DC missing = {};
    EXPECT_EQ(BmpToDC(&missing, name.c_str(), 1, "なし.bmp"), 0);
    EXPECT_EQ(missing.hDC, nullptr);
    EXPECT_TRUE(BoxWatchStop().empty());
}

TEST_F(BitmapsTest, MappedBufferBackingFileRule)
{
    std::string name = Name("kpBuf");
    MAPPED_BUFFER buf = {};
    EXPECT_EQ(CreateMappedBuffer(&buf, name.c_str(), 0, 1 << 20, 0), nullptr);   // no folder, no file
    EXPECT_FALSE(DirExists(MapFolder()));

    MakeMapFolder();
    MAPPED_BUFFER filed = {};
    ASSERT_NE(CreateMappedBuffer(&filed, name.c_str(), 1, 1 << 20, 4096), nullptr);
    EXPECT_NE(filed.hFile, nullptr);
    EXPECT_EQ(SizeOf(Backing((name + "1.txt").c_str())), 1LL << 20);
    UnmapViewOfFile(filed.pView);
    CloseHandle(filed.hMap);
    CloseHandle(filed.hFile);
}

TEST_F(BitmapsTest, AlphaTableBuiltAndReleased)
{
    for (int withFolder = 0; withFolder < 2; withFolder++) {
        if (withFolder)
            MakeMapFolder();
        BuildAlphaBlendTable();
        const BYTE* t = AlphaBlendTable();
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t[128 * 65536 + 0 * 256 + 255], 127);
        EXPECT_EQ(t[0 * 65536 + 200 * 256 + 0], 199);
        EXPECT_EQ(t[255 * 65536 + 255 * 256 + 255], 254);
        // Never a 16 MB file, whether the file-map folder is there yet or not.
        EXPECT_FALSE(FileExists(Backing("AlphaBlendBBTableC0.txt")));
        ReleaseAlphaBlendTable();
        EXPECT_EQ(AlphaBlendTable(), nullptr);
        MEMORY_BASIC_INFORMATION mbi = {};
        ASSERT_TRUE(VirtualQuery(t, &mbi, sizeof mbi));
        EXPECT_EQ(mbi.State, (DWORD)MEM_FREE) << "its memory is given back";
    }
}

// A 32-bit BMP as the converter writes it now, from the 24-bit one of TestBmpBytes.
static std::string Bmp32From24(const std::string& b24, int w, int h)
{
    std::string b = b24.substr(0, 54);
    size_t stride24 = ((size_t)w * 3 + 3) & ~(size_t)3;
    *(DWORD*)&b[2] = (DWORD)(54 + (size_t)w * h * 4);
    *(WORD*)&b[28] = 32;
    *(DWORD*)&b[34] = (DWORD)((size_t)w * h * 4);
    for (int row = 0; row < h; row++)
        for (int x = 0; x < w; x++) {
            b.append(b24, 54 + row * stride24 + x * 3, 3);
            b += '\xFF';
        }
    return b;
}

// The picture area's pixels (0x00RRGGBB) after one picture is fitted into a 1870 x 970 box
// at y 60, either the way the display always did (LoadImage, then a HALFTONE StretchBlt)
// or from the mapped file.
static std::vector<DWORD> FitIntoBox(const std::wstring& path, bool mapped)
{
    const int W = 1870, H = 1080;
    HALFTONE_CANVAS canvas;
    CanvasOpen(&canvas, W, H);
    HDC dc = canvas.dc;
    if (mapped) {
        MAPPED_BMP bmp;
        if (MappedBmpOpen(&bmp, ToCp932(path).c_str())) {
            PICTURE_PLACE p = PlacePicture(W, 970, bmp.layout.width, abs(bmp.layout.height));
            MappedBmpDraw(&bmp, dc, p.x, 60, p.width, p.height);
            MappedBmpClose(&bmp);
        }
    } else {
        HBITMAP src = (HBITMAP)LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_DEFAULTSIZE);
        BITMAP bm = {};
        GetObjectW(src, sizeof(bm), &bm);
        HDC mem = CreateCompatibleDC(dc);
        HGDIOBJ o = SelectObject(mem, src);
        PICTURE_PLACE p = PlacePicture(W, 970, bm.bmWidth, bm.bmHeight);
        StretchBlt(dc, p.x, 60, p.width, p.height, mem, 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
        SelectObject(mem, o);
        DeleteDC(mem);
        DeleteObject(src);
    }
    GdiFlush();
    std::vector<DWORD> px(canvas.bits, canvas.bits + (size_t)W * H);
    for (DWORD& c : px)
        c &= 0xFFFFFF;      // the fourth byte is unused
    CanvasClose(&canvas);
    return px;
}

// Shrunk, a pixel short of the box, and at its own size: the 32-bit file the converter
// writes now, drawn from its mapping, gives the very pixels that the 24-bit one gave
// through LoadImage; so does a 24-bit file from any other converter.
TEST_F(BitmapsTest, MappedPictureIsFittedExactlyAsBefore)
{
    const int sizes[][2] = {{2400, 1500}, {900, 1600}, {1871, 971}, {300, 200}};
    for (auto& sz : sizes) {
        int w = sz[0], h = sz[1];
        std::string b24 = TestBmpBytes(w, h, [](int x, int y) {
            return (DWORD)(((x * 7 + y) & 0xFF) << 16 | ((x ^ y) & 0xFF) << 8 | ((x * y >> 3) & 0xFF));
        });
        std::wstring p24 = dir + L"\\p24.bmp", p32 = dir + L"\\p32.bmp";
        ASSERT_TRUE(WriteBytes(p24, b24));
        ASSERT_TRUE(WriteBytes(p32, Bmp32From24(b24, w, h)));
        std::vector<DWORD> before = FitIntoBox(p24, false);
        std::vector<DWORD> now = FitIntoBox(p32, true);
        std::vector<DWORD> other = FitIntoBox(p24, true);
        size_t differ = 0, differOther = 0;
        for (size_t i = 0; i < before.size(); i++) {
            differ += before[i] != now[i];
            differOther += before[i] != other[i];
        }
        EXPECT_EQ(0u, differ) << w << " x " << h;
        EXPECT_EQ(0u, differOther) << w << " x " << h;
        EXPECT_NE(before[(size_t)(1080 - 61) * 1870 + 935], 0u) << "the picture is there";
    }
}

// Missing, empty, cut short or lying about its size: refused, and the file is left free
// (the next conversion must be able to replace it).
TEST_F(BitmapsTest, MappedPictureRefusesWhatIsNoWholeBmp)
{
    std::string good = Bmp32From24(TestBmpBytes(40, 30, [](int, int) { return 0x123456u; }), 40, 30);
    std::string tall = good;
    *(DWORD*)&tall[22] = 31;
    const std::string files[] = {std::string(), good.substr(0, 53), good.substr(0, good.size() - 1), tall};
    std::wstring path = dir + L"\\bad.bmp";
    MAPPED_BMP bmp;
    EXPECT_FALSE(MappedBmpOpen(&bmp, ToCp932(path).c_str())) << "missing";
    for (const std::string& f : files) {
        ASSERT_TRUE(WriteBytes(path, f));
        EXPECT_FALSE(MappedBmpOpen(&bmp, ToCp932(path).c_str())) << f.size() << " bytes";
        EXPECT_EQ(nullptr, bmp.pView);
        EXPECT_TRUE(DeleteFileW(path.c_str())) << "left open";
    }
    ASSERT_TRUE(WriteBytes(path, good));
    ASSERT_TRUE(MappedBmpOpen(&bmp, ToCp932(path).c_str()));
    EXPECT_EQ(40, bmp.layout.width);
    MappedBmpClose(&bmp);
    EXPECT_TRUE(DeleteFileW(path.c_str()));
}
