// The program's only log: texts sent unchanged to the debugger output channel.
#pragma once

#include <string>

// One OutputDebugStringA of the text as it is; no line end is added.
void TraceOut(const char* text);
void TraceOut(const std::string& text);
