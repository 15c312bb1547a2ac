#include "tools/setupcheck/SetupKeys.h"

#include <cstdio>

const std::vector<CSetupKey>& SetupKeys()
{
    static const std::vector<CSetupKey> keys = {
        {"SETUP", "EnglishTitle", eKeyAlways},      {"SETUP", "ChineseTitle", eKeyOptional},
        {"SETUP", "ProductName", eKeyAlways},       {"SETUP", "Preinstall", eKeyAlways},
        {"SETUP", "InstallApp", eKeyAlways},        {"SETUP", "AutoRunApp", eKeyAlways},
        {"Driver", "DriverSourcePath", eKeyAlways}, {"Driver", "DriverDestPath", eKeyAlways},
        {"Driver", "DriverSetupCmd", eKeyAlways},   {"APP", "AppType", eKeyWithApp},
        {"APP", "AppVersion", eKeyWithApp},         {"APP", "AppDestPath", eKeyWithApp},
        {"APP", "AppSourcePath", eKeyWithApp},      {"APP", "AppSetupCmd", eKeyWithApp},
        {"APP", "AppRegKeyPath", eKeyWithApp},      {"APP", "AppRegKeyVersion", eKeyWithApp},
    };
    return keys;
}

std::vector<CSetupKey> FindMissingKeys(CIniReader& reader, int installApp)
{
    std::vector<CSetupKey> missing;
    for (const CSetupKey& key : SetupKeys())
    {
        if (key.need == eKeyOptional || (key.need == eKeyWithApp && installApp == 0))
            continue;
        std::string value;
        if (!reader.ReadString(key.pszSection, key.pszKey, value))
            missing.push_back(key);
    }
    return missing;
}

bool WriteSetupCopy(CIniReader& reader, const std::string& path,
                    const std::vector<std::pair<std::string, std::string>>& changes)
{
    FILE* file = fopen(path.c_str(), "wb");
    if (!file)
        return false;
    std::string text;
    std::string section;
    for (const CSetupKey& key : SetupKeys())
    {
        std::string value;
        bool present = reader.ReadString(key.pszSection, key.pszKey, value);
        for (const auto& change : changes)
        {
            if (change.first == key.pszKey)
            {
                value = change.second;
                present = true;
            }
        }
        if (!present)
            continue;
        if (section != key.pszSection)
        {
            section = key.pszSection;
            text += "[" + section + "]\r\n";
        }
        text += std::string(key.pszKey) + "=" + value + "\r\n";
    }
    bool ok = fwrite(text.data(), 1, text.size(), file) == text.size();
    return fclose(file) == 0 && ok;
}
