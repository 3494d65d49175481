#pragma once
#include <string>

// Trace lines, byte for byte (pure, so they are tested natively).
std::string FormatTraceValues(const char* label, const double v[5]);
std::string FormatTraceText(const char* label, const char* text);
std::string FormatTraceRect(const char* label, long left, long top, long right, long bottom);
