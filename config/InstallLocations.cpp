// Full paths derived from the setup description, and what an installed copy of the
// card's application keeps in the registry.
#include "config/InstallLocations.h"

#include "config/RegValueReader.h"
#include "config/SetupConfig.h"
#include "sys/SystemPaths.h"

namespace
{
// Bytes offered to the registry for one value; the buffer has one more, always zero, so
// that whatever the value's type the text read ends there.
const DWORD kValueSize = MAX_PATH;

// True and the value's data taken as text; false, text unchanged, when the value is
// absent or does not fit. Each read gets a fresh zero-filled buffer, so data without a
// terminator (REG_BINARY, REG_DWORD) never runs into what an earlier read left.
bool ReadValueText(CRegValueReader& reader, const char* name, std::string& text)
{
    BYTE buffer[kValueSize + 1] = {0};
    if (!reader.ReadValue(name, buffer, kValueSize))
        return false;
    text = reinterpret_cast<const char*>(buffer);
    return true;
}
} // namespace

std::string JoinPath(const std::string& root, const std::string& field)
{
    return root + "\\" + field;
}

std::string JoinCommand(const std::string& dir, const std::string& command)
{
    size_t wordEnd = command.find_first_of(" \t");
    if (wordEnd == std::string::npos)
        wordEnd = command.size();
    // A command that brings quotes of its own is left as the card maker wrote it.
    if (dir.find(' ') == std::string::npos || command.find('"') < wordEnd)
        return JoinPath(dir, command);
    return "\"" + JoinPath(dir, command.substr(0, wordEnd)) + "\"" + command.substr(wordEnd);
}

std::string CSetupConfig::GetPreinstallPath() const
{
    if (m_strPreinstall.empty())
        return std::string();
    return JoinCommand(GetModuleDir(), m_strPreinstall);
}

std::string CSetupConfig::GetDriverSourceDir() const
{
    return JoinPath(GetModuleDir(), m_strDriverSourcePath);
}

std::string CSetupConfig::GetDriverDestDir() const
{
    return JoinPath(GetTempDir(), m_strDriverDestPath);
}

std::string CSetupConfig::GetDriverSetupCmdPath() const
{
    return JoinCommand(GetDriverDestDir(), m_strDriverSetupCmd);
}

std::string CSetupConfig::GetAppSourceDir() const
{
    return JoinPath(GetModuleDir(), m_strAppSourcePath);
}

std::string CSetupConfig::GetAppDestDir() const
{
    return JoinPath(GetTempDir(), m_strAppDestPath);
}

std::string CSetupConfig::GetAppSetupCmdPath() const
{
    return JoinCommand(GetAppDestDir(), m_strAppSetupCmd);
}

bool CSetupConfig::ReadRegString(const std::string& keyPath, const std::string& valueName,
                                 std::string& value) const
{
    value.clear();
    CRegValueReader reader;
    if (!reader.Open(HKEY_LOCAL_MACHINE, keyPath.c_str()))
        return false;
    return ReadValueText(reader, valueName.c_str(), value);
}

std::string CSetupConfig::GetInstalledAppPath() const
{
    switch (m_nAppType)
    {
    case 1:
        return ReadInstalledProgram("ExePath", "ExeName");
    case 2:
    case 3:
        return ReadInstalledProgram("AppDir", "AppName");
    default:
        return std::string();
    }
}

std::string CSetupConfig::ReadInstalledProgram(const char* dirValue, const char* nameValue) const
{
    CRegValueReader reader;
    if (!reader.Open(HKEY_LOCAL_MACHINE, m_strAppRegKeyPath.c_str()))
        return std::string();
    std::string dir;
    std::string name;
    if (!ReadValueText(reader, dirValue, dir) || !ReadValueText(reader, nameValue, name))
        return std::string();
    return JoinPath(dir, name);
}

std::string CSetupConfig::GetUninstallEntry() const
{
    CRegValueReader reader;
    if (!reader.Open(HKEY_LOCAL_MACHINE, m_strAppRegKeyPath.c_str()))
        return std::string();
    std::string entry;
    ReadValueText(reader, "UnInstall", entry);
    return entry;
}
