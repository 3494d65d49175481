#pragma once

#include "base/Limits.h"

// Command ids of the main window's menus, used by the program and by its tests.
enum {
    // The Edit menu (編集), top to bottom.
    CMD_ADD_PICTURE = 1007,        // 画像追加
    CMD_PICTURE_NAME = 1008,       // 現在の画像ファイル名
    CMD_REMOVE_PICTURE = 1009,     // 現在の画像をリストから外す; also the context menu's item
    CMD_DELETE_PICTURE = 1010,     // 画像を選択して削除
    CMD_COPY_PICTURE = 1011,       // 画像を指定して別のメニューにコピー
    CMD_ADD_LINES = 1012,          // セリフを追加
    CMD_DELETE_LINES = 1013,       // セリフを選択して削除
    CMD_ADD_CATEGORY = 1014,       // メニュー追加 (the MenuTsuika dialog)
    CMD_DELETE_CATEGORY = 1015,    // メニュー削除 (the MenuSakujo dialog)
    CMD_RESTORE_CATEGORY = 1016,   // 削除済みメニューの復活
    CMD_HEART_OPTION = 1017,       // 語尾にハートを付ける (the Kinou dialog)
    CMD_BACK_COLOUR = 1018,        // 背景色指定
    CMD_HITORIGOTO = 1019,         // ひとりごと… (the Hitorigoto dialog)
    CMD_EDIT_FIRST = CMD_ADD_PICTURE,
    CMD_EDIT_LAST = CMD_HITORIGOTO,

    // A category entry on the menu bar: this id + the category's index.
    CMD_CATEGORY_FIRST = 10000,
    // An item of the recent folders popup (フォルダ): this id + its slot.
    CMD_RECENT_FIRST = 5330,
    CMD_RECENT_COUNT = 5,
};

// The three ranges never meet, and every id fits the low word of WM_COMMAND's wParam.
static_assert(CMD_EDIT_FIRST <= CMD_EDIT_LAST && CMD_EDIT_LAST < CMD_RECENT_FIRST,
              "the Edit commands lie below the recent folders");
static_assert(CMD_RECENT_FIRST + CMD_RECENT_COUNT <= CMD_CATEGORY_FIRST, "the recent folders lie below the categories");
static_assert((int)CMD_CATEGORY_FIRST + (int)CATEGORY_MAX - 1 <= 0xFFFF, "category ids fit a WORD");
