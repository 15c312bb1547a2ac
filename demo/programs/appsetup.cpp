// appsetup: the demo card's application installer, which setup.exe runs from the copied
// application package.
//
//   appsetup.exe [/uninstall] [--key SUBKEY] [--dir FOLDER] [--wait MS]
//
// With no installation registered (no "UnInstall" value under HKEY_LOCAL_MACHINE\SUBKEY)
// it installs: copies NorvaneApp.exe from its own folder, and itself as the uninstaller,
// into FOLDER (the folder setup.exe runs it from goes when the run ends) and writes the
// string values Version, "ExePath", "ExeName" and, last, "UnInstall" under the key.
// With an installation registered it removes it instead (the program file, the
// uninstaller, the folder when it is empty, and the four values) and installs nothing, so
// that setup.exe, which then finds "UnInstall" gone, runs it a second time to install.
//
//   /uninstall    only remove the registered installation, if there is one
//   --key SUBKEY  default: the demo CD's AppRegKeyPath (SOFTWARE\Norvane\NorvaneConnect)
//   --dir FOLDER  default: "Norvane Connect" in the Program Files folder; its parent must
//                 exist
//   --wait MS     how long installing and removing each take; default 2000
//
// Exit code 0 when done (also when there was nothing to remove), 1 when a file or a
// registry value could not be written or removed, 2 for an unknown argument. A failed
// installation leaves nothing registered; a failed removal leaves the registration.
#include "DemoValues.h"
#include "handles/UniqueHandle.h"
#include "sys/FormatText.h"
#include "sys/SystemPaths.h"
#include "sys/Trace.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace
{
const char kExeName[] = "NorvaneApp.exe";
const char kUninstallerName[] = "appsetup.exe";
const char kValueExePath[] = "ExePath";
const char kValueExeName[] = "ExeName";
const char kValueUninstall[] = "UnInstall";
const DWORD kDefaultWaitMs = 2000;
// setup.exe reads a value only when it fits in this many bytes with its terminator.
const DWORD kSetupValueSize = MAX_PATH;

struct CInstallerOptions
{
    bool bUninstallOnly;
    std::string strKey;
    std::string strDir;
    DWORD dwWaitMs;
};

std::string DefaultInstallDir()
{
    char programFiles[MAX_PATH] = {0};
    DWORD length = GetEnvironmentVariableA("ProgramFiles", programFiles, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return "C:\\Program Files\\Norvane Connect";
    return std::string(programFiles) + "\\Norvane Connect";
}

bool ParseOptions(CInstallerOptions& options)
{
    options.bUninstallOnly = false;
    options.strKey = DEMO_APP_REG_KEY;
    options.strDir = DefaultInstallDir();
    options.dwWaitMs = kDefaultWaitMs;
    for (int i = 1; i < __argc; ++i)
    {
        const char* arg = __argv[i];
        bool hasValue = i + 1 < __argc;
        if (_stricmp(arg, "/uninstall") == 0)
            options.bUninstallOnly = true;
        else if (strcmp(arg, "--key") == 0 && hasValue)
            options.strKey = __argv[++i];
        else if (strcmp(arg, "--dir") == 0 && hasValue)
            options.strDir = __argv[++i];
        else if (strcmp(arg, "--wait") == 0 && hasValue)
            options.dwWaitMs = strtoul(__argv[++i], NULL, 10);
        else
            return false;
    }
    return true;
}

// Reads a value the way setup.exe does: true only when it fits in 260 bytes.
bool ReadText(HKEY key, const char* name, std::string& text)
{
    BYTE buffer[kSetupValueSize + 1] = {0};
    DWORD size = kSetupValueSize;
    if (RegQueryValueExA(key, name, NULL, NULL, buffer, &size) != ERROR_SUCCESS)
        return false;
    text = reinterpret_cast<const char*>(buffer);
    return true;
}

bool WriteText(HKEY key, const char* name, const std::string& text)
{
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}

// True when the value is gone afterwards, whether or not it was there.
bool DeleteValue(HKEY key, const char* name)
{
    LONG result = RegDeleteValueA(key, name);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

bool DeleteInstallValues(HKEY key)
{
    // "UnInstall" goes first: once it is gone setup.exe no longer sees an installation,
    // whatever else fails.
    bool ok = DeleteValue(key, kValueUninstall);
    ok &= DeleteValue(key, DEMO_APP_REG_VERSION);
    ok &= DeleteValue(key, kValueExePath);
    ok &= DeleteValue(key, kValueExeName);
    return ok;
}

// An installation is registered, for setup.exe, while "UnInstall" reads as a non-empty text.
bool IsInstalled(HKEY key)
{
    std::string entry;
    return ReadText(key, kValueUninstall, entry) && !entry.empty();
}

// The entry setup.exe tests for an installation, naming the uninstaller installed in dir;
// it must stay readable for setup.exe.
std::string UninstallEntry(const std::string& dir)
{
    std::string entry = "\"" + dir + "\\" + kUninstallerName + "\" /uninstall";
    if (entry.size() >= kSetupValueSize)
        entry = std::string(kUninstallerName) + " /uninstall";
    return entry;
}

int Remove(HKEY key, DWORD waitMs)
{
    std::string dir;
    std::string name;
    if (ReadText(key, kValueExePath, dir) && ReadText(key, kValueExeName, name) &&
        _stricmp(name.c_str(), kExeName) == 0)
    {
        std::string program = dir + "\\" + name;
        TraceOut(FormatText("appsetup: removing %s\n", program.c_str()));
        Sleep(waitMs);
        if (!DeleteFileA(program.c_str()) &&
            GetFileAttributesA(program.c_str()) != INVALID_FILE_ATTRIBUTES)
        {
            TraceOut(FormatText("appsetup: cannot delete %s (error %d)\n", program.c_str(),
                                static_cast<int>(GetLastError())));
            return 1;
        }
        // The uninstaller goes too, unless it is this very program; the folder only when
        // nothing else has been put there.
        DeleteFileA((dir + "\\" + kUninstallerName).c_str());
        RemoveDirectoryA(dir.c_str());
    }
    if (!DeleteInstallValues(key))
    {
        TraceOut("appsetup: cannot delete the registry values\n");
        return 1;
    }
    TraceOut("appsetup: previous installation removed\n");
    return 0;
}

int Install(HKEY key, const CInstallerOptions& options)
{
    std::string source = GetModuleDir() + "\\" + kExeName;
    std::string target = options.strDir + "\\" + kExeName;
    TraceOut(FormatText("appsetup: installing Norvane Connect %s into %s\n", DEMO_APP_VERSION,
                        options.strDir.c_str()));
    if (!FileExists(source.c_str()))
    {
        TraceOut(FormatText("appsetup: %s is missing\n", source.c_str()));
        return 1;
    }
    if (!CreateDirectoryA(options.strDir.c_str(), NULL) && GetLastError() != ERROR_ALREADY_EXISTS)
    {
        TraceOut(FormatText("appsetup: cannot create %s (error %d)\n", options.strDir.c_str(),
                            static_cast<int>(GetLastError())));
        return 1;
    }
    Sleep(options.dwWaitMs);
    char self[MAX_PATH] = {0};
    std::string uninstaller = options.strDir + "\\" + kUninstallerName;
    if (!GetModuleFileNameA(NULL, self, MAX_PATH) || !CopyFileA(self, uninstaller.c_str(), FALSE) ||
        !CopyFileA(source.c_str(), target.c_str(), FALSE))
    {
        TraceOut(FormatText("appsetup: cannot copy to %s (error %d)\n", target.c_str(),
                            static_cast<int>(GetLastError())));
        DeleteFileA(uninstaller.c_str());
        RemoveDirectoryA(options.strDir.c_str());
        return 1;
    }
    bool ok = WriteText(key, DEMO_APP_REG_VERSION, DEMO_APP_VERSION) &&
              WriteText(key, kValueExePath, options.strDir) &&
              WriteText(key, kValueExeName, kExeName) &&
              WriteText(key, kValueUninstall, UninstallEntry(options.strDir));
    if (!ok)
    {
        TraceOut("appsetup: cannot write the registry values\n");
        DeleteInstallValues(key);
        DeleteFileA(target.c_str());
        DeleteFileA(uninstaller.c_str());
        RemoveDirectoryA(options.strDir.c_str());
        return 1;
    }
    TraceOut("appsetup: installed\n");
    return 0;
}
} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    CInstallerOptions options;
    if (!ParseOptions(options))
    {
        TraceOut("appsetup: usage: appsetup.exe [/uninstall] [--key SUBKEY] [--dir FOLDER] "
                 "[--wait MS]\n");
        return 2;
    }

    CUniqueHKey key;
    if (options.bUninstallOnly)
    {
        // Nothing to remove when the key is not there.
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, options.strKey.c_str(), 0,
                          KEY_QUERY_VALUE | KEY_SET_VALUE, key.Put()) != ERROR_SUCCESS)
        {
            key.Release(); // what a failed call left there is no key to close
            return 0;
        }
        return IsInstalled(key.Get()) ? Remove(key.Get(), options.dwWaitMs) : 0;
    }

    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, options.strKey.c_str(), 0, NULL,
                        REG_OPTION_NON_VOLATILE, KEY_QUERY_VALUE | KEY_SET_VALUE, NULL, key.Put(),
                        NULL) != ERROR_SUCCESS)
    {
        key.Release();
        TraceOut(
            FormatText("appsetup: cannot open HKEY_LOCAL_MACHINE\\%s\n", options.strKey.c_str()));
        return 1;
    }
    if (IsInstalled(key.Get()))
        return Remove(key.Get(), options.dwWaitMs);
    return Install(key.Get(), options);
}
