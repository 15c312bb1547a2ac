// The demo CD's stand-in programs: the application installer must leave the registry as
// setup.exe expects it (installed after one run, removed after the next), the driver
// installer must report success, and the application must end by itself.
#include "DemoValues.h"
#include "config/IniReader.h"
#include "config/SetupConfig.h"
#include "handles/UniqueHandle.h"
#include "sys/FormatText.h"
#include "sys/ProcessStart.h"
#include "sys/SystemPaths.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TraceMatch.h"
#include "tools/tracecap/TraceCapture.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace
{
// True and the text of a value under HKEY_LOCAL_MACHINE\key; false when it is absent.
bool ReadRegText(const std::string& key, const char* name, std::string& text)
{
    CUniqueHKey hKey;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_QUERY_VALUE, hKey.Put()) !=
        ERROR_SUCCESS)
    {
        hKey.Release();
        return false;
    }
    char buffer[1024] = {0};
    DWORD size = sizeof(buffer) - 1;
    if (RegQueryValueExA(hKey.Get(), name, NULL, NULL, reinterpret_cast<BYTE*>(buffer), &size) !=
        ERROR_SUCCESS)
        return false;
    text = buffer;
    return true;
}

bool KeyExists(const std::string& key)
{
    CUniqueHKey hKey;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_QUERY_VALUE, hKey.Put()) ==
        ERROR_SUCCESS)
        return true;
    hKey.Release();
    return false;
}

std::string DemoCdDir()
{
    std::string bin = GetModuleDir();
    return bin.substr(0, bin.find_last_of('\\')) + "\\demo-cd";
}

struct CWindowSearch
{
    DWORD dwProcessId;
    HWND hFound;
};

BOOL CALLBACK FindVisibleWindowOf(HWND window, LPARAM lParam)
{
    CWindowSearch* search = reinterpret_cast<CWindowSearch*>(lParam);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId != search->dwProcessId || !IsWindowVisible(window))
        return TRUE;
    search->hFound = window;
    return FALSE;
}
} // namespace

class AppSetupTest : public ::testing::Test
{
protected:
    AppSetupTest()
    {
        static LONG counter = 0;
        m_strKey = FormatText("SOFTWARE\\NorvaneTest\\appsetup%lu_%ld",
                              static_cast<unsigned long>(GetCurrentProcessId()),
                              InterlockedIncrement(&counter));
    }

    ~AppSetupTest() override { RegDeleteKeyA(HKEY_LOCAL_MACHINE, m_strKey.c_str()); }

    std::string InstallDir() const { return m_root / "Norvane Connect"; }
    std::string InstalledProgram() const { return InstallDir() + "\\NorvaneApp.exe"; }

    CProgramResult RunInstaller(const std::string& extra = std::string(),
                                const std::string& program = BuiltProgram("appsetup.exe"))
    {
        return RunProgram("\"" + program + "\" " + extra + " --key \"" + m_strKey + "\" --dir \"" +
                          InstallDir() + "\" --wait 0");
    }

    bool Value(const char* name, std::string& text) const
    {
        return ReadRegText(m_strKey, name, text);
    }

    bool HasValue(const char* name) const
    {
        std::string text;
        return Value(name, text);
    }

    void ExpectInstalled()
    {
        EXPECT_TRUE(FileExists(InstalledProgram().c_str()));
        EXPECT_EQ(ReadTextFile(BuiltProgram("NorvaneApp.exe")), ReadTextFile(InstalledProgram()));
        std::string text;
        EXPECT_TRUE(Value(DEMO_APP_REG_VERSION, text));
        EXPECT_EQ(DEMO_APP_VERSION, text);
        EXPECT_TRUE(Value("ExePath", text));
        EXPECT_EQ(InstallDir(), text);
        EXPECT_TRUE(Value("ExeName", text));
        EXPECT_EQ("NorvaneApp.exe", text);
        // The uninstaller where the program is, not in the folder setup.exe removes.
        EXPECT_TRUE(Value("UnInstall", text));
        EXPECT_EQ("\"" + InstallDir() + "\\appsetup.exe\" /uninstall", text);
        EXPECT_TRUE(FileExists((InstallDir() + "\\appsetup.exe").c_str()));
    }

    void ExpectNothingInstalled()
    {
        EXPECT_FALSE(PathExists(InstalledProgram()));
        EXPECT_FALSE(PathExists(InstallDir()));
        for (const char* name : {DEMO_APP_REG_VERSION, "ExePath", "ExeName", "UnInstall"})
            EXPECT_FALSE(HasValue(name)) << name;
    }

    CTempFolder m_root{"pf"};
    std::string m_strKey;
};

TEST_F(AppSetupTest, FirstRunInstallsAndRegisters)
{
    CProgramResult result = RunInstaller();
    ASSERT_TRUE(result.bStarted);
    EXPECT_EQ(0u, result.dwExitCode);
    ExpectInstalled();
}

// What setup.exe reads back after the installer ran: the installed program to start, the
// uninstall entry, and a version equal to the card's, so no second update.
TEST_F(AppSetupTest, SetupFindsWhatTheInstallerRegistered)
{
    ASSERT_EQ(0u, RunInstaller().dwExitCode);
    std::string ini = "[SETUP]\r\nEnglishTitle=t\r\nProductName=p\r\nPreinstall=\r\n"
                      "InstallApp=1\r\nAutoRunApp=1\r\n"
                      "[Driver]\r\nDriverSourcePath=d\r\nDriverDestPath=d\r\nDriverSetupCmd=d\r\n"
                      "[APP]\r\nAppType=1\r\nAppVersion=" DEMO_APP_VERSION "\r\nAppDestPath=a\r\n"
                      "AppSourcePath=a\r\nAppSetupCmd=a\r\nAppRegKeyPath=" +
                      m_strKey + "\r\nAppRegKeyVersion=" DEMO_APP_REG_VERSION "\r\n";
    ASSERT_TRUE(WriteTextFile(m_root / "setup.ini", ini));
    CSetupConfig config;
    ASSERT_TRUE(config.Load(m_root / "setup.ini"));
    EXPECT_EQ(InstalledProgram(), config.GetInstalledAppPath());
    EXPECT_FALSE(config.GetUninstallEntry().empty());
    EXPECT_FALSE(config.IsUpdateNeeded());
}

// setup.exe runs the installer once to remove a registered installation and, when
// "UnInstall" is gone, once more to install.
TEST_F(AppSetupTest, SecondRunRemovesAndThirdInstallsAgain)
{
    ASSERT_EQ(0u, RunInstaller().dwExitCode);
    CProgramResult removal = RunInstaller();
    EXPECT_EQ(0u, removal.dwExitCode);
    ExpectNothingInstalled();

    CProgramResult again = RunInstaller();
    EXPECT_EQ(0u, again.dwExitCode);
    ExpectInstalled();
}

TEST_F(AppSetupTest, UninstallSwitchOnlyRemoves)
{
    EXPECT_EQ(0u, RunInstaller("/uninstall").dwExitCode);
    EXPECT_FALSE(KeyExists(m_strKey));
    ExpectNothingInstalled();

    ASSERT_EQ(0u, RunInstaller().dwExitCode);
    EXPECT_EQ(0u, RunInstaller("/uninstall").dwExitCode);
    ExpectNothingInstalled();
    EXPECT_EQ(0u, RunInstaller("/uninstall").dwExitCode);
    ExpectNothingInstalled();
}

// An installer that cannot copy the program must not register an installation setup.exe
// would then try to start.
TEST_F(AppSetupTest, WithoutTheApplicationBesideItNothingIsRegistered)
{
    ASSERT_TRUE(MakeDirectory(m_root / "package"));
    std::string lonely = m_root / "package\\appsetup.exe";
    ASSERT_TRUE(CopyFileA(BuiltProgram("appsetup.exe").c_str(), lonely.c_str(), FALSE));
    CProgramResult result = RunInstaller("", lonely);
    EXPECT_EQ(1u, result.dwExitCode);
    ExpectNothingInstalled();
}

// A removal that cannot delete the program keeps the registration, so that setup.exe does
// not run the installer a second time over it.
TEST_F(AppSetupTest, FailedRemovalKeepsTheRegistration)
{
    ASSERT_EQ(0u, RunInstaller().dwExitCode);
    CUniqueFile busy(CreateFileA(InstalledProgram().c_str(), GENERIC_READ, FILE_SHARE_READ, NULL,
                                 OPEN_EXISTING, 0, NULL));
    ASSERT_TRUE(static_cast<bool>(busy));
    EXPECT_EQ(1u, RunInstaller().dwExitCode);
    EXPECT_TRUE(HasValue("UnInstall"));
    busy.Reset();
    EXPECT_EQ(0u, RunInstaller().dwExitCode);
    ExpectNothingInstalled();
}

TEST_F(AppSetupTest, RefusesUnknownArguments)
{
    EXPECT_EQ(2u, RunInstaller("--bogus").dwExitCode);
    EXPECT_FALSE(KeyExists(m_strKey));
}

// The installer's built-in version and key come from the demo CD's setup.ini.
TEST(DemoValues, MatchTheDemoSetupIni)
{
    CIniReader reader;
    ASSERT_TRUE(reader.SetPath((DemoCdDir() + "\\setup.ini").c_str()));
    std::string value;
    EXPECT_TRUE(reader.ReadString("APP", "AppVersion", value));
    EXPECT_EQ(DEMO_APP_VERSION, value);
    EXPECT_TRUE(reader.ReadString("APP", "AppRegKeyPath", value));
    EXPECT_EQ(DEMO_APP_REG_KEY, value);
    EXPECT_TRUE(reader.ReadString("APP", "AppRegKeyVersion", value));
    EXPECT_EQ(DEMO_APP_REG_VERSION, value);
}

TEST(DriverSetup, WorksAboutTwoSecondsAndReportsSuccess)
{
    CTraceCapture capture;
    DWORD start = GetTickCount();
    ASSERT_TRUE(capture.Run("\"" + BuiltProgram("drvsetup.exe") + "\" /C", NULL, 30000));
    DWORD elapsed = GetTickCount() - start;
    EXPECT_EQ(0u, capture.ExitCode());
    EXPECT_GE(elapsed, 1900u);
    std::vector<std::string> texts = capture.Texts();
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ("drvsetup: driver installed\n", texts.back());
}

TEST(NorvaneApp, ShowsItsWindowAndEndsByItself)
{
    CProcessInfo process;
    ASSERT_TRUE(
        StartProcess("\"" + BuiltProgram("NorvaneApp.exe") + "\"", CStartOptions(), process));
    DWORD start = GetTickCount();

    CWindowSearch search = {process.ProcessId(), NULL};
    while (!search.hFound && GetTickCount() - start < 3000)
    {
        Sleep(50);
        EnumWindows(FindVisibleWindowOf, reinterpret_cast<LPARAM>(&search));
    }
    ASSERT_TRUE(search.hFound != NULL);
    char caption[64] = {0};
    GetWindowTextA(search.hFound, caption, sizeof(caption));
    EXPECT_STREQ("Norvane Connect", caption);

    DWORD wait = WaitForSingleObject(process.Process(), 15000);
    DWORD elapsed = GetTickCount() - start;
    if (wait != WAIT_OBJECT_0)
        TerminateProcess(process.Process(), 1);
    ASSERT_EQ(WAIT_OBJECT_0, wait);
    EXPECT_GE(elapsed, 3000u);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.Process(), &exitCode);
    EXPECT_EQ(0u, exitCode);
}

// The demo CD as the build lays it out, with the real GBK setup.ini.
TEST(DemoCdCheck, DemoCdIsComplete)
{
    std::string bin = GetModuleDir();
    std::string demoCd = bin.substr(0, bin.find_last_of('\\')) + "\\demo-cd";
    CProgramResult result =
        RunProgram(ProgramCommand("setupcheck.exe", "--installed 1.0 \"" + demoCd + "\""));
    EXPECT_EQ(0u, result.dwExitCode) << result.strOutput;
    EXPECT_EQ(0, CountLines(result.strOutput, "PROBLEM:")) << result.strOutput;
    EXPECT_EQ("诺凡无线上网卡安装程序", ReportValue(result.strOutput, "Title on Chinese systems"));
    EXPECT_EQ("yes: setup.exe copies and runs the application installer",
              ReportValue(result.strOutput, "Update over installed 1.0"));
}
