#include "config/RegValueReader.h"

CRegValueReader::CRegValueReader() {}

CRegValueReader::~CRegValueReader()
{
    Close();
}

bool CRegValueReader::Open(HKEY root, const char* subKey)
{
    Close();
    LONG status = RegOpenKeyExA(root, subKey, 0, KEY_QUERY_VALUE, m_hKey.Put());
    // A 64-bit installer writes where a 32-bit program does not look on 64-bit Windows;
    // 32-bit Windows ignores the flag and finds the same key absent again.
    if (status == ERROR_FILE_NOT_FOUND)
    {
        m_hKey.Release();
        status = RegOpenKeyExA(root, subKey, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, m_hKey.Put());
    }
    if (status == ERROR_SUCCESS)
        return true;
    // Whatever a failed call left in the handle is not a key of ours to close.
    m_hKey.Release();
    return false;
}

bool CRegValueReader::ReadValue(const char* name, BYTE* buffer, DWORD size)
{
    if (!m_hKey || !buffer)
        return false;
    if (size > 0)
        buffer[0] = 0;
    // The registry rewrites the size it is given; the caller's stays untouched.
    DWORD dataSize = size;
    return RegQueryValueExA(m_hKey.Get(), name, NULL, NULL, buffer, &dataSize) == ERROR_SUCCESS;
}

bool CRegValueReader::Close()
{
    if (!m_hKey)
        return false;
    return m_hKey.Reset();
}
