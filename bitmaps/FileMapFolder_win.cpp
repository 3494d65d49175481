#include "bitmaps/FileMapFolder.h"

#include <string>

#include "base/Edge.h"
#include "base/Limits.h"
#include "base/NumberText.h"
#include "base/PathJoin.h"
#include "base/Trace.h"
#include "bitmaps/BitmapsState.h"

static ULONGLONG AllocatedBytes(HANDLE file)
{
    FILE_STANDARD_INFO info = {};
    if (!GetFileInformationByHandleEx(file, FileStandardInfo, &info, sizeof info))
        return 0;
    return (ULONGLONG)info.AllocationSize.QuadPart;
}

static bool DiskFull()
{
    DWORD e = GetLastError();
    return e == ERROR_DISK_FULL || e == ERROR_HANDLE_DISK_FULL;
}

// The backing file gets its blocks on the disk before it is mapped. A file that is only
// said to be long (sparse, as Wine extends one on Linux) faults on the first pixel written
// to a page the full disk cannot give; a failed call here is a message instead.
static bool ReserveFileSpace(HANDLE file, DWORD size, const char* path)
{
    LARGE_INTEGER end;
    end.QuadPart = size;
    // NTFS allocates the extension here, or says that the disk is full.
    if (!SetFilePointerEx(file, end, nullptr, FILE_BEGIN) || !SetEndOfFile(file)) {
        TraceLastError("SetEndOfFile", path);
        return false;
    }
    if (AllocatedBytes(file) >= size)
        return true;
    // A sparse extension: Wine allocates a file's valid data for real (fallocate).
    if (SetFileValidData(file, size) && AllocatedBytes(file) >= size)
        return true;
    if (DiskFull()) {
        TraceLastError("SetFileValidData", path);
        return false;
    }
    // Else the blocks are taken by writing them.
    static const BYTE kZeros[65536] = {};
    LARGE_INTEGER zero = {};
    if (!SetFilePointerEx(file, zero, nullptr, FILE_BEGIN)) {
        TraceLastError("SetFilePointerEx", path);
        return false;
    }
    for (DWORD done = 0; done < size;) {
        DWORD part = size - done < sizeof kZeros ? size - done : (DWORD)sizeof kZeros, n = 0;
        if (!WriteFile(file, kZeros, part, &n, nullptr) || n != part) {
            TraceLastError("WriteFile", path);
            return false;
        }
        done += part;
    }
    return true;
}

std::string BackingFilePath(const char* name, int index)
{
    return PathJoined(KP_FILEMAP_DIR, name + NumberToText(index) + ".txt");
}

BYTE* CreateMappedBuffer(MAPPED_BUFFER* buf, const char* name, int index, DWORD size, DWORD mapBytes)
{
    *buf = MAPPED_BUFFER();
    buf->size = size;
    std::string filePath = BackingFilePath(name, index);
    HANDLE file = EdgeCreateFile(filePath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL);
    if (file == INVALID_HANDLE_VALUE)
        return nullptr;
    if (size == 0 || !ReserveFileSpace(file, size, filePath.c_str())) {
        Bitmaps.fileMapFull = Bitmaps.fileMapFull || size > 0;
        CloseHandle(file);
        EdgeDeleteFile(filePath.c_str());
        return nullptr;
    }
    buf->hFile = file;
    std::string mapName = std::string(name) + NumberToText(index);
    buf->hMap = EdgeCreateFileMapping(file, PAGE_READWRITE, 0, size, mapName.c_str());
    if (!buf->hMap) {
        TraceLastError("CreateFileMappingW", mapName.c_str());
        return nullptr;
    }
    buf->pView = (BYTE*)MapViewOfFile(buf->hMap, FILE_MAP_ALL_ACCESS, 0, 0, mapBytes);
    if (!buf->pView)
        TraceLastError("MapViewOfFile", mapName.c_str());
    return buf->pView;
}

void RemoveFileMapFolder()
{
    EDGE_FIND_DATA fd;
    HANDLE find = EdgeFindFirstFile(PathJoined(KP_FILEMAP_DIR, "*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        char path[KP_PATH_BYTES];
        // The folder's own entries (. and ..) are no files of ours.
        if (fd.lossy || (fd.attributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        if (PathJoin(path, sizeof(path), KP_FILEMAP_DIR, fd.name))
            EdgeDeleteFile(path);
    } while (EdgeFindNextFile(find, &fd));
    FindClose(find);
    EdgeRemoveDirectory(KP_FILEMAP_DIR);
    Bitmaps.fileMapFull = 0;
}
