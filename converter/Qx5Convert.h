#pragma once
#include <windows.h>

#include <stdint.h>

// Decodes the picture at src (first frame; the largest of an icon) and writes it upright
// as a 32-bit BMP at dst, its transparency laid over back (0x00BBGGRR); a photo larger than
// Kotopane's picture box shows it comes out at the smallest scale that still covers its place
// there. False, and no file at dst, when the picture can't be read or written. The calling
// thread has COM initialised.
bool Qx5ConvertFile(const wchar_t* src, const wchar_t* dst, uint32_t back);

