#include "tools/setupcheck/ScratchRegKey.h"

#include "sys/FormatText.h"

namespace
{
const char kParentKey[] = "SOFTWARE\\NorvaneSetupCheck";
} // namespace

CScratchRegKey::CScratchRegKey()
    : m_strPath(
          FormatText("%s\\%lu", kParentKey, static_cast<unsigned long>(GetCurrentProcessId())))
{
    // A key left by an earlier checker of the same id would carry its values into this one.
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
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kParentKey);
}

bool CScratchRegKey::SetString(const std::string& name, const std::string& value)
{
    if (!m_hKey)
        return false;
    return RegSetValueExA(m_hKey.Get(), name.c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}
