#pragma once

#include "store/LineText.h"

// The line of dialogue in the bubble. Words: Serifu = a line of dialogue, Suu = count.
struct LINES_STATE {
    char currentLine[LINE_MAX_BYTES + 1];   // all the line reader can deliver, never cut
    int currentLineIndex;                   // its number in the lines file
};
extern LINES_STATE Lines;
