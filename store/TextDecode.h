#pragma once
#include <cstddef>
#include <string>

// Text files as today's editors save them: code page 932 ("ANSI" on a Japanese system),
// UTF-8 with or without a byte order mark, UTF-16 in either byte order with one.
enum TEXT_ENCODING { TEXT_CP932, TEXT_UTF8, TEXT_UTF16LE, TEXT_UTF16BE };

// A byte order mark decides (its length goes to *bomBytes). Without one, bytes that are
// valid UTF-8 and hold at least one multi-byte sequence are UTF-8; anything else is code
// page 932. `cut` says the bytes are only the start of a longer file: a sequence cut at
// their end is no damage.
TEXT_ENCODING DetectTextEncoding(const unsigned char* data, size_t len, bool cut, size_t* bomBytes);

// UTF-8 or UTF-16 bytes (after the mark) as UTF-16, up to the first U+0000, which ends a
// text as a zero byte does. Damage never stops it: each ill-formed UTF-8 sequence, lone
// surrogate or odd last byte becomes one U+FFFD, except a sequence cut at the end of `cut`
// bytes, which is left out. The JIS characters that other systems give other code points
// than code page 932 does (〜 ‖ − ¢ £ ¬ —) come out as code page 932's.
void DecodeUnicodeText(const unsigned char* data, size_t len, TEXT_ENCODING enc, bool cut, std::u16string* out);
