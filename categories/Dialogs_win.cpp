#include "categories/DialogHost.h"

#include <string.h>
#include <string>

#include "base/Edge.h"
#include "base/Limits.h"
#include "base/PathJoin.h"
#include "base/Window.h"
#include "categories/CategoriesState.h"
#include "categories/CategoryRules.h"
#include "categories/DialogKinds.h"
#include "categories/MenuBar.h"
#include "display/Display.h"
#include "store/LineText.h"
#include "store/Paths.h"

enum {
    ID_NAME_EDIT = 1000,
    ID_OK = 1001,
    ID_PROMPT = 1002,
    ID_LIMIT_NOTE = 1003,
    ID_MENU_LIST = 1004,
    ID_DELETE = 1005,
    ID_HEART_CHECK = 1006,
    ID_INTERVAL_FIRST = 1007,   // the intervals' radio buttons, top to bottom
    ID_PICTURES_CHECK = 1012
};

static const DWORD kChild = WS_CHILD | WS_VISIBLE;
static const char* const kBadNameCaption = "使えない文字<(_ _)>";

static bool Clicked(WPARAM wParam, int id)
{
    return LOWORD(wParam) == id && HIWORD(wParam) == BN_CLICKED;
}

// ---- Add category (MenuTsuika) ----

// The dialog stays open after a refusal. Some message box implementations (Wine's)
// enable a disabled owner again, so the main window is disabled once more afterwards; the
// dialog is made active again, with the caret back in its name field.
static void MenuTsuika_Refuse(HWND dlg, const char* text, const char* caption)
{
    EdgeMessageBox(MainWindow(), text, caption, MB_TOPMOST | MB_OK);
    if (!IsWindow(dlg))
        return;
    EnableWindow(MainWindow(), FALSE);
    SetActiveWindow(dlg);
}

enum { NAME_READ_OK, NAME_READ_TOO_LONG, NAME_READ_NOT_CP932 };

// The name typed into the edit control, as code page 932 (every UTF-16 unit becomes at
// most two bytes, so cap = 2 * 1004 holds any text the rules look at).
static int MenuTsuika_ReadName(HWND dlg, char* name, int cap)
{
    HWND edit = GetDlgItem(dlg, ID_NAME_EDIT);
    name[0] = 0;
    // More than 1003 characters never fit in 20 bytes: no need to convert them.
    if (GetWindowTextLengthW(edit) > LINE_MAX_BYTES)
        return NAME_READ_TOO_LONG;
    if (EdgeGetWindowText(edit, name, cap) < 0) {
        name[0] = 0;
        return NAME_READ_NOT_CP932;
    }
    return NAME_READ_OK;
}

// What the name opens on disk: a file there, or a folder under another name (a short
// name typed for it), can't become the new category's folder.
static CATEGORY_NAME_CHECK MenuTsuika_CheckOnDisk(const char* name, const char* folder)
{
    EDGE_FIND_DATA fd;
    HANDLE h = EdgeFindFirstFile(folder, &fd);
    if (h == INVALID_HANDLE_VALUE)
        return NAME_OK;
    FindClose(h);
    if (!(fd.attributes & FILE_ATTRIBUTE_DIRECTORY))
        return NAME_NOT_PLAIN;
    if (fd.lossy || SameCategoryFolder(fd.name, name))
        return NAME_OK;
    return CheckNewCategoryName(fd.name, Categories.glMenuName, Categories.glMenuSuu) == NAME_DUPLICATE
               ? NAME_DUPLICATE : NAME_NOT_PLAIN;
}

// Tells why the name can't be taken; true when it can.
static bool MenuTsuika_Accepts(HWND dlg, CATEGORY_NAME_CHECK check, const char* name)
{
    switch (check) {
    case NAME_OK:
        return true;
    case NAME_LIST_FULL:
        MenuTsuika_Refuse(dlg, "これ以上増やせません。", "メニュー数制限");
        return false;
    case NAME_TOO_LONG:
        MenuTsuika_Refuse(dlg, "メニュー文字の長さは全角１０文字（半角２０文字）までです。", "字数制限");
        return false;
    case NAME_EMPTY:
        MenuTsuika_Refuse(dlg, "メニューの題名を入力してください。", "題名がありません<(_ _)>");
        return false;
    case NAME_NOT_PLAIN:
        MenuTsuika_Refuse(dlg, "メニューの題名に　\\ / : * ? \" < > |　は使えません。"
                          "「.」や「..」、最後が空白か「.」の題名、CON や NUL などの名前、"
                          "個人設定フォルダにあるファイルと同じ名前も使えません。",
                          kBadNameCaption);
        return false;
    case NAME_DUPLICATE: {
        std::string text = "メニュー「";
        text += name;
        text += "」はもうあります。別の題名を入力してください。";
        MenuTsuika_Refuse(dlg, text.c_str(), "同じ名前があります<(_ _)>");
        return false;
    }
    }
    return false;
}

// The typed name, when it may become a new category, with its folder and lines file;
// otherwise the user is told why not and false is returned.
static bool MenuTsuika_TakeName(HWND dlg, char* name, int cap, char* folder, char* linesFile)
{
    if (CategoryCount() >= CATEGORY_MAX) {
        MenuTsuika_Refuse(dlg, "これ以上増やせません。", "メニュー数制限");
        return false;
    }
    int read = MenuTsuika_ReadName(dlg, name, cap);
    if (read == NAME_READ_NOT_CP932) {
        MenuTsuika_Refuse(dlg, "メニューの題名に、Kotopaneで使えない文字（シフトJISにない文字）が入っています。",
                          kBadNameCaption);
        return false;
    }
    CATEGORY_NAME_CHECK check = read == NAME_READ_TOO_LONG
                                    ? NAME_TOO_LONG
                                    : CheckNewCategoryName(name, Categories.glMenuName, Categories.glMenuSuu);
    bool placed = check == NAME_OK && CategoryPlacesOfName(name, folder, KP_PATH_BYTES, linesFile, KP_PATH_BYTES);
    if (placed)
        check = MenuTsuika_CheckOnDisk(name, folder);
    if (!MenuTsuika_Accepts(dlg, check, name))
        return false;
    if (!placed) {
        MenuTsuika_Refuse(dlg, "個人設定フォルダの場所が深すぎて、このメニューのフォルダを作れません。",
                          "フォルダを作れません<(_ _)>");
        return false;
    }
    return true;
}

// A category deleted earlier keeps its folder: its lines file is kept as it is.
static void MenuTsuika_MakeFolder(const char* folder, const char* linesFile)
{
    EdgeCreateDirectory(folder);
    HANDLE h = EdgeCreateFile(linesFile, GENERIC_WRITE, 0, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL);
    if (h != INVALID_HANDLE_VALUE)
        CloseHandle(h);
}

// OK and Enter: a new category at the end of the list, its entry leftmost on the bar,
// its folder and lines file in the settings folder, the lines file opened for writing.
static void MenuTsuika_Add(HWND dlg)
{
    char name[2 * (LINE_MAX_BYTES + 1)];
    char folder[KP_PATH_BYTES], linesFile[KP_PATH_BYTES];
    if (!MenuTsuika_TakeName(dlg, name, sizeof name, folder, linesFile))
        return;
    AddCategory(name);
    MenuTsuika_MakeFolder(folder, linesFile);

    EdgeMessageBox(MainWindow(), "セリフを書き込んでください。複数書くときは「enter」で改行してください。",
                   "（‘ v‘）/", MB_TOPMOST | MB_OK);
    // The window was closed meanwhile: the shutdown has saved the new category, and the
    // program is ending. (A dialog closed meanwhile still gets its lines file opened.)
    if (!ProgramRunning())
        return;
    EdgeOpenForUser(MainWindow(), linesFile, HAND_OFF_FILE);
    DialogClose(dlg, 0);
}

static LRESULT MenuTsuika_Inner(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG:
        DialogControl(dlg, SLOT_MENUTSUIKA, WS_EX_CLIENTEDGE, "EDIT", "", kChild, 26, 34, 371, 35, ID_NAME_EDIT);
        DialogControl(dlg, SLOT_MENUTSUIKA, 0, "BUTTON", "OK", kChild | BS_PUSHBUTTON, 341, 85, 88, 21, ID_OK);
        DialogControl(dlg, SLOT_MENUTSUIKA, 0, "STATIC",
                      "新しいメニューの題名を入力してください　（全角１０文字（半角２０文字）まで）",
                      kChild, 26, 12, 389, 12, ID_PROMPT);
        DialogControl(dlg, SLOT_MENUTSUIKA, 0, "STATIC", "メニューは１０個まで", kChild, 38, 88, 195, 17,
                      ID_LIMIT_NOTE);
        return 0;
    case WM_ACTIVATE:
        // Ready to type whenever it is active: at once, and again after a refusal.
        if (LOWORD(wParam) == WA_INACTIVE)
            break;
        SetFocus(GetDlgItem(dlg, ID_NAME_EDIT));
        return 0;
    case WM_CLOSE:
        DialogClose(dlg, 0);
        return 0;
    case WM_DESTROY:
        return 0;
    case WM_COMMAND:
        if (Clicked(wParam, ID_OK))
            MenuTsuika_Add(dlg);
        return 0;
    }
    return DefWindowProcW(dlg, msg, wParam, lParam);
}

LRESULT CALLBACK MenuTsuikaProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_COMMAND && LOWORD(wParam) == IDOK)
        MenuTsuika_Add(dlg);
    return MenuTsuika_Inner(dlg, msg, wParam, lParam);
}

// ---- Delete category (MenuSakujo) ----

static void MenuSakujo_Fill(HWND list)
{
    for (int i = 0; i < Categories.glMenuSuu; i++)
        EdgeListBoxAddString(list, Categories.glMenuName[i]);
}

// Takes the chosen name off the list and ends the program, whose shutdown writes the
// shorter menu list. The category's folder stays on disk so it can come back.
static void MenuSakujo_Delete(HWND dlg)
{
    // After each box: a dialog gone meanwhile (with the main window) ends the action there.
    if (EdgeMessageBox(dlg, "本当に削除しますか？", "本当にいいですか？", MB_YESNO) != IDYES || !IsWindow(dlg))
        return;
    HWND list = GetDlgItem(dlg, ID_MENU_LIST);
    LRESULT sel = SendMessageW(list, LB_GETCURSEL, 0, 0);
    if (sel == LB_ERR || sel < 0 || sel >= Categories.glMenuSuu) {
        EdgeMessageBox(dlg, "メニューをクリックしてから再度押してください。", "", MB_TOPMOST | MB_OK);
        return;
    }
    Categories.glMenuSuu = RemoveCategoryName(Categories.glMenuName, Categories.glMenuSuu, (int)sel);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    MenuSakujo_Fill(list);
    EdgeMessageBox(dlg,
                   "セリフと画像をまとめたフォルダは削除されません。（復活可能にするためです。）\r\n"
                   "完全に削除したいときは、手動で個人設定フォルダから削除してください。",
                   "お願い<(_ _)>", MB_TOPMOST | MB_OK);
    // The list is shorter now, so the program ends however the boxes were closed: the
    // entries on the bar no longer match it.
    if (IsWindow(dlg))
        EdgeMessageBox(dlg, "いったんKotopaneを閉じます。\r\nあとでKotopaneを再起動させてください。",
                       "お願い２<(_ _)>", MB_TOPMOST | MB_OK);
    DialogClose(dlg, 0);
    if (ProgramRunning())
        DestroyWindow(MainWindow());
}

static LRESULT MenuSakujo_Inner(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG: {
        HWND list = DialogControl(dlg, SLOT_MENUSAKUJO, WS_EX_CLIENTEDGE, "LISTBOX", "",
                                  kChild | WS_VSCROLL | LBS_NOTIFY, 51, 43, 356, 157, ID_MENU_LIST);
        DialogControl(dlg, SLOT_MENUSAKUJO, 0, "STATIC", "削除したいメニューを選択して削除を押してください",
                      kChild, 48, 14, 260, 22, ID_PROMPT);
        DialogControl(dlg, SLOT_MENUSAKUJO, 0, "BUTTON", "OK", kChild | BS_PUSHBUTTON, 345, 258, 90, 38, ID_OK);
        DialogControl(dlg, SLOT_MENUSAKUJO, 0, "BUTTON", "削除", kChild | BS_PUSHBUTTON, 178, 266, 113, 27,
                      ID_DELETE);
        MenuSakujo_Fill(list);
        return 0;
    }
    case WM_CLOSE:
        DialogClose(dlg, 0);
        return 0;
    case WM_DESTROY:
        return 0;
    case WM_COMMAND:
        if (Clicked(wParam, ID_OK))
            DialogClose(dlg, 0);
        else if (Clicked(wParam, ID_DELETE))
            MenuSakujo_Delete(dlg);
        return 0;
    }
    return DefWindowProcW(dlg, msg, wParam, lParam);
}

// Enter has no action of its own here.
LRESULT CALLBACK MenuSakujoProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return MenuSakujo_Inner(dlg, msg, wParam, lParam);
}

// ---- The two option dialogs ----

// Enter, OK and the title-bar button close an option dialog; every click of one of its own
// controls takes effect as it comes, through clicked.
static LRESULT OptionDialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam, void (*create)(HWND, LPARAM),
                                void (*clicked)(HWND, int))
{
    switch (msg) {
    case WM_INITDIALOG:
        create(dlg, lParam);
        return 0;
    case WM_CLOSE:
        DialogClose(dlg, 0);
        return 0;
    case WM_DESTROY:
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || Clicked(wParam, ID_OK))
            DialogClose(dlg, 0);
        else if (HIWORD(wParam) == BN_CLICKED)
            clicked(dlg, LOWORD(wParam));
        return 0;
    }
    return DefWindowProcW(dlg, msg, wParam, lParam);
}

// ---- Heart option (Kinou) ----

static void Kinou_Create(HWND dlg, LPARAM)
{
    HWND check = DialogControl(dlg, SLOT_KINOU, 0, "BUTTON", "語尾にハートをつける", kChild | BS_AUTOCHECKBOX, 81, 46,
                               132, 20, ID_HEART_CHECK);
    DialogControl(dlg, SLOT_KINOU, 0, "BUTTON", "OK", kChild | BS_PUSHBUTTON, 357, 106, 88, 21, ID_OK);
    if (HeartFlag() != 0)
        SendMessageW(check, BM_SETCHECK, 1, 0);
}

// There is nothing to cancel: the flag follows the box at once.
static void Kinou_Clicked(HWND dlg, int id)
{
    if (id == ID_HEART_CHECK)
        SetHeartFlag((int)SendMessageW(GetDlgItem(dlg, ID_HEART_CHECK), BM_GETCHECK, 0, 0));
}

LRESULT CALLBACK KinouProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return OptionDialogProc(dlg, msg, wParam, lParam, Kinou_Create, Kinou_Clicked);
}

// ---- The character's talk on its own (Hitorigoto) ----

static const struct {
    int seconds;
    const char* text;
} kTalkIntervals[] = {
    { 0, "しない" }, { 60, "1分ごと" }, { 180, "3分ごと" }, { 600, "10分ごと" }, { 1800, "30分ごと" },
};
static constexpr int TALK_INTERVALS = (int)(sizeof kTalkIntervals / sizeof kTalkIntervals[0]);
static_assert(ID_INTERVAL_FIRST + TALK_INTERVALS == ID_PICTURES_CHECK, "one id per interval");

// The choice the caller lent the dialog (the lParam of WM_INITDIALOG); each click changes
// it, and the caller takes it once the dialog has closed, however it was closed.
static HITORIGOTO_CHOICE* Hitorigoto_Choice(HWND dlg)
{
    return (HITORIGOTO_CHOICE*)GetWindowLongPtrW(dlg, GWLP_USERDATA);
}

static void Hitorigoto_Create(HWND dlg, LPARAM lParam)
{
    HITORIGOTO_CHOICE* choice = (HITORIGOTO_CHOICE*)lParam;
    SetWindowLongPtrW(dlg, GWLP_USERDATA, lParam);
    for (int k = 0; k < TALK_INTERVALS; k++) {
        // One group: the system keeps one of the five checked as the user clicks.
        HWND radio = DialogControl(dlg, SLOT_HITORIGOTO, 0, "BUTTON", kTalkIntervals[k].text,
                                   kChild | BS_AUTORADIOBUTTON | (k == 0 ? WS_GROUP : 0), 81, 16 + 24 * k, 132, 20,
                                   ID_INTERVAL_FIRST + k);
        // An interval written into the file by hand is none of the five: none is checked,
        // and it stays as it is unless one is clicked.
        if (choice && choice->seconds == kTalkIntervals[k].seconds)
            SendMessageW(radio, BM_SETCHECK, BST_CHECKED, 0);
    }
    HWND check = DialogControl(dlg, SLOT_HITORIGOTO, 0, "BUTTON", "画像も替える",
                               kChild | BS_AUTOCHECKBOX | WS_GROUP, 81, 144, 132, 20, ID_PICTURES_CHECK);
    DialogControl(dlg, SLOT_HITORIGOTO, 0, "BUTTON", "OK", kChild | BS_PUSHBUTTON | WS_GROUP, 357, 143, 88, 21, ID_OK);
    if (choice && choice->pictures)
        SendMessageW(check, BM_SETCHECK, BST_CHECKED, 0);
}

static void Hitorigoto_Clicked(HWND dlg, int id)
{
    HITORIGOTO_CHOICE* choice = Hitorigoto_Choice(dlg);
    if (!choice)
        return;
    if (id >= ID_INTERVAL_FIRST && id < ID_INTERVAL_FIRST + TALK_INTERVALS)
        choice->seconds = kTalkIntervals[id - ID_INTERVAL_FIRST].seconds;
    else if (id == ID_PICTURES_CHECK)
        choice->pictures = SendMessageW(GetDlgItem(dlg, ID_PICTURES_CHECK), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

LRESULT CALLBACK HitorigotoProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return OptionDialogProc(dlg, msg, wParam, lParam, Hitorigoto_Create, Hitorigoto_Clicked);
}

// ---- Restore explanation (CMD_RESTORE_CATEGORY) ----

void MainWnd_RestoreMenu_MenuClick()
{
    char folder[KP_PATH_BYTES];
    ProgramPath(folder, sizeof folder, KP_SETTINGS_DIR);
    EdgeOpenForUser(MainWindow(), folder, HAND_OFF_FOLDER);
    EdgeMessageBox(MainWindow(),
                   "個人設定フォルダにある「メニューリスト」というファイルに、復活させたいメニュー文字列を記入して、"
                   "上書き保存し、Kotopaneを再起動してください。",
                   "削除済みメニューの復活", MB_TOPMOST | MB_OK);
}
