// winesession: starts the session of a Wine prefix - its services, device drivers and
// desktop window - and ends as soon as the desktop is there.
//
//   winesession [--hold]
//
// --hold  leaves a process of its own behind that keeps the desktop in use, so that the
//         desktop stays until the prefix's server is stopped; without it, Wine closes the
//         desktop a moment after the last program that used it has ended.
//
// Wine starts these from the first program of a prefix that needs them, and they inherit
// that program's standard error. Started from a test program whose output a test runner
// reads through a pipe, they would hold the pipe open for as long as the prefix is busy,
// and the runner would wait for them. The build tree's Wine wrapper runs this program first
// with every standard stream on /dev/null.
#include "handles/UniqueHandle.h"
#include "sys/ProcessStart.h"

#include <windows.h>

#include <cstring>
#include <string>

namespace
{
// Starts this program again with the argument given, not waiting for it.
bool StartSelf(const char* argument)
{
    char path[MAX_PATH] = {0};
    if (!GetModuleFileNameA(NULL, path, MAX_PATH))
        return false;
    CProcessInfo process;
    return StartProcess(std::string("\"") + path + "\" " + argument, CStartOptions(), process);
}
} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    // The first call of a prefix starts the desktop process and waits until it is ready.
    if (!GetDesktopWindow())
        return 1;
    if (strcmp(commandLine, "--held") == 0)
    {
        // One holder a prefix is enough.
        CUniqueHandle holder(CreateMutexA(NULL, FALSE, "NorvaneWineSessionHolder"));
        if (holder && GetLastError() != ERROR_ALREADY_EXISTS)
            Sleep(INFINITE);
        return 0;
    }
    if (strcmp(commandLine, "--hold") == 0 && !StartSelf("--held"))
        return 1;
    return 0;
}
