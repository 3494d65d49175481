#include "converter/Qx5Convert.h"
#include "converter/Exif.h"
#include "converter/Qx5Image.h"
#include "converter/Qx5Indexed.h"
#include "converter/Qx5Out.h"
#include "converter/Qx5Protocol.h"
#include <wincodec.h>
#include <string.h>
#include <wchar.h>

// Source rows are read, and upright output written, in bands of about this many bytes, so
// a large picture never needs a second full-size copy besides what the decoder keeps.
enum { QX5_BAND_BYTES = 4 << 20, QX5_WRITE_CHUNK = 16 << 20 };
// The metadata segments of a JPEG precede the image data; 256 KB covers an EXIF block
// (at most 64 KB) behind a JFIF header and a thumbnail-heavy APP0.
enum { QX5_JPEG_HEAD_BYTES = 256 << 10 };

// What the file is by its first bytes, and for a JPEG the markers before the image data.
static PICTURE_KIND Qx5FileHead(const wchar_t* src, QX5_JPEG_HEAD* head)
{
    Qx5ReadJpegHead(nullptr, 0, head);
    HANDLE f = CreateFileW(src, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return PICTURE_UNKNOWN;
    PICTURE_KIND kind = PICTURE_UNKNOWN;
    unsigned char* bytes = (unsigned char*)HeapAlloc(GetProcessHeap(), 0, QX5_JPEG_HEAD_BYTES);
    DWORD got = 0;
    if (bytes && ReadFile(f, bytes, QX5_JPEG_HEAD_BYTES, &got, nullptr)) {
        kind = PictureKindOf(bytes, got);
        // Whatever the first bytes say, only markers that walk make a JPEG here.
        if (kind == PICTURE_JPEG && !Qx5ReadJpegHead(bytes, got, head))
            kind = PICTURE_UNKNOWN;
    }
    if (bytes)
        HeapFree(GetProcessHeap(), 0, bytes);
    CloseHandle(f);
    return kind;
}

// The largest picture box Kotopane shows, from the work area it reads too.
static void Qx5PictureBox(int* w, int* h)
{
    RECT work = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    *w = work.right - work.left - KOTOPANE_MARGIN_W;
    *h = work.bottom - work.top - KOTOPANE_MARGIN_H;
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

bool Qx5OutBegin(QX5_OUT* out, const QX5_GEOMETRY* g, const wchar_t* path, bool whole)
{
    memset(out, 0, sizeof(*out));
    out->g = g;
    out->whole = whole || Qx5Transposed(g->orient);
    size_t rowBytes = g->stride;
    out->bandRows = out->whole ? g->srcH : (unsigned)(QX5_BAND_BYTES / rowBytes);
    if (out->bandRows == 0)
        out->bandRows = 1;
    if (out->bandRows > g->srcH)
        out->bandRows = g->srcH;
    // A turned picture's buffer is one band: the whole pixel data. Otherwise no band yet.
    out->bandFirst = out->whole ? 0 : g->srcH;
    out->bandBytes = out->whole ? g->imageBytes : 0;
    size_t bufBytes = out->whole ? g->imageBytes : (size_t)out->bandRows * rowBytes;
    out->buf = (unsigned char*)VirtualAlloc(nullptr, bufBytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    out->file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    unsigned char header[QX5_BMP_HEADER];
    Qx5BmpHeader(g, header);
    if (out->buf && out->file != INVALID_HANDLE_VALUE && Qx5WriteAt(out->file, 0, header, sizeof(header)))
        return true;
    Qx5OutEnd(out, path, false);
    return false;
}

// Writes the band in the buffer, if any, to its place in the file.
static bool Qx5OutFlush(QX5_OUT* out)
{
    if (out->bandFirst >= out->g->srcH)
        return true;
    out->bandFirst = out->g->srcH;
    return Qx5WriteAt(out->file, QX5_BMP_HEADER + (unsigned long long)out->bandStart, out->buf, out->bandBytes);
}

unsigned char* Qx5OutRow(QX5_OUT* out, unsigned sy, long long* base, long long* step)
{
    const QX5_GEOMETRY* g = out->g;
    if (!out->whole && (sy < out->bandFirst || sy >= out->bandFirst + out->bandRows)) {
        unsigned first = sy - sy % out->bandRows;
        unsigned last = first + out->bandRows < g->srcH ? first + out->bandRows : g->srcH;
        if (!Qx5OutFlush(out) || !Qx5BandBlock(g, first, last, &out->bandStart, &out->bandBytes))
            return nullptr;
        out->bandFirst = first;
    }
    Qx5RowPlacement(g, sy, base, step);
    *base -= (long long)out->bandStart;
    return out->buf;
}

bool Qx5OutEnd(QX5_OUT* out, const wchar_t* path, bool ok)
{
    if (out->file != INVALID_HANDLE_VALUE && out->file) {
        ok = ok && Qx5OutFlush(out);
        if (!CloseHandle(out->file))
            ok = false;
        if (!ok)
            DeleteFileW(path);
    } else {
        ok = false;
    }
    if (out->buf)
        VirtualFree(out->buf, 0, MEM_RELEASE);
    memset(out, 0, sizeof(*out));
    return ok;
}

bool Qx5WritePicture(const unsigned char* px, size_t stride, unsigned w, unsigned h, QX5_PIXELS kind, uint32_t back,
                     int boxW, int boxH, const wchar_t* dst)
{
    QX5_GEOMETRY g;
    if (!Qx5PlanGeometry(&g, w, h, 1))
        return false;
    unsigned m = Qx5ChooseEighths(w, h, 1, boxW, boxH);
    Qx5ScaleGeometry(&g, m);
    QX5_OUT out;
    if (!Qx5OutBegin(&out, &g, dst))
        return false;
    bool ok = true;
    if (m == 8) {
        for (unsigned y = 0; ok && y < h; y++) {
            long long base, step;
            unsigned char* at = Qx5OutRow(&out, y, &base, &step);
            ok = at != nullptr;
            if (ok)
                Qx5CompositeRow(px + stride * y, w, kind, back, at, base, step);
        }
        return Qx5OutEnd(&out, dst, ok);
    }
    uint32_t* sums = (uint32_t*)HeapAlloc(GetProcessHeap(), 0, Qx5ReduceSums(w, g.srcW) * sizeof(uint32_t));
    ok = sums != nullptr;
    QX5_REDUCE r;
    if (ok)
        Qx5ReduceBegin(&r, w, h, g.srcW, g.srcH, kind, back, sums);
    for (unsigned y = 0; ok && y < h; y++) {
        unsigned oy;
        if (!Qx5ReduceRow(&r, px + stride * y, &oy))
            continue;
        long long base, step;
        unsigned char* at = Qx5OutRow(&out, oy, &base, &step);
        ok = at != nullptr;
        if (ok)
            Qx5ReduceEmit(&r, at, base, step);
    }
    if (sums)
        HeapFree(GetProcessHeap(), 0, sums);
    return Qx5OutEnd(&out, dst, ok);
}

// Reads the source in bands of whole rows, top to bottom, one pass; each row is placed
// where its orientation shows it. With idx the source gives palette indices, expanded here;
// otherwise BGR pixels (bgr) or BGRA ones, laid over back.
static bool Qx5WicRows(IWICBitmapSource* src, const QX5_INDEXED* idx, bool bgr, uint32_t back, QX5_OUT* out)
{
    const QX5_GEOMETRY* g = out->g;
    size_t srcBytes = bgr ? 3 : 4;
    unsigned lines = (unsigned)(QX5_BAND_BYTES / ((size_t)g->srcW * 4));
    if (lines == 0)
        lines = 1;
    if (lines > g->srcH)
        lines = g->srcH;
    size_t readStride = idx ? ((size_t)g->srcW * idx->bits + 7) / 8 : (size_t)g->srcW * srcBytes;
    unsigned char* raw = (unsigned char*)VirtualAlloc(nullptr, readStride * lines, MEM_COMMIT | MEM_RESERVE,
                                                      PAGE_READWRITE);
    unsigned char* in = idx ? (unsigned char*)VirtualAlloc(nullptr, (size_t)g->srcW * 4, MEM_COMMIT | MEM_RESERVE,
                                                           PAGE_READWRITE)
                            : nullptr;
    bool ok = raw && (in || !idx);
    for (unsigned y0 = 0; ok && y0 < g->srcH; y0 += lines) {
        unsigned rows = g->srcH - y0 < lines ? g->srcH - y0 : lines;
        WICRect rc = {0, (INT)y0, (INT)g->srcW, (INT)rows};
        if (FAILED(src->CopyPixels(&rc, (UINT)readStride, (UINT)(readStride * rows), raw))) {
            ok = false;
            break;
        }
        for (unsigned i = 0; ok && i < rows; i++) {
            long long base, step;
            unsigned char* at = Qx5OutRow(out, y0 + i, &base, &step);
            const unsigned char* row = raw + readStride * i;
            if (!at) {
                ok = false;
            } else if (idx) {
                Qx5ExpandIndices(idx, row, g->srcW, in);
                Qx5CompositeRow(in, g->srcW, QX5_BGRA, back, at, base, step);
            } else if (bgr) {
                Qx5PlaceBgrRow(row, g->srcW, at, base, step);
            } else {
                Qx5CompositeRow(row, g->srcW, QX5_BGRA, back, at, base, step);
            }
        }
    }
    if (in)
        VirtualFree(in, 0, MEM_RELEASE);
    if (raw)
        VirtualFree(raw, 0, MEM_RELEASE);
    return ok;
}

// Everything the libraries do not take, through WIC at full size.
static bool Qx5WicConvert(const wchar_t* src, bool jpeg, int orient, uint32_t back, const wchar_t* target)
{
    IWICImagingFactory* factory = nullptr;
    IWICBitmapDecoder* dec = nullptr;
    IWICBitmapFrameDecode* frame = nullptr;
    IWICFormatConverter* conv = nullptr;
    IWICBitmapSource* pixels = nullptr;
    WICPixelFormatGUID format = GUID_WICPixelFormatUndefined;
    QX5_INDEXED idx;
    bool bgr = false;
    bool ok = false;
    UINT w = 0, h = 0;
    QX5_GEOMETRY g;
    QX5_OUT out;

    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                (void**)&factory)))
        goto done;
    if (FAILED(factory->CreateDecoderFromFilename(src, nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand, &dec)))
        goto done;
    frame = Qx5PickFrame(dec);
    if (!frame || FAILED(frame->GetSize(&w, &h)))
        goto done;
    // The orientation tag is read from a JPEG's own markers only.
    if (!Qx5PlanGeometry(&g, w, h, jpeg ? orient : 1))
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
    if (Qx5OutBegin(&out, &g, target))
        ok = Qx5OutEnd(&out, target, Qx5WicRows(pixels, idx.bits ? &idx : nullptr, bgr, back, &out));
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

bool Qx5ConvertFile(const wchar_t* src, const wchar_t* dst, uint32_t back)
{
    // No earlier picture may be mistaken for this one when it fails.
    DeleteFileW(dst);

    // Written beside the destination and renamed, so the destination is whole or absent.
    static const wchar_t kPartial[] = L"" CONVERTER_PARTIAL_SUFFIX;
    wchar_t tmp[MAX_PATH];
    const wchar_t* target = dst;
    if (wcslen(dst) + wcslen(kPartial) < MAX_PATH) {
        wcscpy(tmp, dst);
        wcscat(tmp, kPartial);
        target = tmp;
    }
    QX5_JPEG_HEAD head;
    PICTURE_KIND kind = Qx5FileHead(src, &head);
    bool jpeg = kind == PICTURE_JPEG;
    QX5_JPEG_ROUTE route = jpeg ? Qx5JpegRoute(&head) : QX5_JPEG_WIC;
    if (route == QX5_JPEG_REFUSE)
        return false;
    int boxW, boxH;
    Qx5PictureBox(&boxW, &boxH);
    // libheif's DLL is looked for only once such a picture arrives.
    bool heif = (kind == PICTURE_HEIF || kind == PICTURE_AVIF) && Qx5HaveLibheif();
    QX5_RESULT r = QX5_TO_WIC;
    switch (Qx5ChooseDecoder(kind, KP_HAVE_LIBJPEG_TURBO && route == QX5_JPEG_LIBJPEG, Qx5HaveLibwebp(), heif)) {
    case QX5_DECODER_LIBJPEG: r = Qx5JpegConvert(src, head.orient, boxW, boxH, target); break;
    case QX5_DECODER_LIBWEBP: r = Qx5WebpConvert(src, boxW, boxH, back, target); break;
    case QX5_DECODER_LIBHEIF: r = Qx5HeifConvert(src, boxW, boxH, back, target); break;
    case QX5_DECODER_WIC: break;
    }
    if (r == QX5_REFUSED)
        return false;
    bool ok = r == QX5_WRITTEN || Qx5WicConvert(src, jpeg, head.orient, back, target);
    if (ok && target != dst && !MoveFileExW(target, dst, MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileW(target);
        ok = false;
    }
    return ok;
}
