#pragma once
#include <stdint.h>

// How Kotopane talks to its converter QX5.exe; both programs and the tests use this.
// Kotopane finds the converter's window by its title, then for each picture sends
//   WM_COPYDATA  the destination BMP path: exactly CONVERTER_DEST_BYTES bytes of code page
//                932 text, zero-padded (wParam and dwData carry Kotopane's main window);
//   WM_SETTEXT   the source picture path in UTF-16; the BMP is written when it returns,
//                and the converter's own title never changes;
// and at the end WM_DESTROY, which ends the converter. Transparent pixels are laid over white.
// Kotopane itself sends, in place of that WM_COPYDATA, one whose dwData is
// CONVERTER_CONVERT_OVER_COLOUR and whose block is a CONVERTER_CONVERT_REQUEST: the same
// destination and the colour the picture is shown on, so that a transparent picture's edges
// fade into the window's background. Other programs keep using the plain block.
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
