#pragma once
#include <string>

// What is handed to the shell when the user asks to see it: a file opens in its editor,
// a folder in the file manager.
enum HAND_OFF_KIND { HAND_OFF_FILE, HAND_OFF_FOLDER };

// The box shown when the shell could not open it: which file or folder to open by hand,
// the path as it stands (code page 932).
#define HAND_OFF_FAILED_CAPTION "開けませんでした<(_ _)>"
std::string HandOffFailedText(HAND_OFF_KIND kind, const char* path);
