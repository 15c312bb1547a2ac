#include "sys/StagingFolder.h"

#include "sys/FormatText.h"
#include "sys/PathText.h"
#include "sys/SystemFunction.h"
#include "sys/Trace.h"
#include "sys/TraceTexts.h"

#include <aclapi.h>
#include <ntsecapi.h>
#include <sddl.h>

#include <cstring>
#include <utility>

namespace
{
// Owned by Administrators; full control for SYSTEM and Administrators, passed on to every
// file and folder inside; nothing inherited from the folder above (protected).
const char kAdministratorsOnly[] = "O:BAG:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

bool IsDotEntry(const char* name)
{
    return strcmp(name, ".") == 0 || strcmp(name, "..") == 0;
}

// The entry itself, never what a link at path points to.
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

// Owned by Administrators, as the folder is made. Wine keeps no owner it is asked for, and
// no rights either: there is nothing to check.
bool IsAdministratorsOwn(HANDLE handle)
{
    PSID owner = NULL;
    PSECURITY_DESCRIPTOR descriptor = NULL;
    if (GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, NULL, NULL,
                        NULL, &descriptor) != ERROR_SUCCESS)
        return false;
    CUniqueLocalMem owned(descriptor);
    return IsWellKnownSid(owner, WinBuiltinAdministratorsSid) ||
           LookUpSystemFunction("ntdll.dll", "wine_get_version");
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

// Everything in the folder that can go goes, also after something that cannot.
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
    bool emptied = true;
    do
    {
        if (!IsDotEntry(entry.cFileName) && !RemoveWithoutFollowing(path + "\\" + entry.cFileName))
            emptied = false;
    } while (FindNextFileA(find.Get(), &entry));
    find.Reset();
    if (attributes & FILE_ATTRIBUTE_READONLY)
        SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    held.Reset();
    // Should someone put a link here meanwhile, the link is what goes.
    return emptied && RemoveDirectoryA(path.c_str()) != FALSE;
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

std::string WindowsTempDir()
{
    // The shared Windows folder: GetWindowsDirectory gives a user's private one to a
    // program that Terminal Services takes as not made for it.
    char path[MAX_PATH] = {0};
    UINT length = GetSystemWindowsDirectoryA(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return std::string();
    return FullPathOf(path) + "\\Temp";
}

bool IsInStagingRoot(const std::string& root, const std::string& path)
{
    std::string full = FullPathOf(path);
    return !root.empty() && !full.empty() && (IsSamePath(full, root) || IsBelow(full, root));
}

CStagingFolder::CStagingFolder(const std::string& parent) : m_strParent(parent), m_bRootTried(false)
{
}

CStagingFolder::~CStagingFolder()
{
    Remove();
}

bool CStagingFolder::MakeRoot()
{
    if (m_bRootTried)
        return !m_strRoot.empty();
    m_bRootTried = true;
    // A name nobody can make first: the user's programs may make folders in the Windows
    // folder's Temp, though not rename or remove anyone else's.
    DWORD random[2] = {0, 0};
    if (m_strParent.empty())
        return Fail(m_strParent, ERROR_PATH_NOT_FOUND);
    if (!RtlGenRandom(random, sizeof(random)))
        return Fail(m_strParent, ERROR_GEN_FAILURE);
    std::string root = m_strParent + FormatText("\\NorvaneSetup.%08lX%08lX", random[0], random[1]);
    if (!MakeAndHold(root))
        return false;
    m_strRoot = root;
    return true;
}

bool CStagingFolder::Make(const std::string& path)
{
    if (m_strRoot.empty())
        return false;
    std::string full = FullPathOf(path);
    if (!IsInStagingRoot(m_strRoot, full))
        return Fail(path, full.empty() ? ERROR_FILENAME_EXCED_RANGE : ERROR_BAD_PATHNAME);
    // Each level below the root, down to the folder itself.
    for (size_t end = m_strRoot.size(); end < full.size();)
    {
        const char* slash = FindNextBackslash(full.c_str() + end + 1);
        end = slash ? static_cast<size_t>(slash - full.c_str()) : full.size();
        std::string level = full.substr(0, end);
        if (!Holds(level) && !MakeAndHold(level))
            return false;
    }
    return true;
}

bool CStagingFolder::Holds(const std::string& path) const
{
    std::string full = FullPathOf(path);
    for (const CHeldFolder& held : m_held)
    {
        if (!full.empty() && IsSamePath(full, held.strPath))
            return true;
    }
    return false;
}

void CStagingFolder::Remove()
{
    if (m_held.empty())
        return;
    std::string root = m_held[0].strPath;
    // Nobody but SYSTEM and Administrators can change the root, so its paths still lead
    // where they did while it was held.
    m_held.clear();
    RemoveWithoutFollowing(root);
}

bool CStagingFolder::MakeAndHold(const std::string& path)
{
    PSECURITY_DESCRIPTOR built = NULL;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(kAdministratorsOnly, SDDL_REVISION_1,
                                                              &built, NULL))
        return Fail(path, GetLastError());
    CUniqueLocalMem descriptor(built);
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), built, FALSE};
    // Fails on any name that exists, a link's included: what it makes is new.
    if (!CreateFolder(path.c_str(), &attributes))
        return Fail(path, GetLastError());
    // Reading takes part in every share check: open for it, sharing nothing but reading,
    // the folder cannot be opened to be renamed, removed or written meanwhile.
    CUniqueFile folder(CreateFileA(
        path.c_str(), FILE_LIST_DIRECTORY | READ_CONTROL, FILE_SHARE_READ, NULL, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, NULL));
    if (!folder)
        return Fail(path, GetLastError());
    if (!IsPlainFolder(folder.Get()))
        return Fail(path, ERROR_DIRECTORY);
    if (!IsAdministratorsOwn(folder.Get()))
        return Fail(path, ERROR_INVALID_OWNER);
    CHeldFolder held = {path, std::move(folder)};
    m_held.push_back(std::move(held));
    return true;
}

bool CStagingFolder::Fail(const std::string& path, DWORD error)
{
    TraceOut(FormatText(kTraceStagingFailed, path.c_str(), static_cast<int>(error)));
    return false;
}

BOOL CStagingFolder::CreateFolder(const char* path, SECURITY_ATTRIBUTES* attributes)
{
    return CreateDirectoryA(path, attributes);
}
