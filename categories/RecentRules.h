#pragma once
#include <cstddef>

#include "base/CommandIds.h"

enum {
    RECENT_SLOTS = CMD_RECENT_COUNT,        // one menu item each
    RECENT_SLOT_MAX = 260,                  // bytes of path text
    RECENT_SLOT_BYTES = RECENT_SLOT_MAX + 1,
    RECENT_FILE_BYTES = 1300                // the recent folders file, always this long
};

// A recent folders file line as a slot. A line over 260 bytes is no path Windows can
// open, and a cut one would name some other folder, so it gives an empty slot.
void RecentSlotFromLine(const char* line, char slot[RECENT_SLOT_BYTES]);
// The five slots from the recent folders file's bytes (lines 0 to 4). A line that the save
// cut at byte 1300, before its line end, gives an empty slot too.
void RecentSlotsFromFile(const char* data, size_t len, char slots[][RECENT_SLOT_BYTES]);

// The most recent folder goes to slot 0. A slot holding the same folder (ASCII letter
// case ignored) moves up; otherwise the oldest one is lost.
void RecordRecentRule(char slots[][RECENT_SLOT_BYTES], const char* folder);

// Text of a slot's item after a record: the slot when it holds 3 bytes or more, else blank.
const char* RecentItemText(const char* slot);

// The folder the file manager is asked for: the text with a backslash after its last
// character (a lone lead byte at its end left out). False when there is nothing to open
// (empty text) or it does not fit.
bool RecentOpenPath(const char* text, char* out, size_t cap);

// The recent folders file as it is saved: each slot of 2 bytes or more and CR LF, cut
// or zero-filled to RECENT_FILE_BYTES.
void RecentFoldersBlock(const char* const* slots, int count, unsigned char out[RECENT_FILE_BYTES]);
