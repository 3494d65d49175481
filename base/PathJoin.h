#pragma once
#include <cstddef>

// folder + "\" + name, without doubling a backslash that already ends the folder (a trail
// byte 0x5C of a two-byte character is no backslash). False (and an empty out) when the
// name is empty or the result does not fit cap bytes.
bool PathJoin(char* out, size_t cap, const char* folder, const char* name);
