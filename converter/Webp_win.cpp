#include "converter/Qx5Out.h"

#if KP_HAVE_LIBWEBP
#include <webp/decode.h>
#include <webp/demux.h>

bool Qx5HaveLibwebp()
{
    return true;
}

// libwebp decodes from memory. The RIFF size field makes 4 GB the most a WebP can hold.
static unsigned char* Qx5ReadWhole(const wchar_t* src, size_t* size)
{
    *size = 0;
    HANDLE f = CreateFileW(src, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return nullptr;
    LARGE_INTEGER bytes = {};
    unsigned char* data = nullptr;
    if (GetFileSizeEx(f, &bytes) && bytes.QuadPart > 0 && bytes.QuadPart <= 0xFFFFFFFFll)
        data = (unsigned char*)VirtualAlloc(nullptr, (size_t)bytes.QuadPart, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    size_t got = 0;
    while (data && got < (size_t)bytes.QuadPart) {
        DWORD part = 0, want = (DWORD)((size_t)bytes.QuadPart - got < (1u << 30) ? (size_t)bytes.QuadPart - got : 1u << 30);
        if (!ReadFile(f, data + got, want, &part, nullptr) || part == 0)
            break;
        got += part;
    }
    CloseHandle(f);
    if (data && got == 0) {
        VirtualFree(data, 0, MEM_RELEASE);
        return nullptr;
    }
    // A file that shrank meanwhile is decoded as far as it got, as a file cut short.
    *size = got;
    return data;
}

static QX5_RESULT Qx5WebpFailure(VP8StatusCode status)
{
    return status == VP8_STATUS_UNSUPPORTED_FEATURE ? QX5_TO_WIC : QX5_REFUSED;
}

// A still picture at the scale the box shows it, straight into the BMP's pixel data: libwebp
// writes the rows bottom-up, as the BMP keeps them, and the premultiplied colours of a
// picture with alpha are laid over the colour in place.
static QX5_RESULT Qx5WebpStill(const unsigned char* data, size_t size, WebPDecoderConfig* config, int boxW, int boxH,
                               uint32_t back, const wchar_t* dst)
{
    const WebPBitstreamFeatures* f = &config->input;
    QX5_GEOMETRY g;
    if (!Qx5PlanGeometry(&g, (unsigned)f->width, (unsigned)f->height, 1))
        return QX5_REFUSED;
    unsigned m = Qx5ChooseEighths(g.srcW, g.srcH, 1, boxW, boxH);
    Qx5ScaleGeometry(&g, m);
    if (m < 8) {
        config->options.use_scaling = 1;
        config->options.scaled_width = (int)g.srcW;
        config->options.scaled_height = (int)g.srcH;
    }
    config->options.flip = 1;
    QX5_OUT out;
    if (!Qx5OutBegin(&out, &g, dst, true))
        return QX5_REFUSED;
    WebPDecBuffer* o = &config->output;
    o->colorspace = f->has_alpha ? MODE_bgrA : MODE_BGRA;
    o->is_external_memory = 1;
    o->u.RGBA.rgba = out.buf;
    o->u.RGBA.stride = (int)g.stride;
    o->u.RGBA.size = g.imageBytes;
    VP8StatusCode status = WebPDecode(data, size, config);
    WebPFreeDecBuffer(o);
    if (status == VP8_STATUS_OK && f->has_alpha)
        for (unsigned y = 0; y < g.srcH; y++) {
            unsigned char* row = out.buf + g.stride * y;
            Qx5CompositeRow(row, g.srcW, QX5_BGRA_PREMULTIPLIED, back, row, 0, 4);
        }
    if (!Qx5OutEnd(&out, dst, status == VP8_STATUS_OK))
        return status == VP8_STATUS_OK ? QX5_REFUSED : Qx5WebpFailure(status);
    return QX5_WRITTEN;
}

// An animation's first frame as a player shows it: composited on its canvas, which libwebp
// keeps at full size; then laid over the colour and shrunk for the box.
static QX5_RESULT Qx5WebpAnimation(const unsigned char* data, size_t size, const WebPBitstreamFeatures* f, int boxW,
                                   int boxH, uint32_t back, const wchar_t* dst)
{
    QX5_GEOMETRY g;
    if (!Qx5PlanGeometry(&g, (unsigned)f->width, (unsigned)f->height, 1))
        return QX5_REFUSED;
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options))
        return QX5_REFUSED;
    options.color_mode = MODE_BGRA;
    options.use_threads = 0;
    WebPData whole = {data, size};
    WebPAnimDecoder* dec = WebPAnimDecoderNew(&whole, &options);
    if (!dec)
        return QX5_REFUSED;
    WebPAnimInfo info;
    uint8_t* canvas = nullptr;
    int timestamp = 0;
    bool ok = WebPAnimDecoderGetInfo(dec, &info) && Qx5PlanGeometry(&g, info.canvas_width, info.canvas_height, 1)
              && WebPAnimDecoderGetNext(dec, &canvas, &timestamp)
              && Qx5WritePicture(canvas, (size_t)info.canvas_width * 4, info.canvas_width, info.canvas_height,
                                 QX5_BGRA, back, boxW, boxH, dst);
    WebPAnimDecoderDelete(dec);
    return ok ? QX5_WRITTEN : QX5_REFUSED;
}

QX5_RESULT Qx5WebpConvert(const wchar_t* src, int boxW, int boxH, uint32_t back, const wchar_t* dst)
{
    size_t size = 0;
    unsigned char* data = Qx5ReadWhole(src, &size);
    if (!data)
        return QX5_REFUSED;
    QX5_RESULT result = QX5_REFUSED;
    WebPDecoderConfig config;
    if (WebPInitDecoderConfig(&config)) {
        VP8StatusCode status = WebPGetFeatures(data, size, &config.input);
        if (status != VP8_STATUS_OK)
            result = Qx5WebpFailure(status);
        else if (config.input.has_animation)
            result = Qx5WebpAnimation(data, size, &config.input, boxW, boxH, back, dst);
        else
            result = Qx5WebpStill(data, size, &config, boxW, boxH, back, dst);
    }
    VirtualFree(data, 0, MEM_RELEASE);
    return result;
}

#else

bool Qx5HaveLibwebp()
{
    return false;
}

QX5_RESULT Qx5WebpConvert(const wchar_t*, int, int, uint32_t, const wchar_t*)
{
    return QX5_TO_WIC;
}

#endif
