// Starting a program: the one place a process is created.
#pragma once

#include "handles/UniqueHandle.h"

#include <windows.h>

#include <string>

// How a program starts. The default starts it plainly: the command line's first word is
// the program, no window state is imposed, no handle is passed on, and it runs in this
// process's current folder with its environment and its token.
struct CStartOptions
{
    CStartOptions()
        : pszProgram(NULL), pszCurrentDir(NULL), dwCreationFlags(0), bShowMode(false),
          wShowMode(SW_SHOWDEFAULT), hOutput(NULL), hUserToken(NULL)
    {
    }

    const char* pszProgram;    // the program's file, started whatever the command line says
    const char* pszCurrentDir; // the program's current folder
    DWORD dwCreationFlags;     // CreateProcess's flags, such as DEBUG_ONLY_THIS_PROCESS
    bool bShowMode;            // impose wShowMode on the program's first window
    WORD wShowMode;
    HANDLE hOutput;    // an inheritable handle the program gets as standard output and error
    HANDLE hUserToken; // a primary token to start the program with, and no other
};

// Starts commandLine, of which the system gets a writable copy. With a user token the
// program starts with that token or not at all (never with this process's own), and
// takes nothing else of this process's but the show mode: no program file, current folder
// or output of the caller's. True with both handles in process; false, GetLastError telling why.
bool StartProcess(const std::string& commandLine, const CStartOptions& options,
                  CProcessInfo& process);
