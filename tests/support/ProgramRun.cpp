#include "tests/support/ProgramRun.h"

#include "fw/UniqueHandle.h"
#include "tests/support/TestFiles.h"

#include <vector>

CProgramResult RunProgram(const std::string& commandLine)
{
    CProgramResult result = {false, 0, 0, std::string()};
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), NULL, TRUE};
    CUniqueHandle readEnd;
    CUniqueHandle writeEnd;
    if (!CreatePipe(readEnd.Put(), writeEnd.Put(), &inherit, 0))
        return result;
    SetHandleInformation(readEnd.Get(), HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd.Get();
    startup.hStdError = writeEnd.Get();
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    std::vector<char> writable(commandLine.begin(), commandLine.end());
    writable.push_back('\0');
    CProcessInfo process;
    if (!CreateProcessA(NULL, writable.data(), NULL, NULL, TRUE, 0, NULL, NULL, &startup,
                        process.Put()))
        return result;
    result.bStarted = true;
    result.dwProcessId = process.ProcessId();
    // Only the child holds the write end now, so the pipe ends when the child does.
    writeEnd.Reset();

    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(readEnd.Get(), buffer, sizeof(buffer), &read, NULL) && read > 0)
        result.strOutput.append(buffer, read);
    WaitForSingleObject(process.Process(), INFINITE);
    GetExitCodeProcess(process.Process(), &result.dwExitCode);
    return result;
}

std::string ProgramCommand(const char* name, const std::string& arguments)
{
    return "\"" + BuiltProgram(name) + "\" " + arguments;
}
