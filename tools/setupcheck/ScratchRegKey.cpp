#include "tools/setupcheck/ScratchRegKey.h"

#include "sys/FormatText.h"

CScratchRegKey::CScratchRegKey(const char* parent) : m_strParent(parent)
{
    static LONG counter = 0;
    m_strPath = FormatText("%s\\%lu_%ld", parent, static_cast<unsigned long>(GetCurrentProcessId()),
                           static_cast<long>(InterlockedIncrement(&counter)));
    // A key left by an earlier program of the same id would carry its values into this one.
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, m_strPath.c_str());
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, m_strPath.c_str(), 0, NULL, REG_OPTION_VOLATILE,
                        KEY_SET_VALUE, NULL, m_hKey.Put(), NULL) != ERROR_SUCCESS)
        m_hKey.Release(); // what a failed call left there is no key to close
}

CScratchRegKey::~CScratchRegKey()
{
    if (!m_hKey)
        return;
    m_hKey.Reset();
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, m_strPath.c_str());
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, m_strParent.c_str());
}

bool CScratchRegKey::SetString(const std::string& name, const std::string& value)
{
    return SetValue(name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

bool CScratchRegKey::SetValue(const std::string& name, DWORD type, const void* data, DWORD size)
{
    return m_hKey && RegSetValueExA(m_hKey.Get(), name.c_str(), 0, type,
                                    static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
}

void CScratchRegKey::DeleteValue(const std::string& name)
{
    RegDeleteValueA(m_hKey.Get(), name.c_str());
}
