#include "store/Paths.h"

#include <cstring>

#include "base/Cp932.h"
#include "base/Limits.h"
#include "converter/Qx5Protocol.h"
#include "store/SaveTemp.h"
#include "store/SettingsFiles.h"

struct STORE_STATE {
    char programFolder[KP_PATH_BYTES];   // parent of the working directory, no trailing backslash
};
static STORE_STATE glStore;

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
        i += Cp932Step(workDir, i, len);
    }
    size_t keep = Cp932CutLength(workDir, end, cap - 1);
    memmove(out, workDir, keep);
    out[keep] = 0;
}

bool SettingsFilePath(const char* name, char* out, size_t cap)
{
    return ProgramPath(out, cap, KP_SETTINGS_PREFIX, name);
}

const char* ProgramFolder()
{
    return glStore.programFolder;
}

void SetProgramFolder(const char* folder)
{
    Cp932CopyCut(glStore.programFolder, sizeof glStore.programFolder, folder);
}

bool ProgramPath(char* out, size_t cap, const char* a, const char* b, const char* c, const char* d)
{
    if (!glStore.programFolder[0]) {
        if (cap > 0)
            out[0] = 0;
        return false;
    }
    // The literals begin with their own backslash: the texts follow one another.
    const char* parts[5] = { glStore.programFolder, a, b, c, d };
    size_t total = 0;
    for (const char* p : parts)
        total += p ? strlen(p) : 0;
    if (total + 1 > cap) {
        if (cap > 0)
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

bool IsSettingsFileName(const char* name)
{
#define SETTINGS_NAME(file, words, load, save) file,
    static const char* const kSettings[] = { SETTINGS_FILES(SETTINGS_NAME) };
#undef SETTINGS_NAME
    for (const char* f : kSettings) {
        if (Cp932CompareNoCase(name, f) == 0)
            return true;
    }
    static const char* const kConversion[] = { KP_GAZOU_BMP, KP_GAZOU_OLD_BMP,
                                               KP_GAZOU_BMP CONVERTER_PARTIAL_SUFFIX };
    for (const char* f : kConversion) {
        if (Cp932CompareNoCase(name, f + strlen(KP_SETTINGS_PREFIX)) == 0)
            return true;
    }
    // The crash-safe writers' temporary names, in any letter case (file names ignore it).
    char lower[KP_PATH_BYTES];
    size_t n = Cp932CopyCut(lower, sizeof lower, name);
    for (size_t i = 0; i < n; i += Cp932Step(lower, i, n)) {
        if (lower[i] >= 'A' && lower[i] <= 'Z')
            lower[i] = (char)(lower[i] - 'A' + 'a');
    }
    return IsSaveTempName(lower);
}
