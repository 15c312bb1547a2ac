// The demo CD run by the real setup.exe from a CD-ROM drive letter, as the README's main
// command runs it: a first installation, a second run that finds it up to date, and an
// upgrade over an older version.
#include "handles/UniqueHandle.h"
#include "sys/SystemPaths.h"
#include "tests/support/FreeCdDrive.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/ShippingFile.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TraceMatch.h"
#include "tools/cdmount/CdMount.h"
#include "tools/tracecap/TraceCapture.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

namespace
{
const char kDemoKey[] = "SOFTWARE\\Norvane\\NorvaneConnect";

// Where the demo installer puts the application: the Program Files folder of programs of
// its size, "Program Files (x86)" for a 32-bit one on 64-bit Windows.
std::string InstallDir()
{
    const char* folder = NULL;
    if (SetupRegistryView() == KEY_WOW64_32KEY)
        folder = getenv("ProgramFiles(x86)");
    if (!folder)
        folder = getenv("ProgramFiles");
    return std::string(folder ? folder : "C:\\Program Files") + "\\Norvane Connect";
}

std::string InstalledApp()
{
    return "\"" + InstallDir() + "\\NorvaneApp.exe\"";
}

void SetDemoValue(const char* name, const char* value)
{
    HKEY key = NULL;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kDemoKey, 0, NULL, 0,
                        KEY_SET_VALUE | SetupRegistryView(), NULL, &key, NULL) == ERROR_SUCCESS)
    {
        RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                       static_cast<DWORD>(strlen(value) + 1));
        RegCloseKey(key);
    }
}

std::string GetDemoValue(const char* name)
{
    char buffer[512] = {0};
    DWORD size = sizeof(buffer) - 1;
    HKEY key = NULL;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kDemoKey, 0, KEY_QUERY_VALUE | SetupRegistryView(),
                      &key) != ERROR_SUCCESS)
        return std::string();
    RegQueryValueExA(key, name, NULL, NULL, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    return buffer;
}

// The demo application shows its window for a few seconds and ends; an upgrade cannot
// remove it while it runs, and the test must not leave it behind. False when one still
// runs after 20 s.
bool WaitForDemoApplicationToEnd()
{
    bool ended = true;
    for (const PROCESSENTRY32& entry : RunningProcesses())
    {
        if (_stricmp(entry.szExeFile, "NorvaneApp.exe") != 0)
            continue;
        CUniqueHandle app(OpenProcess(SYNCHRONIZE, FALSE, entry.th32ProcessID));
        if (app && WaitForSingleObject(app.Get(), 20000) != WAIT_OBJECT_0)
            ended = false;
    }
    return ended;
}

size_t CountStarting(const std::vector<std::string>& traces, const std::string& program)
{
    return static_cast<size_t>(std::count_if(traces.begin(), traces.end(),
                                             [&](const std::string& t) {
                                                 return t.compare(0, 9, "开始运行:") == 0 &&
                                                        t.find(program) != std::string::npos;
                                             }));
}

} // namespace

class DemoRun : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        // Start where a PC without the application starts.
        HKEY key = NULL;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kDemoKey, 0, KEY_SET_VALUE | SetupRegistryView(),
                          &key) == ERROR_SUCCESS)
        {
            for (const char* name : {"Version", "ExePath", "ExeName", "UnInstall"})
                RegDeleteValueA(key, name);
            RegCloseKey(key);
        }
        RemoveTree(InstallDir());
    }

    void SetUp() override
    {
        std::string cd = SetupBinDir() + "\\..\\demo-cd";
        ASSERT_TRUE(IsTheShippingSetup(cd + "\\setup.exe"));
        // Each case starts from a PC that never had the card's application.
        DeleteRegistryKey(kDemoKey, SetupRegistryView());
        RemoveTree(InstallDir());
        ASSERT_FALSE(PathExists(InstallDir()));
        m_letter = DefineCdDriveOnFreeLetter(cd);
        ASSERT_NE(0, m_letter);
    }

    void TearDown() override
    {
        EXPECT_TRUE(WaitForDemoApplicationToEnd()) << "NorvaneApp.exe did not end";
        if (m_letter)
            RemoveDriveLetter(m_letter);
    }

    std::vector<std::string> RunDemo()
    {
        CTraceCapture capture;
        EXPECT_TRUE(capture.Run(std::string("\"") + m_letter + ":\\setup.exe\"", NULL, 120000));
        return capture.Texts();
    }

    char m_letter = 0;
};

TEST_F(DemoRun, FirstRunInstallsStartsAndEjects)
{
    std::vector<std::string> traces = RunDemo();
    const std::vector<std::string> expected = {
        std::string("CDROM OBJECT: ") + m_letter + ":\\ \n",
        "Delay Eject CD\n",
        "开始读取置文件\n",
        "配置文件读取成功\n",
        "开始复制驱动\n",
        "开始驱动安装流程\n",
        "驱动可正常使用\n",
        "开始应用安装流程\n",
        "数据卡上的应用版本为：2.1.0\n",
        "本机应用版本较老，需要更新\n",
        "开始安装应用\n",
        "开始退出流程\n",
        "开始运行:" + InstalledApp() + "\n",
        "弹出光盘\n",
    };
    EXPECT_EQ("", FirstMissingInOrder(traces, expected)) << Describe(traces);
    ASSERT_FALSE(traces.empty());
    EXPECT_EQ("弹出光盘\n", traces.back());
    EXPECT_EQ(1u, CountStarting(traces, "appsetup.exe"));
    EXPECT_EQ("2.1.0", GetDemoValue("Version"));
    EXPECT_TRUE(FileExists((InstallDir() + "\\NorvaneApp.exe").c_str()));
}

TEST_F(DemoRun, SecondRunFindsTheApplicationUpToDate)
{
    RunDemo();
    ASSERT_EQ("2.1.0", GetDemoValue("Version")) << "the first run did not install";
    ASSERT_TRUE(WaitForDemoApplicationToEnd());
    std::vector<std::string> traces = RunDemo();
    const std::vector<std::string> expected = {"本机安装的应用版本为：2.1.0\n",
                                               "本机应用版本较新，不需要更新\n", "开始退出流程\n",
                                               "开始运行:" + InstalledApp() + "\n", "弹出光盘\n"};
    EXPECT_EQ("", FirstMissingInOrder(traces, expected)) << Describe(traces);
    EXPECT_EQ(0u, CountStarting(traces, "appsetup.exe"));
}

TEST_F(DemoRun, AnOlderVersionIsRemovedThenInstalled)
{
    RunDemo();
    ASSERT_TRUE(WaitForDemoApplicationToEnd());
    SetDemoValue("Version", "1.0.0");
    std::vector<std::string> traces = RunDemo();
    EXPECT_EQ("", FirstMissingInOrder(traces, {"本机安装的应用版本为：1.0.0\n",
                                               "本机应用版本较老，需要更新\n", "开始安装应用\n",
                                               "开始退出流程\n", "弹出光盘\n"}))
        << Describe(traces);
    EXPECT_EQ(2u, CountStarting(traces, "appsetup.exe")) << "removal, then installation";
    EXPECT_EQ("2.1.0", GetDemoValue("Version"));
}
