#include "sys/ProcessStart.h"

#include "sys/SystemFunction.h"

#include <vector>

namespace
{
typedef BOOL(WINAPI* CreateProcessWithTokenWFn)(HANDLE, DWORD, LPCWSTR, LPWSTR, DWORD, LPVOID,
                                                LPCWSTR, LPSTARTUPINFOW, LPPROCESS_INFORMATION);

// The text in UTF-16, terminated; empty when it cannot be converted.
std::vector<wchar_t> Widen(const char* text)
{
    std::vector<wchar_t> wide;
    if (!text)
        return wide;
    int length = MultiByteToWideChar(CP_ACP, 0, text, -1, NULL, 0);
    if (length <= 0)
        return wide;
    wide.resize(static_cast<size_t>(length));
    if (!MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), length))
        wide.clear();
    return wide;
}

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

// With the user's token: the environment is the user's, made from their profile.
bool StartWithToken(const std::string& commandLine, const CStartOptions& options,
                    CProcessInfo& process)
{
    CreateProcessWithTokenWFn start =
        LookUpSystemFunction<CreateProcessWithTokenWFn>("advapi32.dll", "CreateProcessWithTokenW");
    if (!start || options.hOutput)
        return false;
    std::vector<wchar_t> line = Widen(commandLine.c_str());
    std::vector<wchar_t> program = Widen(options.pszProgram);
    std::vector<wchar_t> currentDir = Widen(options.pszCurrentDir);
    if (line.empty() || (options.pszProgram && program.empty()) ||
        (options.pszCurrentDir && currentDir.empty()))
        return false;
    STARTUPINFOW startup;
    FillStartup(startup, options);
    return start(options.hUserToken, 0, program.empty() ? NULL : program.data(), line.data(),
                 options.dwCreationFlags, NULL, currentDir.empty() ? NULL : currentDir.data(),
                 &startup, process.Put()) != FALSE;
}
} // namespace

bool StartProcess(const std::string& commandLine, const CStartOptions& options,
                  CProcessInfo& process)
{
    if (options.hUserToken && StartWithToken(commandLine, options, process))
        return true;
    STARTUPINFOA startup;
    FillStartup(startup, options);
    std::vector<char> writable(commandLine.begin(), commandLine.end());
    writable.push_back('\0');
    return CreateProcessA(options.pszProgram, writable.data(), NULL, NULL,
                          options.hOutput ? TRUE : FALSE, options.dwCreationFlags, NULL,
                          options.pszCurrentDir, &startup, process.Put()) != FALSE;
}
