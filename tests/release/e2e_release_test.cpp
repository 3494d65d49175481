// The release as a user gets it: the zip made by the test command (e2e_release_zip),
// unpacked into a folder whose path has a space and Japanese characters, and run from
// there as it is, on whatever locale the test run uses.
#include <gtest/gtest.h>
#include <algorithm>
#include "base/CommandIds.h"
#include "tests/wine/e2e_kotopane.h"

namespace {

// Where e2e_release_zip unpacks the zip (cmake/ReleaseTest.cmake).
std::wstring Unpacked() { return TestBuildDir() + L"\\scratch\\リリース 展開\\Kotopane"; }

// Starts the unpacked Kotopane.exe where it lies (E2eStart would copy the build's over it).
bool StartInPlace(const std::wstring& folder, KOTOPANE_RUN* r)
{
    *r = KOTOPANE_RUN();
    std::vector<HWND> before = E2eConverterList();
    if (!StartProgram(folder + L"\\App\\Kotopane.exe", folder + L"\\App", &r->app))
        return false;
    r->main = FindProcessWindow(r->app.pid, L"NORMAL0", 15000);
    for (DWORD start = GetTickCount(); r->main && !r->converter && GetTickCount() - start < 10000; Sleep(20)) {
        for (HWND w : E2eConverterList()) {
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (pid && std::find(before.begin(), before.end(), w) == before.end())
                r->converter = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
        }
    }
    return r->main && r->converter;
}

std::wstring VersionString(const std::vector<char>& info, const wchar_t* key)
{
    wchar_t* value = nullptr;
    UINT len = 0;
    std::wstring path = std::wstring(L"\\StringFileInfo\\041104B0\\") + key;
    if (!VerQueryValueW(info.data(), path.c_str(), (void**)&value, &len) || !value)
        return L"";
    return value;
}

std::string ManifestOf(const std::wstring& exe)
{
    std::string text;
    HMODULE mod = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!mod)
        return text;
    HRSRC res = FindResourceW(mod, MAKEINTRESOURCEW(1), (LPCWSTR)RT_MANIFEST);
    if (res)
        text.assign((const char*)LockResource(LoadResource(mod, res)), SizeofResource(mod, res));
    FreeLibrary(mod);
    return text;
}

// Chooses category `index` from outside; with no pictures yet the program names the category
// in its notice, which is answered. Returns the notice's caption.
std::wstring ChooseEmptyCategory(const KOTOPANE_RUN& r, int index)
{
    PostMessageW(r.main, WM_COMMAND, CMD_CATEGORY_FIRST + index, 0);
    std::vector<HWND> boxes = FindProcessBoxes(r.app.pid, 5000);
    if (boxes.size() != 1)
        return L"";
    std::wstring caption = WindowTitle(boxes[0]);
    PostMessageW(boxes[0], WM_COMMAND, IDOK, 0);
    for (DWORD start = GetTickCount(); IsWindow(boxes[0]) && GetTickCount() - start < 5000;)
        Sleep(20);
    return caption;
}

}  // namespace

// Both programs carry the project version, and Kotopane.exe the manifest made for it.
TEST(e2eRelease, ProgramsCarryTheReleaseVersionAndManifest)
{
    std::wstring version = KP_RELEASE_VERSION;
    unsigned major = 0, minor = 0, patch = 0;
    ASSERT_EQ(swscanf(version.c_str(), L"%u.%u.%u", &major, &minor, &patch), 3);
    for (const wchar_t* exe : { L"\\App\\Kotopane.exe", L"\\部品\\QX5.exe" }) {
        std::wstring path = Unpacked() + exe;
        DWORD handle = 0, size = GetFileVersionInfoSizeW(path.c_str(), &handle);
        ASSERT_GT(size, 0u) << "no version resource in " << ToCp932(exe);
        std::vector<char> info(size);
        ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, info.data()));
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT len = 0;
        ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", (void**)&fixed, &len));
        EXPECT_EQ(fixed->dwFileVersionMS, (major << 16) | minor) << ToCp932(exe);
        EXPECT_EQ(fixed->dwFileVersionLS, patch << 16) << ToCp932(exe);
        EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS) << ToCp932(exe);
        EXPECT_EQ(VersionString(info, L"FileVersion"), version) << ToCp932(exe);
        EXPECT_EQ(VersionString(info, L"ProductVersion"), version) << ToCp932(exe);
    }

    std::string manifest = ManifestOf(Unpacked() + L"\\App\\Kotopane.exe");
    std::string identity = "name=\"Kotopane\" version=\"" + ToCp932(version) + ".0\"";
    EXPECT_NE(manifest.find(identity), std::string::npos) << manifest;
    for (const char* part : {
             "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
             "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",   // Windows 7
             "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",   // 8
             "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",   // 8.1
             "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",   // 10 and 11
             "WindowsSettings\">false</dpiAware>",
             "WindowsSettings\">true</gdiScaling>" })
        EXPECT_NE(manifest.find(part), std::string::npos) << part;
}

// First start from the unpacked folder: the window comes up with the first-start
// categories, the shell is asked to open the shipped guide, the add dialog's prompt fits
// its control with the prefix's fonts, and closing saves the settings.
TEST(e2eRelease, UnpackedProgramStartsOpensTheGuideAndSavesOnClose)
{
    std::wstring folder = Unpacked();
    ASSERT_TRUE(FileExists(folder + L"\\App\\Kotopane.exe")) << "e2e_release_zip did not unpack the zip";
    ASSERT_FALSE(DirExists(SettingsFolder(folder)));
    HandoffLogStart(L"e2e_release");
    KOTOPANE_RUN r;
    ASSERT_TRUE(StartInPlace(folder, &r));

    // Menus cannot be read from another process under Wine: choose each category instead.
    EXPECT_EQ(ChooseEmptyCategory(r, 0), L"このメニュー（★ほめる）に画像は登録されていません。");
    EXPECT_EQ(ChooseEmptyCategory(r, 1), L"このメニュー（★なぐさめる）に画像は登録されていません。");
    std::vector<std::wstring> handoffs = HandoffLogLines(1, 5000);
    ASSERT_EQ(handoffs.size(), 1u);
    std::wstring guide = folder + L"\\部品\\使い方.html";
    EXPECT_NE(handoffs[0].find(L"\"" + guide + L"\""), std::wstring::npos) << ToCp932(handoffs[0]);
    EXPECT_TRUE(FileExists(guide));

    // The dialogs ask for "ＭＳ Ｐゴシック" at 12 px; with the proportional replacement the
    // prompt fits its control as it does on Windows (the monospaced face runs ~456 px).
    PostMessageW(r.main, WM_COMMAND, CMD_ADD_CATEGORY, 0);
    HWND dlg = FindProcessWindow(r.app.pid, L"NORMALDLG", 5000);
    ASSERT_NE(dlg, nullptr);
    // The window exists before its controls: wait until it shows.
    for (DWORD start = GetTickCount(); !IsWindowVisible(dlg) && GetTickCount() - start < 5000;)
        Sleep(20);
    HWND prompt = GetDlgItem(dlg, 1002);
    ASSERT_NE(prompt, nullptr);
    wchar_t text[128] = {};
    GetWindowTextW(prompt, text, 128);
    EXPECT_STREQ(text, L"新しいメニューの題名を入力してください　（全角１０文字（半角２０文字）まで）");
    RECT box;
    GetClientRect(prompt, &box);
    HFONT font = CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, SHIFTJIS_CHARSET, OUT_STROKE_PRECIS,
                             CLIP_STROKE_PRECIS, DRAFT_QUALITY, FF_SWISS, L"ＭＳ Ｐゴシック");
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE extent = {};
    GetTextExtentPoint32W(dc, text, lstrlenW(text), &extent);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(font);
    EXPECT_GT(extent.cx, 300);
    EXPECT_LE(extent.cx, box.right - box.left) << "the prompt is cut off";
    PostMessageW(dlg, WM_CLOSE, 0, 0);
    for (DWORD start = GetTickCount(); IsWindow(dlg) && GetTickCount() - start < 5000;)
        Sleep(20);

    DWORD code = 99;
    EXPECT_TRUE(E2eClose(&r, &code));
    EXPECT_EQ(code, 0u);
    E2eCleanUp(&r);
    std::string bytes;
    ASSERT_TRUE(ReadBytes(SettingsFolder(folder) + L"\\メニューリスト.txt", &bytes));
    EXPECT_EQ(bytes, ToCp932(L"★ほめる\r\n★なぐさめる\r\n"));
    EXPECT_TRUE(FileExists(SettingsFolder(folder) + L"\\★ほめる\\★ほめるセリフ.txt"));
    EXPECT_TRUE(FileExists(SettingsFolder(folder) + L"\\背景色.txt"));
    EXPECT_FALSE(DirExists(folder + L"\\App\\ファイルマップフォルダ"));
}
