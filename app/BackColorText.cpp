#include "app/BackColorText.h"
#include "base/NumberText.h"
#include <cmath>
#include <cstring>

uint32_t BackColorFromLine(const char* line)
{
    size_t len = strlen(line);
    if (len == 0 || len > 8)
        return 0;
    for (size_t i = 0; i < len; i++)
        if (line[i] < '0' || line[i] > '9')
            return 0;
    int v = DigitsToNumber(line, (int)len);
    return v <= 0xFFFFFF ? (uint32_t)v : 0;
}

int HeartFlagFromLine(const char* line)
{
    double v = std::trunc(TextToNumber(line));
    if (!(v >= -2147483648.0 && v <= 2147483647.0))
        return 0;
    return (int)v;
}
