#include "sys/StagingFolder.h"

#include "sys/PathText.h"
#include "sys/UserRights.h"

#include <sddl.h>

#include <cstring>
#include <utility>

namespace
{
// Owned by Administrators; full control for SYSTEM and Administrators, passed on to every
// file and folder inside; nothing inherited from the temporary directory (protected).
const char kAdministratorsOnly[] = "O:BAG:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

bool IsDotEntry(const char* name)
{
    return strcmp(name, ".") == 0 || strcmp(name, "..") == 0;
}

// The entry itself, never what a link at path points to; share modes that keep anyone
// from renaming or removing it while it is open.
HANDLE OpenNoFollow(const std::string& path)
{
    return CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                       NULL);
}

// A folder that is no link.
bool IsPlainFolder(HANDLE handle)
{
    BY_HANDLE_FILE_INFORMATION info;
    return GetFileInformationByHandle(handle, &info) &&
           (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool RemoveFile(const std::string& path, DWORD attributes)
{
    if (DeleteFileA(path.c_str()))
        return true;
    // Only the read-only attribute keeps a file from being deleted.
    return (attributes & FILE_ATTRIBUTE_READONLY) &&
           SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY) &&
           DeleteFileA(path.c_str());
}

bool RemoveFolder(const std::string& path, DWORD attributes)
{
    // Held while it is emptied, so that the paths below lead into this very folder.
    CUniqueFile held(OpenNoFollow(path));
    if (!held || !IsPlainFolder(held.Get()))
        return false;
    if (path.size() + 2 >= MAX_PATH)
        return false;
    WIN32_FIND_DATAA entry;
    CUniqueFind find(FindFirstFileA((path + "\\*").c_str(), &entry));
    if (!find)
        return false;
    do
    {
        if (!IsDotEntry(entry.cFileName) && !RemoveWithoutFollowing(path + "\\" + entry.cFileName))
            return false;
    } while (FindNextFileA(find.Get(), &entry));
    find.Reset();
    if (attributes & FILE_ATTRIBUTE_READONLY)
        SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    held.Reset();
    // Should someone put a link here meanwhile, the link is what goes.
    return RemoveDirectoryA(path.c_str()) != FALSE;
}

} // namespace

bool RemoveWithoutFollowing(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
    {
        DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
    {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY)
            return RemoveDirectoryA(path.c_str()) != FALSE;
        return DeleteFileA(path.c_str()) != FALSE;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return RemoveFolder(path, attributes);
    return RemoveFile(path, attributes);
}

CStagingFolder::CStagingFolder(const std::string& root, bool forAdministrators)
    : m_strRoot(root), m_bForAdministrators(forAdministrators), m_bMade(false), m_result(NotStaged)
{
}

CStagingFolder::~CStagingFolder() {}

CStagingFolder::Result CStagingFolder::Make(const std::string& path)
{
    m_held.clear();
    m_bMade = true;
    m_result = Stage(FullPathOf(path));
    if (m_result != Made)
        m_held.clear();
    return m_result;
}

CStagingFolder::Result CStagingFolder::Stage(const std::string& full)
{
    std::string root = FullPathOf(m_strRoot);
    if (root.empty() || !IsBelow(full, root))
        return NotStaged;
    // The root itself may be reached through a link of the user's own; it is held as the
    // folder it leads to, and only a root the user's programs can write is staged in: in
    // any other (TEMP pointed elsewhere) they could have planted nothing, and removing what
    // lies there could destroy what they cannot.
    CUniqueFile rootFolder(CreateFileA(root.c_str(), FILE_READ_ATTRIBUTES | READ_CONTROL,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                                       FILE_FLAG_BACKUP_SEMANTICS, NULL));
    if (!rootFolder || !UnelevatedCanAddFolder(rootFolder.Get()))
        return NotStaged;
    m_held.push_back(std::move(rootFolder));

    CUniqueLocalMem descriptor;
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), NULL, FALSE};
    if (m_bForAdministrators)
    {
        PSECURITY_DESCRIPTOR built = NULL;
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(kAdministratorsOnly,
                                                                  SDDL_REVISION_1, &built, NULL))
            return Failed;
        descriptor.Reset(built);
        attributes.lpSecurityDescriptor = built;
    }
    SECURITY_ATTRIBUTES* security = m_bForAdministrators ? &attributes : NULL;

    // The folders between the root and the destination are kept, or made, and held.
    for (const char* slash = FindNextBackslash(full.c_str() + root.size() + 1); slash;
         slash = FindNextBackslash(slash + 1))
    {
        std::string level(full.c_str(), static_cast<size_t>(slash - full.c_str()));
        if (GetFileAttributesA(level.c_str()) == INVALID_FILE_ATTRIBUTES &&
            !CreateFolder(level.c_str(), security))
            return Failed;
        if (!Hold(level))
            return Failed;
    }
    // Made anew: should anyone make it between the removal and here, it is theirs.
    if (!RemoveWithoutFollowing(full) || !CreateFolder(full.c_str(), security) || !Hold(full))
        return Failed;
    return Made;
}

bool CStagingFolder::Hold(const std::string& path)
{
    CUniqueFile folder(OpenNoFollow(path));
    if (!folder || !IsPlainFolder(folder.Get()))
        return false;
    m_held.push_back(std::move(folder));
    return true;
}

BOOL CStagingFolder::CreateFolder(const char* path, SECURITY_ATTRIBUTES* attributes)
{
    return CreateDirectoryA(path, attributes);
}
