#include "tests/badinput/PrefixSnapshot.h"

#include "tests/support/LongPathFiles.h"

#include "handles/UniqueHandle.h"
#include "sys/FormatText.h"
#include "tests/support/TestFiles.h"

#include <algorithm>
#include <cwctype>

namespace
{
std::wstring Lower(std::wstring text)
{
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(towlower(c));
    return text;
}

const wchar_t kRoot[] = L"C:";
} // namespace

CDriveSnapshot::CDriveSnapshot(const std::string& excludedDir)
    : m_strExcluded(Lower(Wide(excludedDir)) + L"\\")
{
    Walk(kRoot);
}

void CDriveSnapshot::Walk(const std::wstring& dir)
{
    WIN32_FIND_DATAW entry;
    // The prefix lifts the length limit: a tree that went too deep must show as well.
    CUniqueFind find(FindFirstFileW((L"\\\\?\\" + dir + L"\\*").c_str(), &entry));
    if (!find)
    {
        m_bWhole = false;
        return;
    }
    do
    {
        std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..")
            continue;
        std::wstring path = dir + L"\\" + name;
        std::wstring key = Lower(path);
        if ((key + L"\\").compare(0, m_strExcluded.size(), m_strExcluded) == 0)
            continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        {
            m_entries[key] = L"dir";
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
                Walk(path);
            continue;
        }
        ULONGLONG size = (static_cast<ULONGLONG>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
        ULONGLONG written = (static_cast<ULONGLONG>(entry.ftLastWriteTime.dwHighDateTime) << 32) |
                            entry.ftLastWriteTime.dwLowDateTime;
        m_entries[key] = std::to_wstring(size) + L"@" + std::to_wstring(written);
    } while (FindNextFileW(find.Get(), &entry));
}

std::vector<std::string> CDriveSnapshot::ChangesSince(const CDriveSnapshot& before) const
{
    std::vector<std::string> changes;
    for (const auto& entry : m_entries)
    {
        auto old = before.m_entries.find(entry.first);
        if (old == before.m_entries.end())
            changes.push_back("+ " + Narrow(entry.first));
        else if (old->second != entry.second)
            changes.push_back("* " + Narrow(entry.first));
    }
    for (const auto& entry : before.m_entries)
    {
        if (m_entries.find(entry.first) == m_entries.end())
            changes.push_back("- " + Narrow(entry.first));
    }
    return changes;
}

std::vector<std::string> RegistryValues(const std::string& keyPath)
{
    std::vector<std::string> values;
    CUniqueHKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_QUERY_VALUE | SetupRegistryView(),
                      key.Put()) != ERROR_SUCCESS)
    {
        key.Release();
        return values;
    }
    for (DWORD index = 0;; ++index)
    {
        char name[512];
        DWORD nameLength = sizeof(name);
        DWORD type = 0;
        DWORD size = 0;
        if (RegEnumValueA(key.Get(), index, name, &nameLength, NULL, &type, NULL, &size) !=
            ERROR_SUCCESS)
            break;
        std::vector<BYTE> data(size + 1);
        DWORD dataSize = size;
        nameLength = sizeof(name);
        RegEnumValueA(key.Get(), index, name, &nameLength, NULL, &type, data.data(), &dataSize);
        std::string text = FormatText("%s=%lu:", name, type);
        for (DWORD i = 0; i < dataSize; ++i)
            text += FormatText("%02x", data[i]);
        values.push_back(text);
    }
    std::sort(values.begin(), values.end());
    return values;
}
