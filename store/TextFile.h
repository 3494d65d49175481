#pragma once
#include <windows.h>
#include <string>
#include <vector>

std::string ReadLine(const char* path, int n);
// Copies line n into dest (destCap bytes incl. terminator, cut at a character boundary).
int ReadLineTo(char* dest, size_t destCap, const char* path, int n);
// The file's bytes, followed by two zero bytes of room (not counted). 0 on failure.
int ReadWholeFile(const char* path, std::vector<char>* out);
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
