#include "sys/SystemPaths.h"

#include <windows.h>

#include <cstring>

namespace
{
// The text before the last backslash, or empty when there is none.
std::string BeforeLastBackslash(const char* path)
{
    const char* last = strrchr(path, '\\');
    if (!last)
        return std::string();
    return std::string(path, static_cast<size_t>(last - path));
}
} // namespace

std::string GetModuleDir()
{
    char path[MAX_PATH] = {0};
    DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return std::string();
    return BeforeLastBackslash(path);
}

std::string GetTempDir()
{
    char path[MAX_PATH + 1] = {0};
    DWORD length = GetTempPathA(MAX_PATH, path);
    if (length == 0 || length > MAX_PATH)
        return std::string();
    return BeforeLastBackslash(path);
}

std::string GetSystemDir()
{
    char path[1024] = {0};
    UINT length = GetSystemDirectoryA(path, sizeof(path));
    if (length == 0 || length >= sizeof(path))
        return std::string();
    return std::string(path, length);
}

bool FileExists(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}
