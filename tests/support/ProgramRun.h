// Runs a program of the build as the tests' child and collects what it printed.
#pragma once

#include <windows.h>

#include <tlhelp32.h>

#include <string>
#include <vector>

// The exit code of a program that could not be started: no program here ends with it.
const DWORD kProgramNotStarted = 0xFFFFFFFF;

struct CProgramResult
{
    bool bStarted;
    bool bEnded; // false: still running at the time limit, then terminated
    DWORD dwExitCode;
    DWORD dwProcessId;
    std::string strOutput; // standard output and standard error, as bytes
};

// Runs the command line to its end, or for at most timeoutMs. A program that cannot be
// started fails the running test. The output goes through a file, so that a child that
// hangs, or a grandchild that inherited it, cannot block the reader.
CProgramResult RunProgram(const std::string& commandLine, DWORD timeoutMs = INFINITE);

// Every process of the system (of the Wine prefix) just now. A list that cannot be taken
// fails the running test: every check that looks through it would pass without looking.
std::vector<PROCESSENTRY32> RunningProcesses();

// Waits up to timeoutMs for the programs that processId started to end; false when one
// still runs then, or when the processes cannot be listed.
bool WaitForProgramsStartedBy(DWORD processId, DWORD timeoutMs);

// "\"<bin>\\name\" " followed by the arguments.
std::string ProgramCommand(const char* name, const std::string& arguments);
