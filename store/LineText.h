#pragma once
#include <cstddef>
#include <vector>

// A line as the reader delivers it: at most LINE_MAX_BYTES bytes and a terminator.
enum { LINE_BUFFER_BYTES = 1004, LINE_MAX_BYTES = LINE_BUFFER_BYTES - 1 };

// Line n of a file's bytes, by the settings files' rules: CR, LF and their pairs break
// lines, bytes below 0x20 are dropped, the text ends at the first zero byte, at most
// 1003 bytes are kept. Copies at most cap - 1 bytes into out (cut at a character
// boundary) and terminates it. Returns 1 when line n was reached.
int ExtractLine(const char* data, size_t len, int n, char* out, size_t cap);

// Where each line of a text starts, by the same rules: ExtractLine from starts[n] with
// n = 0 gives line n. Lets a long text be read line by line without walking it each time.
void LineStarts(const char* data, size_t len, std::vector<size_t>* starts);
