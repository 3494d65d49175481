#pragma once
#include <cstddef>
#include <string>


// Literals under the program folder.
#define KP_SETTINGS_DIR      "\\個人設定"
#define KP_SETTINGS_PREFIX   "\\個人設定\\"
#define KP_GAZOU_BMP         "\\個人設定\\Gazou.bmp"
#define KP_GAZOU_OLD_BMP     "\\個人設定\\Gazou.old.bmp"   // the one before, until it is deleted
#define KP_CONVERTER_EXE     "\\部品\\QX5.exe"
#define KP_HEART_BMP         "\\部品\\★ハート.bmp"
#define KP_LINES_SUFFIX      "セリフ.txt"

// A name (no folder) that the program itself uses in the settings folder: a settings file,
// the conversion output and its partial and previous forms, a save's temporary file.
bool IsSettingsFileName(const char* name);

// Program folder from the working directory: everything before its last backslash.
void ProgramFolderOf(const char* workDir, char* out, size_t cap);
// The same from the working directory as the system gives it (UTF-16), in code page 932:
// the long form when code page 932 spells it and it fits, else its short (8.3) form from
// shortPath (which answers as GetShortPathNameW does). False when neither will do;
// longFolder always receives the long form, for telling the user.
typedef unsigned long (*SHORT_PATH_FN)(const wchar_t* longPath, wchar_t* out, unsigned long cap);
bool ProgramFolderFromWide(const wchar_t* workDir, SHORT_PATH_FN shortPath, char* out, size_t cap,
                           std::wstring* longFolder);

// The program folder, found once at start-up (StoreStart); "" before that.
const char* ProgramFolder();
void SetProgramFolder(const char* folder);
// The program folder followed by up to four texts (the literals above begin with a
// backslash); false (and an empty out) when they don't fit, or when there is no program
// folder (the path would start at the root of the drive).
bool ProgramPath(char* out, size_t cap, const char* a, const char* b = nullptr, const char* c = nullptr,
                 const char* d = nullptr);

// Start-up: the program folder from the working directory, and the settings folder in it.
// False (after telling the user) when the folder can't be written in code page 932: the
// program then ends without creating anything.
bool StoreStart();
// Start-up, before anything else is made on disk: the settings folder and workFolder (relative
// to the working directory; made when missing) can each take a file that is written and
// deleted again. When one can't, the user is told which folder and asked to move the
// program folder to a place they can write to, what this start made is removed, and false
// is returned: the program then ends.
bool StoreCheckWritable(const char* workFolder);
// The conversion output in the settings folder, the partial file the converter keeps while
// writing it, and the previous output moved aside until its successor is on the screen.
void DeleteConversionOutput();
