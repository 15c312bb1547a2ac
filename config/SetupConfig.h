// The setup description loaded from setup.ini, and what is derived from it: the full
// source, destination and command paths, the installed application's registry entries
// and the update decision. Written only by Load; every other operation only reads.
#pragma once

#include "config/InstallLocations.h"

#include <string>

class CSetupConfig;

enum ESetupKeyNeed
{
    eKeyAlways,   // required in every setup.ini
    eKeyWithApp,  // required when InstallApp is not 0; section "APP" is read only then
    eKeyOptional, // read when present (ChineseTitle, on Chinese systems)
};

// One key of setup.ini and the field it fills: a text or an integer.
struct CSetupKey
{
    unsigned char nSection; // which section: Section() names it
    unsigned char need;     // an ESetupKeyNeed
    const char* pszKey;
    std::string CSetupConfig::*pText;
    int CSetupConfig::*pInt;

    const char* Section() const;
};

class CSetupConfig
{
public:
    // Every key setup.exe reads, in the order it reads them; count gets their number.
    static const CSetupKey* Keys(size_t& count);

    CSetupConfig();
    virtual ~CSetupConfig();

    // Reads every key of the file; true when every required key was present. A failed
    // load still leaves each present key's value in its field.
    bool Load(std::string path);

    std::string GetTitle() const { return m_strTitle; }
    int GetInstallApp() const { return m_nInstallApp; }
    int GetAutoRunApp() const { return m_nAutoRunApp; }

    // Full paths: a root, one backslash, then the field unchanged (commands quoted as
    // JoinCommand quotes them), from the roots given or, without them, from this run's.
    std::string GetPreinstallPath(const CInstallRoots& roots) const; // empty: no Preinstall
    std::string GetDriverSourceDir(const CInstallRoots& roots) const;
    std::string GetDriverDestDir(const CInstallRoots& roots) const;
    std::string GetDriverSetupCmdPath(const CInstallRoots& roots) const;
    std::string GetAppSourceDir(const CInstallRoots& roots) const;
    std::string GetAppDestDir(const CInstallRoots& roots) const;
    std::string GetAppSetupCmdPath(const CInstallRoots& roots) const;
    std::string GetPreinstallPath() const { return GetPreinstallPath(CurrentRoots()); }
    std::string GetDriverSourceDir() const { return GetDriverSourceDir(CurrentRoots()); }
    std::string GetDriverDestDir() const { return GetDriverDestDir(CurrentRoots()); }
    std::string GetDriverSetupCmdPath() const { return GetDriverSetupCmdPath(CurrentRoots()); }
    std::string GetAppSourceDir() const { return GetAppSourceDir(CurrentRoots()); }
    std::string GetAppDestDir() const { return GetAppDestDir(CurrentRoots()); }
    std::string GetAppSetupCmdPath() const { return GetAppSetupCmdPath(CurrentRoots()); }

    // Registry lookups under HKEY_LOCAL_MACHINE; empty text when nothing is found.
    bool ReadRegString(const std::string& keyPath, const std::string& valueName,
                       std::string& value) const;
    std::string GetInstalledAppPath() const;
    std::string GetUninstallEntry() const;

    // True when the card's application is newer than the installed one. Traces its steps.
    bool IsUpdateNeeded() const;

    // Read-only access to the loaded fields, for the checker and the tests.
    const std::string& GetProductName() const { return m_strProductName; }
    const std::string& GetPreinstall() const { return m_strPreinstall; }
    int GetAppType() const { return m_nAppType; }
    const std::string& GetAppDestPath() const { return m_strAppDestPath; }
    const std::string& GetAppSourcePath() const { return m_strAppSourcePath; }
    const std::string& GetAppVersion() const { return m_strAppVersion; }
    const std::string& GetAppRegKeyPath() const { return m_strAppRegKeyPath; }
    const std::string& GetAppSetupCmd() const { return m_strAppSetupCmd; }
    const std::string& GetAppRegKeyVersion() const { return m_strAppRegKeyVersion; }
    const std::string& GetDriverSourcePath() const { return m_strDriverSourcePath; }
    const std::string& GetDriverDestPath() const { return m_strDriverDestPath; }
    const std::string& GetDriverSetupCmd() const { return m_strDriverSetupCmd; }

private:
    // Directory value, one backslash, file name value, both read from AppRegKeyPath;
    // empty unless both are read.
    std::string ReadInstalledProgram(const char* dirValue, const char* nameValue) const;

    std::string m_strTitle;
    std::string m_strProductName;
    std::string m_strPreinstall;
    int m_nInstallApp;
    int m_nAutoRunApp;
    int m_nAppType;
    std::string m_strAppDestPath;
    std::string m_strAppSourcePath;
    std::string m_strAppVersion;
    std::string m_strAppRegKeyPath;
    std::string m_strAppSetupCmd;
    std::string m_strAppRegKeyVersion;
    std::string m_strDriverSourcePath;
    std::string m_strDriverDestPath;
    std::string m_strDriverSetupCmd;
};
