#pragma once
#include <stdint.h>

// How a program asks QX5.exe for a BMP; QX5 (this folder) and Kotopane's side of it
// (qx5link/) both use this. The converter is a hidden top-level window of class
// CONVERTER_CLASS titled CONVERTER_TITLE, and it understands two requests:
//
// Convert: two messages, sent in this order, each answered before the next goes out.
//   CONVERTER_CONVERT_DESTINATION (WM_COPYDATA): where the BMP goes. The plain block is
//     exactly CONVERTER_DEST_BYTES bytes of code page 932 text, zero-padded, whatever dwData
//     says; Kotopane sends instead a CONVERTER_CONVERT_REQUEST tagged
//     CONVERTER_CONVERT_OVER_COLOUR in dwData: the same destination and the colour the
//     picture is shown on, so that a transparent picture's edges fade into the window's
//     background (the plain block gets white). wParam is the sender's window.
//   CONVERTER_CONVERT_SOURCE (WM_SETTEXT): the source picture path in UTF-16. The BMP is
//     written before the reply, which is CONVERTER_REPLY_CONVERTED or CONVERTER_REPLY_FAILED;
//     the converter's own title never changes.
// Quit: CONVERTER_QUIT (WM_DESTROY) to the converter's window; the converter ends.
//
// The message names expand to the Win32 ones, so only a file with <windows.h> uses them.
#define CONVERTER_CONVERT_DESTINATION WM_COPYDATA
#define CONVERTER_CONVERT_SOURCE      WM_SETTEXT
#define CONVERTER_QUIT                WM_DESTROY
enum { CONVERTER_REPLY_FAILED = 0, CONVERTER_REPLY_CONVERTED = 1 };

#define CONVERTER_CLASS L"QX5ConverterWindow"
#define CONVERTER_TITLE L"圧縮ファイルBMP変換だぞ"
// The converter writes the BMP under the destination's name followed by this, and renames it
// when it is whole; a converter ended mid-write leaves that partial file behind.
#define CONVERTER_PARTIAL_SUFFIX ".qx5tmp"

enum {
    CONVERTER_DEST_BYTES = 260,
    CONVERTER_SOURCE_MAX = 32767   // longest source path (the longest path Windows knows)
};
#define CONVERTER_CONVERT_OVER_COLOUR 0x43355851u   // "QX5C"
struct CONVERTER_CONVERT_REQUEST {
    char destination[CONVERTER_DEST_BYTES];   // as the plain block: NUL-terminated, zero-padded
    uint32_t backColour;                      // 0x00BBGGRR (a COLORREF)
};
static_assert(sizeof(CONVERTER_CONVERT_REQUEST) == CONVERTER_DEST_BYTES + 4, "no padding in the block");
// Kotopane gives up on a conversion after this long; the converter stops a decode that
// would take longer, so that it is free again for the next picture.
enum { CONVERTER_CONVERT_MS = 10000 };

// Kotopane's client area is the desktop work area less KOTOPANE_MARGIN_W pixels of width;
// pictures are shown from y PICTURE_BOX_TOP, in a box KOTOPANE_MARGIN_H pixels lower than the
// client area. The converter reads the same work area and decodes a photo no larger than
// that box shows it; the BMP's file header then keeps the picture's full size in its two
// reserved words (width, then height), so the fit is the one the full picture gets. Both are
// zero when the BMP is at full size.
enum { KOTOPANE_MARGIN_W = 50, PICTURE_BOX_TOP = 60, KOTOPANE_MARGIN_H = 110 };
