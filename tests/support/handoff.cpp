// Stands in for the browser, the editor and the file manager during tests: it only
// appends its command line (UTF-8) to the file named by KP_HANDOFF_LOG.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    wchar_t log[MAX_PATH];
    if (!GetEnvironmentVariableW(L"KP_HANDOFF_LOG", log, MAX_PATH))
        return 0;
    const wchar_t* cmd = GetCommandLineW();
    char line[4096];
    int n = WideCharToMultiByte(CP_UTF8, 0, cmd, -1, line, sizeof(line) - 2, nullptr, nullptr);
    if (n <= 0)
        return 1;
    line[n - 1] = '\n';
    HANDLE f = CreateFileW(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return 1;
    DWORD done;
    WriteFile(f, line, (DWORD)n, &done, nullptr);
    CloseHandle(f);
    return 0;
}
