#include "converter/Qx5Window.h"
#include <objbase.h>

int WINAPI wWinMain(HINSTANCE inst, HINSTANCE, LPWSTR, int)
{
    // A picture that breaks a decoder must not leave a dialog waiting for a user.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 1;
    if (!Qx5CreateWindow(inst)) {
        CoUninitialize();
        return 1;
    }
    MSG msg = {};
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    // Gone at once, so nobody finds the title of a converter that no longer answers.
    if (IsWindow(Qx5.hWnd))
        DestroyWindow(Qx5.hWnd);
    CoUninitialize();
    return (int)msg.wParam;
}
