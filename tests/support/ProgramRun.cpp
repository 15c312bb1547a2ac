#include "tests/support/ProgramRun.h"

#include "handles/UniqueHandle.h"
#include "sys/ProcessStart.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

CProgramResult RunProgram(const std::string& commandLine, DWORD timeoutMs)
{
    CProgramResult result = {false, false, kProgramNotStarted, 0, std::string()};
    CTempFolder folder("run");
    const std::string outputFile = folder / "output.txt";
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), NULL, TRUE};
    CUniqueFile output(CreateFileA(outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL));
    if (!output)
    {
        ADD_FAILURE() << "cannot make " << outputFile << ": error " << GetLastError();
        return result;
    }

    CStartOptions options;
    options.hOutput = output.Get();
    CProcessInfo process;
    if (!StartProcess(commandLine, options, process))
    {
        DWORD error = GetLastError();
        // Under Wine, a loader that gave up says why on the standard error it was given.
        output.Reset();
        ADD_FAILURE() << "cannot start " << commandLine << ": error " << error
                      << "; it wrote: \"" << ReadTextFile(outputFile) << "\"";
        return result;
    }
    result.bStarted = true;
    result.dwProcessId = process.ProcessId();
    output.Reset();

    result.bEnded = WaitForSingleObject(process.Process(), timeoutMs) == WAIT_OBJECT_0;
    if (!result.bEnded)
    {
        TerminateProcess(process.Process(), 0xDEAD);
        WaitForSingleObject(process.Process(), 5000);
    }
    GetExitCodeProcess(process.Process(), &result.dwExitCode);
    process.Close();
    result.strOutput = ReadTextFile(outputFile);
    return result;
}

std::vector<PROCESSENTRY32> RunningProcesses()
{
    std::vector<PROCESSENTRY32> processes;
    // An invalid snapshot is INVALID_HANDLE_VALUE, as with files.
    CUniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof(entry);
    BOOL more = snapshot && Process32First(snapshot.Get(), &entry);
    // There is always one process: the test program itself.
    if (!more)
        ADD_FAILURE() << "the running processes cannot be listed: error " << GetLastError();
    for (; more; more = Process32Next(snapshot.Get(), &entry))
        processes.push_back(entry);
    return processes;
}

bool WaitForProgramsStartedBy(DWORD processId, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    std::vector<PROCESSENTRY32> processes = RunningProcesses();
    if (processes.empty())
        return false;
    for (const PROCESSENTRY32& entry : processes)
    {
        if (entry.th32ParentProcessID != processId)
            continue;
        CUniqueHandle child(OpenProcess(SYNCHRONIZE, FALSE, entry.th32ProcessID));
        DWORD elapsed = GetTickCount() - start;
        if (child && WaitForSingleObject(child.Get(), elapsed < timeoutMs ? timeoutMs - elapsed
                                                                          : 0) != WAIT_OBJECT_0)
            return false;
    }
    return true;
}

std::string ProgramCommand(const char* name, const std::string& arguments)
{
    return "\"" + BuiltProgram(name) + "\" " + arguments;
}
