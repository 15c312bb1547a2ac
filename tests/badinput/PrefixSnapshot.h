// What a run may have written where it must not: the files and folders of drive C
// outside the temporary directory, and the values of one registry key.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

class CDriveSnapshot
{
public:
    // Takes the snapshot of drive C, leaving out everything below excludedDir and what
    // the prefix links to outside itself (folders such as Desktop lead to the Linux home).
    explicit CDriveSnapshot(const std::string& excludedDir);

    // One line per entry added, changed or removed since before: "+ path", "* path",
    // "- path".
    std::vector<std::string> ChangesSince(const CDriveSnapshot& before) const;
    size_t EntryCount() const { return m_entries.size(); }
    // False when a folder could not be listed: the snapshot is no proof of anything then.
    bool IsWhole() const { return m_bWhole; }

private:
    void Walk(const std::wstring& dir);

    bool m_bWhole = true;

    std::wstring m_strExcluded; // lower case, ends in "\"
    // Path in lower case: size and write time of a file; "dir" for a folder.
    std::map<std::wstring, std::wstring> m_entries;
};

// Every value of HKEY_LOCAL_MACHINE\keyPath as "name=type:hex bytes"; empty when the key
// cannot be read.
std::vector<std::string> RegistryValues(const std::string& keyPath);
