#include "base/Trace.h"

#include "base/Edge.h"
#include "base/NumberText.h"
#include "base/TraceFormat.h"

void TraceValues(const char* label, double v1, double v2, double v3, double v4, double v5)
{
    const double v[5] = { v1, v2, v3, v4, v5 };
    EdgeDebugOut(FormatTraceValues(label, v).c_str());
}

void TraceText(const char* label, const char* text)
{
    EdgeDebugOut(FormatTraceText(label, text).c_str());
}

void TraceRect(const char* label, const RECT* rc)
{
    EdgeDebugOut(FormatTraceRect(label, rc->left, rc->top, rc->right, rc->bottom).c_str());
}

void TraceLastError(const char* call, const char* what)
{
    DWORD err = GetLastError();
    std::string label = call;
    label += "失敗 GetLastError=" + NumberToText((double)err) + "　";
    TraceText(label.c_str(), what ? what : "");
    SetLastError(err);
}
