#pragma once
#include <cstddef>

// The settings files, one row each, in the order they are read at window creation and
// written at shutdown: the file in the settings folder, what the user calls it when it
// could not be saved, and the functions (each taking the file's path) that read and write
// it. Those functions belong to the subsystem that owns the setting; only the shell, which
// calls them, expands that column. No category may be called by one of these names.
// A new setting is one row here and its two functions.
#define SETTINGS_FILES(ROW)                                                                          \
    ROW("背景色.txt", L"背景色（背景色.txt）", LoadBackColour, SaveBackColour)                       \
    ROW("メニューリスト.txt", L"メニューの並び（メニューリスト.txt）", LoadCategoryList,             \
        SaveCategoryList)                                                                            \
    ROW("最近フォルダパス.txt", L"「フォルダ」の最近のフォルダ（最近フォルダパス.txt）",             \
        LoadRecentFolders, SaveRecentFolders)                                                        \
    ROW("ハート.txt", L"語尾のハート（ハート.txt）", LoadHeartFlag, SaveHeartFlag)                   \
    ROW("ひとりごと.txt", L"ひとりごと（ひとりごと.txt）", LoadHitorigoto, SaveHitorigoto)

// The path of a settings file by its name (a row's first column); false (and "") when it
// does not fit.
bool SettingsFilePath(const char* name, char* out, size_t cap);
