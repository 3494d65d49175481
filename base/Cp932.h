#pragma once
#include <cstddef>
#include <cstdint>

// Code page 932 character walking, by the code page's own rule (not the system's).
bool IsCp932Lead(unsigned char b);                 // 0x81-0x9F, 0xE0-0xFC
bool IsCp932Trail(unsigned char b);                // 0x40-0x7E, 0x80-0xFC
// Bytes of the character that starts at s[i] in a string of len bytes (SIZE_MAX: up to its
// terminator): 2 for a lead byte with a non-zero byte after it, 0 at the end, else 1.
// Every scan over code page 932 text steps with this, so none splits a character.
size_t Cp932Step(const char* s, size_t i, size_t len);
// Largest length <= maxBytes that does not split a two-byte character.
size_t Cp932CutLength(const char* s, size_t len, size_t maxBytes);
// Copies src into out (cap bytes incl. terminator), cut at a character boundary.
size_t Cp932CopyCut(char* out, size_t cap, const char* src);
const char* Cp932FindFileName(const char* path);   // after the last '\', '/' or ':'
const char* Cp932FindExtension(const char* path);  // the last '.' of the name, or the end
int Cp932CompareNoCase(const char* a, const char* b);  // ASCII letters folded, trail bytes not
// Folder of a drive path (C:\dir\file -> C:\dir\), empty for any other path. Returns its length.
size_t Cp932FolderOfPath(const char* path, char* out, size_t cap);
// A plain folder name: not empty, no \ / : * ? " < > |, no control byte, not . or ..,
// and a valid code page 932 byte sequence.
bool IsPlainFolderName(const char* name);
