// What the setup description tests share: setup.ini texts built key by key, and registry
// keys of their own under HKEY_LOCAL_MACHINE.
#pragma once

#include "config/SetupConfig.h"
#include "tools/setupcheck/ScratchRegKey.h"

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

// A profile file's text: sections and keys in the order first set.
class CIniText
{
public:
    // A setup.ini in which every key is present and InstallApp is 1.
    static CIniText Complete();

    CIniText& Set(const std::string& section, const std::string& key, const std::string& value);
    CIniText& Remove(const std::string& section, const std::string& key);
    CIniText& RemoveSection(const std::string& section);
    std::string Text() const;

private:
    typedef std::vector<std::pair<std::string, std::string>> CKeys;
    std::vector<std::pair<std::string, CKeys>> m_sections;
};

// Writes the text as setup.ini into the folder and loads it into the record.
bool LoadSetupText(const std::string& folder, const std::string& text, CSetupConfig& config);

// A key HKEY_LOCAL_MACHINE\Software\NorvaneTest\<unique name>, created empty and deleted
// with its values when the object goes.
class CTestRegKey : public CScratchRegKey
{
public:
    CTestRegKey() : CScratchRegKey("Software\\NorvaneTest") {}
};
