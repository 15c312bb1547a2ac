// Checks a CD folder as setup.exe will meet it when started from there: setup.ini read
// by setup.exe's own record, the titles and every derived path, and whether each folder
// and program the file names is on the CD. Writes its findings as lines of text.
#pragma once

#include "config/SetupConfig.h"
#include "tools/setupcheck/SetupKeys.h"

#include <string>
#include <vector>

class CCdFolderCheck
{
public:
    explicit CCdFolderCheck(const std::string& cdFolder);

    // Runs every check once; each problem gets a line starting with "PROBLEM:".
    void Check();

    // Adds setup.exe's update decision for an installed version (empty: none installed).
    // False when it could not be asked: the registry key it needs could not be written.
    // Call after Check.
    bool DecideUpdate(const std::string& installedVersion);

    // Adds the closing line, which says whether the folder is complete.
    void Finish();

    const std::string& Report() const { return m_strReport; }
    int Problems() const { return m_nProblems; }

private:
    void Line(const std::string& label, const std::string& value);
    void Problem(const std::string& text);
    void Warning(const std::string& text);
    bool IsMissing(const char* key) const;
    // The value for a report line: "(missing)" or "(empty)" when there is nothing to show.
    std::string ValueText(const char* key, const std::string& value) const;
    // A derived path, or "(missing)" when a key it is made from is missing.
    std::string DerivedPath(const std::string& path, const char* key,
                            const char* otherKey = NULL) const;
    void CheckTitles();
    void CheckPreinstall();
    // What kind of file a command starts: a problem when Windows cannot start it, a
    // warning when an installer of a known kind is not asked to be silent.
    void CheckProgram(const char* name, const char* key, const std::string& program,
                      const std::string& command);
    // One package: its source folder on the CD, and its installer as setup.exe finds it
    // after copying the package to destDir (empty: unknown, taken as the package folder).
    void CheckPackage(const char* name, const char* sourceLabel, const char* sourceKey,
                      const std::string& sourceDir, const char* commandKey,
                      const std::string& command, const std::string& destDir);
    // A destination's line, and a problem when setup.exe would refuse to copy there.
    void CheckDestination(const char* label, const char* key, const std::string& dest);
    void CheckApplication();

    std::string m_strCdDir;
    CInstallRoots m_roots;
    std::string m_strIniPath;
    CSetupConfig m_config;
    bool m_bLoaded;
    std::vector<CSetupKey> m_missingKeys;
    std::string m_strReport;
    int m_nProblems;
};
