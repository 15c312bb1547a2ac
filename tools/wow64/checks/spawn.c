/* Runs the command line given as arguments with CreateProcess, waits for it
 * and exits with its exit code; built 32- and 64-bit to cross both ways. */
#include <stdio.h>
#include <string.h>
#include <windows.h>

int main(void)
{
    char *cmd = GetCommandLineA();
    STARTUPINFOA si = { sizeof(si) };
    PROCESS_INFORMATION pi;
    DWORD code = 0;

    /* skip our own name, quoted or not */
    if (*cmd == '"') { cmd = strchr(cmd + 1, '"'); cmd = cmd ? cmd + 1 : ""; }
    else while (*cmd && *cmd != ' ') cmd++;
    while (*cmd == ' ') cmd++;

    printf("spawn (%d-bit) starting: %s\n", (int)(sizeof(void *) * 8), cmd);
    fflush(stdout);
    if (!CreateProcessA(NULL, cmd, NULL, NULL, TRUE, 0, NULL, NULL, &si, &pi))
    {
        printf("CreateProcess failed: %lu\n", GetLastError());
        return 1;
    }
    WaitForSingleObject(pi.hProcess, INFINITE);
    GetExitCodeProcess(pi.hProcess, &code);
    printf("spawn (%d-bit) child exit code %lu\n", (int)(sizeof(void *) * 8), code);
    return (int)code;
}
