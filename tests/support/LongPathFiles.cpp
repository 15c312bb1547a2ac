#include "tests/support/LongPathFiles.h"

#include "handles/UniqueHandle.h"

#include <windows.h>

#include <vector>

std::wstring Wide(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    int length =
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), NULL, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
    return wide;
}

std::string Narrow(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    int length = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), NULL, 0,
                                     NULL, NULL);
    std::string narrow(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &narrow[0], length,
                        NULL, NULL);
    return narrow;
}

namespace
{
// The prefix switches off the length limit and every rewriting of the path, so the
// path must already be absolute and use backslashes only.
std::wstring Extended(const std::string& path)
{
    return L"\\\\?\\" + Wide(path);
}

bool IsDotName(const wchar_t* name)
{
    return wcscmp(name, L".") == 0 || wcscmp(name, L"..") == 0;
}

void ListInto(const std::string& dir, const std::string& relative, bool folders,
              std::set<std::string>& files)
{
    WIN32_FIND_DATAW entry;
    CUniqueFind find(FindFirstFileW((Extended(dir) + L"\\*").c_str(), &entry));
    if (!find)
        return;
    do
    {
        if (IsDotName(entry.cFileName))
            continue;
        std::string name = Narrow(entry.cFileName);
        std::string child = relative.empty() ? name : relative + "\\" + name;
        bool isFolder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (!isFolder || folders)
            files.insert(child);
        if (isFolder)
            ListInto(dir + "\\" + name, child, folders, files);
    } while (FindNextFileW(find.Get(), &entry));
}
} // namespace

bool MakeLongDirectory(const std::string& path)
{
    DWORD attributes = GetFileAttributesW(Extended(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    size_t slash = path.find_last_of('\\');
    // "C:" itself is never made.
    if (slash != std::string::npos && slash > 2 && !MakeLongDirectory(path.substr(0, slash)))
        return false;
    return CreateDirectoryW(Extended(path).c_str(), NULL) != FALSE;
}

bool WriteLongFile(const std::string& path, const std::string& content)
{
    CUniqueFile file(CreateFileW(Extended(path).c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, NULL));
    if (!file)
        return false;
    DWORD written = 0;
    return WriteFile(file.Get(), content.data(), static_cast<DWORD>(content.size()), &written,
                     NULL) &&
           written == content.size();
}

std::string ReadLongFile(const std::string& path)
{
    std::string content;
    CUniqueFile file(CreateFileW(Extended(path).c_str(), GENERIC_READ, FILE_SHARE_READ, NULL,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL));
    if (!file)
        return content;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file.Get(), buffer, sizeof(buffer), &read, NULL) && read > 0)
        content.append(buffer, read);
    return content;
}

void RemoveLongTree(const std::string& path)
{
    std::wstring root = Extended(path);
    WIN32_FIND_DATAW entry;
    {
        CUniqueFind find(FindFirstFileW((root + L"\\*").c_str(), &entry));
        if (find)
        {
            do
            {
                if (IsDotName(entry.cFileName))
                    continue;
                std::string child = path + "\\" + Narrow(entry.cFileName);
                SetFileAttributesW(Extended(child).c_str(), FILE_ATTRIBUTE_NORMAL);
                if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    RemoveLongTree(child);
                else
                    DeleteFileW(Extended(child).c_str());
            } while (FindNextFileW(find.Get(), &entry));
        }
    }
    RemoveDirectoryW(root.c_str());
}

std::set<std::string> ListLongFiles(const std::string& dir, bool folders)
{
    std::set<std::string> files;
    ListInto(dir, std::string(), folders, files);
    return files;
}
