#pragma once
#include <string>

enum { RECENT_FILE_BYTES = 1300 };

// The bytes of the settings files as shutdown writes them.
std::string MenuListText(const char* const* names, int count);
void RecentFoldersBlock(const char* const* slots, int count, unsigned char out[RECENT_FILE_BYTES]);
