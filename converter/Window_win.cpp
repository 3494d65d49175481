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

// The first half of a convert request: the destination path, a block of code page 932
// text, and with Kotopane's request the colour behind the picture.
BOOL Qx5Wnd_ConvertDestination(const COPYDATASTRUCT* cds)
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

// The second half: the source path; converts it before the reply. The title stays as it is.
BOOL Qx5Wnd_ConvertSource(const wchar_t* src)
{
    if (!Qx5.haveDst)
        return CONVERTER_REPLY_FAILED;
    Qx5.haveDst = 0;
    if (!src)
        return CONVERTER_REPLY_FAILED;
    size_t len = wcsnlen(src, CONVERTER_SOURCE_MAX + 1);
    if (len == 0 || len > CONVERTER_SOURCE_MAX)
        return CONVERTER_REPLY_FAILED;
    return Qx5ConvertFile(src, Qx5.dst, Qx5.back) ? CONVERTER_REPLY_CONVERTED : CONVERTER_REPLY_FAILED;
}

LRESULT CALLBACK Qx5WndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case CONVERTER_CONVERT_DESTINATION:
        return Qx5Wnd_ConvertDestination((const COPYDATASTRUCT*)lParam);
    case CONVERTER_CONVERT_SOURCE:
        return Qx5Wnd_ConvertSource((const wchar_t*)lParam);
    case CONVERTER_QUIT:   // also where the window goes away for any other reason
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
