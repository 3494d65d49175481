#include "store/TextFile.h"

#include <string.h>

#include "base/Edge.h"
#include "base/PathJoin.h"
#include "base/NumberText.h"
#include "base/Trace.h"
#include "base/Window.h"
#include "store/LineText.h"
#include "store/SaveTemp.h"
#include "store/TextDecode.h"

// Reads an open file into a zero-filled buffer with `extra` zero bytes after what was read:
// the whole file, or its first TEXT_READ_MAX bytes (*cut says so). Returns 0 when the size
// can't be read.
static int ReadOpenFile(HANDLE h, std::vector<char>* buf, DWORD* got, bool* cut, size_t extra, bool reportSize)
{
    DWORD high = 0;
    SetLastError(NO_ERROR);
    DWORD size = GetFileSize(h, &high);
    if (size == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) {
        if (reportSize) {
            std::string text = "FileSize=-1 ";
            text += NumberToText((double)(DWORD)(ULONG_PTR)h);
            EdgeMessageBox(MainWindow(), text.c_str(), "", MB_OK);
        }
        return 0;
    }
    *cut = high != 0 || size > (DWORD)TEXT_READ_MAX;
    if (*cut)
        size = TEXT_READ_MAX;
    buf->assign((size_t)size + extra, 0);
    DWORD total = 0;
    while (total < size) {
        DWORD n = 0;
        if (!ReadFile(h, buf->data() + total, size - total, &n, nullptr) || n == 0)
            break;
        total += n;
    }
    *got = total;
    return 1;
}

// Opens, reads (as ReadOpenFile) and closes; 0 when the file can't be opened or read.
static int ReadFileBytes(const char* path, std::vector<char>* buf, DWORD* got, bool* cut, size_t extra,
                         bool reportSize)
{
    HANDLE h = EdgeCreateFile(path, GENERIC_READ, 0, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
    if (h == INVALID_HANDLE_VALUE)
        return 0;
    int ok = ReadOpenFile(h, buf, got, cut, extra, reportSize);
    CloseHandle(h);
    return ok;
}

// Shared by the two line readers: 1 when the file was read and line n extracted.
static int ReadLineInto(const char* path, int n, char* out, size_t cap, int* reached)
{
    std::vector<char> buf;
    DWORD got = 0;
    bool cut = false;
    if (!ReadFileBytes(path, &buf, &got, &cut, 1, true))
        return 0;
    *reached = ExtractLine(buf.data(), got, n, out, cap);
    return 1;
}

std::string ReadLine(const char* path, int n)
{
    char line[LINE_BUFFER_BYTES] = {};
    int reached = 0;
    ReadLineInto(path, n, line, sizeof line, &reached);
    return line;
}

int ReadLineTo(char* dest, size_t destCap, const char* path, int n)
{
    // A file that can't be read leaves dest exactly as it was.
    char line[LINE_BUFFER_BYTES] = {};
    int reached = 0;
    if (!ReadLineInto(path, n, line, destCap < sizeof line ? destCap : sizeof line, &reached))
        return 0;
    if (destCap > 0)
        memcpy(dest, line, strlen(line) + 1);
    return reached;
}

int ReadWholeFile(const char* path, std::vector<char>* out)
{
    DWORD got = 0;
    bool cut = false;
    if (!ReadFileBytes(path, out, &got, &cut, 2, false) || got == 0) {
        out->clear();
        return 0;
    }
    // Room for one more byte and a terminator after the text.
    out->resize((size_t)got + 2);
    return (int)got;
}

int ReadTextFile(const char* path, std::string* text)
{
    text->clear();
    std::vector<char> buf;
    DWORD got = 0;
    bool cut = false;
    if (!ReadFileBytes(path, &buf, &got, &cut, 0, false))
        return 0;
    const unsigned char* bytes = (const unsigned char*)buf.data();
    size_t bom = 0;
    TEXT_ENCODING enc = DetectTextEncoding(bytes, got, cut, &bom);
    if (enc == TEXT_CP932) {
        text->assign(buf.data(), got);
    } else {
        std::u16string wide;
        DecodeUnicodeText(bytes + bom, got - bom, enc, cut, &wide);
        EdgeTextFromUtf16(wide.data(), wide.size(), text);
    }
    return (int)text->size();
}

enum { SAVE_OK = 0, SAVE_TARGET_LOCKED, SAVE_NOT_WRITTEN };

static std::vector<SAVE_FAILURE> glSaveFailures;

// A new file beside target under a temporary name that no other file has (the start-up
// sweep knows the form); INVALID_HANDLE_VALUE with the system's error when none can be made.
static HANDLE CreateSaveTemp(const char* target, std::string* temp)
{
    HANDLE h = INVALID_HANDLE_VALUE;
    for (int k = 0; k < 100 && h == INVALID_HANDLE_VALUE; k++) {
        *temp = SaveTempName(target, GetCurrentProcessId(), k);
        h = EdgeCreateFile(temp->c_str(), GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL);
        if (h == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    return h;
}

// The error of a write that failed; a short write sets none.
static DWORD WriteError()
{
    DWORD e = GetLastError();
    return e != NO_ERROR ? e : ERROR_WRITE_FAULT;
}

// Writes all count bytes and has them on the disk; the system's error otherwise.
static BOOL WriteWhole(HANDLE h, const void* data, DWORD count, DWORD* written, DWORD* error)
{
    *written = 0;
    SetLastError(NO_ERROR);
    BOOL ok = count == 0 || (WriteFile(h, data, count, written, nullptr) && *written == count);
    ok = FlushFileBuffers(h) && ok;
    *error = ok ? NO_ERROR : WriteError();
    return ok;
}

static void TraceWriteFailed(const char* path, DWORD error)
{
    SetLastError(error);
    TraceLastError("WriteFile", path);
}

// A temporary name the system refuses where the target itself may still be opened: the
// program folder lies so deep that the longer name does not fit.
static bool TempNameRefused(DWORD error)
{
    return error == ERROR_FILENAME_EXCED_RANGE || error == ERROR_INVALID_NAME || error == ERROR_PATH_NOT_FOUND;
}

// Writes the bytes to a new file beside the target and moves it over the target, so a
// crash or power cut mid-save leaves the old settings or the new ones, never a torn file;
// a save that fails (a full disk, a folder that can't be written) leaves the old bytes.
// The target must be writable by us alone, as when it was opened for writing directly.
static int SaveReplacing(const char* path, const void* data, DWORD count, DWORD* written, DWORD* error)
{
    *written = 0;
    HANDLE probe = EdgeCreateFile(path, GENERIC_WRITE, 0, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
    if (probe == INVALID_HANDLE_VALUE) {
        *error = GetLastError();
        if (*error != ERROR_FILE_NOT_FOUND)
            return SAVE_TARGET_LOCKED;
    } else {
        CloseHandle(probe);
    }

    std::string temp;
    HANDLE h = CreateSaveTemp(path, &temp);
    if (h == INVALID_HANDLE_VALUE) {
        *error = GetLastError();
        if (!TempNameRefused(*error))
            return SAVE_TARGET_LOCKED;
        // No room for a temporary name: the target is written in place.
        h = EdgeCreateFile(path, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL);
        if (h == INVALID_HANDLE_VALUE) {
            *error = GetLastError();
            return SAVE_TARGET_LOCKED;
        }
        BOOL ok = WriteWhole(h, data, count, written, error);
        CloseHandle(h);
        if (!ok)
            TraceWriteFailed(path, *error);
        return ok ? SAVE_OK : SAVE_NOT_WRITTEN;
    }

    DWORD n = 0;
    BOOL ok = WriteWhole(h, data, count, &n, error);
    CloseHandle(h);
    if (!ok) {
        TraceWriteFailed(temp.c_str(), *error);
        EdgeDeleteFile(temp.c_str());
        return SAVE_NOT_WRITTEN;
    }
    if (!EdgeReplaceFile(temp.c_str(), path)) {
        *error = GetLastError();
        EdgeDeleteFile(temp.c_str());
        return SAVE_TARGET_LOCKED;
    }
    *written = n;
    return SAVE_OK;
}

// Every save that does not go through is kept for TakeSaveFailures.
static int Save(const char* path, const void* data, DWORD count, DWORD* written)
{
    DWORD error = NO_ERROR;
    int result = SaveReplacing(path, data, count, written, &error);
    if (result != SAVE_OK)
        glSaveFailures.push_back(SAVE_FAILURE{ path, error });
    return result;
}

int WriteTextWithZero(const char* path, const char* text)
{
    DWORD written = 0;
    Save(path, text, (DWORD)strlen(text) + 1, &written);
    return (int)written;
}

int FileWriteMy2(const char* path, const void* buffer, DWORD count)
{
    DWORD written = 0;
    if (Save(path, buffer, count, &written) == SAVE_TARGET_LOCKED) {
        EdgeMessageBox(MainWindow(), "FileWriteMy2 INVALID_HANDLE_VALUE", "", MB_OK);
        return 0;
    }
    return (int)written;
}

std::vector<SAVE_FAILURE> TakeSaveFailures()
{
    std::vector<SAVE_FAILURE> taken;
    taken.swap(glSaveFailures);
    return taken;
}

bool DiskFullError(DWORD error)
{
    return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL;
}

bool FolderWritable(const char* folder, DWORD* error)
{
    std::string target = PathJoined(folder, "Kotopane");
    std::string temp;
    HANDLE h = CreateSaveTemp(target.c_str(), &temp);
    if (h == INVALID_HANDLE_VALUE) {
        *error = GetLastError();
        return false;
    }
    // A write the disk must find room for; no flush, which would cost the start a disk wait.
    static const char kBytes[4096] = {};
    DWORD n = 0;
    SetLastError(NO_ERROR);
    BOOL ok = WriteFile(h, kBytes, sizeof kBytes, &n, nullptr) && n == sizeof kBytes;
    *error = ok ? NO_ERROR : WriteError();
    CloseHandle(h);
    if (!EdgeDeleteFile(temp.c_str()) && ok) {
        *error = GetLastError();
        ok = FALSE;
    }
    return ok != FALSE;
}

int SweepSaveLeftovers(const char* folder)
{
    std::string pattern = PathJoined(folder, "*");
    EDGE_FIND_DATA fd;
    HANDLE h = EdgeFindFirstFile(pattern.c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return 0;
    int removed = 0;
    do {
        if (fd.lossy || (fd.attributes & FILE_ATTRIBUTE_DIRECTORY) || !IsSaveTempName(fd.name))
            continue;
        std::string path = PathJoined(folder, fd.name);
        removed += EdgeDeleteFile(path.c_str()) ? 1 : 0;
    } while (EdgeFindNextFile(h, &fd));
    FindClose(h);
    return removed;
}
