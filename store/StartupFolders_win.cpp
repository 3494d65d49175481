#include "store/Paths.h"

#include <windows.h>

#include <string>

#include "base/Edge.h"
#include "base/Limits.h"
#include "converter/Qx5Protocol.h"
#include "store/TextFile.h"

// The folders as the user knows them (their long forms), for telling the user about them,
// and whether this start made the settings folder.
struct STORE_EDGE {
    std::wstring programFolder;
    std::wstring workDir;
    bool settingsMade;
};
static STORE_EDGE glStoreEdge;

bool ProgramFolderFromWide(const wchar_t* workDir, SHORT_PATH_FN shortPath, char* out, size_t cap,
                           std::wstring* longFolder)
{
    if (cap > 0)
        out[0] = 0;
    std::wstring folder = workDir;
    size_t cut = folder.find_last_of(L'\\');
    if (cut != std::wstring::npos)
        folder.resize(cut);
    *longFolder = folder;
    if (folder.empty())
        return false;
    if (EdgeFromWide(folder.c_str(), out, (int)cap) > 0)
        return true;
    // The 8.3 name, where the file system keeps one, is plain ASCII (and shorter).
    wchar_t shortForm[MAX_PATH + 1];
    unsigned long n = shortPath ? shortPath(folder.c_str(), shortForm, MAX_PATH + 1) : 0;
    if (n == 0 || n > MAX_PATH)
        return false;
    return EdgeFromWide(shortForm, out, (int)cap) > 0;
}

static unsigned long SystemShortPath(const wchar_t* longPath, wchar_t* out, unsigned long cap)
{
    return GetShortPathNameW(longPath, out, cap);
}

static void ReportUnusableFolder(const std::wstring& folder)
{
    std::wstring text = L"Kotopaneのフォルダ\r\n　";
    text += folder;
    text += L"\r\nの場所の名前には、Kotopaneが扱えない文字が入っているか、長すぎます。\r\n"
            L"Kotopaneのフォルダを、名前に日本語か半角英数字だけを使った場所（たとえば C:\\Kotopane）に"
            L"移してから、もう一度起動してください。";
    EdgeMessageBoxWide(nullptr, text.c_str(), "（；‘ v‘）/フォルダの場所", MB_OK);
}

bool StoreStart()
{
    SetProgramFolder("");
    DWORD need = GetCurrentDirectoryW(0, nullptr);
    std::wstring work(need > 0 ? need : 1, L'\0');
    DWORD n = need > 0 ? GetCurrentDirectoryW(need, &work[0]) : 0;
    work.resize(n < need ? n : 0);
    char folder[KP_PATH_BYTES];
    std::wstring longFolder;
    if (work.empty() || !ProgramFolderFromWide(work.c_str(), SystemShortPath, folder, sizeof folder, &longFolder)) {
        ReportUnusableFolder(longFolder.empty() ? work : longFolder);
        return false;
    }
    SetProgramFolder(folder);
    glStoreEdge.programFolder = longFolder;
    glStoreEdge.workDir = work;

    char path[KP_PATH_BYTES];
    glStoreEdge.settingsMade = ProgramPath(path, sizeof(path), KP_SETTINGS_DIR) && EdgeCreateDirectory(path);
    return true;
}

static void ReportUnwritableFolder(const std::wstring& folder, DWORD error)
{
    std::wstring text = L"次のフォルダに書き込めないため、Kotopaneを使えません。\r\n　";
    text += folder;
    text += DiskFullError(error) ? L"\r\n（ディスクの空きがありません。）\r\n\r\n"
                                   L"不要なファイルを消して空きを作るか、Kotopaneのフォルダ\r\n　"
                                 : L"\r\n（書き込みが許されていない場所です。）\r\n\r\nKotopaneのフォルダ\r\n　";
    text += glStoreEdge.programFolder;
    text += L"\r\nを、書き込める場所（たとえば ドキュメント、デスクトップ、別のドライブ）に移してから、"
            L"もう一度起動してください。";
    EdgeMessageBoxWide(nullptr, text.c_str(), "（；‘ v‘）/フォルダの場所", MB_OK);
}

bool StoreCheckWritable(const char* workFolder)
{
    char settings[KP_PATH_BYTES];
    DWORD error = NO_ERROR;
    std::wstring unwritable;
    bool workMade = false;
    if (!ProgramPath(settings, sizeof settings, KP_SETTINGS_DIR) || !FolderWritable(settings, &error)) {
        unwritable = glStoreEdge.programFolder + L"\\個人設定";
    } else {
        workMade = EdgeCreateDirectory(workFolder) != FALSE;
        if (!FolderWritable(workFolder, &error)) {
            wchar_t name[MAX_PATH + 1];
            EdgeToWide(workFolder, name, MAX_PATH + 1);
            unwritable = glStoreEdge.workDir + L"\\" + name;
        }
    }
    if (unwritable.empty())
        return true;
    // What this start made goes again (a folder is removed only while empty).
    if (workMade)
        EdgeRemoveDirectory(workFolder);
    if (glStoreEdge.settingsMade)
        EdgeRemoveDirectory(settings);
    ReportUnwritableFolder(unwritable, error);
    return false;
}

void DeleteConversionOutput()
{
    char path[KP_PATH_BYTES];
    if (ProgramPath(path, sizeof path, KP_GAZOU_BMP))
        EdgeDeleteFile(path);
    if (ProgramPath(path, sizeof path, KP_GAZOU_BMP, CONVERTER_PARTIAL_SUFFIX))
        EdgeDeleteFile(path);
    if (ProgramPath(path, sizeof path, KP_GAZOU_OLD_BMP))
        EdgeDeleteFile(path);
}
