// Runs a console program of the build with its output going to a file, for at most a
// given time.
#pragma once

#include <windows.h>

#include <string>

struct CBoundedResult
{
    bool bStarted;
    bool bEnded; // false: still running at the time limit, then terminated
    DWORD dwExitCode;
    std::string strOutput; // standard output and standard error, as bytes
};

CBoundedResult RunBounded(const std::string& commandLine, const std::string& outputFile,
                          DWORD timeoutMs);
