// The floor under showing a JPEG photo in Kotopane's picture box: what any program must at
// least do, with the same libjpeg-turbo QX5 is built with. For each file: read it, decode
// it at the smallest scale M/8 whose output still covers the picture fitted into the box,
// and stretch it with HALFTONE into its place there; best of three, in this one process.
//
//     wine_jpeg_floor.exe BOX_W BOX_H FILE...
//
// Prints one line per file, in order: "floor <ms> <M>/8". Asserts nothing.
#include <windows.h>

#include <shellapi.h>
#include <stdio.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/PictureFit.h"
#include "converter/Qx5Image.h"
#include "tests/support/TestSupport.h"

#if KP_HAVE_LIBJPEG_TURBO
#include <jpeglib.h>

static double Now()
{
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return t.QuadPart * 1000.0 / f.QuadPart;
}

// One decode and fit; the eighths used, 0 when the file is no JPEG libjpeg-turbo reads.
static unsigned DecodeAndFit(const std::wstring& path, int boxW, int boxH, HALFTONE_CANVAS* canvas)
{
    std::string bytes;
    if (!ReadBytes(path, &bytes))
        return 0;
    jpeg_decompress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_decompress(&c);
    jpeg_mem_src(&c, (const unsigned char*)bytes.data(), (unsigned long)bytes.size());
    jpeg_read_header(&c, TRUE);
    unsigned m = Qx5ChooseEighths(c.image_width, c.image_height, 1, boxW, boxH);
    c.scale_num = m;
    c.scale_denom = 8;
    c.out_color_space = JCS_EXT_BGRX;
    jpeg_start_decompress(&c);
    unsigned w = c.output_width, h = c.output_height;
    std::vector<unsigned char> px((size_t)w * h * 4);
    while (c.output_scanline < h) {
        JSAMPROW row = &px[(size_t)c.output_scanline * w * 4];
        jpeg_read_scanlines(&c, &row, 1);
    }
    PICTURE_PLACE p = PlacePicture(boxW, boxH, (int)c.image_width, (int)c.image_height);
    jpeg_destroy_decompress(&c);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = (LONG)w;
    bi.bmiHeader.biHeight = -(LONG)h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    StretchDIBits(canvas->dc, p.x, 0, p.width, p.height, 0, 0, w, h, px.data(), &bi, DIB_RGB_COLORS, SRCCOPY);
    GdiFlush();
    return m;
}

#define KP_TEXT(x) #x
#define KP_STR(x) KP_TEXT(x)

int main()
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argc < 4)
        return 2;
    int boxW = _wtoi(argv[1]), boxH = _wtoi(argv[2]);
    HALFTONE_CANVAS canvas;
    if (!CanvasOpen(&canvas, boxW, boxH))
        return 1;
    printf("libjpeg-turbo %s\n", KP_STR(LIBJPEG_TURBO_VERSION));
    for (int i = 3; i < argc; i++) {
        double best = 1e9;
        unsigned m = 0;
        for (int r = 0; r < 3; r++) {
            double t0 = Now();
            m = DecodeAndFit(argv[i], boxW, boxH, &canvas);
            best = std::min(best, Now() - t0);
        }
        printf("floor %.1f %u/8\n", best, m);
    }
    CanvasClose(&canvas);
    fflush(stdout);
    return 0;
}

#else

int main()
{
    printf("no libjpeg-turbo in this build\n");
    return 3;
}

#endif
