// What the checker does with the keys of setup.ini, taken from the table setup.exe loads
// them by (CSetupConfig::Keys): name the missing keys, and write a copy of the file with
// some values changed.
#pragma once

#include "config/IniReader.h"
#include "config/SetupConfig.h"

#include <string>
#include <utility>
#include <vector>

// Every key setup.exe reads, in the order it reads them.
std::vector<CSetupKey> SetupKeys();

// The required keys the file lacks, by the rule of CSetupConfig::Load: section "APP" is
// required only when installApp (InstallApp as Load read it) is not 0.
std::vector<CSetupKey> FindMissingKeys(CIniReader& reader, int installApp);

// Writes every key present in the reader's file, as it reads, into a new file at path,
// with the values named in changes (key, value) put in place of the file's own. The bytes
// of the values are kept (a GBK title stays GBK). False when the file cannot be written.
bool WriteSetupCopy(CIniReader& reader, const std::string& path,
                    const std::vector<std::pair<std::string, std::string>>& changes);
