#include "sys/PathText.h"

#include "sys/CodePageText.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace
{
// The character after the one at text.
const char* NextCharacter(const char* text)
{
    if (IsDBCSLeadByte(static_cast<BYTE>(*text)) && text[1])
        return text + 2;
    return text + 1;
}

// Wide and in upper case, for comparing paths as the file system does.
std::wstring FoldedPath(const std::string& path)
{
    std::wstring wide = ToWide(path);
    if (!wide.empty())
        CharUpperBuffW(&wide[0], static_cast<DWORD>(wide.size()));
    return wide;
}
} // namespace

const char* FindNextBackslash(const char* text)
{
    for (; *text; text = NextCharacter(text))
    {
        if (*text == '\\')
            return text;
    }
    return NULL;
}

const char* FindLastBackslash(const char* text)
{
    const char* last = NULL;
    for (const char* found = FindNextBackslash(text); found; found = FindNextBackslash(found + 1))
        last = found;
    return last;
}

std::string FullPathOf(const std::string& path)
{
    if (path.empty() || path.size() >= MAX_PATH)
        return std::string();
    // "E:" alone is the current folder of drive E: to the system; here it is the drive.
    std::string request = path.size() == 2 && path[1] == ':' ? path + "\\" : path;
    char full[MAX_PATH] = {0};
    DWORD length = GetFullPathNameA(request.c_str(), MAX_PATH, full, NULL);
    if (length == 0 || length >= MAX_PATH)
        return std::string();
    std::string result(full, length);
    while (!result.empty() && result[result.size() - 1] == '\\' &&
           FindLastBackslash(result.c_str()) == result.c_str() + result.size() - 1)
        result.erase(result.size() - 1);
    return result;
}

bool IsBelow(const std::string& path, const std::string& root)
{
    std::wstring foldedPath = FoldedPath(path);
    std::wstring foldedRoot = FoldedPath(root);
    return !foldedRoot.empty() && foldedPath.size() > foldedRoot.size() + 1 &&
           foldedPath[foldedRoot.size()] == L'\\' &&
           std::equal(foldedRoot.begin(), foldedRoot.end(), foldedPath.begin());
}

bool IsSamePath(const std::string& path, const std::string& other)
{
    return FoldedPath(path) == FoldedPath(other);
}
