#pragma once
// Picture files for the display tests and benchmark: exact BMPs written by hand, and
// PNG/JPEG files made with the system's WIC encoders.
#include <windows.h>
#include <wincodec.h>

#include <string>
#include <vector>

// 24-bit bottom-up BMP; colour(x, y) gives 0x00RRGGBB for the pixel counted from the top left.
template <typename F>
inline bool WriteTestBmp(const std::wstring& path, int w, int h, F colour)
{
    int stride = (w * 3 + 3) & ~3;
    std::vector<unsigned char> data(54 + (size_t)stride * h, 0);
    BITMAPFILEHEADER* fh = (BITMAPFILEHEADER*)data.data();
    BITMAPINFOHEADER* ih = (BITMAPINFOHEADER*)(data.data() + 14);
    fh->bfType = 0x4D42;
    fh->bfSize = (DWORD)data.size();
    fh->bfOffBits = 54;
    ih->biSize = 40;
    ih->biWidth = w;
    ih->biHeight = h;
    ih->biPlanes = 1;
    ih->biBitCount = 24;
    for (int y = 0; y < h; y++) {
        unsigned char* row = data.data() + 54 + (size_t)(h - 1 - y) * stride;
        for (int x = 0; x < w; x++) {
            DWORD c = colour(x, y);
            row[x * 3 + 0] = (unsigned char)(c & 0xFF);
            row[x * 3 + 1] = (unsigned char)((c >> 8) & 0xFF);
            row[x * 3 + 2] = (unsigned char)((c >> 16) & 0xFF);
        }
    }
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return false;
    DWORD done = 0;
    BOOL ok = WriteFile(f, data.data(), (DWORD)data.size(), &done, nullptr);
    CloseHandle(f);
    return ok && done == data.size();
}

// A photo-like gradient with some detail, as PNG or JPEG (container GUID_ContainerFormatPng/Jpeg).
inline bool WriteWicPicture(const std::wstring& path, const GUID& container, int w, int h)
{
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IWICImagingFactory* factory = nullptr;
    IWICStream* stream = nullptr;
    IWICBitmapEncoder* encoder = nullptr;
    IWICBitmapFrameEncode* frame = nullptr;
    IPropertyBag2* props = nullptr;
    bool ok = false;
    UINT stride = (UINT)w * 3;
    std::vector<BYTE> pixels((size_t)stride * h);
    for (int y = 0; y < h; y++) {
        BYTE* row = pixels.data() + (size_t)y * stride;
        for (int x = 0; x < w; x++) {
            row[x * 3 + 0] = (BYTE)(x * 255 / w);
            row[x * 3 + 1] = (BYTE)(y * 255 / h);
            row[x * 3 + 2] = (BYTE)(((x / 16) ^ (y / 16)) & 1 ? 200 : 40);
        }
    }
    WICPixelFormatGUID fmt = GUID_WICPixelFormat24bppBGR;
    if (SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IWICImagingFactory, (void**)&factory)) &&
        SUCCEEDED(factory->CreateStream(&stream)) &&
        SUCCEEDED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) &&
        SUCCEEDED(factory->CreateEncoder(container, nullptr, &encoder)) &&
        SUCCEEDED(encoder->Initialize(stream, WICBitmapEncoderNoCache)) &&
        SUCCEEDED(encoder->CreateNewFrame(&frame, &props)) &&
        SUCCEEDED(frame->Initialize(props)) &&
        SUCCEEDED(frame->SetSize((UINT)w, (UINT)h)) &&
        SUCCEEDED(frame->SetPixelFormat(&fmt)) && IsEqualGUID(fmt, GUID_WICPixelFormat24bppBGR) &&
        SUCCEEDED(frame->WritePixels((UINT)h, stride, (UINT)pixels.size(), pixels.data())) &&
        SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit()))
        ok = true;
    if (props) props->Release();
    if (frame) frame->Release();
    if (encoder) encoder->Release();
    if (stream) stream->Release();
    if (factory) factory->Release();
    return ok;
}
