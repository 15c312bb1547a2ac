// Read-only access to the values of one registry key.
#pragma once

#include "handles/UniqueHandle.h"

#include <windows.h>

class CRegValueReader
{
public:
    CRegValueReader();
    ~CRegValueReader();
    CRegValueReader(const CRegValueReader&) = delete;
    CRegValueReader& operator=(const CRegValueReader&) = delete;

    // Closes any key still open, then opens subKey for reading values; true when open. A
    // key the registry view of the program's own width lacks is looked for in the 64-bit
    // view as well.
    bool Open(HKEY root, const char* subKey);

    // Reads the value's data as raw bytes, whatever its type; true exactly when the
    // registry delivered it. The first byte is zeroed before the read. An empty name
    // reads the key's default value.
    bool ReadValue(const char* name, BYTE* buffer, DWORD size);

    // True when an open key was closed without error; false when none was open.
    bool Close();

private:
    CUniqueHKey m_hKey;
};
