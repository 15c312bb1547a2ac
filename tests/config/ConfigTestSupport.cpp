#include "tests/config/ConfigTestSupport.h"

#include "tests/support/TestFiles.h"

#include <cstdio>

CIniText CIniText::Complete()
{
    CIniText ini;
    ini.Set("SETUP", "EnglishTitle", "Norvane Setup")
        .Set("SETUP", "ProductName", "Norvane W1")
        .Set("SETUP", "Preinstall", "pre\\prep.exe /q")
        .Set("SETUP", "InstallApp", "1")
        .Set("SETUP", "AutoRunApp", "1")
        .Set("Driver", "DriverSourcePath", "Driver")
        .Set("Driver", "DriverDestPath", "NorvaneDrv")
        .Set("Driver", "DriverSetupCmd", "DrvSetup.exe /s")
        .Set("APP", "AppType", "1")
        .Set("APP", "AppVersion", "1.2.3")
        .Set("APP", "AppDestPath", "NorvaneApp")
        .Set("APP", "AppSourcePath", "App")
        .Set("APP", "AppSetupCmd", "AppSetup.exe")
        .Set("APP", "AppRegKeyPath", "Software\\Norvane\\Connect")
        .Set("APP", "AppRegKeyVersion", "Version");
    return ini;
}

CIniText& CIniText::Set(const std::string& section, const std::string& key,
                        const std::string& value)
{
    for (auto& s : m_sections)
    {
        if (s.first != section)
            continue;
        for (auto& k : s.second)
        {
            if (k.first == key)
            {
                k.second = value;
                return *this;
            }
        }
        s.second.push_back(std::make_pair(key, value));
        return *this;
    }
    m_sections.push_back(std::make_pair(section, CKeys(1, std::make_pair(key, value))));
    return *this;
}

CIniText& CIniText::Remove(const std::string& section, const std::string& key)
{
    for (auto& s : m_sections)
    {
        if (s.first != section)
            continue;
        for (size_t i = 0; i < s.second.size(); ++i)
        {
            if (s.second[i].first == key)
                s.second.erase(s.second.begin() + i);
        }
    }
    return *this;
}

CIniText& CIniText::RemoveSection(const std::string& section)
{
    for (size_t i = 0; i < m_sections.size(); ++i)
    {
        if (m_sections[i].first == section)
            m_sections.erase(m_sections.begin() + i);
    }
    return *this;
}

std::string CIniText::Text() const
{
    std::string text;
    for (const auto& s : m_sections)
    {
        text += "[" + s.first + "]\r\n";
        for (const auto& k : s.second)
            text += k.first + "=" + k.second + "\r\n";
        text += "\r\n";
    }
    return text;
}

bool LoadSetupText(const std::string& folder, const std::string& text, CSetupConfig& config)
{
    std::string path = folder + "\\setup.ini";
    if (!WriteTextFile(path, text))
        return false;
    return config.Load(path);
}

CTestRegKey::CTestRegKey()
{
    static LONG counter = 0;
    char name[64];
    snprintf(name, sizeof(name), "Software\\NorvaneTest\\k%lu_%ld", GetCurrentProcessId(),
             InterlockedIncrement(&counter));
    m_strPath = name;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, m_strPath.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL,
                        m_hKey.Put(), NULL) != ERROR_SUCCESS)
        m_hKey.Release();
}

CTestRegKey::~CTestRegKey()
{
    m_hKey.Reset();
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, m_strPath.c_str());
    // Goes only when no other test program still has a key in it.
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\NorvaneTest");
}

bool CTestRegKey::SetString(const std::string& name, const std::string& value)
{
    return SetValue(name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

bool CTestRegKey::SetValue(const std::string& name, DWORD type, const void* data, DWORD size)
{
    return RegSetValueExA(m_hKey.Get(), name.c_str(), 0, type, static_cast<const BYTE*>(data),
                          size) == ERROR_SUCCESS;
}

void CTestRegKey::DeleteValue(const std::string& name)
{
    RegDeleteValueA(m_hKey.Get(), name.c_str());
}
