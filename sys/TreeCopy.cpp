#include "sys/TreeCopy.h"

#include "handles/UniqueHandle.h"
#include "sys/FormatText.h"
#include "sys/PathText.h"
#include "sys/StagingFolder.h"
#include "sys/Trace.h"
#include "sys/TraceTexts.h"

#include <windows.h>

#include <direct.h>
#include <io.h>

#include <cstring>

namespace
{
// dir + "\" + name into a path buffer. False, with nothing written, when the result would
// not fit: the entry then fails instead of being copied under a shortened name.
bool JoinPath(char (&out)[MAX_PATH], const char* dir, const char* name)
{
    size_t dirLength = strlen(dir);
    size_t nameLength = strlen(name);
    if (dirLength >= MAX_PATH || nameLength >= MAX_PATH - 1 - dirLength)
        return false;
    memcpy(out, dir, dirLength);
    out[dirLength] = '\\';
    memcpy(out + dirLength + 1, name, nameLength + 1);
    return true;
}

// The next "\" at or after text, or NULL.
char* FindSeparator(char* text)
{
    return const_cast<char*>(FindNextBackslash(text));
}

bool IsDotEntry(const char* name)
{
    return strcmp(name, ".") == 0 || strcmp(name, "..") == 0;
}

// Whether a directory search on source can start, as the copy's first step starts it.
bool CanList(const char* source)
{
    char pattern[MAX_PATH];
    WIN32_FIND_DATAA entry;
    return JoinPath(pattern, source, "*.*") && CUniqueFind(FindFirstFileA(pattern, &entry));
}

int CopyTraced(const std::string& source, const std::string& dest, CStagingFolder* staging)
{
    TraceOut(FormatText(kTraceCopyStart, source.c_str(), dest.c_str()));
    int result = 0;
    if (!staging || (CanList(source.c_str()) && staging->Make(dest)))
        result = CopyTreeRecursive(source.c_str(), dest.c_str(), 1);
    TraceOut(FormatText(kTraceCopyEnd, source.c_str(), dest.c_str(), result));
    return result;
}
} // namespace

int CopyTree(const std::string& source, const std::string& dest)
{
    return CopyTraced(source, dest, NULL);
}

int CopyTree(const std::string& source, const std::string& dest, CStagingFolder& staging)
{
    return CopyTraced(source, dest, &staging);
}

int CopyTreeRecursive(const char* source, const char* dest, int overwrite)
{
    char pattern[MAX_PATH];
    if (!JoinPath(pattern, source, "*.*"))
        return 0;
    WIN32_FIND_DATAA entry;
    CUniqueFind find(FindFirstFileA(pattern, &entry));
    if (!find)
        return 0;

    char sourcePath[MAX_PATH];
    char destPath[MAX_PATH];
    do
    {
        // Every entry, "." and ".." too, so the destination exists as soon as the source
        // could be listed; a destination that cannot be made shows in the copies below.
        CreateDirectories(dest);
        if (IsDotEntry(entry.cFileName))
            continue;
        bool fits = JoinPath(sourcePath, source, entry.cFileName) &&
                    JoinPath(destPath, dest, entry.cFileName);
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        {
            // A subdirectory that fails ends only its own copy.
            if (fits)
                CopyTreeRecursive(sourcePath, destPath, overwrite);
            continue;
        }
        if (!fits)
            return 0;
        // Otherwise a read-only, hidden or system file at the destination could not be
        // replaced; fails harmlessly when there is no file yet.
        SetFileAttributesA(destPath, FILE_ATTRIBUTE_NORMAL);
        if (!CopyFileA(sourcePath, destPath, overwrite == 0))
            return 0;
    } while (FindNextFileA(find.Get(), &entry));
    // The end of the listing and a failure to read on are not told apart.
    return 1;
}

int CreateDirectories(const char* path)
{
    char work[MAX_PATH];
    size_t length = path ? strlen(path) : MAX_PATH;
    if (length >= MAX_PATH)
        return 0;
    memcpy(work, path, length + 1);

    char* scan = work;
    if (work[0] == '\\' && work[1] == '\\')
    {
        char* afterServer = FindSeparator(work + 2);
        if (!afterServer)
            return 0;
        scan = afterServer + 1;
    }
    // The copy calls this once per entry, for a destination that is nearly always there
    // already: an existing path needs no walk through its levels.
    if (_access(work, 0) == 0)
        return 1;
    for (;;)
    {
        char* slash = FindSeparator(scan);
        if (slash)
            *slash = '\0';
        // A path from the root of the current drive starts with an empty level, which is
        // there already and cannot be made.
        bool emptyLevel = slash && work[0] == '\0';
        if (!emptyLevel && _access(work, 0) != 0 && _mkdir(work) != 0)
            return 0;
        if (!slash)
            return 1;
        *slash = '\\';
        scan = slash + 1;
    }
}
