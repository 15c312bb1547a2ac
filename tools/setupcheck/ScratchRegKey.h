// A registry key of the program's own under HKEY_LOCAL_MACHINE, for the time of one
// question to code that reads only from there: setupcheck's update decision, the tests of
// the registry lookups.
#pragma once

#include "handles/UniqueHandle.h"

#include <windows.h>

#include <string>

class CScratchRegKey
{
public:
    // Creates HKEY_LOCAL_MACHINE\<parent>\<process id>_<number>, empty and volatile. Writing
    // there needs administrator rights on Windows; IsOpen tells whether it worked.
    explicit CScratchRegKey(const char* parent = "SOFTWARE\\NorvaneSetupCheck");
    // Deletes the key with its values, and the parent when nothing else is left in it.
    ~CScratchRegKey();
    CScratchRegKey(const CScratchRegKey&) = delete;
    CScratchRegKey& operator=(const CScratchRegKey&) = delete;

    bool IsOpen() const { return static_cast<bool>(m_hKey); }
    // Below HKEY_LOCAL_MACHINE, as AppRegKeyPath names a key.
    const std::string& Path() const { return m_strPath; }
    bool SetString(const std::string& name, const std::string& value);
    bool SetValue(const std::string& name, DWORD type, const void* data, DWORD size);
    void DeleteValue(const std::string& name);

private:
    std::string m_strParent;
    std::string m_strPath;
    CUniqueHKey m_hKey;
};
