#include "store/LineText.h"

#include <cstring>

#include "base/Cp932.h"

static bool IsBreak(unsigned char c)
{
    return c == '\r' || c == '\n';
}

static size_t TextLength(const char* data, size_t len)
{
    const void* zero = memchr(data, 0, len);
    return zero ? (size_t)((const char*)zero - data) : len;
}

int ExtractLine(const char* data, size_t len, int n, char* out, size_t cap)
{
    // The file text ends at its first zero byte.
    size_t textLen = TextLength(data, len);

    // One byte more than the line buffer keeps, so a character cut at its end is seen.
    char line[LINE_BUFFER_BYTES + 1] = {};
    size_t lineLen = 0;
    int reached = 0;
    int counter = 0;
    for (size_t i = 0; i < textLen; i++) {
        if (IsBreak((unsigned char)data[i])) {
            if (i + 1 < textLen && IsBreak((unsigned char)data[i + 1]))
                i++;
            counter++;
            if (counter > n)
                break;
        }
        if (counter == n) {
            reached = 1;
            unsigned char c = (unsigned char)data[i];
            if (c >= 0x20 && lineLen < LINE_BUFFER_BYTES)
                line[lineLen++] = (char)c;
        }
    }

    if (cap == 0)
        return reached;
    // Cut to the line buffer and to the caller's buffer without splitting a character.
    size_t keep = cap - 1 < (size_t)(LINE_BUFFER_BYTES - 1) ? cap - 1 : (size_t)(LINE_BUFFER_BYTES - 1);
    keep = Cp932CutLength(line, lineLen, keep);
    memcpy(out, line, keep);
    out[keep] = 0;
    return reached;
}

void LineStarts(const char* data, size_t len, std::vector<size_t>* starts)
{
    starts->assign(1, 0);
    size_t textLen = TextLength(data, len);
    for (size_t i = 0; i < textLen; i++) {
        if (!IsBreak((unsigned char)data[i]))
            continue;
        if (i + 1 < textLen && IsBreak((unsigned char)data[i + 1]))
            i++;
        starts->push_back(i + 1);
    }
}
