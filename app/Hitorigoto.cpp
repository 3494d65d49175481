#include "app/Hitorigoto.h"

#include "store/LineText.h"

// Decimal digits between optional spaces, no sign; -1 for anything else or a number past
// the day's bound (more digits are not even added up).
static long DigitsBetweenSpaces(const char* s)
{
    while (*s == ' ')
        s++;
    long value = 0;
    int digits = 0;
    for (; *s >= '0' && *s <= '9'; s++, digits++) {
        value = value * 10 + (*s - '0');
        if (value > HITORIGOTO_MAX_SECONDS)
            return -1;
    }
    while (*s == ' ')
        s++;
    return digits > 0 && *s == 0 ? value : -1;
}

void HitorigotoFromText(const char* text, size_t len, int* seconds, int* pictures)
{
    char line[LINE_BUFFER_BYTES];
    long s = ExtractLine(text, len, 0, line, sizeof line) ? DigitsBetweenSpaces(line) : -1;
    *seconds = s >= HITORIGOTO_MIN_SECONDS && s <= HITORIGOTO_MAX_SECONDS ? (int)s : 0;
    *pictures = ExtractLine(text, len, 1, line, sizeof line) && DigitsBetweenSpaces(line) == 1;
}

std::string HitorigotoText(int seconds, int pictures)
{
    return std::to_string(seconds) + "\r\n" + (pictures ? "1" : "0") + "\r\n";
}

unsigned HitorigotoDelayMs(int seconds, bool userActed, double (*fraction)())
{
    if (seconds <= 0 || !userActed)
        return 0;
    double f = fraction();
    return (unsigned)(seconds * 1000.0 * (0.75 + 0.5 * f));
}
