#include "base/PathJoin.h"

#include <cstring>

bool PathJoin(char* out, size_t cap, const char* a, const char* b,
              const char* c, const char* d, const char* e)
{
    if (cap == 0)
        return false;
    const char* parts[5] = {a, b, c, d, e};
    size_t total = 0;
    for (const char* p : parts) {
        if (p)
            total += strlen(p);
    }
    if (total + 1 > cap) {
        out[0] = 0;
        return false;
    }
    size_t at = 0;
    for (const char* p : parts) {
        if (!p)
            continue;
        size_t n = strlen(p);
        memmove(out + at, p, n);
        at += n;
    }
    out[at] = 0;
    return true;
}
