#include "app/MainWnd.h"

// Mapping names and the file-map folder are fixed, so a second copy would draw into the
// first one's surfaces and both would save the settings: it shows the running one instead.
static bool AnotherInstanceRunning()
{
    HANDLE mutex = CreateMutexW(nullptr, TRUE, L"Local\\Kotopane.Running");
    if (mutex && GetLastError() == ERROR_ALREADY_EXISTS) {
        HWND other = FindWindowW(L"NORMAL0", nullptr);
        if (other) {
            if (IsIconic(other))
                ShowWindow(other, SW_RESTORE);
            SetForegroundWindow(other);
        }
        CloseHandle(mutex);
        return true;
    }
    return false;   // the mutex lives until the process ends
}

int WINAPI wWinMain(HINSTANCE inst, HINSTANCE, PWSTR, int)
{
    if (AnotherInstanceRunning())
        return 0;
    if (!KotopaneStartup(inst))
        return 0;
    KotopaneMessageLoop();
    return 0;
}
