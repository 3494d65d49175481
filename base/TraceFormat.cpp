#include "base/TraceFormat.h"

#include "base/NumberText.h"

std::string FormatTraceValues(const char* label, const double v[5])
{
    std::string s = label;
    s += "=";
    for (int i = 0; i < 5; i++) {
        if (i)
            s += ", ";
        s += NumberToText(v[i]);
    }
    s += "\r\n";
    return s;
}

std::string FormatTraceText(const char* label, const char* text)
{
    std::string s = label;
    s += text;
    s += "\r\n";
    return s;
}

std::string FormatTraceRect(const char* label, long left, long top, long right, long bottom)
{
    std::string s = label;
    s += ".left=" + NumberToText(left);
    s += "\r\n .top=" + NumberToText(top);
    s += "\r\n .right=" + NumberToText(right);
    s += "\r\n .bottom=" + NumberToText(bottom);
    s += "\r\n";
    return s;
}
