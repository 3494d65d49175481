#include "base/PathJoin.h"

#include <cstring>

#include "base/Cp932.h"

static bool EndsWithBackslash(const char* s)
{
    size_t len = strlen(s);
    bool last = false;
    for (size_t i = 0; i < len;) {
        last = s[i] == '\\';
        i += Cp932Step(s, i, len);
    }
    return last;
}

std::string PathJoined(const std::string& folder, const std::string& name)
{
    std::string out = folder;
    if (!folder.empty() && !EndsWithBackslash(folder.c_str()))
        out += '\\';
    return out + name;
}

bool PathJoin(char* out, size_t cap, const char* folder, const char* name)
{
    if (cap == 0)
        return false;
    out[0] = 0;
    if (!name[0])
        return false;
    size_t f = strlen(folder), n = strlen(name);
    bool sep = f > 0 && !EndsWithBackslash(folder);
    size_t total = f + (sep ? 1 : 0) + n;
    if (total + 1 > cap)
        return false;
    memcpy(out, folder, f);
    if (sep)
        out[f++] = '\\';
    memcpy(out + f, name, n + 1);
    return true;
}
