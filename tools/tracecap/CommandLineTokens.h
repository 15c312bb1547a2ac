// Splits a Windows command line into arguments and remembers where each one starts, so
// that the rest of a command line can be passed on exactly as it was written.
#pragma once

#include <string>
#include <vector>

struct CCommandLineToken
{
    std::string text; // the argument with its quotes removed
    size_t offset;    // where it starts in the command line
};

// Quotes group blanks into one argument; backslashes are kept as they are.
std::vector<CCommandLineToken> SplitCommandLine(const char* commandLine);
