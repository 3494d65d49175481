#include "store/Paths.h"

#include <cstring>

#include "store/Cp932.h"

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

void ProgramFolderOf(const char* workDir, char* out, size_t cap)
{
    if (cap == 0)
        return;
    // The last backslash that is a character of its own, not the trail byte of 表 or ソ.
    size_t len = strlen(workDir);
    size_t end = len;
    for (size_t i = 0; i < len;) {
        if (workDir[i] == '\\')
            end = i;
        i += (IsCp932Lead((unsigned char)workDir[i]) && i + 1 < len) ? 2 : 1;
    }
    size_t keep = Cp932CutLength(workDir, end, cap - 1);
    memmove(out, workDir, keep);
    out[keep] = 0;
}
