#include "sys/FormatText.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

std::string FormatText(const char* format, ...)
{
    // The C runtime's own _vsnprintf, which every Windows has: it gives -1 for a text that
    // does not fit, where the standard's vsnprintf gives the length (a MinGW emulation on
    // Windows XP).
    std::vector<char> buffer(256);
    for (;;)
    {
        va_list args;
        va_start(args, format);
        int length = _vsnprintf(buffer.data(), buffer.size() - 1, format, args);
        va_end(args);
        if (length >= 0)
            return std::string(buffer.data(), static_cast<size_t>(length));
        if (buffer.size() > 1024 * 1024)
            return std::string();
        buffer.resize(buffer.size() * 2);
    }
}
