#include "tools/setupcheck/CdFolderCheck.h"

#include "config/IniReader.h"
#include "sys/FormatText.h"
#include "sys/PathText.h"
#include "sys/StagingFolder.h"
#include "sys/SystemPaths.h"
#include "tools/setupcheck/CdPaths.h"
#include "tools/setupcheck/CommandProgram.h"
#include "tools/setupcheck/SetupFileText.h"
#include "tools/setupcheck/ScratchRegKey.h"

#include <windows.h>

#include <cstring>

namespace
{
bool IsFolder(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

} // namespace

CCdFolderCheck::CCdFolderCheck(const std::string& cdFolder)
    : m_strCdDir(FullPathOf(cdFolder)), m_bLoaded(false), m_nProblems(0)
{
    // setup.exe's paths, with the CD folder for the folder setup.exe would run from, and a
    // stand-in of the length of the folder it makes anew for the packages on every run.
    m_roots.strModuleDir = m_strCdDir;
    m_roots.strTempDir = WindowsTempDir() + "\\NorvaneSetup." +
                         std::string(kStagingNameLength - strlen("NorvaneSetup."), 'X');
    if (!m_strCdDir.empty())
        m_strIniPath = JoinPath(m_strCdDir, "setup.ini");
}

void CCdFolderCheck::Line(const std::string& label, const std::string& value)
{
    m_strReport += FormatText("%-30s %s\n", label.c_str(), value.c_str());
}

void CCdFolderCheck::Problem(const std::string& text)
{
    m_strReport += "PROBLEM: " + text + "\n";
    ++m_nProblems;
}

void CCdFolderCheck::Warning(const std::string& text)
{
    m_strReport += "WARNING: " + text + "\n";
}

std::string CCdFolderCheck::ValueText(const char* key, const std::string& value) const
{
    if (IsMissing(key))
        return "(missing)";
    return value.empty() ? "(empty)" : value;
}

std::string CCdFolderCheck::DerivedPath(const std::string& path, const char* key,
                                        const char* otherKey) const
{
    if (IsMissing(key) || (otherKey && IsMissing(otherKey)))
        return "(missing)";
    return path;
}

bool CCdFolderCheck::IsMissing(const char* key) const
{
    for (const CSetupKey& missing : m_missingKeys)
    {
        if (strcmp(missing.pszKey, key) == 0)
            return true;
    }
    return false;
}

void CCdFolderCheck::Check()
{
    if (m_strCdDir.empty() || !IsFolder(m_strCdDir))
    {
        Problem("the CD folder does not exist or its path is too long");
        return;
    }
    Line("CD folder", m_strCdDir);
    if (!FileExists(JoinPath(m_strCdDir, "setup.exe").c_str()))
        Problem("setup.exe is missing from the CD folder");
    if (!FileExists(m_strIniPath.c_str()))
    {
        Problem("setup.ini is missing from the CD folder");
        return;
    }
    Line("setup.ini", m_strIniPath);
    CSetupFileText fileText;
    CIniReader localReader;
    if (fileText.Load(m_strIniPath) && localReader.SetPath(m_strIniPath.c_str()))
    {
        Line("setup.ini is", fileText.Describe());
        std::vector<std::string> localKeys;
        for (const CSetupKey& key : SetupKeys())
        {
            std::string value;
            if (!localReader.ReadString(key.Section(), key.pszKey, value))
                continue;
            localKeys.push_back(std::string(key.Section()) + "/" + key.pszKey);
            if (value.size() >= 1023)
                Warning(FormatText("%s is longer than 1023 bytes: setup.exe takes its first 1023 "
                                   "bytes only",
                                   key.pszKey));
        }
        for (const CFileTextFinding& finding : fileText.Check(localKeys, GetTempDir()))
        {
            if (finding.bProblem)
                Problem(finding.strText);
            else
                Warning(finding.strText);
        }
    }

    // setup.exe's own reading decides; the key list only says which keys made it fail.
    m_bLoaded = m_config.Load(m_strIniPath);
    CIniReader reader;
    if (!reader.SetPath(m_strIniPath.c_str()))
    {
        Problem("the path of setup.ini is 260 bytes or longer: setup.exe cannot read it");
        return;
    }
    m_missingKeys = FindMissingKeys(reader, m_config.GetInstallApp());
    for (const CSetupKey& key : m_missingKeys)
        Problem(
            FormatText("setup.ini lacks the key %s in section [%s]", key.pszKey, key.Section()));
    if (!m_bLoaded && m_missingKeys.empty())
        Problem("setup.exe cannot load setup.ini");

    CheckTitles();
    Line("Product name", ValueText("ProductName", m_config.GetProductName()));
    CheckPreinstall();
    Line("Packages copied below", m_roots.strTempDir + " (a new name each run)");
    CheckPackage("driver", "Driver source", "DriverSourcePath",
                 m_config.GetDriverSourceDir(m_roots), "DriverSetupCmd",
                 m_config.GetDriverSetupCmd(), m_config.GetDriverDestDir(m_roots));
    CheckDestination("Driver destination", "DriverDestPath", m_config.GetDriverDestDir(m_roots));
    Line("Driver installer command",
         DerivedPath(m_config.GetDriverSetupCmdPath(m_roots), "DriverDestPath", "DriverSetupCmd"));
    CheckApplication();
}

void CCdFolderCheck::CheckTitles()
{
    CIniReader reader;
    reader.SetPath(m_strIniPath.c_str());
    std::string english;
    std::string chinese;
    bool hasEnglish = reader.ReadString("SETUP", "EnglishTitle", english);
    reader.ReadString("SETUP", "ChineseTitle", chinese);
    // setup.exe's title rule: ChineseTitle only on a Chinese system, and only when not empty.
    if (chinese.empty())
        chinese = english;
    Line("Title on Chinese systems", hasEnglish || !chinese.empty() ? chinese : "(missing)");
    Line("Title on other systems", hasEnglish ? english : "(missing)");
}

void CCdFolderCheck::CheckPreinstall()
{
    const std::string& preinstall = m_config.GetPreinstall();
    if (IsMissing("Preinstall") || preinstall.empty())
    {
        Line("Pre-install command", "none");
        return;
    }
    // Run from the CD itself, not from a copy.
    Line("Pre-install command", m_config.GetPreinstallPath(m_roots));
    std::string program;
    CPackageCopy onTheCd = {m_strCdDir, m_strCdDir};
    if (!FindCommandProgram(onTheCd, preinstall, program))
        Problem(FormatText("the pre-install program (Preinstall) is missing: no file %s",
                           program.c_str()));
    else
        CheckProgram("pre-install program", "Preinstall", program, preinstall);
}

void CCdFolderCheck::CheckProgram(const char* name, const char* key, const std::string& program,
                                  const std::string& command)
{
    CProgramKind kind;
    if (!ExamineProgram(program, kind))
    {
        Problem(FormatText("the %s (%s) cannot be read: %s", name, key, program.c_str()));
        return;
    }
    Line(std::string("The ") + name + " is", DescribeProgram(kind));
    std::string missing = MissingSilentSwitch(kind, command);
    switch (kind.eKind)
    {
    case eProgramMsi:
        Problem(FormatText("%s names a Windows Installer package, which Windows does not start "
                           "(error 193): name a .cmd beside it that runs msiexec /i "
                           "\"%%~dp0<package>.msi\" /qn",
                           key));
        return;
    case eProgramNone:
        Problem(FormatText("%s names %s, which is no program Windows can start (error 193)", key,
                           program.c_str()));
        return;
    case eProgram64Bit:
        Warning(FormatText("%s names a 64-bit program: it does not start on 32-bit Windows", key));
        break;
    case eProgramBatch:
        if (kind.strText.find("%~dp0") == std::string::npos)
            Warning(FormatText("%s names a batch file without %%~dp0: setup.exe starts it in the "
                               "system folder, so the package's files are found only through "
                               "%%~dp0",
                               key));
        break;
    case eProgramI386:
        break;
    }
    if (!missing.empty())
        Warning(FormatText("%s starts the %s without %s: setup.exe starts it hidden, and a "
                           "window that waits for a click waits for ever",
                           key, name, missing.c_str()));
}

void CCdFolderCheck::CheckPackage(const char* name, const char* sourceLabel, const char* sourceKey,
                                  const std::string& sourceDir, const char* commandKey,
                                  const std::string& command, const std::string& destDir)
{
    if (IsMissing(sourceKey))
    {
        Line(sourceLabel, "(missing)");
        return;
    }
    Line(sourceLabel, sourceDir);
    if (!IsFolder(sourceDir))
    {
        Problem(FormatText("the %s package folder (%s) is missing: no folder %s", name, sourceKey,
                           sourceDir.c_str()));
        return;
    }
    if (IsMissing(commandKey))
        return;
    if (command.empty())
    {
        Problem(FormatText("%s is empty: setup.exe would have no %s installer to run", commandKey,
                           name));
        return;
    }
    // setup.exe runs the installer from the copy, which holds what the package folder holds.
    std::string program;
    CPackageCopy copy = {sourceDir, destDir.empty() ? sourceDir : destDir};
    if (FindCommandProgram(copy, command, program))
    {
        CheckProgram((std::string(name) + " installer").c_str(), commandKey, program, command);
        return;
    }
    std::string hint;
    if (command[0] == '"')
        hint = " (setup.exe puts the folder in front of the command, so a leading quote ends "
               "up inside the path)";
    Problem(FormatText("the %s installer (%s) is missing: no file %s%s", name, commandKey,
                       program.c_str(), hint.c_str()));
}

void CCdFolderCheck::CheckDestination(const char* label, const char* key, const std::string& dest)
{
    Line(label, DerivedPath(dest, key));
    if (!IsMissing(key) && !IsInStagingRoot(m_roots.strTempDir, dest))
        Problem(FormatText("%s leads out of the folder setup.exe makes for the packages, or "
                           "makes a path too long: setup.exe would copy nothing and run no "
                           "installer there",
                           key));
}

void CCdFolderCheck::CheckApplication()
{
    if (m_config.GetInstallApp() == 0)
    {
        Line("Application", "none: InstallApp is 0, section [APP] is not read");
        Line("Start application at the end", "no");
        return;
    }
    CheckPackage("application", "Application source", "AppSourcePath",
                 m_config.GetAppSourceDir(m_roots), "AppSetupCmd", m_config.GetAppSetupCmd(),
                 m_config.GetAppDestDir(m_roots));
    CheckDestination("Application destination", "AppDestPath", m_config.GetAppDestDir(m_roots));
    Line("Application installer command",
         DerivedPath(m_config.GetAppSetupCmdPath(m_roots), "AppDestPath", "AppSetupCmd"));
    Line("Application version", ValueText("AppVersion", m_config.GetAppVersion()));
    Line("Registry key", IsMissing("AppRegKeyPath")
                             ? std::string("(missing)")
                             : "HKEY_LOCAL_MACHINE\\" + m_config.GetAppRegKeyPath());
    Line("Version value", ValueText("AppRegKeyVersion", m_config.GetAppRegKeyVersion()));

    const char* found = "nowhere: AppType is not 1, 2 or 3";
    if (m_config.GetAppType() == 1)
        found = "\"ExePath\" and \"ExeName\"";
    else if (m_config.GetAppType() == 2 || m_config.GetAppType() == 3)
        found = "\"AppDir\" and \"AppName\"";
    Line("Installed program found by", found);
    Line("Start application at the end", m_config.GetAutoRunApp() != 0 ? "yes" : "no");
    if (m_config.GetAutoRunApp() != 0 && !IsMissing("AppType") && m_config.GetAppType() != 1 &&
        m_config.GetAppType() != 2 && m_config.GetAppType() != 3)
        Warning("AutoRunApp asks to start the application, but with this AppType setup.exe "
                "never finds it");
}

bool CCdFolderCheck::DecideUpdate(const std::string& installedVersion)
{
    std::string label = installedVersion.empty() ? std::string("Update with nothing installed")
                                                 : "Update over installed " + installedVersion;
    if (!m_bLoaded)
    {
        Line(label, "cannot tell: setup.ini does not load");
        return true;
    }
    if (m_config.GetInstallApp() == 0)
    {
        Line(label, "no: the card carries no application");
        return true;
    }

    // IsUpdateNeeded reads the installed version from the registry only, so the version
    // goes into a key of the checker's own, and a copy of setup.ini points there.
    CScratchRegKey key;
    if (!key.IsOpen())
    {
        Line(label, "cannot tell: no key can be written under HKEY_LOCAL_MACHINE "
                    "(run as administrator)");
        return false;
    }
    if (!installedVersion.empty() &&
        !key.SetString(m_config.GetAppRegKeyVersion(), installedVersion))
    {
        Line(label, "cannot tell: the version cannot be written to the registry");
        return false;
    }
    std::string copyPath =
        GetTempDir() +
        FormatText("\\setupcheck%lu.ini", static_cast<unsigned long>(GetCurrentProcessId()));
    CIniReader reader;
    reader.SetPath(m_strIniPath.c_str());
    std::vector<std::pair<std::string, std::string>> changes;
    changes.push_back(std::make_pair(std::string("AppRegKeyPath"), key.Path()));
    bool written = WriteSetupCopy(reader, copyPath, changes);
    CSetupConfig probe;
    bool loaded = written && probe.Load(copyPath);
    DeleteFileA(copyPath.c_str());
    if (!loaded)
    {
        Line(label, "cannot tell: a copy of setup.ini cannot be written to " + copyPath);
        return false;
    }
    if (probe.IsUpdateNeeded())
        Line(label, "yes: setup.exe copies and runs the application installer");
    else
        Line(label, "no: setup.exe keeps the installed application");
    return true;
}

void CCdFolderCheck::Finish()
{
    if (m_nProblems == 0)
        m_strReport += "Result: the CD folder is complete\n";
    else
        m_strReport += FormatText("Result: %d problem%s, the CD folder is not complete\n",
                                  m_nProblems, m_nProblems == 1 ? "" : "s");
}
