#pragma once

// Bytes of a path buffer: 260 bytes of path text (the longest path Windows opens through
// the classic calls), its terminator and a little room.
enum { KP_PATH_BYTES = 264 };
