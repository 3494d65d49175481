#include "intake/DropCopy.h"

#include <algorithm>

#include "base/Cp932.h"
#include "base/Edge.h"
#include "base/Limits.h"
#include "base/PathJoin.h"
#include "base/PictureKind.h"
#include "display/Display.h"
#include "store/SaveTemp.h"
#include "store/TextFile.h"

// The first read is small, so a file that is no picture costs little; the rest goes in
// chunks large enough to copy at the disk's speed and small enough to stop at once.
enum { HEAD_READ = 64 * 1024, COPY_CHUNK = 1024 * 1024, PROGRESS_EVERY_MS = 100 };

struct COPIER {
    DROP_JOB* job;
    std::vector<char> buffer;
    bool folderReady;
    DWORD lastPost;
};

static bool Stopped(const COPIER* c)
{
    return InterlockedCompareExchange(&c->job->stop, 0, 0) != 0;
}

static void Progress(COPIER* c, size_t done, size_t total)
{
    DWORD now = GetTickCount();
    if (done > 0 && done < total && now - c->lastPost < PROGRESS_EVERY_MS)
        return;
    c->lastPost = now;
    PostMessageW(c->job->notify, WM_KP_DROP_PROGRESS, (WPARAM)done, (LPARAM)total);
}

// The files directly inside a dropped folder, in name order: not its subfolders, nor the
// hidden and system files and dot-names that systems leave in folders. False when there is
// none.
static bool AddFolderFiles(const DROPPED& dropped, std::vector<DROPPED>* files)
{
    const std::wstring& wideFolder = dropped.wide;
    std::wstring wsep = wideFolder.empty() || wideFolder.back() != L'\\' ? L"\\" : L"";
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((wideFolder + wsep + L"*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (!(fd.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))
                && fd.cFileName[0] != L'.')
                names.push_back(fd.cFileName);
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    std::sort(names.begin(), names.end(),
              [](const std::wstring& a, const std::wstring& b) { return lstrcmpiW(a.c_str(), b.c_str()) < 0; });
    for (const std::wstring& name : names) {
        DROPPED d = { "", wideFolder + wsep + name, true };
        char cp932[MAX_PATH * 2 + 1];
        char path[KP_PATH_BYTES];
        if (EdgeFromWide(name.c_str(), cp932, sizeof cp932) > 0 && PathJoin(path, sizeof path, dropped.path.c_str(), cp932))
            d.path = path;
        files->push_back(d);
    }
    return !names.empty();
}

// The category's lines file by the name Windows opens it by (ASCII case, trailing dots and
// spaces aside).
static bool IsLinesFileName(const DROP_JOB* job, const char* name)
{
    // Neither a dot nor a space is ever a trail byte.
    std::string given = name;
    while (!given.empty() && (given.back() == '.' || given.back() == ' '))
        given.pop_back();
    return Cp932CompareNoCase(given.c_str(), job->linesFile.c_str()) == 0;
}

// The lines file reached by another spelling (its short name).
static bool IsLinesFile(const DROP_JOB* job, const char* dest)
{
    char lines[KP_PATH_BYTES];
    return PathJoin(lines, sizeof lines, job->folder.c_str(), job->linesFile.c_str()) && EdgeSameFile(dest, lines);
}

// A category folder removed outside the program is made again, once, when the first picture
// is about to come in.
static bool FolderReady(COPIER* c)
{
    const char* folder = c->job->folder.c_str();
    if (!c->folderReady)
        c->folderReady = EdgePathIsDirectory(folder) || EdgeCreateDirectory(folder);
    return c->folderReady;
}

// A write may take part of the bytes (the disk filling up): the rest is written again,
// and the call that takes none says why.
static bool WriteAll(HANDLE h, const char* data, DWORD count)
{
    while (count > 0) {
        DWORD written = 0;
        SetLastError(NO_ERROR);
        if (!WriteFile(h, data, count, &written, nullptr) || written == 0) {
            if (GetLastError() == NO_ERROR)
                SetLastError(ERROR_WRITE_FAULT);
            return false;
        }
        data += written;
        count -= written;
    }
    return true;
}

// dest is taken: by the lines file under another spelling (it stays), by the dropped file
// itself (dropped back onto its own category: it is there already), or by a picture it
// replaces.
static int NameTaken(COPIER* c, const char* from, const char* temp, const char* dest)
{
    DWORD error = GetLastError();
    if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS)
        return REFUSED_UNWRITABLE;
    if (IsLinesFile(c->job, dest))
        return REFUSED_LINES_FILE;
    if (EdgeSameFile(dest, from)) {
        EdgeDeleteFile(temp);
        return DROP_ARRIVED;
    }
    // One that can't be replaced is read-only or open in another program.
    return EdgeReplaceFile(temp, dest) ? DROP_ARRIVED : REFUSED_UNWRITABLE;
}

// Copies the rest of src (whose first `got` bytes are in the buffer) to a temporary name
// beside dest and gives it dest's name only when it is whole, so dest is the new picture or
// untouched; the start-up sweep removes what a killed run leaves. A copy cut short (a
// failure, the program closing) is removed.
static int CopyIn(COPIER* c, HANDLE src, const char* from, DWORD got, const char* dest)
{
    std::string temp;
    HANDLE out = INVALID_HANDLE_VALUE;
    for (int k = 0; k < 100 && out == INVALID_HANDLE_VALUE; k++) {
        temp = SaveTempName(dest, GetCurrentProcessId(), k);
        if (temp.size() >= KP_PATH_BYTES - 4)   // a long name: a short one in the same folder
            temp = SaveTempName(PathJoined(c->job->folder, "~").c_str(), GetCurrentProcessId(), k);
        out = EdgeCreateFile(temp.c_str(), GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL);
        if (out == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    if (out == INVALID_HANDLE_VALUE)
        return DiskFullError(GetLastError()) ? REFUSED_DISK_FULL : REFUSED_UNWRITABLE;

    int outcome = DROP_ARRIVED;
    char* buf = c->buffer.data();
    for (;;) {
        if (!WriteAll(out, buf, got)) {
            DWORD error = GetLastError();
            outcome = DiskFullError(error) ? REFUSED_DISK_FULL : REFUSED_UNWRITABLE;
            break;
        }
        if (Stopped(c)) {
            outcome = DROP_STOPPED;
            break;
        }
        if (!ReadFile(src, buf, COPY_CHUNK, &got, nullptr)) {
            outcome = REFUSED_UNREADABLE;
            break;
        }
        if (got == 0)
            break;
    }
    // The picture keeps its times, as a copy in the file manager does.
    FILETIME created, accessed, written;
    if (outcome == DROP_ARRIVED && GetFileTime(src, &created, &accessed, &written))
        SetFileTime(out, &created, nullptr, &written);
    CloseHandle(out);
    // Under Wine every look at a name missing from a folder reads the whole folder (names are
    // matched ignoring case): whether dest is there is learnt from the rename, most pictures
    // being new.
    if (outcome == DROP_ARRIVED && !EdgeRenameFile(temp.c_str(), dest))
        outcome = NameTaken(c, from, temp.c_str(), dest);
    if (outcome != DROP_ARRIVED)
        EdgeDeleteFile(temp.c_str());
    return outcome;
}

// One file, judged and copied: the lines file by its name, then what the file is by its
// first bytes (read by its own name, so a video whose name code page 932 can't write is told
// as no picture), then the name it would get. From a dropped folder only pictures come in; a
// file dropped on its own stays out only when it is plainly none (a damaged picture still
// comes in, and is told about when shown).
static int TakeIn(COPIER* c, const DROPPED& f)
{
    const char* name = f.path.empty() ? nullptr : Cp932FindFileName(f.path.c_str());
    if (name && IsLinesFileName(c->job, name))
        return REFUSED_LINES_FILE;
    HANDLE src = CreateFileW(f.wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (src == INVALID_HANDLE_VALUE)
        return name ? REFUSED_UNREADABLE : REFUSED_NAME;   // no name also when its path is too long
    DWORD got = 0;
    char dest[KP_PATH_BYTES];
    int outcome = DROP_ARRIVED;
    if (!ReadFile(src, c->buffer.data(), HEAD_READ, &got, nullptr)) {
        outcome = REFUSED_UNREADABLE;
    } else {
        PICTURE_KIND kind = PictureKindOf((const unsigned char*)c->buffer.data(), got);
        if (f.fromFolder ? !IsPictureKind(kind) : kind == PICTURE_NOT) {
            outcome = REFUSED_NOT_PICTURE;
        } else if (!name || !PathJoin(dest, sizeof dest, c->job->folder.c_str(), name) || IsSaveTempName(name)) {
            // A name like the crash-safe writers' temporary files would be swept at the next start.
            outcome = REFUSED_NAME;
        } else if (!FolderReady(c)) {
            c->job->folderMissing = true;
            outcome = DROP_STOPPED;
        } else {
            outcome = CopyIn(c, src, f.path.c_str(), got, dest);
        }
    }
    CloseHandle(src);
    return outcome;
}

void DropCopyRun(DROP_JOB* job)
{
    COPIER c = { job, std::vector<char>(COPY_CHUNK), false, 0 };
    job->results.clear();
    job->folderMissing = false;
    job->pictures = -1;

    // The files: each one dropped, and those directly inside each dropped folder.
    std::vector<DROPPED> files;
    for (const DROPPED& d : job->dropped) {
        if (Stopped(&c))
            break;
        if (!d.path.empty() && EdgePathIsDirectory(d.path.c_str())) {
            if (!AddFolderFiles(d, &files))
                job->results.push_back(DROP_RESULT{ d, REFUSED_NOTHING_INSIDE });
        } else {
            files.push_back(d);
        }
    }
    Progress(&c, 0, files.size());
    bool arrived = false;
    for (size_t k = 0; k < files.size() && !job->folderMissing; k++) {
        int outcome = Stopped(&c) ? DROP_STOPPED : TakeIn(&c, files[k]);
        job->results.push_back(DROP_RESULT{ files[k], outcome });
        arrived = arrived || outcome == DROP_ARRIVED;
        Progress(&c, k + 1, files.size());
    }
    // The count the next display finds: a picture of a name already there adds nothing.
    if (arrived)
        job->pictures = CountPictures(job->folder.c_str());
}

static DWORD WINAPI DropCopyThread(void* p)
{
    DROP_JOB* job = (DROP_JOB*)p;
    DropCopyRun(job);
    PostMessageW(job->notify, WM_KP_DROP_DONE, 0, 0);
    return 0;
}

HANDLE DropCopyStart(DROP_JOB* job)
{
    return CreateThread(nullptr, 0, DropCopyThread, job, 0, nullptr);
}
