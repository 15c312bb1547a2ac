// Lays out a CD folder (setup.exe, setup.ini, packages holding fakeprog.exe), runs the
// real setup.exe from it as a debugger and keeps its traces.
#pragma once

#include "tests/support/TestFiles.h"
#include "tests/support/TraceMatch.h"
#include "tools/tracecap/TraceCapture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

class SetupRun : public ::testing::Test
{
protected:
    SetupRun();
    ~SetupRun() override;
    // Fails the test when the setup.exe the CD folder holds is not the one that ships.
    void SetUp() override;

    // setup.ini text; "%REG%" stands for this test's registry key, "%LOG%" for the log,
    // "%WORK%" for the work folder, "%UNIQUE%" for a name of this test's own, and, once
    // setup.exe has run, "%STAGE%" for the folder it made its own (StagingRoot).
    void WriteIni(const std::string& text);
    // A package folder below the CD folder with fakeprog.exe copied in as exeName.
    void AddPackage(const std::string& folder, const std::string& exeName);
    // Runs setup.exe from the CD folder until it ends (60 s at most).
    void RunSetup();

    std::vector<std::string> Traces() const { return m_capture.Texts(); }
    // The folder the run made in the Windows folder's Temp to copy packages to, as its
    // traces name it; empty when they name none.
    std::string StagingRoot() const;
    // fakeprog.exe copied into dir as exeName, as an installed application.
    void InstallProgram(const std::string& dir, const std::string& exeName);
    // The fakeprog log lines, in the order the programs started (default: %LOG%).
    std::vector<std::string> LogLines(const std::string& path = std::string()) const;

    // Registry values under this test's key, in the registry view setup.exe reads (or in
    // view, KEY_WOW64_64KEY for the 64-bit one).
    void SetRegValue(const std::string& name, const std::string& value, unsigned long view = 0);
    bool GetRegValue(const std::string& name, std::string& value) const;

    std::string Expand(const std::string& text) const;

    CTempFolder m_cd;   // the CD folder: setup.exe and setup.ini
    CTempFolder m_work; // logs and installed programs
    std::string m_strLog;
    std::string m_strRegKey; // below HKEY_LOCAL_MACHINE
    std::string m_strUnique; // temporary folders are %UNIQUE%_drv and %UNIQUE%_app
    CTraceCapture m_capture;
};
