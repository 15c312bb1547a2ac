#include "sys/SystemPaths.h"

#include "sys/CodePageText.h"
#include "sys/PathText.h"

#include <windows.h>

#include <cwchar>

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

// The path in codePage when it converts there and back unchanged, fits in 260 bytes and,
// unless blanks are allowed, has none; empty otherwise.
std::string InCodePage(const wchar_t* path, UINT codePage, bool blanks)
{
    if (!*path || (!blanks && wcschr(path, L' ')))
        return std::string();
    std::string narrow = FromWideExactly(path, codePage);
    return narrow.size() < MAX_PATH ? narrow : std::string();
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
    // Commands are built on this path, since setup.ini may give them arguments. A blank
    // makes CreateProcess try every prefix that ends at one ("D:\Temp.exe" for
    // "D:\Temp Files\...") unless the command is quoted; a character of the user's name
    // that the ANSI code page lacks names no folder, or another one. The short form has
    // neither, where the volume keeps short names.
    wchar_t longForm[MAX_PATH + 1] = {0};
    wchar_t shortForm[MAX_PATH + 1] = {0};
    DWORD wideLength = GetTempPathW(MAX_PATH + 1, longForm);
    if (wideLength == 0 || wideLength > MAX_PATH)
        longForm[0] = L'\0';
    else if (GetShortPathNameW(longForm, shortForm, MAX_PATH + 1) > MAX_PATH)
        shortForm[0] = L'\0';
    return BeforeLastBackslash(ChooseTempPath(longForm, shortForm, CP_ACP).c_str());
}

std::string ChooseTempPath(const wchar_t* longPath, const wchar_t* shortPath, UINT codePage)
{
    std::string chosen = InCodePage(longPath, codePage, false);
    if (chosen.empty())
        chosen = InCodePage(shortPath, codePage, false);
    // A blank is quoted in every command; a character written as another is no way out.
    if (chosen.empty())
        chosen = InCodePage(longPath, codePage, true);
    return chosen;
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
