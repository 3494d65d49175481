#pragma once
#include <cstddef>

#include "base/PathJoin.h"

// Literals under the program folder.
#define KP_SETTINGS_DIR      "\\個人設定"
#define KP_SETTINGS_PREFIX   "\\個人設定\\"
#define KP_MENU_LIST_FILE    "\\個人設定\\メニューリスト.txt"
#define KP_BACKCOLOR_FILE    "\\個人設定\\背景色.txt"
#define KP_RECENT_FILE       "\\個人設定\\最近フォルダパス.txt"
#define KP_HEART_FILE        "\\個人設定\\ハート.txt"
#define KP_GAZOU_BMP         "\\個人設定\\Gazou.bmp"
#define KP_CONVERTER_EXE     "\\部品\\QX5.exe"
#define KP_HEART_BMP         "\\部品\\★ハート.bmp"
#define KP_LINES_SUFFIX      "セリフ.txt"
#define KP_FILEMAP_DIR       "ファイルマップフォルダ"

// Program folder from the working directory: everything before its last backslash.
void ProgramFolderOf(const char* workDir, char* out, size_t cap);
