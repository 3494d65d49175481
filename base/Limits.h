#pragma once

// Bytes of a path buffer: 260 bytes of path text (the longest path Windows opens through
// the classic calls), its terminator and a little room.
enum { KP_PATH_BYTES = 264 };

// Categories on the menu bar; each has its command id, its folder and its picture count.
enum { CATEGORY_MAX = 10 };
