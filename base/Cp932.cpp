#include "base/Cp932.h"

#include <cstring>

bool IsCp932Lead(unsigned char b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

bool IsCp932Trail(unsigned char b)
{
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
}

size_t Cp932Step(const char* s, size_t i, size_t len)
{
    if (i >= len || s[i] == 0)
        return 0;
    if (IsCp932Lead((unsigned char)s[i]) && i + 1 < len && s[i + 1] != 0)
        return 2;
    return 1;
}

size_t Cp932CutLength(const char* s, size_t len, size_t maxBytes)
{
    if (len <= maxBytes)
        return len;
    size_t i = 0;
    while (i < len) {
        size_t step = Cp932Step(s, i, len);
        if (i + step > maxBytes)
            break;
        i += step;
    }
    return i;
}

size_t Cp932CopyCut(char* out, size_t cap, const char* src)
{
    if (cap == 0)
        return 0;
    size_t n = Cp932CutLength(src, strlen(src), cap - 1);
    memmove(out, src, n);
    out[n] = 0;
    return n;
}

const char* Cp932FindFileName(const char* path)
{
    const char* name = path;
    size_t len = strlen(path);
    for (size_t i = 0; i < len; i += Cp932Step(path, i, len)) {
        char c = path[i];
        if (c == '\\' || c == '/' || c == ':')
            name = path + i + 1;
    }
    return name;
}

const char* Cp932FindExtension(const char* path)
{
    const char* name = Cp932FindFileName(path);
    size_t len = strlen(name);
    const char* ext = name + len;
    for (size_t i = 0; i < len; i += Cp932Step(name, i, len)) {
        if (name[i] == '.')
            ext = name + i;
    }
    return ext;
}

static unsigned char FoldAscii(unsigned char c)
{
    return (c >= 'a' && c <= 'z') ? (unsigned char)(c - 'a' + 'A') : c;
}

int Cp932CompareNoCase(const char* a, const char* b)
{
    // Walk both by characters so a trail byte such as 'a' of a two-byte character is
    // compared as it is, never folded.
    for (size_t i = 0;;) {
        size_t na = Cp932Step(a, i, SIZE_MAX), nb = Cp932Step(b, i, SIZE_MAX);
        if (na == 0 || nb == 0)
            return na == nb ? 0 : (na == 0 ? -1 : 1);
        size_t n = na > nb ? na : nb;
        for (size_t k = 0; k < n; k++) {
            unsigned char ca = (unsigned char)a[i + k], cb = (unsigned char)b[i + k];
            if (n == 1) {
                ca = FoldAscii(ca);
                cb = FoldAscii(cb);
            }
            if (ca != cb)
                return ca < cb ? -1 : 1;
        }
        i += n;
    }
}

size_t Cp932FolderOfPath(const char* path, char* out, size_t cap)
{
    if (cap == 0)
        return 0;
    out[0] = 0;
    size_t len = strlen(path);
    bool drive = len >= 3 && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'))
                 && path[1] == ':' && path[2] == '\\';
    if (!drive)
        return 0;
    size_t end = 0;  // one past the last backslash
    for (size_t i = 0; i < len; i += Cp932Step(path, i, len)) {
        if (path[i] == '\\')
            end = i + 1;
    }
    if (end + 1 > cap)
        return 0;
    memcpy(out, path, end);
    out[end] = 0;
    return end;
}

bool IsPlainFolderName(const char* name)
{
    size_t len = strlen(name);
    if (len == 0 || strcmp(name, ".") == 0 || strcmp(name, "..") == 0)
        return false;
    for (size_t i = 0; i < len;) {
        unsigned char c = (unsigned char)name[i];
        if (IsCp932Lead(c)) {
            if (Cp932Step(name, i, len) != 2 || !IsCp932Trail((unsigned char)name[i + 1]))
                return false;
            i += 2;
            continue;
        }
        if (c < 0x20 || c == 0x7F || strchr("\\/:*?\"<>|", c))
            return false;
        // 0x80, 0xA0 and 0xFD-0xFF are no characters of the code page.
        if (c == 0x80 || c == 0xA0 || c >= 0xFD)
            return false;
        i++;
    }
    return true;
}
