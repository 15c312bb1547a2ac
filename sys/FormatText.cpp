#include "sys/FormatText.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

// The C runtime's own on Windows, which every Windows has. Given too little room it gives
// -1 where the standard's vsnprintf gives the length it needs (a MinGW emulation on
// Windows XP, which setup.exe does without): either way the text is formatted again into
// twice the room.
#ifdef _WIN32
#define FORMAT_INTO _vsnprintf
#else
#define FORMAT_INTO vsnprintf
#endif

std::string FormatText(const char* format, ...)
{
    std::vector<char> buffer(256);
    for (;;)
    {
        va_list args;
        va_start(args, format);
        int length = FORMAT_INTO(buffer.data(), buffer.size() - 1, format, args);
        va_end(args);
        if (length >= 0 && static_cast<size_t>(length) < buffer.size() - 1)
            return std::string(buffer.data(), static_cast<size_t>(length));
        if (buffer.size() > 1024 * 1024)
            return std::string();
        buffer.resize(buffer.size() * 2);
    }
}
