#include "store/SettingsFormat.h"

#include <cstring>

std::string MenuListText(const char* const* names, int count)
{
    std::string text;
    for (int i = 0; i < count; i++) {
        text += names[i];
        text += "\r\n";
    }
    return text;
}

void RecentFoldersBlock(const char* const* slots, int count, unsigned char out[RECENT_FILE_BYTES])
{
    // A slot of fewer than 2 bytes is not worth keeping; the rest move up at the next start.
    std::string text;
    for (int i = 0; i < count; i++) {
        if (slots[i] && strlen(slots[i]) >= 2) {
            text += slots[i];
            text += "\r\n";
        }
    }
    memset(out, 0, RECENT_FILE_BYTES);
    memcpy(out, text.data(), text.size() < RECENT_FILE_BYTES ? text.size() : (size_t)RECENT_FILE_BYTES);
}
