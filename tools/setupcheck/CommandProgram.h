// What Windows makes of the file a command of setup.ini starts, and whether an installer
// of a kind the checker knows is asked to run without a window: setup.exe starts the
// installers hidden, and one that waits for a click waits for ever.
#pragma once

#include <string>

enum EProgramKind
{
    eProgramI386,  // a 32-bit program: starts on every Windows
    eProgram64Bit, // a 64-bit program (x64, ARM64): starts only on such Windows
    eProgramBatch, // .cmd or .bat: started through cmd.exe
    eProgramMsi,   // a Windows Installer package: CreateProcess refuses it (error 193)
    eProgramNone,  // anything else: CreateProcess refuses it (error 193)
};

struct CProgramKind
{
    EProgramKind eKind;
    std::string strInstaller; // "NSIS", "Inno Setup", "InstallShield", "msiexec"; or empty
    std::string strText;      // what a .cmd or .bat holds
};

// False when the file cannot be read.
bool ExamineProgram(const std::string& path, CProgramKind& kind);

// Words of the kind of program, for the report: "32-bit program, NSIS installer".
std::string DescribeProgram(const CProgramKind& kind);

// The switch that keeps an installer of a known kind from waiting for a click, when the
// command (or the .cmd it starts) lacks every one it takes; empty when it has one or the
// kind is unknown.
std::string MissingSilentSwitch(const CProgramKind& kind, const std::string& command);
