// fakeprog: plays any outside program of a setup run in tests (pre-install program,
// driver installer, application installer, installed application).
//
// Every start first appends one line to its log file:
//     cmdline=<full command line>|cwd=<current
//     directory>|show=<wShowWindow>|window=<w>|elevation=<e>
// where <w> tells whether the progress window (class "NorvaneSetup") of the program that
// started this one is visible: 1 visible, 0 hidden, - none; and <e> is the token's
// elevation type: 1 no split token, 2 an elevated administrator's, 3 a filtered one, - unknown.
// then carries out its actions in the order given, and exits with the last --exit code.
//
//   --log FILE             log file; default: fakeprog.log beside the executable
//   --exit N               exit code, decimal or 0x hex (0x80000001 and above allowed)
//   --sleep MS             sleep MS milliseconds
//   --wait-file FILE       wait until FILE exists, for a minute at most
//   --set KEY NAME VALUE   write the string VALUE as NAME under HKEY_LOCAL_MACHINE\KEY
//   --delete KEY NAME      delete the value NAME under HKEY_LOCAL_MACHINE\KEY
//   --delete-key KEY       delete the key HKEY_LOCAL_MACHINE\KEY (no subkeys)
//   --trace TEXT           OutputDebugStringA(TEXT), with \n written as two characters
//                          turned into a line end
//   --raise                raise an exception that the program handles itself, then
//                          trace "handled\n"
//   --crash                die of an access violation nobody handles
//   --touch FILE           create FILE, empty
//   --list FILE            write every file below the program's own folder to FILE, one
//                          "relative path|size in bytes" a line (paths past 259 too)
// Arguments are split as the C runtime splits them (quotes group blanks).
#include "tests/support/LongPathFiles.h"
#include "tests/support/SetupWindow.h"

#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace
{
const DWORD kRaisedCode = 0xE0001234;

LONG CALLBACK HandleOwnException(EXCEPTION_POINTERS* info)
{
    if (info->ExceptionRecord->ExceptionCode == kRaisedCode)
        return EXCEPTION_CONTINUE_EXECUTION;
    return EXCEPTION_CONTINUE_SEARCH;
}

std::string DefaultLogPath()
{
    char path[MAX_PATH] = {0};
    GetModuleFileNameA(NULL, path, MAX_PATH);
    char* slash = strrchr(path, '\\');
    if (slash)
        slash[1] = '\0';
    return std::string(path) + "fakeprog.log";
}

DWORD ParentProcessId()
{
    DWORD self = GetCurrentProcessId();
    DWORD parent = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return 0;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (entry.th32ProcessID == self)
            parent = entry.th32ParentProcessID;
    CloseHandle(snapshot);
    return parent;
}

std::string ElevationType()
{
    HANDLE token = NULL;
    DWORD type = 0;
    DWORD size = 0;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return "-";
    bool known = GetTokenInformation(token, TokenElevationType, &type, sizeof(type), &size);
    CloseHandle(token);
    return known ? std::to_string(type) : "-";
}

void AppendLog(const std::string& logPath)
{
    STARTUPINFOA si;
    ZeroMemory(&si, sizeof(si));
    si.cb = sizeof(si);
    GetStartupInfoA(&si);
    char cwd[MAX_PATH] = {0};
    GetCurrentDirectoryA(MAX_PATH, cwd);
    HWND setupWindow = FindSetupWindowOf(ParentProcessId());
    const char* window = !setupWindow ? "-" : IsWindowVisible(setupWindow) ? "1" : "0";
    std::string line = std::string("cmdline=") + GetCommandLineA() + "|cwd=" + cwd +
                       "|show=" + std::to_string(si.wShowWindow) + "|window=" + window +
                       "|elevation=" + ElevationType() + "\r\n";
    // Several copies may start together; retry while another one holds the file.
    for (int attempt = 0; attempt < 200; ++attempt)
    {
        HANDLE file = CreateFileA(logPath.c_str(), FILE_APPEND_DATA, 0, NULL, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, NULL);
        if (file != INVALID_HANDLE_VALUE)
        {
            DWORD written = 0;
            WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, NULL);
            CloseHandle(file);
            return;
        }
        Sleep(10);
    }
}

void ListOwnFolder(const char* listPath)
{
    std::string dir = DefaultLogPath();
    dir.erase(dir.rfind('\\'));
    std::string listing;
    for (const std::string& name : ListLongFiles(dir))
        listing += name + "|" + std::to_string(ReadLongFile(dir + "\\" + name).size()) + "\r\n";
    WriteLongFile(listPath, listing);
}

std::string Unescape(const char* text)
{
    std::string result;
    for (; *text; ++text)
    {
        if (text[0] == '\\' && text[1] == 'n')
        {
            result += '\n';
            ++text;
        }
        else
            result += *text;
    }
    return result;
}
} // namespace

int main(int argc, char** argv)
{
    std::string logPath = DefaultLogPath();
    for (int i = 1; i + 1 < argc; ++i)
        if (strcmp(argv[i], "--log") == 0)
            logPath = argv[i + 1];
    AppendLog(logPath);

    AddVectoredExceptionHandler(1, HandleOwnException);
    DWORD exitCode = 0;
    for (int i = 1; i < argc; ++i)
    {
        std::string arg = argv[i];
        bool has1 = i + 1 < argc;
        bool has2 = i + 2 < argc;
        bool has3 = i + 3 < argc;
        if (arg == "--log" && has1)
            ++i;
        else if (arg == "--exit" && has1)
            exitCode = static_cast<DWORD>(strtoul(argv[++i], NULL, 0));
        else if (arg == "--sleep" && has1)
            Sleep(static_cast<DWORD>(strtoul(argv[++i], NULL, 0)));
        else if (arg == "--wait-file" && has1)
        {
            const char* file = argv[++i];
            for (int waited = 0;
                 waited < 60000 && GetFileAttributesA(file) == INVALID_FILE_ATTRIBUTES;
                 waited += 50)
                Sleep(50);
        }
        else if (arg == "--set" && has3)
        {
            HKEY key = NULL;
            if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, argv[i + 1], 0, NULL, 0, KEY_SET_VALUE, NULL,
                                &key, NULL) == ERROR_SUCCESS)
            {
                RegSetValueExA(key, argv[i + 2], 0, REG_SZ,
                               reinterpret_cast<const BYTE*>(argv[i + 3]),
                               static_cast<DWORD>(strlen(argv[i + 3]) + 1));
                RegCloseKey(key);
            }
            i += 3;
        }
        else if (arg == "--delete" && has2)
        {
            HKEY key = NULL;
            if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, argv[i + 1], 0, KEY_SET_VALUE, &key) ==
                ERROR_SUCCESS)
            {
                RegDeleteValueA(key, argv[i + 2]);
                RegCloseKey(key);
            }
            i += 2;
        }
        else if (arg == "--delete-key" && has1)
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, argv[++i]);
        else if (arg == "--trace" && has1)
            OutputDebugStringA(Unescape(argv[++i]).c_str());
        else if (arg == "--raise")
        {
            RaiseException(kRaisedCode, 0, 0, NULL);
            OutputDebugStringA("handled\n");
        }
        else if (arg == "--crash")
        {
            volatile int* nowhere = NULL;
            *nowhere = 1;
        }
        else if (arg == "--list" && has1)
            ListOwnFolder(argv[++i]);
        else if (arg == "--touch" && has1)
        {
            HANDLE file = CreateFileA(argv[++i], GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, NULL);
            if (file != INVALID_HANDLE_VALUE)
                CloseHandle(file);
        }
    }
    return static_cast<int>(exitCode);
}
