#include "sys/ProcessStart.h"

#include "sys/CodePageText.h"
#include "sys/SystemFunction.h"

#include <vector>

namespace
{
typedef BOOL(WINAPI* CreateProcessWithTokenWFn)(HANDLE, DWORD, LPCWSTR, LPWSTR, DWORD, LPVOID,
                                                LPCWSTR, LPSTARTUPINFOW, LPPROCESS_INFORMATION);
typedef BOOL(WINAPI* CreateProcessAsUserWFn)(HANDLE, LPCWSTR, LPWSTR, LPSECURITY_ATTRIBUTES,
                                             LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID, LPCWSTR,
                                             LPSTARTUPINFOW, LPPROCESS_INFORMATION);

template <typename StartupInfo> void FillStartup(StartupInfo& startup, const CStartOptions& options)
{
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    if (options.bShowMode)
    {
        startup.dwFlags |= STARTF_USESHOWWINDOW;
        startup.wShowWindow = options.wShowMode;
    }
    if (options.hOutput)
    {
        startup.dwFlags |= STARTF_USESTDHANDLES;
        startup.hStdInput = NULL;
        startup.hStdOutput = options.hOutput;
        startup.hStdError = options.hOutput;
    }
}

// Only ever with the token given: CreateProcessAsUserW where this process may give a
// program another token (a service may; an administrator may not, and Wine's way of
// starting with a token is this one), else CreateProcessWithTokenW (Vista and later, the
// Secondary Logon service), whose program gets the environment of the token's user.
bool StartWithToken(const std::string& commandLine, const CStartOptions& options,
                    CProcessInfo& process)
{
    // Nothing of this process's but the show mode reaches such a program.
    std::wstring line = ToWide(commandLine);
    if (line.empty() || options.pszProgram || options.pszCurrentDir || options.hOutput)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    STARTUPINFOW startup;
    FillStartup(startup, options);
    CreateProcessAsUserWFn asUser =
        LookUpSystemFunction<CreateProcessAsUserWFn>("advapi32.dll", "CreateProcessAsUserW");
    if (asUser && asUser(options.hUserToken, NULL, &line[0], NULL, NULL, FALSE,
                         options.dwCreationFlags, NULL, NULL, &startup, process.Put()))
        return true;
    CreateProcessWithTokenWFn withToken =
        LookUpSystemFunction<CreateProcessWithTokenWFn>("advapi32.dll", "CreateProcessWithTokenW");
    if (!withToken)
    {
        if (!asUser)
            SetLastError(ERROR_PROC_NOT_FOUND);
        return false;
    }
    // The first attempt may have changed the command line in place.
    line = ToWide(commandLine);
    return withToken(options.hUserToken, 0, NULL, &line[0], options.dwCreationFlags, NULL, NULL,
                     &startup, process.Put()) != FALSE;
}
} // namespace

bool StartProcess(const std::string& commandLine, const CStartOptions& options,
                  CProcessInfo& process)
{
    if (options.hUserToken)
        return StartWithToken(commandLine, options, process);
    STARTUPINFOA startup;
    FillStartup(startup, options);
    std::vector<char> writable(commandLine.begin(), commandLine.end());
    writable.push_back('\0');
    return CreateProcessA(options.pszProgram, writable.data(), NULL, NULL,
                          options.hOutput ? TRUE : FALSE, options.dwCreationFlags, NULL,
                          options.pszCurrentDir, &startup, process.Put()) != FALSE;
}
