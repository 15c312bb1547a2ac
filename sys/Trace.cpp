#include "sys/Trace.h"

#include <windows.h>

void TraceOut(const char* text)
{
    OutputDebugStringA(text ? text : "");
}

void TraceOut(const std::string& text)
{
    OutputDebugStringA(text.c_str());
}
