#include "sys/ProcessLauncher.h"

#include "handles/UniqueHandle.h"
#include "sys/FormatText.h"
#include "sys/ProcessStart.h"
#include "sys/Trace.h"
#include "sys/TraceTexts.h"

BOOL RunProcess(std::string commandLine, DWORD& exitCode, DWORD timeoutMs, WORD showMode,
                HANDLE userToken)
{
    CStartOptions options;
    options.bShowMode = true;
    options.wShowMode = showMode;
    options.hUserToken = userToken;
    CProcessInfo process;

    exitCode = 0;
    TraceOut(FormatText(kTraceRunStart, commandLine.c_str()));
    if (commandLine.empty())
    {
        TraceOut(kTraceRunEmpty);
        return FALSE;
    }

    bool created = StartProcess(commandLine, options, process);
    DWORD createError = GetLastError();
    // Lets the new program get going before this thread starts waiting on it.
    Sleep(0);
    if (!created)
    {
        TraceOut(
            FormatText(kTraceRunNotCreated, commandLine.c_str(), static_cast<int>(createError)));
        return FALSE;
    }

    BOOL result = FALSE;
    switch (WaitForSingleObject(process.Process(), timeoutMs))
    {
    case WAIT_OBJECT_0:
        GetExitCodeProcess(process.Process(), &exitCode);
        TraceOut(FormatText(kTraceRunEnded, commandLine.c_str(), static_cast<int>(exitCode)));
        result = TRUE;
        break;
    case WAIT_ABANDONED:
        TraceOut(FormatText(kTraceRunAbandoned, commandLine.c_str()));
        break;
    case WAIT_TIMEOUT:
        TraceOut(FormatText(kTraceRunTimedOut, commandLine.c_str()));
        break;
    default:
        TraceOut(FormatText(kTraceRunWaitFailed, commandLine.c_str()));
        break;
    }
    // The thread handle goes first, then the process handle; the program itself is never
    // stopped.
    process.Close();
    return result;
}
