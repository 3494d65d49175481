#include "store/SaveTemp.h"

#include <cstring>

std::string SaveTempName(const char* target, unsigned long pid, int attempt)
{
    std::string s = target;
    s += ".~";
    s += std::to_string(pid);
    s += "_";
    s += std::to_string(attempt);
    s += ".tmp";
    return s;
}

// Walks back over digits; returns how many there were.
static size_t DigitsBefore(const char* name, size_t end)
{
    size_t n = 0;
    while (n < end && name[end - 1 - n] >= '0' && name[end - 1 - n] <= '9')
        n++;
    return n;
}

bool IsSaveTempName(const char* name)
{
    // Every byte looked at is ASCII below 0x40, which no trail byte of code page 932 is.
    size_t len = strlen(name);
    static const char kTail[] = ".tmp";
    if (len < 4 || memcmp(name + len - 4, kTail, 4) != 0)
        return false;
    size_t end = len - 4;
    size_t attempt = DigitsBefore(name, end);
    if (attempt == 0 || end - attempt < 1 || name[end - attempt - 1] != '_')
        return false;
    end -= attempt + 1;
    size_t pid = DigitsBefore(name, end);
    if (pid == 0 || end - pid < 3)
        return false;
    end -= pid;
    // ".~" and at least one byte of the target's name before it.
    return name[end - 1] == '~' && name[end - 2] == '.';
}
