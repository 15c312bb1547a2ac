#include "tools/setupcheck/SetupKeys.h"

#include <cstdio>

std::vector<CSetupKey> SetupKeys()
{
    size_t count = 0;
    const CSetupKey* keys = CSetupConfig::Keys(count);
    return std::vector<CSetupKey>(keys, keys + count);
}

std::vector<CSetupKey> FindMissingKeys(CIniReader& reader, int installApp)
{
    std::vector<CSetupKey> missing;
    for (const CSetupKey& key : SetupKeys())
    {
        if (key.need == eKeyOptional || (key.need == eKeyWithApp && installApp == 0))
            continue;
        std::string value;
        if (!reader.ReadString(key.Section(), key.pszKey, value))
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
        bool present = reader.ReadString(key.Section(), key.pszKey, value);
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
        if (section != key.Section())
        {
            section = key.Section();
            text += "[" + section + "]\r\n";
        }
        text += std::string(key.pszKey) + "=" + value + "\r\n";
    }
    bool ok = fwrite(text.data(), 1, text.size(), file) == text.size();
    return fclose(file) == 0 && ok;
}
