#include "base/NumberText.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// Number text of the settings files: 15 significant digits, plain decimals for
// moderate exponents, an exponent form beyond them.
std::string NumberToText(double value)
{
    if (std::isnan(value))
        return "nan";
    if (std::isinf(value))
        return value < 0 ? "-inf" : "inf";

    std::string out;
    if (value < 0) {
        out = "-";
        value = -value;
    }
    char digits[16];
    int e;  // value = 0.d1d2...d15 * 10^e
    if (value == 0) {
        memset(digits, '0', 15);
        e = 0;
        out.clear();  // no sign for zero
    } else {
        char buf[40];
        snprintf(buf, sizeof buf, "%.14e", value);  // d.dddddddddddddde+XX
        digits[0] = buf[0];
        memcpy(digits + 1, buf + 2, 14);
        e = atoi(buf + 17) + 1;
    }
    digits[15] = 0;

    if (e > 15 || e < -3) {
        char exp[16];
        snprintf(exp, sizeof exp, e > 15 ? "%+04d" : "%03d", e - 1);
        out += digits[0];
        out += '.';
        out.append(digits + 1, 14);
        out += 'e';
        out += exp;
        return out;
    }

    std::string body;
    if (e >= 1) {
        body.append(digits, e);
        body += '.';
        body.append(digits + e);
    } else {
        body = "0.";
        body.append(-e, '0');
        body.append(digits);
    }
    while (body.back() == '0')
        body.pop_back();
    if (body.back() == '.')
        body.pop_back();
    return out + body;
}

static int DigitValue(unsigned char c, int base)
{
    int d;
    if (c >= '0' && c <= '9')
        d = c - '0';
    else if (c >= 'A' && c <= 'F')
        d = c - 'A' + 10;
    else
        return -1;
    return d < base ? d : -1;
}

double TextToNumber(const char* text)
{
    const char* p = text;
    while (*p == ' ' || *p == '\t')
        p++;

    if (*p == '&') {
        p++;
        int base;
        unsigned char kind = (unsigned char)*p;
        if (kind == 'O' || kind == 'o')
            base = 8;
        else if (kind == 'H' || kind == 'h')
            base = 16;
        else
            return 0;
        p++;
        double v = 0;
        for (;; p++) {
            unsigned char c = (unsigned char)*p;
            if (c >= 'a' && c <= 'z')
                c = (unsigned char)(c - 'a' + 'A');
            int d = DigitValue(c, base);
            if (d < 0)
                break;
            v = v * base + d;
        }
        return v;
    }

    // Copy the part that fits (sign, digits, point, digits) and let strtod round it.
    std::string clean;
    if (*p == '-' || *p == '+')
        clean += *p++;
    bool anyDigit = false;
    while (*p >= '0' && *p <= '9') {
        clean += *p++;
        anyDigit = true;
    }
    if (*p == '.') {
        clean += *p++;
        while (*p >= '0' && *p <= '9') {
            clean += *p++;
            anyDigit = true;
        }
    }
    if (!anyDigit)
        return 0;
    return strtod(clean.c_str(), nullptr);
}

int DigitsToNumber(const char* text, int length)
{
    size_t n = strlen(text);
    if (length > 0 && (size_t)length < n)
        n = (size_t)length;
    // Wraps like 32-bit arithmetic; every byte is taken as a digit, unchecked.
    unsigned int v = 0;
    for (size_t i = 0; i < n; i++)
        v = v * 10u + (unsigned int)((int)(unsigned char)text[i] - 48);
    return (int)v;
}
