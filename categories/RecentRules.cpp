#include "categories/RecentRules.h"

#include <cstring>
#include <string>

#include "base/Cp932.h"
#include "store/LineText.h"

void RecentSlotFromLine(const char* line, char slot[RECENT_SLOT_BYTES])
{
    memset(slot, 0, RECENT_SLOT_BYTES);
    size_t len = strlen(line);
    if (len <= RECENT_SLOT_MAX)
        memcpy(slot, line, len);
}

static bool IsBreak(char c)
{
    return c == '\r' || c == '\n';
}

void RecentSlotsFromFile(const char* data, size_t len, char slots[][RECENT_SLOT_BYTES])
{
    // A save writes exactly RECENT_FILE_BYTES, zero-filled: text that runs up to the last
    // byte without a line end was cut there. Lines are counted as the line reader does.
    if (len == 0)
        data = "";
    const void* zero = memchr(data, 0, len);
    size_t textLen = zero ? (size_t)((const char*)zero - data) : len;
    int cut = -1;
    if (textLen == RECENT_FILE_BYTES && !IsBreak(data[textLen - 1])) {
        cut = 0;
        for (size_t i = 0; i < textLen; i++) {
            if (IsBreak(data[i])) {
                if (i + 1 < textLen && IsBreak(data[i + 1]))
                    i++;
                cut++;
            }
        }
    }
    for (int n = 0; n < RECENT_SLOTS; n++) {
        char line[LINE_BUFFER_BYTES] = {};
        ExtractLine(data, len, n, line, sizeof line);
        RecentSlotFromLine(n == cut ? "" : line, slots[n]);
    }
}

void RecordRecentRule(char slots[][RECENT_SLOT_BYTES], const char* folder)
{
    // The folder may be one of the slots themselves: keep a copy before moving them.
    char copy[RECENT_SLOT_BYTES];
    Cp932CopyCut(copy, sizeof copy, folder);

    int top = RECENT_SLOTS - 1;   // the slot that is overwritten
    for (int k = 0; k < RECENT_SLOTS; k++) {
        if (Cp932CompareNoCase(slots[k], copy) == 0) {
            top = k;
            break;
        }
    }
    for (int i = top; i > 0; i--)
        memcpy(slots[i], slots[i - 1], RECENT_SLOT_BYTES);
    memset(slots[0], 0, RECENT_SLOT_BYTES);
    strcpy(slots[0], copy);
}

const char* RecentItemText(const char* slot)
{
    return strlen(slot) >= 3 ? slot : "";
}

bool RecentOpenPath(const char* text, char* out, size_t cap)
{
    if (cap == 0)
        return false;
    out[0] = 0;
    // The last character, not the last byte: 表 ends in the byte of a backslash. A lead byte
    // at the very end (a damaged file) is no character and is left out, or the backslash
    // added after it would become its trail byte.
    size_t len = 0, last = 0, all = strlen(text);
    while (len < all) {
        size_t step = Cp932Step(text, len, all);
        if (step == 1 && IsCp932Lead((unsigned char)text[len]))
            break;
        last = len;
        len += step;
    }
    if (len == 0)
        return false;
    bool hasSlash = last == len - 1 && text[last] == '\\';
    size_t need = len + (hasSlash ? 0 : 1);
    if (need + 1 > cap)
        return false;
    memcpy(out, text, len);
    if (!hasSlash)
        out[len++] = '\\';
    out[len] = 0;
    return true;
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
