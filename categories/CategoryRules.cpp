#include "categories/CategoryRules.h"

#include <cstring>

#include "base/Cp932.h"
#include "store/LineText.h"
#include "store/Paths.h"

const char* const kFirstStartNames[2] = { "★ほめる", "★なぐさめる" };

int LoadCategoryNames(const CATEGORY_LIST_SOURCE* src, char names[][CATEGORY_NAME_BYTES], bool* firstStart)
{
    *firstStart = false;
    int count = 0;
    for (int n = 0; n < CATEGORY_MAX; n++) {
        char line[CATEGORY_LINE_BYTES];
        memset(line, 0, sizeof line);
        src->readLine(src->ctx, n, line, sizeof line);
        if (line[0] == 0) {
            if (n != 0)
                break;
            // No list at all: the two categories every first start gets.
            for (int k = 0; k < 2; k++) {
                memset(names[k], 0, CATEGORY_NAME_BYTES);
                strcpy(names[k], kFirstStartNames[k]);
            }
            *firstStart = true;
            return 2;
        }
        // A cut name would name some other folder, so an overlong line is left out whole.
        if (strlen(line) > CATEGORY_NAME_MAX) {
            src->reportTooLong(src->ctx, line);
            continue;
        }
        // A name that could reach outside the settings folder is never looked up.
        if (!IsStoredCategoryName(line) || !src->folderExists(src->ctx, line)) {
            src->reportMissing(src->ctx, line);
            continue;
        }
        // "cat" after "Cat" opens the same folder: a second entry would show the same
        // pictures, and the save could keep only one of them.
        bool listed = false;
        for (int i = 0; i < count && !listed; i++)
            listed = SameCategoryFolder(names[i], line);
        if (listed)
            continue;
        memset(names[count], 0, CATEGORY_NAME_BYTES);
        strcpy(names[count], line);
        count++;
    }
    return count;
}

static bool SameAsciiNoCase(const char* a, size_t len, const char* word)
{
    if (strlen(word) != len)
        return false;
    for (size_t i = 0; i < len; i++) {
        char c = a[i];
        if (c >= 'a' && c <= 'z')
            c = (char)(c - 'a' + 'A');
        if (c != word[i])
            return false;
    }
    return true;
}

// CON, PRN, AUX, NUL, COM1-9 and LPT1-9 name devices, with or without an extension, and
// with spaces after them (Windows drops those).
static bool IsDeviceName(const char* name)
{
    size_t stem = strlen(name);
    const char* dot = strchr(name, '.');
    if (dot)
        stem = (size_t)(dot - name);
    while (stem > 0 && name[stem - 1] == ' ')
        stem--;
    static const char* const kDevices[] = { "CON", "PRN", "AUX", "NUL" };
    for (const char* d : kDevices) {
        if (SameAsciiNoCase(name, stem, d))
            return true;
    }
    if (stem == 4 && name[3] >= '1' && name[3] <= '9'
        && (SameAsciiNoCase(name, 3, "COM") || SameAsciiNoCase(name, 3, "LPT")))
        return true;
    return false;
}

bool IsCategoryFolderName(const char* name)
{
    if (!IsPlainFolderName(name))
        return false;
    // Windows drops a trailing space or dot from a folder name ("A." is the folder "A",
    // " " the settings folder itself). Neither byte can be a trail byte.
    char last = name[strlen(name) - 1];
    if (last == ' ' || last == '.')
        return false;
    return !IsDeviceName(name);
}

// Neither byte can be the trail byte of a two-byte character.
size_t CategoryFolderNameLength(const char* name)
{
    size_t n = strlen(name);
    while (n > 0 && (name[n - 1] == ' ' || name[n - 1] == '.'))
        n--;
    return n;
}

bool IsStoredCategoryName(const char* name)
{
    if (strlen(name) > CATEGORY_NAME_MAX || !IsPlainFolderName(name))
        return false;
    size_t n = CategoryFolderNameLength(name);
    if (n == 0)
        return false;   // " " or "..." would be the settings folder itself
    char folder[CATEGORY_NAME_BYTES];
    memcpy(folder, name, n);
    folder[n] = 0;
    // A folder named like one of the program's own files would take that file's place.
    return !IsDeviceName(folder) && !IsSettingsFileName(folder);
}

int CategoryAtPointRule(const int (*rects)[4], int count, int x, int y)
{
    int px = (short)(x & 0xFFFF);
    int py = (short)(y & 0xFFFF);
    for (int i = 0; i < count; i++) {
        const int* r = rects[i];
        if (px >= r[0] && px <= r[2] && py >= r[1] && py <= r[3])
            return i;
    }
    return -1;
}

int RemoveCategoryName(char names[][CATEGORY_NAME_BYTES], int count, int index)
{
    if (index < 0 || index >= count)
        return count;
    for (int i = index + 1; i < count; i++)
        memcpy(names[i - 1], names[i], CATEGORY_NAME_BYTES);
    memset(names[count - 1], 0, CATEGORY_NAME_BYTES);
    return count - 1;
}

// The folder name Windows opens for a category name, as the file system compares names:
// without trailing spaces and dots, and with the letters it folds (ASCII, and code page
// 932's full-width Latin, Greek and Cyrillic) in upper case.
static std::string FolderKey(const char* name)
{
    std::string k(name, CategoryFolderNameLength(name));
    for (size_t i = 0, n; (n = Cp932Step(k.c_str(), i, k.size())) != 0; i += n) {
        unsigned char c = (unsigned char)k[i];
        if (n == 2) {
            unsigned char t = (unsigned char)k[i + 1];
            if (c == 0x82 && t >= 0x81 && t <= 0x9A)
                t = (unsigned char)(t - 0x21);   // ａ-ｚ
            else if (c == 0x83 && t >= 0xBF && t <= 0xD6)
                t = (unsigned char)(t - 0x20);   // α-ω
            else if (c == 0x84 && t >= 0x70 && t <= 0x7E)
                t = (unsigned char)(t - 0x30);   // а-н
            else if (c == 0x84 && t >= 0x80 && t <= 0x91)
                t = (unsigned char)(t - 0x31);   // о-я
            k[i + 1] = (char)t;
        } else if (c >= 'a' && c <= 'z') {
            k[i] = (char)(c - 'a' + 'A');
        }
    }
    return k;
}

bool SameCategoryFolder(const char* a, const char* b)
{
    return FolderKey(a) == FolderKey(b);
}

CATEGORY_NAME_CHECK CheckNewCategoryName(const char* name, const char names[][CATEGORY_NAME_BYTES], int count)
{
    if (count >= CATEGORY_MAX)
        return NAME_LIST_FULL;
    if (strlen(name) > CATEGORY_NAME_MAX)
        return NAME_TOO_LONG;
    if (name[0] == 0)
        return NAME_EMPTY;
    // The folder would take the place of one of the program's own files.
    if (!IsCategoryFolderName(name) || IsSettingsFileName(name))
        return NAME_NOT_PLAIN;
    // "cat" would share the folder of "Cat", and "a" that of a listed "A ".
    for (int i = 0; i < count; i++) {
        if (SameCategoryFolder(names[i], name))
            return NAME_DUPLICATE;
    }
    return NAME_OK;
}

std::string MenuLabel(const char* text)
{
    // & (0x26) is never the trail byte of a two-byte character.
    std::string s;
    for (const char* p = text; *p; p++) {
        if (*p == '&')
            s += '&';
        s += *p;
    }
    return s;
}

std::string MenuListText(const char* const* names, int count)
{
    std::string text;
    for (int i = 0; i < count; i++) {
        text += names[i];
        text += "\r\n";
    }
    return text;
}

std::vector<std::string> MenuListLines(const char* text, size_t len)
{
    std::vector<std::string> lines;
    for (int n = 0; n < CATEGORY_MAX; n++) {
        char line[CATEGORY_LINE_BYTES];
        ExtractLine(text, len, n, line, sizeof line);
        if (line[0] == 0)
            break;
        lines.push_back(line);
    }
    return lines;
}

static bool Holds(const std::vector<std::string>& names, const std::string& name)
{
    for (const std::string& n : names) {
        if (SameCategoryFolder(n.c_str(), name.c_str()))
            return true;
    }
    return false;
}

std::vector<std::string> MenuListToSave(const std::vector<std::string>& running,
                                        const std::vector<std::string>& atStart,
                                        const std::vector<std::string>& now)
{
    std::vector<std::string> out;
    for (const std::string& n : running) {
        bool takenOut = Holds(atStart, n) && !Holds(now, n);
        if (!takenOut && !Holds(out, n))
            out.push_back(n);
    }
    // A name the next start would refuse is no restore: it would only push out a good one.
    for (const std::string& n : now) {
        bool writtenIn = !Holds(atStart, n) && IsStoredCategoryName(n.c_str());
        if (writtenIn && !Holds(out, n))
            out.push_back(n);
    }
    if (out.size() > CATEGORY_MAX)
        out.resize(CATEGORY_MAX);
    return out;
}
