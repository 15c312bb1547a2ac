// A registry key of the checker's own under HKEY_LOCAL_MACHINE, for the time of one
// question to code that reads only from there.
#pragma once

#include "fw/UniqueHandle.h"

#include <string>

class CScratchRegKey
{
public:
    // Creates HKEY_LOCAL_MACHINE\SOFTWARE\NorvaneSetupCheck\<process id>, empty. Writing
    // there needs administrator rights on Windows; IsOpen tells whether it worked.
    CScratchRegKey();
    // Deletes the key with its values, and the parent when no other checker uses it.
    ~CScratchRegKey();
    CScratchRegKey(const CScratchRegKey&) = delete;
    CScratchRegKey& operator=(const CScratchRegKey&) = delete;

    bool IsOpen() const { return static_cast<bool>(m_hKey); }
    // Below HKEY_LOCAL_MACHINE, as AppRegKeyPath names a key.
    const std::string& Path() const { return m_strPath; }
    bool SetString(const std::string& name, const std::string& value);

private:
    std::string m_strPath;
    CUniqueHKey m_hKey;
};
