// The floor under showing a WebP, AVIF or HEIC photo in Kotopane's picture box: what any
// program must at least do, with the same libwebp and libheif QX5 uses. For each file: read
// it, decode it (libwebp at the scale M/8 that still covers its place in the box, as QX5
// does; libheif cannot scale, so at full size, 8 bits) and stretch it with HALFTONE into its
// place there; best of three, in this one process. libheif's DLL is loaded from the built
// parts folder, as QX5 loads it.
//
//     wine_picture_floor.exe BOX_W BOX_H FILE...
//     wine_picture_floor.exe --steps FILE     where a HEIF's decode spends its time
//
// Prints one line per file, in order: "floor <ms> <M>/8" (0/8: not decoded); then the
// process's peak working set, "peak <MB>". Asserts nothing.
#include <windows.h>

#include <psapi.h>
#include <shellapi.h>
#include <stdio.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/PictureFit.h"
#include "converter/Qx5Image.h"
#include "tests/support/TestSupport.h"

#if KP_HAVE_LIBWEBP && KP_HAVE_LIBHEIF
#include <libheif/heif.h>
#include <webp/decode.h>

static double Now()
{
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return t.QuadPart * 1000.0 / f.QuadPart;
}

static struct {
    decltype(&heif_context_alloc) context_alloc;
    decltype(&heif_context_free) context_free;
    decltype(&heif_context_read_from_memory_without_copy) read_from_memory;
    decltype(&heif_context_get_primary_image_handle) primary;
    decltype(&heif_image_handle_has_alpha_channel) has_alpha;
    decltype(&heif_image_handle_release) handle_release;
    decltype(&heif_decode_image) decode;
    decltype(&heif_image_get_plane_readonly) plane;
    decltype(&heif_image_get_width) width;
    decltype(&heif_image_get_height) height;
    decltype(&heif_image_release) release;
    decltype(&heif_get_version) version;
    decltype(&heif_context_set_max_decoding_threads) threads;
} H;

static bool LoadHeif()
{
    std::wstring dll = TestBuildDir() + L"\\Kotopane\\部品\\" L"" KP_LIBHEIF_DLL;
    HMODULE m = LoadLibraryExW(dll.c_str(), nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!m)
        return false;
    void** slots[] = {(void**)&H.context_alloc, (void**)&H.context_free, (void**)&H.read_from_memory,
                      (void**)&H.primary, (void**)&H.has_alpha, (void**)&H.handle_release, (void**)&H.decode,
                      (void**)&H.plane, (void**)&H.width, (void**)&H.height, (void**)&H.release, (void**)&H.version, (void**)&H.threads};
    const char* names[] = {"heif_context_alloc", "heif_context_free", "heif_context_read_from_memory_without_copy",
                           "heif_context_get_primary_image_handle", "heif_image_handle_has_alpha_channel",
                           "heif_image_handle_release", "heif_decode_image", "heif_image_get_plane_readonly",
                           "heif_image_get_width", "heif_image_get_height", "heif_image_release", "heif_get_version",
                           "heif_context_set_max_decoding_threads"};
    for (int i = 0; i < 13; i++)
        if (!(*slots[i] = (void*)GetProcAddress(m, names[i])))
            return false;
    return true;
}

static void Stretch(HALFTONE_CANVAS* canvas, const unsigned char* px, int stride, int w, int h, int bits,
                    const PICTURE_PLACE& p)
{
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = stride * 8 / bits;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = (WORD)bits;
    StretchDIBits(canvas->dc, p.x, 0, p.width, p.height, 0, 0, w, h, px, &bi, DIB_RGB_COLORS, SRCCOPY);
    GdiFlush();
}

// One decode and fit; the eighths used, 0 when the file was not decoded.
static unsigned DecodeAndFit(const std::string& bytes, int boxW, int boxH, HALFTONE_CANVAS* canvas)
{
    const uint8_t* data = (const uint8_t*)bytes.data();
    WebPBitstreamFeatures f;
    if (WebPGetFeatures(data, bytes.size(), &f) == VP8_STATUS_OK) {
        unsigned m = Qx5ChooseEighths(f.width, f.height, 1, boxW, boxH);
        WebPDecoderConfig config;
        WebPInitDecoderConfig(&config);
        config.options.use_scaling = m < 8;
        config.options.scaled_width = (int)ScaledSide(f.width, m);
        config.options.scaled_height = (int)ScaledSide(f.height, m);
        config.output.colorspace = MODE_BGRA;
        if (WebPDecode(data, bytes.size(), &config) != VP8_STATUS_OK)
            return 0;
        WebPDecBuffer* o = &config.output;
        Stretch(canvas, o->u.RGBA.rgba, o->u.RGBA.stride, o->width, o->height, 32,
                PlacePicture(boxW, boxH, f.width, f.height));
        WebPFreeDecBuffer(o);
        return m;
    }
    heif_context* ctx = H.context_alloc();
    heif_image_handle* handle = nullptr;
    heif_image* img = nullptr;
    unsigned m = 0;
    if (H.read_from_memory(ctx, data, bytes.size(), nullptr).code == heif_error_Ok &&
        H.primary(ctx, &handle).code == heif_error_Ok &&
        H.decode(handle, &img, heif_colorspace_RGB, heif_chroma_interleaved_RGB, nullptr).code == heif_error_Ok) {
        int stride = 0;
        const uint8_t* px = H.plane(img, heif_channel_interleaved, &stride);
        int w = H.width(img, heif_channel_interleaved), h = H.height(img, heif_channel_interleaved);
        // GDI takes blue first: the floor swaps in place rather than paying for a copy.
        for (int y = 0; y < h; y++)
            for (uint8_t* p = (uint8_t*)px + (size_t)stride * y; p < px + (size_t)stride * y + 3 * w; p += 3)
                std::swap(p[0], p[2]);
        if (stride % 4 == 0)
            Stretch(canvas, px, stride, w, h, 24, PlacePicture(boxW, boxH, w, h));
        m = 8;
    }
    if (img)
        H.release(img);
    if (handle)
        H.handle_release(handle);
    H.context_free(ctx);
    return m;
}

// Where a HEIF's decode goes: reading the boxes, the codec to its own planes, the colour
// conversion to interleaved RGB.
static void Steps(const std::string& bytes)
{
    for (int r = 0; r < 4; r++) {
        double t0 = Now();
        heif_context* ctx = H.context_alloc();
        H.threads(ctx, r);
        heif_image_handle* handle = nullptr;
        heif_image* img = nullptr;
        H.read_from_memory(ctx, bytes.data(), bytes.size(), nullptr);
        H.primary(ctx, &handle);
        double t1 = Now();
        FILETIME c0, e0, k0, u0, k1, u1;
        GetProcessTimes(GetCurrentProcess(), &c0, &e0, &k0, &u0);
        H.decode(handle, &img, heif_colorspace_undefined, heif_chroma_undefined, nullptr);
        double t2 = Now();
        GetProcessTimes(GetCurrentProcess(), &c0, &e0, &k1, &u1);
        auto ms = [](FILETIME a, FILETIME b) {
            return ((ULARGE_INTEGER{{b.dwLowDateTime, b.dwHighDateTime}}).QuadPart -
                    (ULARGE_INTEGER{{a.dwLowDateTime, a.dwHighDateTime}}).QuadPart) / 10000.0;
        };
        printf("  (cpu: user %.0f ms, kernel %.0f ms)\n", ms(u0, u1), ms(k0, k1));
        H.release(img);
        H.decode(handle, &img, heif_colorspace_RGB, heif_chroma_interleaved_RGB, nullptr);
        double t3 = Now();
        printf("%d threads: boxes %.1f ms, decode to its own planes %.1f ms, decode to RGB %.1f ms (conversion %.1f ms)\n",
               r, t1 - t0, t2 - t1, t3 - t2, (t3 - t2) - (t2 - t1));
        H.release(img);
        H.handle_release(handle);
        H.context_free(ctx);
    }
}

int main()
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!LoadHeif()) {
        printf("libheif's DLL did not load\n");
        return 3;
    }
    printf("libwebp %d.%d.%d, libheif %s\n", WebPGetDecoderVersion() >> 16, WebPGetDecoderVersion() >> 8 & 0xFF,
           WebPGetDecoderVersion() & 0xFF, H.version());
    std::string bytes;
    if (argc == 3 && wcscmp(argv[1], L"--steps") == 0) {
        if (ReadBytes(argv[2], &bytes))
            Steps(bytes);
        return 0;
    }
    if (argc < 4)
        return 2;
    int boxW = _wtoi(argv[1]), boxH = _wtoi(argv[2]);
    HALFTONE_CANVAS canvas;
    if (!CanvasOpen(&canvas, boxW, boxH))
        return 1;
    for (int i = 3; i < argc; i++) {
        double best = 1e9;
        unsigned m = 0;
        for (int r = 0; r < 3; r++) {
            double t0 = Now();
            m = ReadBytes(argv[i], &bytes) ? DecodeAndFit(bytes, boxW, boxH, &canvas) : 0;
            best = std::min(best, Now() - t0);
        }
        printf("floor %.1f %u/8\n", best, m);
    }
    CanvasClose(&canvas);
    PROCESS_MEMORY_COUNTERS pmc = {};
    pmc.cb = sizeof(pmc);
    GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof(pmc));
    printf("peak %.1f\n", pmc.PeakWorkingSetSize / 1048576.0);
    fflush(stdout);
    return 0;
}

#else

int main()
{
    printf("no libwebp or libheif in this build\n");
    return 3;
}

#endif
