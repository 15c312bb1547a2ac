/* A minimal debugger loop, like the trace capture's: starts its arguments
 * as a command line under DEBUG_ONLY_THIS_PROCESS and prints every breakpoint,
 * single step, debug string and the exit, then a one-line summary. */
#include <stdio.h>
#include <string.h>
#include <windows.h>

int main(void)
{
    char *cmd = GetCommandLineA();
    STARTUPINFOA si = { sizeof(si) };
    PROCESS_INFORMATION pi;
    DEBUG_EVENT ev;
    int breakpoints = 0, steps = 0, strings = 0, others = 0, int3_ok = -1;
    void *announced = NULL;
    DWORD exit_code = 0;

    if (*cmd == '"') { cmd = strchr(cmd + 1, '"'); cmd = cmd ? cmd + 1 : ""; }
    else while (*cmd && *cmd != ' ') cmd++;
    while (*cmd == ' ') cmd++;

    if (!CreateProcessA(NULL, cmd, NULL, NULL, FALSE, DEBUG_ONLY_THIS_PROCESS, NULL, NULL, &si, &pi))
    {
        printf("CreateProcess failed: %lu\n", GetLastError());
        return 1;
    }
    for (;;)
    {
        DWORD status = DBG_CONTINUE;

        if (!WaitForDebugEvent(&ev, 60000))
        {
            printf("no debug event for 60 s\n");
            return 1;
        }
        if (ev.dwDebugEventCode == CREATE_PROCESS_DEBUG_EVENT) CloseHandle(ev.u.CreateProcessInfo.hFile);
        else if (ev.dwDebugEventCode == LOAD_DLL_DEBUG_EVENT) CloseHandle(ev.u.LoadDll.hFile);
        else if (ev.dwDebugEventCode == EXCEPTION_DEBUG_EVENT)
        {
            EXCEPTION_RECORD *rec = &ev.u.Exception.ExceptionRecord;

            if (rec->ExceptionCode == EXCEPTION_BREAKPOINT)
            {
                breakpoints++;
                printf("breakpoint at %p%s\n", rec->ExceptionAddress,
                       announced && rec->ExceptionAddress == announced ? " (the announced int3)" : "");
                if (announced) int3_ok = rec->ExceptionAddress == announced;
                announced = NULL;
            }
            else if (rec->ExceptionCode == EXCEPTION_SINGLE_STEP)
            {
                steps++;
                printf("single step at %p\n", rec->ExceptionAddress);
            }
            else
            {
                others++;
                printf("exception %08lx at %p first=%lu\n", rec->ExceptionCode, rec->ExceptionAddress,
                       ev.u.Exception.dwFirstChance);
                status = DBG_EXCEPTION_NOT_HANDLED;
            }
        }
        else if (ev.dwDebugEventCode == OUTPUT_DEBUG_STRING_EVENT)
        {
            char buf[512] = "";
            SIZE_T len = ev.u.DebugString.nDebugStringLength, got = 0;
            void *p;

            if (len >= sizeof(buf)) len = sizeof(buf) - 1;
            ReadProcessMemory(pi.hProcess, ev.u.DebugString.lpDebugStringData, buf, len, &got);
            buf[got] = 0;
            strings++;
            printf("string: %s\n", buf);
            if (sscanf(buf, "int3 at %p", &p) == 1) announced = p;
        }
        else if (ev.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT)
        {
            exit_code = ev.u.ExitProcess.dwExitCode;
            printf("exit %lu\n", exit_code);
            ContinueDebugEvent(ev.dwProcessId, ev.dwThreadId, DBG_CONTINUE);
            break;
        }
        fflush(stdout);
        ContinueDebugEvent(ev.dwProcessId, ev.dwThreadId, status);
    }
    printf("summary: breakpoints=%d steps=%d strings=%d other=%d int3_address=%s exit=%lu\n", breakpoints,
           steps, strings, others, int3_ok < 0 ? "n/a" : int3_ok ? "ok" : "WRONG", exit_code);
    return 0;
}
