// What an installed copy of the card's application keeps in the registry, and whether
// the card carries a newer one.
#include "config/RegValueReader.h"
#include "config/SetupConfig.h"
#include "config/VersionCompare.h"
#include "sys/FormatText.h"
#include "sys/Trace.h"
#include "sys/TraceTexts.h"

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

bool CSetupConfig::IsUpdateNeeded() const
{
    TraceOut(FormatText(kTraceCardVersion, m_strAppVersion.c_str()));
    // A failed read leaves the text empty, which is all that matters here.
    std::string installed;
    ReadRegString(m_strAppRegKeyPath, m_strAppRegKeyVersion, installed);
    TraceOut(FormatText(kTraceInstalledVersion, installed.c_str()));

    TraceOut(FormatText(kTraceVersionSizes,
                        static_cast<int>(VersionComponents(m_strAppVersion).size()),
                        static_cast<int>(VersionComponents(installed).size())));
    bool newer = IsNewerVersion(m_strAppVersion, installed);
    if (newer)
    {
        TraceOut(kTraceUpdateNeeded);
        return true;
    }
    TraceOut(kTraceUpToDate);
    return false;
}
