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
#define KP_GAZOU_OLD_BMP     "\\個人設定\\Gazou.old.bmp"   // the one before, until it is deleted
#define KP_CONVERTER_EXE     "\\部品\\QX5.exe"
#define KP_HEART_BMP         "\\部品\\★ハート.bmp"
#define KP_LINES_SUFFIX      "セリフ.txt"

// Program folder from the working directory: everything before its last backslash.
void ProgramFolderOf(const char* workDir, char* out, size_t cap);

// The program folder, found once at start-up (StoreStart); "" before that.
const char* ProgramFolder();
void SetProgramFolder(const char* folder);
// The program folder followed by up to four texts (the literals above begin with a
// backslash); false (and an empty out) when they don't fit.
bool ProgramPath(char* out, size_t cap, const char* a, const char* b = nullptr, const char* c = nullptr,
                 const char* d = nullptr);

// Start-up: the program folder from the working directory, and the settings folder in it.
void StoreStart();
