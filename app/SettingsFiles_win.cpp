#include "app/MainWnd.h"

#include <string>
#include <vector>

#include "base/Edge.h"
#include "base/Limits.h"
#include "categories/MenuBar.h"
#include "categories/RecentFolders.h"
#include "display/Display.h"
#include "store/SettingsFiles.h"
#include "store/TextFile.h"

namespace {

typedef void (*SETTINGS_IO)(const char* path);

struct SETTINGS_ROW {
    const char* file;
    const wchar_t* words;
    SETTINGS_IO load;
    SETTINGS_IO save;
};

#define SETTINGS_ROW_OF(file, words, load, save) { file, words, load, save },
const SETTINGS_ROW kSettingsFiles[] = { SETTINGS_FILES(SETTINGS_ROW_OF) };
#undef SETTINGS_ROW_OF

// A path that does not fit reads as a missing file and fails to save, as a missing
// folder would.
std::string PathOf(const SETTINGS_ROW& row)
{
    char path[KP_PATH_BYTES];
    SettingsFilePath(row.file, path, sizeof path);
    return path;
}

}  // namespace

void LoadSettingsFiles()
{
    for (const SETTINGS_ROW& row : kSettingsFiles)
        row.load(PathOf(row).c_str());
}

void SaveSettingsFiles()
{
    for (const SETTINGS_ROW& row : kSettingsFiles)
        row.save(PathOf(row).c_str());
}

// Once, after every save was tried: which settings were not saved, and why. Each such file
// kept the bytes of the last save.
void ReportUnsavedSettings(const std::vector<SAVE_FAILURE>& failed)
{
    if (failed.empty())
        return;
    std::wstring text = L"次の設定を保存できませんでした。前に保存した内容が、そのまま残っています。\r\n";
    for (const SAVE_FAILURE& f : failed) {
        wchar_t shown[MAX_PATH + 1] = {};
        for (const SETTINGS_ROW& row : kSettingsFiles)
            if (!f.path.empty() && f.path == PathOf(row))
                lstrcpynW(shown, row.words, MAX_PATH + 1);
        if (!shown[0])
            EdgeToWide(f.path.c_str(), shown, MAX_PATH + 1);
        text += L"\r\n　・";
        text += shown;
        text += DiskFullError(f.error) ? L"：ディスクの空きが足りません。"
                                       : L"：書き込めません（書き込みが許されていない場所か、ほかのプログラムが使っています）。";
    }
    EdgeMessageBoxWide(nullptr, text.c_str(), "設定を保存できませんでした。（；‘ v‘）/", MB_TOPMOST | MB_OK);
}
