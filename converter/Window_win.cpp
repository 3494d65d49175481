#include "converter/Qx5Convert.h"
#include "converter/Qx5Window.h"
#include <wchar.h>

QX5_GLOBALS Qx5;

// The converter's one text edge: the destination arrives as code page 932 bytes.
static bool Qx5Cp932ToWide(const char* s, wchar_t* out, int cap)
{
    int n = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, s, -1, out, cap);
    if (n <= 0) {
        out[0] = 0;
        return false;
    }
    return true;
}

// WM_COPYDATA: the destination path, a block of code page 932 text, and with Kotopane's
// request the colour behind the picture.
BOOL Qx5Wnd_CopyData(const COPYDATASTRUCT* cds)
{
    Qx5.haveDst = 0;
    Qx5.dst[0] = 0;
    char path[CONVERTER_DEST_BYTES];
    if (!cds || Qx5CheckRequest(cds->dwData, cds->lpData, cds->cbData, path, &Qx5.back) != QX5_BLOCK_OK)
        return FALSE;
    if (!Qx5Cp932ToWide(path, Qx5.dst, CONVERTER_DEST_BYTES + 1))
        return FALSE;
    Qx5.haveDst = 1;
    return TRUE;
}

// WM_SETTEXT: the source path; converts it before returning. The title stays as it is.
BOOL Qx5Wnd_SetText(const wchar_t* src)
{
    if (!Qx5.haveDst)
        return FALSE;
    Qx5.haveDst = 0;
    if (!src)
        return FALSE;
    size_t len = wcsnlen(src, CONVERTER_SOURCE_MAX + 1);
    if (len == 0 || len > CONVERTER_SOURCE_MAX)
        return FALSE;
    return Qx5ConvertFile(src, Qx5.dst, Qx5.back) ? TRUE : FALSE;
}

LRESULT CALLBACK Qx5WndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_COPYDATA:
        return Qx5Wnd_CopyData((const COPYDATASTRUCT*)lParam);
    case WM_SETTEXT:
        return Qx5Wnd_SetText((const wchar_t*)lParam);
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(wnd, msg, wParam, lParam);
}

HWND Qx5CreateWindow(HINSTANCE inst)
{
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = Qx5WndProc;
    wc.hInstance = inst;
    wc.lpszClassName = CONVERTER_CLASS;
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return nullptr;
    // Never shown: it exists to be found by its title and to receive requests.
    Qx5.hWnd = CreateWindowExW(0, CONVERTER_CLASS, CONVERTER_TITLE, WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr, inst, nullptr);
    return Qx5.hWnd;
}
