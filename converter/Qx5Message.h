#pragma once
#include <cstddef>
#include <cstdint>

#include "converter/Qx5Protocol.h"

enum QX5_BLOCK_CHECK {
    QX5_BLOCK_OK = 0,
    QX5_BLOCK_SIZE,            // not CONVERTER_DEST_BYTES bytes, or no data
    QX5_BLOCK_UNTERMINATED,    // no NUL inside the block
    QX5_BLOCK_EMPTY,
    QX5_BLOCK_BAD_TEXT,        // not valid code page 932, or a control byte
    QX5_BLOCK_NOT_ABSOLUTE,    // neither "X:\..." nor "\\server\..."
    QX5_BLOCK_TAG,             // a colour request's size without its tag
    QX5_BLOCK_BAD_COLOUR,      // a colour with bits above blue
};

// Checks the block and on success copies the path (NUL-terminated) into out.
QX5_BLOCK_CHECK Qx5CheckPathBlock(const void* data, size_t size, char out[CONVERTER_DEST_BYTES]);
// Either request: the plain block (transparency over white, *back 0xFFFFFF) or Kotopane's
// CONVERTER_CONVERT_REQUEST, told apart by size and tag; on success the path is in out and
// the colour (0x00BBGGRR) in *back.
QX5_BLOCK_CHECK Qx5CheckRequest(uint64_t tag, const void* data, size_t size, char out[CONVERTER_DEST_BYTES],
                                uint32_t* back);
// Every byte a character of code page 932, two-byte characters complete, no control bytes.
bool Qx5ValidCp932Path(const char* s, size_t len);
