// Starting one outside program and waiting for it to end.
#pragma once

#include <windows.h>

#include <string>

// Starts the command line exactly as given (no program name of its own, no quotes added)
// with only the show mode imposed on the child, and waits up to timeoutMs (INFINITE waits
// without limit). TRUE only when the program ended within the wait, whatever its exit
// code; exitCode then holds that code and stays 0 on every other outcome. A program still
// running at the time-out is left running on its own. Traces what it starts and how it
// ended. With a user token (ChooseApplicationToken) the program starts with that token or
// not at all (ProcessStart.h).
BOOL RunProcess(std::string commandLine, DWORD& exitCode, DWORD timeoutMs, WORD showMode,
                HANDLE userToken = NULL);
