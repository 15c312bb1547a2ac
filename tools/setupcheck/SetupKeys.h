// The keys of setup.ini as setup.exe loads them, in one table, and what the checker does
// with it: name the missing keys, and write a copy of the file with some values changed.
#pragma once

#include "config/IniReader.h"

#include <string>
#include <utility>
#include <vector>

enum ESetupKeyNeed
{
    eKeyAlways,   // required in every setup.ini
    eKeyWithApp,  // required when InstallApp is not 0; section "APP" is read only then
    eKeyOptional, // read when present (ChineseTitle, on Chinese systems)
};

struct CSetupKey
{
    const char* pszSection;
    const char* pszKey;
    ESetupKeyNeed need;
};

// Every key setup.exe reads, in the order it reads them.
const std::vector<CSetupKey>& SetupKeys();

// The required keys the file lacks, by the rule of CSetupConfig::Load: section "APP" is
// required only when installApp (InstallApp as Load read it) is not 0.
std::vector<CSetupKey> FindMissingKeys(CIniReader& reader, int installApp);

// Writes every key present in the reader's file, as it reads, into a new file at path,
// with the values named in changes (key, value) put in place of the file's own. The bytes
// of the values are kept (a GBK title stays GBK). False when the file cannot be written.
bool WriteSetupCopy(CIniReader& reader, const std::string& path,
                    const std::vector<std::pair<std::string, std::string>>& changes);
