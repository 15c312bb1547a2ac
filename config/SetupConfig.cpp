#include "config/SetupConfig.h"

#include "config/IniReader.h"
#include "sys/Language.h"
#include "sys/SystemPaths.h"

namespace
{
const char kSetup[] = "SETUP";
const char kDriver[] = "Driver";
const char kApp[] = "APP";
} // namespace

CInstallRoots CurrentRoots()
{
    CInstallRoots roots = {GetModuleDir(), GetTempDir()};
    return roots;
}

// The integers are set by Load; zero until then so that nothing reads garbage.
CSetupConfig::CSetupConfig() : m_nInstallApp(0), m_nAutoRunApp(0), m_nAppType(0) {}

CSetupConfig::~CSetupConfig() {}

bool CSetupConfig::Load(std::string path)
{
    CIniReader reader;
    if (!reader.SetPath(path.c_str()))
        return false;

    // Every key is read even after one was missing, so that a failed load still holds
    // what the file has. "&" rather than "&&" keeps the reads from being skipped.
    bool ok = reader.ReadString(kSetup, "EnglishTitle", m_strTitle);
    if (IsChineseSystem())
    {
        std::string chineseTitle;
        reader.ReadString(kSetup, "ChineseTitle", chineseTitle);
        if (!chineseTitle.empty())
            m_strTitle = chineseTitle;
    }
    ok &= reader.ReadString(kSetup, "ProductName", m_strProductName);
    ok &= reader.ReadString(kSetup, "Preinstall", m_strPreinstall);
    ok &= reader.ReadInt(kSetup, "InstallApp", m_nInstallApp);
    ok &= reader.ReadInt(kSetup, "AutoRunApp", m_nAutoRunApp);

    ok &= reader.ReadString(kDriver, "DriverSourcePath", m_strDriverSourcePath);
    ok &= reader.ReadString(kDriver, "DriverDestPath", m_strDriverDestPath);
    ok &= reader.ReadString(kDriver, "DriverSetupCmd", m_strDriverSetupCmd);

    if (m_nInstallApp != 0)
    {
        ok &= reader.ReadInt(kApp, "AppType", m_nAppType);
        ok &= reader.ReadString(kApp, "AppVersion", m_strAppVersion);
        ok &= reader.ReadString(kApp, "AppDestPath", m_strAppDestPath);
        ok &= reader.ReadString(kApp, "AppSourcePath", m_strAppSourcePath);
        ok &= reader.ReadString(kApp, "AppSetupCmd", m_strAppSetupCmd);
        ok &= reader.ReadString(kApp, "AppRegKeyPath", m_strAppRegKeyPath);
        ok &= reader.ReadString(kApp, "AppRegKeyVersion", m_strAppRegKeyVersion);
    }
    else
    {
        m_nAutoRunApp = 0;
    }
    return ok;
}

std::string CSetupConfig::GetPreinstallPath(const CInstallRoots& roots) const
{
    if (m_strPreinstall.empty())
        return std::string();
    return JoinCommand(roots.strModuleDir, m_strPreinstall);
}

std::string CSetupConfig::GetDriverSourceDir(const CInstallRoots& roots) const
{
    return JoinPath(roots.strModuleDir, m_strDriverSourcePath);
}

std::string CSetupConfig::GetDriverDestDir(const CInstallRoots& roots) const
{
    return JoinPath(roots.strTempDir, m_strDriverDestPath);
}

std::string CSetupConfig::GetDriverSetupCmdPath(const CInstallRoots& roots) const
{
    return JoinCommand(GetDriverDestDir(roots), m_strDriverSetupCmd);
}

std::string CSetupConfig::GetAppSourceDir(const CInstallRoots& roots) const
{
    return JoinPath(roots.strModuleDir, m_strAppSourcePath);
}

std::string CSetupConfig::GetAppDestDir(const CInstallRoots& roots) const
{
    return JoinPath(roots.strTempDir, m_strAppDestPath);
}

std::string CSetupConfig::GetAppSetupCmdPath(const CInstallRoots& roots) const
{
    return JoinCommand(GetAppDestDir(roots), m_strAppSetupCmd);
}
