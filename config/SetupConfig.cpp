#include "config/SetupConfig.h"

#include "config/IniReader.h"
#include "sys/Language.h"
#include "sys/SystemPaths.h"

namespace
{
// The sections of setup.ini, as CSetupKey names them.
const char* const kSections[] = {"SETUP", "Driver", "APP"};
const unsigned char kSetup = 0;
const unsigned char kDriver = 1;
const unsigned char kApp = 2;
} // namespace

CInstallRoots CurrentRoots()
{
    CInstallRoots roots = {GetModuleDir(), GetTempDir()};
    return roots;
}

// The integers are set by Load; zero until then so that nothing reads garbage.
CSetupConfig::CSetupConfig() : m_nInstallApp(0), m_nAutoRunApp(0), m_nAppType(0) {}

CSetupConfig::~CSetupConfig() {}

const char* CSetupKey::Section() const
{
    return kSections[nSection];
}

const CSetupKey* CSetupConfig::Keys(size_t& count)
{
    typedef CSetupConfig C;
    static const CSetupKey keys[] = {
        {kSetup, eKeyAlways, "EnglishTitle", &C::m_strTitle, NULL},
        {kSetup, eKeyOptional, "ChineseTitle", &C::m_strTitle, NULL},
        {kSetup, eKeyAlways, "ProductName", &C::m_strProductName, NULL},
        {kSetup, eKeyAlways, "Preinstall", &C::m_strPreinstall, NULL},
        {kSetup, eKeyAlways, "InstallApp", NULL, &C::m_nInstallApp},
        {kSetup, eKeyAlways, "AutoRunApp", NULL, &C::m_nAutoRunApp},
        {kDriver, eKeyAlways, "DriverSourcePath", &C::m_strDriverSourcePath, NULL},
        {kDriver, eKeyAlways, "DriverDestPath", &C::m_strDriverDestPath, NULL},
        {kDriver, eKeyAlways, "DriverSetupCmd", &C::m_strDriverSetupCmd, NULL},
        {kApp, eKeyWithApp, "AppType", NULL, &C::m_nAppType},
        {kApp, eKeyWithApp, "AppVersion", &C::m_strAppVersion, NULL},
        {kApp, eKeyWithApp, "AppDestPath", &C::m_strAppDestPath, NULL},
        {kApp, eKeyWithApp, "AppSourcePath", &C::m_strAppSourcePath, NULL},
        {kApp, eKeyWithApp, "AppSetupCmd", &C::m_strAppSetupCmd, NULL},
        {kApp, eKeyWithApp, "AppRegKeyPath", &C::m_strAppRegKeyPath, NULL},
        {kApp, eKeyWithApp, "AppRegKeyVersion", &C::m_strAppRegKeyVersion, NULL},
    };
    count = sizeof(keys) / sizeof(keys[0]);
    return keys;
}

bool CSetupConfig::Load(std::string path)
{
    CIniReader reader;
    if (!reader.SetPath(path.c_str()))
        return false;

    // Every key is read even after one was missing, so that a failed load still holds
    // what the file has; section "APP" only when InstallApp, read before it, is not 0.
    bool ok = true;
    size_t count = 0;
    const CSetupKey* keys = Keys(count);
    for (const CSetupKey* key = keys; key != keys + count; ++key)
    {
        if (key->need == eKeyWithApp && m_nInstallApp == 0)
            continue;
        if (key->need == eKeyOptional)
        {
            // The Chinese title, on a Chinese system only, and only when it is not empty.
            std::string title;
            if (IsChineseSystem() && reader.ReadString(key->Section(), key->pszKey, title) &&
                !title.empty())
                this->*key->pText = title;
            continue;
        }
        bool present = key->pText
                           ? reader.ReadString(key->Section(), key->pszKey, this->*key->pText)
                           : reader.ReadInt(key->Section(), key->pszKey, this->*key->pInt);
        ok = ok && present;
    }
    if (m_nInstallApp == 0)
        m_nAutoRunApp = 0;
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
