#pragma once

// Bytes of a path buffer: 260 bytes of path text (the longest path Windows opens through
// the classic calls), its terminator and a little room.
enum { KP_PATH_BYTES = 264 };

// Categories on the menu bar; each has its command id, its folder and its picture count.
enum { CATEGORY_MAX = 10 };

// The largest picture either program takes: beyond these the converter's output could not be
// held or written, so the converter refuses such a picture and the display draws none.
#define PICTURE_MAX_PIXELS 200000000ull
#define PICTURE_MAX_SIDE   1048576u
