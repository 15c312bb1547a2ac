// How the paths and commands of setup.ini become full ones: a root, one backslash, the
// field.
#pragma once

#include <string>

// The two roots every path of setup.ini is relative to.
struct CInstallRoots
{
    std::string strModuleDir; // where setup.exe lies: the card's CD-ROM
    std::string strTempDir;   // the temporary directory
};

// The roots of this run: GetModuleDir and GetTempDir, asked anew at every call.
CInstallRoots CurrentRoots();

// A root, exactly one backslash, then the field as it is: nothing is trimmed or tested.
std::string JoinPath(const std::string& root, const std::string& field);

// The command line of a program that setup.ini names by a command (a program and perhaps
// its arguments) relative to dir: JoinPath(dir, command). When dir has a blank, dir and
// the command's first word are quoted together, so that CreateProcess cannot start a
// program named by the part of dir before the blank ("D:\My.exe" for "D:\My Temp\...").
std::string JoinCommand(const std::string& dir, const std::string& command);
