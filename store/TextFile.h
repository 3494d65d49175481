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
// Deletes the temporary files that saves interrupted by a killed run left in folder
// (not its subfolders). Returns how many went.
int SweepSaveLeftovers(const char* folder);
