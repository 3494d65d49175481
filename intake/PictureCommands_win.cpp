#include "intake/Intake.h"

#include <string.h>
#include <string>

#include "base/CommandIds.h"
#include "base/Edge.h"
#include "base/Limits.h"
#include "base/Window.h"
#include "categories/MenuBar.h"
#include "display/Display.h"
#include "intake/IntakeState.h"
#include "store/Paths.h"

INTAKE_STATE Intake;

static int NowPicSuu()
{
    return PictureCount(NowMenuNum());
}

static void OpenSettingsFolder()
{
    char path[KP_PATH_BYTES] = {};
    ProgramPath(path, sizeof path, KP_SETTINGS_DIR);
    EdgeOpenForUser(MainWindow(), path, HAND_OFF_FOLDER);
}

// CMD_ADD_PICTURE: pictures come in by dropping; explain how.
void MainWnd_AddPicture_MenuClick()
{
    std::string text = "メニュー「";
    text += CategoryName(NowMenuNum());
    text += "」に画像を入れたい場合は、そのままウィンドウに画像をドロップしてください。\r\n"
            "　違うメニューに入れたいときは、そのメニューをクリックしてからドロップしてください。\r\n"
            "（元の画像は移動したり失われたりしません。）\r\n"
            "(裏ワザ：メニューをクリックしなくても、入れたいメニューの上にドロップすればそのメニューに画像が入ります。)";
    EdgeMessageBox(MainWindow(), text.c_str(),
                   "画像はウィンドウかそれぞれのメニューフォルダにドロップしてください。", MB_TOPMOST);
}

// The folder of the selected category; empty when there is none.
static void SelectedFolder(char* out, size_t cap)
{
    CategoryFolderPath(NowMenuNum(), out, cap);
}

// CMD_PICTURE_NAME: where the shown picture lies.
void MainWnd_PictureName_MenuClick()
{
    char path[KP_PATH_BYTES], selected[KP_PATH_BYTES];
    SelectedFolder(selected, sizeof selected);
    if (strlen(CurrentPictureName()) >= 4 && ShownPicturePath(path, sizeof path, selected))
        EdgeMessageBox(MainWindow(), path, "(` v`)/ 現在の画像ファイル名", MB_OK);
    else
        EdgeMessageBox(MainWindow(), "現在の画像がありません。", "(;` v`)/ 現在の画像ファイル名", MB_OK);
}

// CMD_REMOVE_PICTURE: deletes the shown picture's file and leaves the background on screen.
void MainWnd_RemovePicture_MenuClick()
{
    char path[KP_PATH_BYTES], selected[KP_PATH_BYTES];
    SelectedFolder(selected, sizeof selected);
    if (!PictureShown() || NowPicSuu() == 0 || !ShownPicturePath(path, sizeof path, selected)) {
        EdgeMessageBox(MainWindow(), "削除する画像がありません。", "削除", MB_TOPMOST);
        return;
    }
    EdgeDeleteFile(path);
    ForgetShownPicture();
    InvalidateRect(MainWindow(), NULL, FALSE);
}

// CMD_DELETE_PICTURE, CMD_COPY_PICTURE: done by hand in the file manager.
void MainWnd_DeletePicture_MenuClick()
{
    OpenSettingsFolder();
    EdgeMessageBox(MainWindow(), "個人設定フォルダ内にある各フォルダから手動で削除してください。",
                   "画像を選択して削除", MB_TOPMOST);
}

void MainWnd_CopyPicture_MenuClick()
{
    OpenSettingsFolder();
    EdgeMessageBox(MainWindow(), "個人設定フォルダ内にある各フォルダから手動でコピーしてください。",
                   "画像を指定して別のメニューにコピー", MB_TOPMOST);
}

static void AddPopupItem(const char* text, UINT id, int checked, int disabled)
{
    if (Intake.popupItemCount >= POPUP_ITEM_MAX)
        return;
    POPUP_ITEM* item = &Intake.popupItem[Intake.popupItemCount++];
    strcpy(item->text, text);
    item->id = id;
    item->checked = checked;
    item->disabled = disabled;
}

static bool IsSeparatorText(const char* text)
{
    return strcmp(text, "セパレータ") == 0 || strcmp(text, "ｾﾊﾟﾚｰﾀ") == 0;
}

// Builds the context menu from the item table and tracks it at the cursor; the choice
// arrives at the main window as WM_COMMAND.
static void ShowPopupMenu()
{
    if (Intake.popupItemCount == 0)
        EdgeMessageBox(MainWindow(), "メニューアイテムがありません。", "PopUpMenu", MB_OK);

    HMENU menu = CreatePopupMenu();
    Intake.hPopupMenu = menu;
    for (int q = 0; q < Intake.popupItemCount; q++) {
        const POPUP_ITEM* item = &Intake.popupItem[q];
        MENUITEMINFOW mii = {};
        mii.cbSize = sizeof mii;
        mii.fMask = MIIM_ID | MIIM_TYPE;
        mii.wID = item->id;
        if (IsSeparatorText(item->text)) {
            mii.fType = MFT_SEPARATOR;
            EdgeInsertMenuItem(menu, Intake.popupItemCount, TRUE, &mii, nullptr);
            continue;
        }
        mii.fType = MFT_STRING;
        if (item->checked == 1) {
            mii.fMask |= MIIM_STATE;
            mii.fState |= MFS_CHECKED;
        }
        if (item->disabled == 1) {
            mii.fMask |= MIIM_STATE;
            mii.fState |= MFS_GRAYED | MFS_DISABLED;
        }
        EdgeInsertMenuItem(menu, q, TRUE, &mii, item->text);
    }

    POINT pt = {};
    GetCursorPos(&pt);
    TrackPopupMenu(menu, TPM_VCENTERALIGN, pt.x, pt.y, 0, MainWindow(), nullptr);
    DestroyMenu(menu);
    Intake.hPopupMenu = NULL;
}

// Right click: the one picture command that needs the shown picture.
void PopUpMenu(WPARAM keys, int x, int y)
{
    if (PictureShown() && NowPicSuu() > 0)
        AddPopupItem("現在の画像をリストから外す", CMD_REMOVE_PICTURE, 0, 0);
    ShowPopupMenu();
    Intake.popupItemCount = 0;
}

int PopupItemCount()
{
    return Intake.popupItemCount;
}
