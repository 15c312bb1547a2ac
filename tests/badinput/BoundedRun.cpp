#include "tests/badinput/BoundedRun.h"

#include "fw/UniqueHandle.h"
#include "tests/support/TestFiles.h"

#include <vector>

CBoundedResult RunBounded(const std::string& commandLine, const std::string& outputFile,
                          DWORD timeoutMs)
{
    CBoundedResult result = {false, false, 0, std::string()};
    // A file rather than a pipe: a child that hangs cannot block the reader.
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), NULL, TRUE};
    CUniqueFile output(CreateFileA(outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL));
    if (!output)
        return result;

    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output.Get();
    startup.hStdError = output.Get();
    startup.hStdInput = NULL;
    std::vector<char> writable(commandLine.begin(), commandLine.end());
    writable.push_back('\0');
    CProcessInfo process;
    if (!CreateProcessA(NULL, writable.data(), NULL, NULL, TRUE, 0, NULL, NULL, &startup,
                        process.Put()))
        return result;
    result.bStarted = true;
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
