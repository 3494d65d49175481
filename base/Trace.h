#pragma once
#include <windows.h>

// Debug traces, written to the debugger output as code page 932 text.
void TraceValues(const char* label, double v1, double v2, double v3, double v4, double v5);
void TraceText(const char* label, const char* text);
void TraceRect(const char* label, const RECT* rc);
// The Win32 call that failed, its GetLastError and what it was given; the last error is
// left as it was, so the caller still has it.
void TraceLastError(const char* call, const char* what);
