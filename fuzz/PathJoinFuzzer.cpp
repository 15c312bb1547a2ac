// The full paths of the setup description and the installed program's path from the
// registry, on roots, fields and registry values of the fuzzer's choice. Every result must
// be a root, one backslash and the field unchanged. Input lines:
//   0 program file name, 1 temporary path (as GetTempPathA gives it),
//   2 Preinstall, 3 DriverSourcePath, 4 DriverDestPath, 5 DriverSetupCmd,
//   6 AppSourcePath, 7 AppDestPath, 8 AppSetupCmd, 9 AppType,
//   10 ExePath, 11 ExeName, 12 AppDir, 13 AppName, 14 UnInstall (the bytes of each value).
// Missing profile lines keep the defaults; missing registry lines are absent values, and
// with fewer than 11 lines the key itself is absent.
#include "FuzzSupport.h"
#include "config/SetupConfig.h"
#include "shim/FakeSystem.h"

#include <string>
#include <vector>

namespace
{
const char* const kFields[][2] = {
    {"SETUP", "Preinstall"},      {"Driver", "DriverSourcePath"},
    {"Driver", "DriverDestPath"}, {"Driver", "DriverSetupCmd"},
    {"APP", "AppSourcePath"},     {"APP", "AppDestPath"},
    {"APP", "AppSetupCmd"},       {"APP", "AppType"},
};
const char* const kRegValues[] = {"ExePath", "ExeName", "AppDir", "AppName", "UnInstall"};
const size_t kFirstField = 2;
const size_t kFirstRegValue = kFirstField + sizeof(kFields) / sizeof(kFields[0]);
const size_t kRegValueCount = sizeof(kRegValues) / sizeof(kRegValues[0]);

// The text before the last backslash of what a path buffer of 260 bytes holds; empty when
// the path does not fit or has no backslash.
std::string ReferenceRoot(const std::string& path)
{
    if (path.size() >= 260)
        return std::string();
    std::string text = path.c_str();
    size_t last = text.rfind('\\');
    return last == std::string::npos ? std::string() : text.substr(0, last);
}

// The installed program's path from a directory value and a name value; empty unless both
// can be read.
std::string ReferenceProgram(const std::vector<std::string>& lines, size_t dirLine)
{
    std::string dir;
    std::string name;
    if (lines.size() <= dirLine + 1 || !ReferenceRegText(lines[dirLine], dir) ||
        !ReferenceRegText(lines[dirLine + 1], name))
        return std::string();
    return dir + "\\" + name;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> lines = SplitLines(data, size);
    for (size_t i = kFirstField; i < kFirstRegValue && i < lines.size(); ++i)
    {
        if (IsSentinelLike(lines[i]))
            return 0;
    }
    FakeReset();
    SetCompleteSetupProfile();
    FakeSetModuleFileName(lines[0]);
    if (lines.size() > 1)
        FakeSetTempPath(lines[1]);
    for (size_t i = kFirstField; i < kFirstRegValue && i < lines.size(); ++i)
        FakeSetProfileString(kFields[i - kFirstField][0], kFields[i - kFirstField][1], lines[i]);
    if (lines.size() > kFirstRegValue)
        FakeAddRegKey(kAppRegKeyPath);
    for (size_t i = kFirstRegValue; i < kFirstRegValue + kRegValueCount && i < lines.size(); ++i)
        FakeSetRegValue(kAppRegKeyPath, kRegValues[i - kFirstRegValue], lines[i]);

    CSetupConfig config;
    FuzzCheck("Load", config.Load("setup.ini"));
    std::string moduleDir = ReferenceRoot(lines[0]);
    std::string tempDir = ReferenceRoot(lines.size() > 1 ? lines[1] : "C:\\TEMP\\");

    const std::string& preinstall = config.GetPreinstall();
    FuzzCheckEqual("GetPreinstallPath", preinstall.empty() ? "" : moduleDir + "\\" + preinstall,
                   config.GetPreinstallPath());
    FuzzCheckEqual("GetDriverSourceDir", moduleDir + "\\" + config.GetDriverSourcePath(),
                   config.GetDriverSourceDir());
    std::string driverDest = tempDir + "\\" + config.GetDriverDestPath();
    FuzzCheckEqual("GetDriverDestDir", driverDest, config.GetDriverDestDir());
    FuzzCheckEqual("GetDriverSetupCmdPath", driverDest + "\\" + config.GetDriverSetupCmd(),
                   config.GetDriverSetupCmdPath());
    FuzzCheckEqual("GetAppSourceDir", moduleDir + "\\" + config.GetAppSourcePath(),
                   config.GetAppSourceDir());
    std::string appDest = tempDir + "\\" + config.GetAppDestPath();
    FuzzCheckEqual("GetAppDestDir", appDest, config.GetAppDestDir());
    FuzzCheckEqual("GetAppSetupCmdPath", appDest + "\\" + config.GetAppSetupCmd(),
                   config.GetAppSetupCmdPath());

    // The fields themselves are the profile's values as the reader keeps them.
    const std::string* const fields[] = {
        &config.GetPreinstall(),     &config.GetDriverSourcePath(), &config.GetDriverDestPath(),
        &config.GetDriverSetupCmd(), &config.GetAppSourcePath(),    &config.GetAppDestPath(),
        &config.GetAppSetupCmd(),
    };
    for (size_t i = 0; i < sizeof(fields) / sizeof(fields[0]); ++i)
    {
        if (kFirstField + i < lines.size())
            FuzzCheckEqual(kFields[i][1], ReferenceProfileText(lines[kFirstField + i]), *fields[i]);
    }

    int appType = config.GetAppType();
    if (lines.size() > kFirstRegValue - 1)
    {
        // The integer reader looks at 99 bytes at most.
        std::string text = lines[kFirstRegValue - 1].c_str();
        FuzzCheckEqual("AppType", std::to_string(ReferenceAtoi(text.substr(0, 99))),
                       std::to_string(appType));
    }
    std::string program;
    if (appType == 1)
        program = ReferenceProgram(lines, kFirstRegValue);
    else if (appType == 2 || appType == 3)
        program = ReferenceProgram(lines, kFirstRegValue + 2);
    FuzzCheckEqual("GetInstalledAppPath", program, config.GetInstalledAppPath());

    std::string uninstall;
    size_t uninstallLine = kFirstRegValue + kRegValueCount - 1;
    if (lines.size() <= uninstallLine || !ReferenceRegText(lines[uninstallLine], uninstall))
        uninstall.clear();
    FuzzCheckEqual("GetUninstallEntry", uninstall, config.GetUninstallEntry());

    FuzzCheckEqual("registry keys left open", "0", std::to_string(FakeOpenKeyCount()));
    FuzzCheckEqual("registry calls on bad handles", "0", std::to_string(FakeBadHandleCount()));
    return 0;
}
