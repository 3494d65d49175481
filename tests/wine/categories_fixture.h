#pragma once
// A plain main window with a real menu bar ("編集(&E)" only, as start-up leaves it), a
// scratch program folder with its settings folder, and the categories started afresh.
#include <gtest/gtest.h>

#include <string.h>
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "base/CommandIds.h"
#include "base/Window.h"
#include "categories/CategoriesState.h"
#include "categories/DialogHost.h"
#include "categories/MenuBar.h"
#include "categories/RecentFolders.h"
#include "display/Display.h"
#include "store/Paths.h"
#include "tests/support/TestSupport.h"

namespace cattest {

inline LRESULT CALLBACK TestMainProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    // Stands in for the shutdown work: the main loop must still see its own quit.
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(wnd, msg, wParam, lParam);
}

inline void RegisterOnce()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    RegisterDialogClass(GetSysColorBrush(COLOR_BTNFACE));
    WNDCLASSW wc = {};
    wc.lpfnWndProc = TestMainProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"KP_CAT_TEST_MAIN";
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    RegisterClassW(&wc);
}

class CategoriesTest : public ::testing::Test {
protected:
    std::wstring program;
    std::wstring settings;

    void SetUp() override
    {
        RegisterOnce();
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::wstring name = L"cat_" + Utf8ToWide(info->name());
        program = MakeScratchProgramFolder(name.c_str(), false);
        settings = SettingsFolder(program);
        ASSERT_TRUE(CreateDirectoryW(settings.c_str(), nullptr));
        SetProgramFolder(ToCp932(program).c_str());

        HMENU bar = CreateMenu();
        HMENU edit = CreatePopupMenu();
        AppendMenuW(edit, MF_STRING, CMD_ADD_CATEGORY, L"メニュー追加");
        AppendMenuW(bar, MF_POPUP | MF_STRING, (UINT_PTR)edit, L"編集(&E)");
        CategoriesStart(bar);
        SetHeartFlag(0);
        SetMainWindow(CreateWindowExW(0, L"KP_CAT_TEST_MAIN", L"main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                    900, 500, nullptr, Categories.hMainMenu, GetModuleHandleW(nullptr), nullptr));
        ASSERT_TRUE(MainWindow() != nullptr);
        HandoffLogStart(name.c_str());
        BoxWatchStart();
    }

    void TearDown() override
    {
        BoxWatchStop();
        if (IsWindow(MainWindow()))
            DestroyWindow(MainWindow());   // the menus go with it
        DrainQuit();
        if (Categories.hRecentPopup && IsMenu(Categories.hRecentPopup))
            DestroyMenu(Categories.hRecentPopup);
        CategoriesEnd();
        SetMainWindow(nullptr);
        DeleteTree(program);
    }

    // Eats what is queued, the WM_QUIT of the test window included; true when one came.
    static bool DrainQuit(DWORD ms = 200)
    {
        MSG msg;
        DWORD start = GetTickCount();
        while (GetTickCount() - start < ms) {
            if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (msg.message == WM_QUIT)
                    return true;
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            } else {
                Sleep(5);
            }
        }
        return false;
    }

    std::wstring S(const char* cp932) { return ToWide(cp932); }
    void MakeCategoryFolder(const wchar_t* name) { CreateDirectoryW((settings + L"\\" + name).c_str(), nullptr); }
    void SetCategories(const std::vector<std::string>& names)
    {
        std::vector<const char*> list;
        for (const std::string& n : names) {
            list.push_back(n.c_str());
            MakeCategoryFolder(ToWide(n.c_str()).c_str());
        }
        SetCategoryList(list.data(), (int)list.size());
    }
    std::vector<std::string> Names()
    {
        std::vector<std::string> v;
        for (int i = 0; i < CategoryCount(); i++)
            v.push_back(CategoryName(i));
        return v;
    }

    // Texts of a menu from top (or left) to bottom (or right), and their ids.
    static std::vector<std::wstring> MenuTexts(HMENU menu)
    {
        std::vector<std::wstring> v;
        for (int i = 0; i < GetMenuItemCount(menu); i++) {
            wchar_t buf[512] = L"";
            GetMenuStringW(menu, i, buf, 512, MF_BYPOSITION);
            v.push_back(buf);
        }
        return v;
    }
    static std::vector<int> MenuIds(HMENU menu)
    {
        std::vector<int> v;
        for (int i = 0; i < GetMenuItemCount(menu); i++)
            v.push_back((int)GetMenuItemID(menu, i));
        return v;
    }
};

// Runs a dialog through the host while a thread timer plays the steps, one per tick, in
// the dialog's own loop. Message boxes are answered by the box watch. A dialog that is
// still open two seconds after the last step is closed and reported.
struct DIALOG_SCRIPT {
    std::vector<std::function<void(HWND)>> steps;
    size_t next;
    int slot;
    HWND stale;                 // the slot's window from before, long destroyed
    bool busy;
    DWORD idleSince;
    bool timedOut;
};
inline DIALOG_SCRIPT gScript;

inline void CALLBACK ScriptTick(HWND, UINT, UINT_PTR, DWORD)
{
    // Steps that show message boxes tick again inside them: one step at a time.
    if (gScript.busy)
        return;
    HWND dlg = Categories.slot[gScript.slot].hWnd;
    if (!dlg || dlg == gScript.stale || !IsWindow(dlg))
        return;
    if (gScript.next < gScript.steps.size()) {
        gScript.busy = true;
        std::function<void(HWND)> step = gScript.steps[gScript.next++];
        step(dlg);
        gScript.busy = false;
        gScript.idleSince = GetTickCount();
        return;
    }
    if (GetTickCount() - gScript.idleSince > 2000) {
        gScript.timedOut = true;
        SendMessageW(dlg, WM_CLOSE, 0, 0);
    }
}

inline int RunDialog(const char* key, int slot, std::vector<std::function<void(HWND)>> steps, bool* timedOut,
                     void* param = nullptr)
{
    gScript.steps = steps;
    gScript.next = 0;
    gScript.slot = slot;
    gScript.busy = false;
    gScript.idleSince = GetTickCount();
    gScript.timedOut = false;
    gScript.stale = Categories.slot[slot].hWnd;
    UINT_PTR timer = SetTimer(nullptr, 0, 10, ScriptTick);
    int code = DialogOpen(MainWindow(), key, param);
    KillTimer(nullptr, timer);
    *timedOut = gScript.timedOut;
    return code;
}

// Client rectangle of a control in its dialog, as x, y, width, height.
inline std::vector<int> ControlBox(HWND dlg, int id)
{
    RECT rc = {};
    GetWindowRect(GetDlgItem(dlg, id), &rc);
    MapWindowPoints(nullptr, dlg, (POINT*)&rc, 2);
    return { (int)rc.left, (int)rc.top, (int)(rc.right - rc.left), (int)(rc.bottom - rc.top) };
}

inline std::wstring ControlClass(HWND dlg, int id)
{
    wchar_t cls[64] = L"";
    GetClassNameW(GetDlgItem(dlg, id), cls, 64);
    return cls;
}

inline std::wstring ControlText(HWND dlg, int id)
{
    wchar_t buf[512] = L"";
    GetWindowTextW(GetDlgItem(dlg, id), buf, 512);
    return buf;
}

}  // namespace cattest
