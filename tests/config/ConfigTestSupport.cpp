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
