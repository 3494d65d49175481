#pragma once
#include <cstddef>

// Orientation (EXIF tag 274, 1..8) of a JPEG from its first bytes; 1 when the file has
// none or the segment is damaged. Reads nothing past size.
int Qx5JpegOrientation(const unsigned char* data, size_t size);
// The same tag from a TIFF structure (the body of an "Exif\0\0" APP1 segment).
int Qx5TiffOrientation(const unsigned char* tiff, size_t size);
