#pragma once
#include <windows.h>

void LinesStart();                             // a fresh record
// Chooses a random usable line of the selected category as the current line (on failure
// the user is told and the line is what the last try left). Returns the current line.
const char* SerifuLoad();
// The same without a word to the user: null when the lines file has no usable line.
const char* SerifuLoadQuietly();
void SetCurrentLine(const char* line);
const char* CurrentLine();
int CurrentLineIndex();                        // its number in the lines file
void MainWnd_AddLines_MenuClick();             // CMD_ADD_LINES
void MainWnd_DeleteLines_MenuClick();          // CMD_DELETE_LINES
