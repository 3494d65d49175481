#include "converter/Qx5Convert.h"
#include "converter/Exif.h"
#include "converter/Qx5Image.h"
#include "converter/Qx5Indexed.h"
#include <wincodec.h>
#include <string.h>
#include <wchar.h>

// Source pixels are read in bands of about this many bytes, so a 48-megapixel photo,
// upright or turned, never needs a second full-size copy besides what the decoder keeps.
enum { QX5_BAND_BYTES = 4 << 20, QX5_WRITE_CHUNK = 16 << 20 };
// The metadata segments of a JPEG precede the image data; 256 KB covers an EXIF block
// (at most 64 KB) behind a JFIF header and a thumbnail-heavy APP0.
enum { QX5_JPEG_HEAD = 256 << 10 };

int Qx5FileOrientation(const wchar_t* src)
{
    HANDLE f = CreateFileW(src, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return 1;
    int orient = 1;
    unsigned char* head = (unsigned char*)HeapAlloc(GetProcessHeap(), 0, QX5_JPEG_HEAD);
    DWORD got = 0;
    if (head && ReadFile(f, head, QX5_JPEG_HEAD, &got, nullptr))
        orient = Qx5JpegOrientation(head, got);
    if (head)
        HeapFree(GetProcessHeap(), 0, head);
    CloseHandle(f);
    return orient;
}

static bool Qx5WriteAt(HANDLE f, unsigned long long at, const unsigned char* data, size_t bytes)
{
    LARGE_INTEGER pos;
    pos.QuadPart = (LONGLONG)at;
    if (!SetFilePointerEx(f, pos, nullptr, FILE_BEGIN))
        return false;
    while (bytes > 0) {
        DWORD part = bytes > QX5_WRITE_CHUNK ? (DWORD)QX5_WRITE_CHUNK : (DWORD)bytes;
        DWORD done = 0;
        if (!WriteFile(f, data, part, &done, nullptr) || done != part)
            return false;
        data += part;
        bytes -= part;
    }
    return true;
}

// Picks the frame to show: the first, except for icons, whose largest image is the picture.
static IWICBitmapFrameDecode* Qx5PickFrame(IWICBitmapDecoder* dec)
{
    IWICBitmapFrameDecode* frame = nullptr;
    if (FAILED(dec->GetFrame(0, &frame)))
        return nullptr;
    GUID container;
    UINT count = 0;
    if (FAILED(dec->GetContainerFormat(&container)) || !IsEqualGUID(container, GUID_ContainerFormatIco)
        || FAILED(dec->GetFrameCount(&count)))
        return frame;
    UINT bw = 0, bh = 0;
    frame->GetSize(&bw, &bh);
    for (UINT i = 1; i < count && i < 256; i++) {
        IWICBitmapFrameDecode* other = nullptr;
        UINT w = 0, h = 0;
        if (FAILED(dec->GetFrame(i, &other)))
            continue;
        if (SUCCEEDED(other->GetSize(&w, &h)) && (unsigned long long)w * h > (unsigned long long)bw * bh) {
            frame->Release();
            frame = other;
            bw = w;
            bh = h;
        } else {
            other->Release();
        }
    }
    return frame;
}

// The palette of an indexed frame (a GIF's may be the file's own); false when there is none.
static bool Qx5ReadPalette(IWICImagingFactory* factory, IWICBitmapDecoder* dec, IWICBitmapFrameDecode* frame,
                           QX5_INDEXED* idx)
{
    IWICPalette* pal = nullptr;
    uint32_t colours[256];
    UINT count = 0;
    bool ok = SUCCEEDED(factory->CreatePalette(&pal))
              && (SUCCEEDED(frame->CopyPalette(pal)) || SUCCEEDED(dec->CopyPalette(pal)))
              && SUCCEEDED(pal->GetColors(256, colours, &count));
    if (pal)
        pal->Release();
    if (ok)
        Qx5PaletteTable(idx, colours, count > 256 ? 256 : count);
    return ok;
}

static unsigned Qx5IndexBits(const WICPixelFormatGUID& fmt)
{
    if (IsEqualGUID(fmt, GUID_WICPixelFormat8bppIndexed))
        return 8;
    if (IsEqualGUID(fmt, GUID_WICPixelFormat4bppIndexed))
        return 4;
    if (IsEqualGUID(fmt, GUID_WICPixelFormat2bppIndexed))
        return 2;
    if (IsEqualGUID(fmt, GUID_WICPixelFormat1bppIndexed))
        return 1;
    return 0;
}

// Reads the source in bands that fill whole output rows and writes each band's pixel data
// to its place in the file: bands of rows when the orientation keeps rows rows, bands of
// columns when it turns them. With idx the source gives palette indices, expanded here;
// otherwise BGR pixels (bgr) or BGRA ones.
static bool Qx5WritePixels(IWICBitmapSource* src, const QX5_INDEXED* idx, bool bgr, const QX5_GEOMETRY* g, HANDLE f)
{
    size_t srcBytes = bgr ? 3 : 4;
    bool turned = Qx5Transposed(g->orient);
    // A band is `lines` source rows (or columns) of `length` pixels each.
    unsigned length = turned ? g->srcH : g->srcW;
    unsigned total = turned ? g->srcW : g->srcH;
    unsigned lines = (unsigned)(QX5_BAND_BYTES / ((size_t)length * 4));
    if (lines == 0)
        lines = 1;
    if (lines > total)
        lines = total;
    size_t bandPixels = (size_t)length * lines;
    unsigned maxRowPixels = turned ? lines : g->srcW;
    size_t maxReadStride = idx ? ((size_t)maxRowPixels * idx->bits + 7) / 8 : (size_t)maxRowPixels * srcBytes;
    size_t maxRows = turned ? g->srcH : lines;
    unsigned char* in = bgr ? nullptr
                            : (unsigned char*)VirtualAlloc(nullptr, bandPixels * 4, MEM_COMMIT | MEM_RESERVE,
                                                           PAGE_READWRITE);
    unsigned char* raw = idx || bgr ? (unsigned char*)VirtualAlloc(nullptr, maxReadStride * maxRows,
                                                                   MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)
                                    : in;
    unsigned char* out = (unsigned char*)VirtualAlloc(nullptr, (size_t)lines * g->stride, MEM_COMMIT | MEM_RESERVE,
                                                      PAGE_READWRITE);
    bool ok = (in || bgr) && raw && out;
    for (unsigned k0 = 0; ok && k0 < total; k0 += lines) {
        unsigned n = total - k0 < lines ? total - k0 : lines;
        WICRect rc = turned ? WICRect{(INT)k0, 0, (INT)n, (INT)g->srcH} : WICRect{0, (INT)k0, (INT)g->srcW, (INT)n};
        unsigned rowPixels = (unsigned)rc.Width, rows = (unsigned)rc.Height;
        size_t readStride = idx ? ((size_t)rowPixels * idx->bits + 7) / 8 : (size_t)rowPixels * srcBytes;
        if (FAILED(src->CopyPixels(&rc, (UINT)readStride, (UINT)(readStride * rows), raw))) {
            ok = false;
            break;
        }
        for (unsigned i = 0; idx && i < rows; i++)
            Qx5ExpandIndices(idx, raw + readStride * i, rowPixels, in + (size_t)rowPixels * 4 * i);
        size_t start = 0, bytes = 0;
        if (!Qx5BandBlock(g, (unsigned)rc.X, (unsigned)rc.Y, (unsigned)(rc.X + rc.Width), (unsigned)(rc.Y + rc.Height),
                          &start, &bytes)) {
            ok = false;
            break;
        }
        for (unsigned i = 0; i < rows; i++) {
            long long base, step;
            Qx5RowPlacement(g, (unsigned)rc.Y + i, &base, &step);
            base += step * rc.X - (long long)start;
            if (bgr)
                Qx5PlaceBgrRow(raw + readStride * i, rowPixels, out, base, step);
            else
                Qx5CompositeRow(in + (size_t)rowPixels * 4 * i, rowPixels, out, base, step);
        }
        ok = Qx5WriteAt(f, QX5_BMP_HEADER + (unsigned long long)start, out, bytes);
    }
    if (out)
        VirtualFree(out, 0, MEM_RELEASE);
    if (raw && raw != in)
        VirtualFree(raw, 0, MEM_RELEASE);
    if (in)
        VirtualFree(in, 0, MEM_RELEASE);
    return ok;
}

static bool Qx5WriteBmp(IWICBitmapSource* src, const QX5_INDEXED* idx, bool bgr, const QX5_GEOMETRY* g,
                        const wchar_t* path)
{
    HANDLE f = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return false;
    unsigned char header[QX5_BMP_HEADER];
    Qx5BmpHeader(g, header);
    bool ok = Qx5WriteAt(f, 0, header, sizeof(header)) && Qx5WritePixels(src, idx, bgr, g, f);
    if (!CloseHandle(f))
        ok = false;
    if (!ok)
        DeleteFileW(path);
    return ok;
}

bool Qx5ConvertFile(const wchar_t* src, const wchar_t* dst)
{
    // No earlier picture may be mistaken for this one when it fails.
    DeleteFileW(dst);

    IWICImagingFactory* factory = nullptr;
    IWICBitmapDecoder* dec = nullptr;
    IWICBitmapFrameDecode* frame = nullptr;
    IWICFormatConverter* conv = nullptr;
    IWICBitmapSource* pixels = nullptr;
    WICPixelFormatGUID format = GUID_WICPixelFormatUndefined;
    QX5_INDEXED idx;
    bool bgr = false;
    bool ok = false;
    GUID container = GUID_NULL;
    UINT w = 0, h = 0;
    int orient = 1;
    QX5_GEOMETRY g;
    wchar_t tmp[MAX_PATH];
    const wchar_t* target = dst;

    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                (void**)&factory)))
        goto done;
    if (FAILED(factory->CreateDecoderFromFilename(src, nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand, &dec)))
        goto done;
    frame = Qx5PickFrame(dec);
    if (!frame || FAILED(frame->GetSize(&w, &h)))
        goto done;
    if (SUCCEEDED(dec->GetContainerFormat(&container)) && IsEqualGUID(container, GUID_ContainerFormatJpeg))
        orient = Qx5FileOrientation(src);
    if (!Qx5PlanGeometry(&g, w, h, orient))
        goto done;
    // Indexed pictures are expanded here: Wine's format converter looks indices past the end
    // of a short palette up in memory it never filled, so a damaged file came out in other
    // colours on every conversion.
    idx.bits = SUCCEEDED(frame->GetPixelFormat(&format)) ? Qx5IndexBits(format) : 0;
    if (idx.bits) {
        if (!Qx5ReadPalette(factory, dec, frame, &idx))
            goto done;
        pixels = frame;
    } else if (IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) {
        // Colour JPEGs decode to this; placed as they come, it saves a conversion pass.
        bgr = true;
        pixels = frame;
    } else {
        if (FAILED(factory->CreateFormatConverter(&conv))
            || FAILED(conv->Initialize(frame, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                       WICBitmapPaletteTypeCustom)))
            goto done;
        pixels = conv;
    }

    // Written beside the destination and renamed, so the destination is whole or absent.
    if (wcslen(dst) + 8 < MAX_PATH) {
        wcscpy(tmp, dst);
        wcscat(tmp, L".qx5tmp");
        target = tmp;
    }
    ok = Qx5WriteBmp(pixels, idx.bits ? &idx : nullptr, bgr, &g, target);
    if (ok && target != dst && !MoveFileExW(target, dst, MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileW(target);
        ok = false;
    }
done:
    if (conv)
        conv->Release();
    if (frame)
        frame->Release();
    if (dec)
        dec->Release();
    if (factory)
        factory->Release();
    return ok;
}
