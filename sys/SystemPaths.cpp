#include "sys/SystemPaths.h"

#include "sys/PathText.h"

#include <windows.h>

#include <cstring>

namespace
{
// The text before the last backslash, or empty when there is none.
std::string BeforeLastBackslash(const char* path)
{
    const char* last = FindLastBackslash(path);
    if (!last)
        return std::string();
    return std::string(path, static_cast<size_t>(last - path));
}

// A blank or a "?": the marks of a temporary path that commands cannot be built on.
bool HasBlankOrQuestionMark(const char* path)
{
    return strpbrk(path, " ?") != NULL;
}

// The short (8.3) form of the temporary path in the ANSI code page, trailing backslash
// included; empty when the volume keeps no short names or the code page cannot write it.
std::string ShortTempPath()
{
    wchar_t longPath[MAX_PATH + 1] = {0};
    DWORD length = GetTempPathW(MAX_PATH, longPath);
    if (length == 0 || length > MAX_PATH)
        return std::string();
    wchar_t shortPath[MAX_PATH + 1] = {0};
    length = GetShortPathNameW(longPath, shortPath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return std::string();
    char path[MAX_PATH + 1] = {0};
    BOOL lost = FALSE;
    if (!WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, shortPath, -1, path, MAX_PATH, NULL,
                             &lost) ||
        lost || HasBlankOrQuestionMark(path))
        return std::string();
    return path;
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
    // Commands are built on this path unquoted, since setup.ini may give them arguments. A
    // blank makes CreateProcess try every prefix that ends at one ("D:\Temp.exe" for
    // "D:\Temp Files\..."), which anyone may have planted; a "?" stands for a character of
    // the user's name that the ANSI code page lacks, so no file call finds the path. The
    // short form has neither, where the volume keeps short names.
    if (HasBlankOrQuestionMark(path))
    {
        std::string shortPath = ShortTempPath();
        if (!shortPath.empty())
            return BeforeLastBackslash(shortPath.c_str());
    }
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
