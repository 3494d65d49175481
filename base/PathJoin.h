#pragma once
#include <cstddef>
#include <string>

// folder + "\" + name, without doubling a backslash that already ends the folder (a trail
// byte 0x5C of a two-byte character is no backslash). False (and an empty out) when the
// name is empty or the result does not fit cap bytes.
bool PathJoin(char* out, size_t cap, const char* folder, const char* name);
// The same join without a length limit, for a path the caller checks or only shows.
std::string PathJoined(const std::string& folder, const std::string& name);
