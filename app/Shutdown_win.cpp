#include "app/MainWnd.h"

#include "app/AppState.h"
#include "base/Edge.h"
#include "base/Limits.h"
#include "bitmaps/BlendTable.h"
#include "bitmaps/FileMapFolder.h"
#include "categories/MenuBar.h"
#include "categories/RecentFolders.h"
#include "display/Display.h"
#include "intake/Intake.h"
#include "qx5link/Qx5Link.h"
#include "store/Paths.h"
#include "store/TextFile.h"

// What the user calls each settings file.
static const struct {
    const char* file;
    const wchar_t* words;
} kSettingNames[] = {
    { KP_BACKCOLOR_FILE, L"背景色（背景色.txt）" },
    { KP_MENU_LIST_FILE, L"メニューの並び（メニューリスト.txt）" },
    { KP_RECENT_FILE, L"「フォルダ」の最近のフォルダ（最近フォルダパス.txt）" },
    { KP_HEART_FILE, L"語尾のハート（ハート.txt）" },
    { KP_HITORIGOTO_FILE, L"ひとりごと（ひとりごと.txt）" },
};

// Once, after every save was tried: which settings were not saved, and why. Each such file
// kept the bytes of the last save.
static void ReportUnsavedSettings(const std::vector<SAVE_FAILURE>& failed)
{
    if (failed.empty())
        return;
    std::wstring text = L"次の設定を保存できませんでした。前に保存した内容が、そのまま残っています。\r\n";
    for (const SAVE_FAILURE& f : failed) {
        wchar_t shown[MAX_PATH + 1] = {};
        char path[KP_PATH_BYTES];
        for (const auto& s : kSettingNames)
            if (ProgramPath(path, sizeof path, s.file) && f.path == path)
                lstrcpynW(shown, s.words, MAX_PATH + 1);
        if (!shown[0])
            EdgeToWide(f.path.c_str(), shown, MAX_PATH + 1);
        text += L"\r\n　・";
        text += shown;
        text += DiskFullError(f.error) ? L"：ディスクの空きが足りません。"
                                       : L"：書き込めません（書き込みが許されていない場所か、ほかのプログラムが使っています）。";
    }
    EdgeMessageBoxWide(nullptr, text.c_str(), "設定を保存できませんでした。（；‘ v‘）/", MB_TOPMOST | MB_OK);
}

// Everything is saved here, once, each settings file by its owner, in this order.
void MainWnd_Destroy()
{
    // A box of its own (a settings file that cannot be written) lets queued commands through:
    // none is taken from here on, and nothing is drawn or converted.
    SetProgramLife(LIFE_CLOSING);
    // Nothing is written into the categories after this, and what a drop brought in is
    // remembered with the rest.
    DropStop();
    for (const MSG& m : App.waiting)
        if (m.message == WM_DROPFILES)
            DragFinish((HDROP)m.wParam);
    App.waiting.clear();
    TakeSaveFailures();   // only this shutdown's saves are told
    ReleaseAlphaBlendTable();
    SaveBackColour();
    SaveCategoryList();
    ReleaseSurfaces();
    SaveRecentFolders();

    // The converter goes first: one still busy with a picture that timed out would otherwise
    // write the conversion output (or its partial file) after it was deleted.
    Qx5LinkQuit();
    DeleteConversionOutput();
    RemoveFileMapFolder();
    SaveHeartFlag();
    SaveHitorigoto();
    ReportUnsavedSettings(TakeSaveFailures());

    // The menu bar takes the Edit and recent folders popups with it.
    DestroyMenu(App.hMainMenu);
    App.hMainMenu = nullptr;
    App.hEditMenu = nullptr;
    CategoriesEnd();
    DisplayEnd();
    DeleteObject(App.hBackBrush);
    App.hBackBrush = nullptr;
    SetProgramLife(LIFE_CLOSED);
    PostQuitMessage(0);
}
