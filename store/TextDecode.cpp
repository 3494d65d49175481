#include "store/TextDecode.h"

enum { REPLACEMENT = 0xFFFD };

// One UTF-8 sequence at data[i]: its code point and length. A sequence that is ill-formed
// gives ok false and the length of its maximal well-formed start (at least 1), so the byte
// that broke it is read again as the start of the next one. *cutShort says the sequence was
// well-formed up to the end of the bytes.
static size_t Utf8Step(const unsigned char* data, size_t len, size_t i, char32_t* cp, bool* ok, bool* cutShort)
{
    unsigned char b = data[i];
    *ok = true;
    *cutShort = false;
    if (b < 0x80) {
        *cp = b;
        return 1;
    }
    int need;
    unsigned char lower = 0x80, upper = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
        need = 1;
        *cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        need = 2;
        *cp = b & 0x0F;
        lower = b == 0xE0 ? 0xA0 : 0x80;      // no overlong forms
        upper = b == 0xED ? 0x9F : 0xBF;      // no surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
        need = 3;
        *cp = b & 0x07;
        lower = b == 0xF0 ? 0x90 : 0x80;
        upper = b == 0xF4 ? 0x8F : 0xBF;      // nothing past U+10FFFF
    } else {
        *ok = false;
        *cp = REPLACEMENT;
        return 1;
    }
    size_t j = i + 1;
    for (int k = 0; k < need; k++, j++) {
        if (j >= len || data[j] < lower || data[j] > upper) {
            *ok = false;
            *cutShort = j >= len;
            *cp = REPLACEMENT;
            return j - i;
        }
        *cp = (*cp << 6) | (data[j] & 0x3F);
        lower = 0x80;
        upper = 0xBF;
    }
    return j - i;
}

TEXT_ENCODING DetectTextEncoding(const unsigned char* data, size_t len, bool cut, size_t* bomBytes)
{
    *bomBytes = 0;
    if (len >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) {
        *bomBytes = 3;
        return TEXT_UTF8;
    }
    if (len >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
        *bomBytes = 2;
        return TEXT_UTF16LE;
    }
    if (len >= 2 && data[0] == 0xFE && data[1] == 0xFF) {
        *bomBytes = 2;
        return TEXT_UTF16BE;
    }
    bool multiByte = false;
    for (size_t i = 0; i < len;) {
        char32_t cp;
        bool ok, cutShort;
        size_t n = Utf8Step(data, len, i, &cp, &ok, &cutShort);
        if (!ok)
            return cut && cutShort ? (multiByte ? TEXT_UTF8 : TEXT_CP932) : TEXT_CP932;
        multiByte = multiByte || n > 1;
        i += n;
    }
    return multiByte ? TEXT_UTF8 : TEXT_CP932;
}

// Code page 932 writes these JIS characters under Microsoft's code points.
static char32_t AsCp932Jis(char32_t c)
{
    switch (c) {
    case 0x301C: return 0xFF5E;   // 〜 wave dash
    case 0x2016: return 0x2225;   // ‖ double vertical line
    case 0x2212: return 0xFF0D;   // − minus sign
    case 0x00A2: return 0xFFE0;   // ¢
    case 0x00A3: return 0xFFE1;   // £
    case 0x00AC: return 0xFFE2;   // ¬
    case 0x2014: return 0x2015;   // — em dash
    }
    return c;
}

static void Append(std::u16string* out, char32_t c)
{
    c = AsCp932Jis(c);
    if (c < 0x10000) {
        out->push_back((char16_t)c);
        return;
    }
    c -= 0x10000;
    out->push_back((char16_t)(0xD800 + (c >> 10)));
    out->push_back((char16_t)(0xDC00 + (c & 0x3FF)));
}

static bool IsHigh(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
static bool IsLow(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

void DecodeUnicodeText(const unsigned char* data, size_t len, TEXT_ENCODING enc, bool cut, std::u16string* out)
{
    out->clear();
    if (enc == TEXT_UTF8) {
        for (size_t i = 0; i < len;) {
            char32_t cp;
            bool ok, cutShort;
            size_t n = Utf8Step(data, len, i, &cp, &ok, &cutShort);
            if (cp == 0 || (!ok && cut && cutShort))
                return;
            Append(out, cp);
            i += n;
        }
        return;
    }
    if (enc != TEXT_UTF16LE && enc != TEXT_UTF16BE)
        return;
    bool le = enc == TEXT_UTF16LE;
    size_t units = len / 2;
    for (size_t k = 0; k < units; k++) {
        const unsigned char* p = data + 2 * k;
        char16_t u = le ? (char16_t)(p[0] | p[1] << 8) : (char16_t)(p[0] << 8 | p[1]);
        if (u == 0)
            return;
        if (IsHigh(u) && k + 1 < units) {
            const unsigned char* q = p + 2;
            char16_t v = le ? (char16_t)(q[0] | q[1] << 8) : (char16_t)(q[0] << 8 | q[1]);
            if (IsLow(v)) {
                Append(out, 0x10000 + ((char32_t)(u - 0xD800) << 10) + (v - 0xDC00));
                k++;
                continue;
            }
        }
        if (IsHigh(u) && k + 1 == units && cut)
            return;
        Append(out, IsHigh(u) || IsLow(u) ? (char32_t)REPLACEMENT : (char32_t)u);
    }
    if (len % 2 != 0 && !cut)
        Append(out, REPLACEMENT);
}
