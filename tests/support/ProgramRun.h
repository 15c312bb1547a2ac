// Runs a program of the build as the tests' child and collects what it printed.
#pragma once

#include <windows.h>

#include <string>

struct CProgramResult
{
    bool bStarted;
    DWORD dwExitCode;
    DWORD dwProcessId;
    std::string strOutput; // standard output and standard error, as bytes
};

// Runs the command line to its end; a child that hangs is left to the test's time limit.
CProgramResult RunProgram(const std::string& commandLine);

// "\"<bin>\\name\" " followed by the arguments.
std::string ProgramCommand(const char* name, const std::string& arguments);
