#pragma once
#include <cstdint>

// The stored background colour: decimal digits of a COLORREF. A hand-edited line that is
// not such a number (letters, signs, more than 0xFFFFFF) gives black, as a missing file does.
uint32_t BackColorFromLine(const char* line);
// The stored heart flag: a number text, truncated toward zero, kept inside 32 bits.
int HeartFlagFromLine(const char* line);
