// Picture files for the tests and benchmarks: exact BMPs written by hand, pictures made with
// the system's WIC encoders (and an icon by hand, as WIC has no icon encoder), and a reader
// for the BMPs the converter writes.
#include "tests/support/TestSupport.h"

#include "bitmaps/BmpFile.h"

void Put16(std::string& s, unsigned v, bool big)
{
    if (big) {
        s += (char)(v >> 8);
        s += (char)v;
    } else {
        s += (char)v;
        s += (char)(v >> 8);
    }
}

void Put32(std::string& s, unsigned long v, bool big)
{
    for (int i = 0; i < 4; i++)
        s += (char)(v >> (big ? 24 - 8 * i : 8 * i));
}

std::string TestBmpBytes(int w, int h, const PIXEL_FN& colour)
{
    int stride = (w * 3 + 3) & ~3;
    std::string b;
    b += "BM";
    Put32(b, 54 + (unsigned long)stride * h, false);
    Put32(b, 0, false);
    Put32(b, 54, false);
    Put32(b, 40, false);
    Put32(b, (unsigned long)w, false);
    Put32(b, (unsigned long)h, false);
    Put16(b, 1, false);
    Put16(b, 24, false);
    Put32(b, 0, false);                             // BI_RGB
    Put32(b, (unsigned long)stride * h, false);
    for (int i = 0; i < 4; i++)
        Put32(b, 0, false);
    for (int row = 0; row < h; row++) {
        int y = h - 1 - row;
        std::string line((size_t)stride, '\0');
        for (int x = 0; x < w; x++) {
            DWORD c = colour(x, y);
            line[x * 3 + 0] = (char)(c & 0xFF);
            line[x * 3 + 1] = (char)((c >> 8) & 0xFF);
            line[x * 3 + 2] = (char)((c >> 16) & 0xFF);
        }
        b += line;
    }
    return b;
}

bool WriteTestBmp(const std::wstring& path, int w, int h, const PIXEL_FN& colour)
{
    return WriteBytes(path, TestBmpBytes(w, h, colour));
}

bool EncodePicture(const std::wstring& path, const GUID& container, int w, int h,
                   const std::vector<PIXEL_FN>& frames, bool opaque)
{
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IWICImagingFactory* factory = nullptr;
    IWICStream* stream = nullptr;
    IWICBitmapEncoder* enc = nullptr;
    bool ok = SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_IWICImagingFactory, (void**)&factory))
              && SUCCEEDED(factory->CreateStream(&stream))
              && SUCCEEDED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE))
              && SUCCEEDED(factory->CreateEncoder(container, nullptr, &enc))
              && SUCCEEDED(enc->Initialize(stream, WICBitmapEncoderNoCache));
    bool gif = IsEqualGUID(container, GUID_ContainerFormatGif);
    bool alpha = !opaque
                 && (IsEqualGUID(container, GUID_ContainerFormatPng) || IsEqualGUID(container, GUID_ContainerFormatTiff));
    for (size_t f = 0; ok && f < frames.size(); f++) {
        IWICBitmapFrameEncode* frame = nullptr;
        IPropertyBag2* props = nullptr;
        ok = SUCCEEDED(enc->CreateNewFrame(&frame, &props)) && SUCCEEDED(frame->Initialize(props))
             && SUCCEEDED(frame->SetSize(w, h));
        WICPixelFormatGUID fmt = gif ? GUID_WICPixelFormat8bppIndexed
                                     : (alpha ? GUID_WICPixelFormat32bppBGRA : GUID_WICPixelFormat24bppBGR);
        WICPixelFormatGUID want = fmt;
        ok = ok && SUCCEEDED(frame->SetPixelFormat(&fmt)) && IsEqualGUID(fmt, want);
        // GIF: a palette of the colours the frame uses (up to 256), index per pixel.
        std::vector<WICColor> pal;
        if (ok && gif) {
            for (int y = 0; y < h; y++)
                for (int x = 0; x < w; x++) {
                    WICColor c = frames[f](x, y);
                    bool seen = false;
                    for (WICColor p : pal)
                        seen = seen || p == c;
                    if (!seen && pal.size() < 256)
                        pal.push_back(c);
                }
            IWICPalette* palette = nullptr;
            ok = SUCCEEDED(factory->CreatePalette(&palette))
                 && SUCCEEDED(palette->InitializeCustom(pal.data(), (UINT)pal.size()))
                 && SUCCEEDED(frame->SetPalette(palette));
            if (palette)
                palette->Release();
        }
        UINT bpp = gif ? 1 : (alpha ? 4 : 3);
        UINT stride = ((UINT)w * bpp + 3) & ~3u;
        int strip = (int)(16u * 1024 * 1024 / stride);
        if (strip < 1)
            strip = 1;
        std::vector<BYTE> buf((size_t)stride * (strip < h ? strip : h));
        for (int y0 = 0; ok && y0 < h; y0 += strip) {
            int n = h - y0 < strip ? h - y0 : strip;
            for (int y = 0; y < n; y++) {
                BYTE* row = buf.data() + (size_t)y * stride;
                for (int x = 0; x < w; x++) {
                    DWORD c = frames[f](x, y0 + y);
                    if (gif) {
                        size_t k = 0;
                        while (k < pal.size() && pal[k] != c)
                            k++;
                        row[x] = (BYTE)k;
                        continue;
                    }
                    row[x * bpp + 0] = (BYTE)c;
                    row[x * bpp + 1] = (BYTE)(c >> 8);
                    row[x * bpp + 2] = (BYTE)(c >> 16);
                    if (bpp == 4)
                        row[x * bpp + 3] = (BYTE)(c >> 24);
                }
            }
            ok = SUCCEEDED(frame->WritePixels(n, stride, stride * n, buf.data()));
        }
        ok = ok && SUCCEEDED(frame->Commit());
        if (props)
            props->Release();
        if (frame)
            frame->Release();
    }
    ok = ok && SUCCEEDED(enc->Commit());
    if (enc)
        enc->Release();
    if (stream)
        stream->Release();
    if (factory)
        factory->Release();
    if (!ok)
        DeleteFileW(path.c_str());
    return ok;
}

COLORREF WicPicturePixel(int x, int y, int w, int h)
{
    return RGB(((x / 16) ^ (y / 16)) & 1 ? 200 : 40, y * 255 / h, x * 255 / w);
}

bool WriteWicPicture(const std::wstring& path, const GUID& container, int w, int h)
{
    PIXEL_FN photo = [w, h](int x, int y) {
        COLORREF c = WicPicturePixel(x, y, w, h);
        return 0xFF000000u | ((DWORD)GetRValue(c) << 16) | ((DWORD)GetGValue(c) << 8) | GetBValue(c);
    };
    return EncodePicture(path, container, w, h, {photo}, true);
}

bool WriteIcon(const std::wstring& path, const std::vector<std::pair<int, DWORD>>& images)
{
    std::string head, body;
    Put16(head, 0, false);
    Put16(head, 1, false);
    Put16(head, (unsigned)images.size(), false);
    size_t offset = 6 + 16 * images.size();
    for (auto& im : images) {
        int n = im.first;
        std::string dib;
        Put32(dib, 40, false);
        Put32(dib, n, false);
        Put32(dib, n * 2, false);
        Put16(dib, 1, false);
        Put16(dib, 32, false);
        for (int i = 0; i < 6; i++)
            Put32(dib, 0, false);
        for (int i = 0; i < n * n; i++)
            Put32(dib, im.second, false);
        int maskStride = ((n + 31) / 32) * 4;
        dib += std::string((size_t)maskStride * n, '\0');
        head += (char)(n >= 256 ? 0 : n);
        head += (char)(n >= 256 ? 0 : n);
        head += '\0';
        head += '\0';
        Put16(head, 1, false);
        Put16(head, 32, false);
        Put32(head, (unsigned long)dib.size(), false);
        Put32(head, (unsigned long)(offset + body.size()), false);
        body += dib;
    }
    return WriteBytes(path, head + body);
}

// The segment as cameras write it: a Make entry, then the orientation.
static std::string ExifSegment(unsigned orient, bool big)
{
    std::string t = big ? "MM" : "II";
    Put16(t, 42, big);
    Put32(t, 8, big);
    Put16(t, 2, big);
    Put16(t, 271, big);
    Put16(t, 2, big);
    Put32(t, 4, big);
    t += std::string("Cam", 4);
    Put16(t, 274, big);
    Put16(t, 3, big);
    Put32(t, 1, big);
    Put16(t, orient, big);
    Put16(t, 0, big);
    Put32(t, 0, big);
    std::string body = std::string("Exif\0\0", 6) + t;
    std::string seg = "\xFF\xE1";
    Put16(seg, (unsigned)body.size() + 2, true);
    return seg + body;
}

bool SpliceExif(const std::wstring& path, unsigned orient, bool bigEndian)
{
    std::string data;
    if (!ReadBytes(path, &data) || data.size() <= 2 || (unsigned char)data[0] != 0xFF
        || (unsigned char)data[1] != 0xD8)
        return false;
    data.insert(2, ExifSegment(orient, bigEndian));
    return WriteBytes(path, data);
}

bool ReadConvertedBmp(const std::wstring& path, READ_BMP* out)
{
    std::string data;
    if (!ReadBytes(path, &data) || data.size() < 54 || data[0] != 'B' || data[1] != 'M')
        return false;
    const BITMAPINFOHEADER* ih = (const BITMAPINFOHEADER*)(data.data() + 14);
    const BITMAPFILEHEADER* fh = (const BITMAPFILEHEADER*)data.data();
    out->w = ih->biWidth;
    out->h = ih->biHeight;
    out->bits = ih->biBitCount;
    if (out->bits != 32 || ih->biCompression != BI_RGB || out->w <= 0 || out->h <= 0 || fh->bfSize != data.size())
        return false;
    size_t stride = (size_t)out->w * 4;
    if (fh->bfOffBits + stride * out->h > data.size())
        return false;
    BMP_LAYOUT layout;
    if (!BmpReadLayout((const unsigned char*)data.data(), data.size(), &layout))
        return false;
    out->fullW = layout.fullWidth;
    out->fullH = layout.fullHeight;
    out->px.resize((size_t)out->w * out->h);
    for (int y = 0; y < out->h; y++) {
        const unsigned char* row = (const unsigned char*)data.data() + fh->bfOffBits + (size_t)(out->h - 1 - y) * stride;
        for (int x = 0; x < out->w; x++) {
            if (row[x * 4 + 3] != 255)      // the unused byte is written opaque
                return false;
            out->px[(size_t)y * out->w + x] = row[x * 4] | row[x * 4 + 1] << 8 | row[x * 4 + 2] << 16;
        }
    }
    return true;
}

bool LoadImageSize(const std::wstring& path, int* w, int* h)
{
    HBITMAP bmp = (HBITMAP)LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_DEFAULTSIZE);
    if (!bmp)
        return false;
    BITMAP bm = {};
    GetObjectW(bmp, sizeof(bm), &bm);
    DeleteObject(bmp);
    *w = bm.bmWidth;
    *h = bm.bmHeight;
    return true;
}

bool CanvasOpen(HALFTONE_CANVAS* c, int w, int h)
{
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    c->dib = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    c->bits = (DWORD*)bits;
    c->dc = CreateCompatibleDC(nullptr);
    c->old = SelectObject(c->dc, c->dib);
    SetStretchBltMode(c->dc, HALFTONE);
    SetBrushOrgEx(c->dc, 0, 0, nullptr);
    return c->dib && c->dc;
}

void CanvasClose(HALFTONE_CANVAS* c)
{
    SelectObject(c->dc, c->old);
    DeleteDC(c->dc);
    DeleteObject(c->dib);
    *c = HALFTONE_CANVAS();
}
