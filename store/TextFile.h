#pragma once
#include <windows.h>
#include <string>
#include <vector>

// Every reader reads at most the first TEXT_READ_MAX bytes of a file: a lines file is
// typed by hand (4 MiB is some 80 000 lines), and a huge one must not stall the window.
enum { TEXT_READ_MAX = 4 << 20 };

std::string ReadLine(const char* path, int n);
// Copies line n into dest (destCap bytes incl. terminator, cut at a character boundary).
int ReadLineTo(char* dest, size_t destCap, const char* path, int n);
// The file's bytes, followed by two zero bytes of room (not counted). 0 on failure.
int ReadWholeFile(const char* path, std::vector<char>* out);
// The text of a file the user may have saved in code page 932, UTF-8 or UTF-16 (a lines file,
// the menu list), as code page 932. Returns its length: 0 when missing, unreadable or empty.
int ReadTextFile(const char* path, std::string* text);
int WriteTextWithZero(const char* path, const char* text);
int FileWriteMy2(const char* path, const void* buffer, DWORD count);
// The saves of the two writers that did not go through since the last call (the file kept
// its previous bytes), each with the system's error, oldest first.
struct SAVE_FAILURE {
    std::string path;
    DWORD error;
};
std::vector<SAVE_FAILURE> TakeSaveFailures();
bool DiskFullError(DWORD error);
// Files can be made, written and deleted in folder: a small file under a temporary name
// is written there and deleted again. False with the system's error when a step fails.
bool FolderWritable(const char* folder, DWORD* error);
// Deletes the temporary files that saves interrupted by a killed run left in folder
// (not its subfolders). Returns how many went.
int SweepSaveLeftovers(const char* folder);
