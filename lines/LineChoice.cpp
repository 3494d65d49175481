#include "lines/LineChoice.h"

int LineSuuOf(const char* text, size_t len)
{
    size_t n = 0;
    int suu = 0;
    while (n < len && text[n] != 0) {
        if (text[n] == '\n')
            suu++;
        n++;
    }
    // An unterminated last line counts too, but a lone byte is not taken for a line.
    if (n > 1 && text[n - 1] != '\n')
        suu++;
    return suu;
}

bool IsUsableLine(const char* line)
{
    if (line[0] == 0)
        return false;
    return !(line[0] == ' ' && line[1] == 0);
}

int ChooseLine(int lineSuu, LINE_RANDOM random, LINE_READER reader, void* ctx,
               char* out, size_t cap, int* lastIndex)
{
    if (lineSuu <= 0)
        return -1;
    for (int t = 0; t < LINE_TRIES_MAX; t++) {
        int k = (int)(random(ctx) * lineSuu);
        // A source that strays to 1.0 must still name an existing line.
        if (k >= lineSuu)
            k = lineSuu - 1;
        if (k < 0)
            k = 0;
        *lastIndex = k;
        reader(ctx, k, out, cap);
        if (IsUsableLine(out))
            return k;
    }
    return -1;
}
