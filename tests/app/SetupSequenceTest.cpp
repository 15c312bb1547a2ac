// The real setup.exe, run from CD folders laid out by the tests, read through its traces
// and through the log of the programs it starts.
#include "tests/app/SetupRunFixture.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/SetupWindow.h"

#include "handles/UniqueHandle.h"
#include "sys/FormatText.h"
#include "sys/StagingFolder.h"
#include "sys/SystemPaths.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <set>
#include <thread>

namespace
{
bool IsChinese()
{
    return TestLanguage() == "zh";
}

const char kFullIni[] = "[SETUP]\r\n"
                        "EnglishTitle=Norvane Card\r\n"
                        "ChineseTitle=诺文上网卡\r\n"
                        "ProductName=Norvane\r\n"
                        "Preinstall=%PRE%\r\n"
                        "InstallApp=%INSTALLAPP%\r\n"
                        "AutoRunApp=1\r\n"
                        "[Driver]\r\n"
                        "DriverSourcePath=driver\r\n"
                        "DriverDestPath=%UNIQUE%_drv\r\n"
                        "DriverSetupCmd=drvsetup.exe --log %LOG% --exit %DRVEXIT%\r\n"
                        "[APP]\r\n"
                        "AppType=1\r\n"
                        "AppVersion=1.2.3\r\n"
                        "AppDestPath=%UNIQUE%_app\r\n"
                        "AppSourcePath=app\r\n"
                        "AppSetupCmd=appsetup.exe --log %LOG% %APPARGS%\r\n"
                        "AppRegKeyPath=%REG%\r\n"
                        "AppRegKeyVersion=Version\r\n";

// The values a real application installer leaves behind.
const char kInstallerWrites[] = "--set %REG% Version 1.2.3 --set %REG% ExePath %WORK%\\installed "
                                "--set %REG% ExeName app.exe --set %REG% UnInstall uninst.exe";

} // namespace

class SetupSequence : public SetupRun
{
protected:
    SetupSequence() { m_strIni = kFullIni; }

    void Set(const std::string& placeholder, const std::string& value)
    {
        m_strIni = ReplaceAll(m_strIni, placeholder, value);
    }

    // The CD folder with both packages and the installed program's folder.
    void LayOut()
    {
        // What a test did not set takes the values of a plain first installation.
        Set("%PRE%", "");
        Set("%INSTALLAPP%", "1");
        Set("%DRVEXIT%", "0");
        Set("%APPARGS%", kInstallerWrites);
        WriteIni(m_strIni);
        AddPackage("driver", "drvsetup.exe");
        AddPackage("app", "appsetup.exe");
        InstallProgram(m_work / "installed", "app.exe");
    }

    std::string DriverSource() const { return m_cd / "driver"; }
    std::string DriverDest() const { return StagingRoot() + "\\" + m_strUnique + "_drv"; }
    std::string AppSource() const { return m_cd / "app"; }
    std::string AppDest() const { return StagingRoot() + "\\" + m_strUnique + "_app"; }
    std::string DriverCmd() const
    {
        return DriverDest() + "\\" + Expand("drvsetup.exe --log %LOG% --exit 0");
    }
    std::string AppCmd() const
    {
        return AppDest() + "\\" +
               Expand("appsetup.exe --log %LOG% " + std::string(kInstallerWrites));
    }
    std::string InstalledApp() const { return m_work / "installed\\app.exe"; }

    // What every run from the hard disk traces before the sequence: the window found no CD.
    std::vector<std::string> WindowStart() const
    {
        std::string root = m_cd.Path().substr(0, 2) + "\\";
        return {"CDROM OBJECT: " + root + " \n", "Open CD CreateFile Failed\n"};
    }

    std::string m_strIni;
};

TEST_F(SetupSequence, WithoutSetupIniItEndsAtOnceAndKeepsTheCd)
{
    RunSetup();
    std::vector<std::string> expected = WindowStart();
    expected.push_back("开始读取置文件\n");
    expected.push_back("光盘已经被过滤驱动弹出。\n");
    EXPECT_EQ(expected, Traces()) << Describe(Traces());
    EXPECT_EQ(0u, m_capture.ExitCode());
}

TEST_F(SetupSequence, AMissingRequiredKeyStopsBeforeAnythingIsCopiedOrRun)
{
    Set("Preinstall=%PRE%\r\n", "");
    LayOut();
    RunSetup();
    std::vector<std::string> expected = WindowStart();
    expected.push_back("开始读取置文件\n");
    expected.push_back("配置文件读取失败,安装程序退出\n");
    EXPECT_EQ(expected, Traces()) << Describe(Traces());
    EXPECT_TRUE(LogLines().empty());
}

TEST_F(SetupSequence, AFullFirstInstallation)
{
    LayOut();
    RunSetup();
    std::vector<std::string> expected = WindowStart();
    const std::vector<std::string> sequence = {
        "开始读取置文件\n",
        "配置文件读取成功\n",
        "开始复制驱动\n",
        TraceCopyStart(DriverSource(), DriverDest()),
        TraceCopyEnd(DriverSource(), DriverDest(), 1),
        "开始驱动安装流程\n",
        TraceStartRun(DriverCmd()),
        TraceRunEnded(DriverCmd(), 0),
        "驱动可正常使用\n",
        "开始应用安装流程\n",
        "数据卡上的应用版本为：1.2.3\n",
        "本机安装的应用版本为：\n",
        "大小3,1\n",
        "本机应用版本较老，需要更新\n",
        TraceCopyStart(AppSource(), AppDest()),
        TraceCopyEnd(AppSource(), AppDest(), 1),
        "开始安装应用\n",
        TraceStartRun(AppCmd()),
        TraceRunEnded(AppCmd(), 0),
        "开始退出流程\n",
        TraceStartRun(InstalledApp()),
        TraceRunTimedOut(InstalledApp()),
        "弹出光盘\n",
    };
    expected.insert(expected.end(), sequence.begin(), sequence.end());
    EXPECT_EQ(expected, Traces()) << Describe(Traces());

    // Each program ran once, hidden or shown as asked, from the system directory, never
    // while the progress window was visible, the installers as administrator; the packages
    // went below a folder of the run's own in the Windows folder's Temp, gone at the end.
    std::vector<std::string> log = LogLines();
    ASSERT_EQ(2u, log.size());
    std::string tail = "|cwd=" + GetSystemDir() + "|show=0|window=0|elevation=2";
    EXPECT_EQ("cmdline=" + DriverCmd() + tail, log[0]);
    EXPECT_EQ("cmdline=" + AppCmd() + tail, log[1]);
    EXPECT_EQ(WindowsTempDir() + "\\NorvaneSetup.",
              StagingRoot().substr(0, WindowsTempDir().size() + 14));
    EXPECT_FALSE(PathExists(StagingRoot())) << "left behind";

    // The application with the user's rights, never the elevated administrator's token the
    // run holds (Wine 8 gives the filtered one, 3; Wine 10 a token of no split, 1).
    std::string appLog = m_work / "installed\\fakeprog.log";
    ASSERT_TRUE(WaitForProgramsStartedBy(m_capture.ProcessId(), 20000));
    std::vector<std::string> started = LogLines(appLog);
    ASSERT_EQ(1u, started.size());
    EXPECT_EQ("cmdline=" + InstalledApp() + "|cwd=" + GetSystemDir() + "|show=1",
              started[0].substr(0, started[0].find("|window")));
    EXPECT_NE("2", LogField(started[0], "elevation")) << started[0];
    EXPECT_NE("<missing>", LogField(started[0], "elevation")) << started[0];
}

TEST_F(SetupSequence, ThePreinstallProgramRunsShownFromTheSystemDirectory)
{
    Set("Preinstall=%PRE%\r\n", "Preinstall=pre\\prep.exe --log %LOG% --exit 5\r\n");
    Set("%INSTALLAPP%", "0");
    LayOut();
    AddPackage("pre", "prep.exe");
    RunSetup();
    std::string command = m_cd / Expand("pre\\prep.exe --log %LOG% --exit 5");
    std::vector<std::string> traces = Traces();
    const std::vector<std::string> expected = {"执行前置程序\n", TraceStartRun(command),
                                               TraceRunEnded(command, 5), "开始复制驱动\n"};
    auto at = std::search(traces.begin(), traces.end(), expected.begin(), expected.end());
    EXPECT_NE(traces.end(), at) << Describe(traces);
    std::vector<std::string> log = LogLines();
    ASSERT_EQ(2u, log.size());
    EXPECT_EQ("cmdline=" + command + "|cwd=" + GetSystemDir() + "|show=5|window=0|elevation=2",
              log[0])
        << "its exit code does not matter";
}

TEST_F(SetupSequence, AnEmptyPreinstallRunsNothing)
{
    Set("%INSTALLAPP%", "0");
    LayOut();
    RunSetup();
    EXPECT_FALSE(Contains(Traces(), "执行前置程序\n"));
    EXPECT_EQ(1u, LogLines().size());
}

TEST_F(SetupSequence, ADriverInstallerExitingWith3StopsTheRunAndKeepsTheCd)
{
    Set("%DRVEXIT%", "3");
    LayOut();
    RunSetup();
    std::vector<std::string> traces = Traces();
    ASSERT_FALSE(traces.empty());
    EXPECT_EQ("驱动模块返回不可使用:3\n", traces.back()) << Describe(traces);
    EXPECT_FALSE(Contains(traces, "弹出光盘\n"));
    EXPECT_EQ(1u, LogLines().size()) << "the application is not considered";
    EXPECT_EQ(0u, m_capture.ExitCode());
}

TEST_F(SetupSequence, AMissingDriverInstallerFailsTheDriverStep)
{
    Set("drvsetup.exe --log", "nosuch.exe --log");
    LayOut();
    RunSetup();
    std::string command = DriverDest() + "\\" + Expand("nosuch.exe --log %LOG% --exit 0");
    std::vector<std::string> traces = Traces();
    ASSERT_GE(traces.size(), 2u);
    EXPECT_EQ(FormatText("运行%s失败,错误号:%d\n", command.c_str(), 2), traces[traces.size() - 2]);
    EXPECT_EQ("驱动安装模块执行失败\n", traces.back());
    EXPECT_TRUE(LogLines().empty());
}

TEST_F(SetupSequence, NoApplicationMeansNoAutorunButAnEject)
{
    Set("%INSTALLAPP%", "0"); // AutoRunApp=1 stays in the file
    LayOut();
    SetRegValue("ExePath", m_work / "installed");
    SetRegValue("ExeName", "app.exe");
    RunSetup();
    std::vector<std::string> traces = Traces();
    ASSERT_GE(traces.size(), 2u);
    EXPECT_EQ("不需要安装应用\n", traces[traces.size() - 2]) << Describe(traces);
    EXPECT_EQ("弹出光盘\n", traces.back());
    EXPECT_FALSE(Contains(traces, "开始退出流程\n"));
    // Every start is traced before the program is created: autorun started nothing.
    EXPECT_FALSE(Contains(traces, TraceStartRun(InstalledApp()))) << "autorun must not start";
    EXPECT_EQ(1u, LogLines().size()) << "only the driver installer ran";
}

TEST_F(SetupSequence, AnEqualInstalledVersionIsNotReinstalledButStarted)
{
    LayOut();
    SetRegValue("Version", "1.2.3");
    SetRegValue("ExePath", m_work / "installed");
    SetRegValue("ExeName", "app.exe");
    SetRegValue("UnInstall", "uninst.exe");
    RunSetup();
    std::vector<std::string> traces = Traces();
    const std::vector<std::string> expected = {"数据卡上的应用版本为：1.2.3\n",
                                               "本机安装的应用版本为：1.2.3\n",
                                               "大小3,3\n",
                                               "本机应用版本较新，不需要更新\n",
                                               "开始退出流程\n",
                                               TraceStartRun(InstalledApp()),
                                               TraceRunTimedOut(InstalledApp()),
                                               "弹出光盘\n"};
    ASSERT_GE(traces.size(), expected.size());
    EXPECT_EQ(expected, std::vector<std::string>(traces.end() - expected.size(), traces.end()))
        << Describe(traces);
    EXPECT_EQ(1u, LogLines().size()) << "only the driver installer ran";
    EXPECT_FALSE(Contains(traces, TraceCopyStart(AppSource(), AppDest()))) << "copied";
}

// A 64-bit application installer registers where a 32-bit program does not look on 64-bit
// Windows; setup.exe looks there when its own view lacks the key.
TEST_F(SetupSequence, AnApplicationRegisteredInThe64BitViewIsFound)
{
    LayOut();
    const unsigned long view64 = KEY_WOW64_64KEY;
    SetRegValue("Version", "1.2.3", view64);
    SetRegValue("ExePath", m_work / "installed", view64);
    SetRegValue("ExeName", "app.exe", view64);
    RunSetup();
    std::vector<std::string> traces = Traces();
    EXPECT_TRUE(Contains(traces, "本机安装的应用版本为：1.2.3\n")) << Describe(traces);
    EXPECT_TRUE(Contains(traces, TraceStartRun(InstalledApp()))) << Describe(traces);
    EXPECT_EQ(1u, LogLines().size()) << "only the driver installer ran";
}

// A blank in a folder setup.exe puts in front of an installer would let CreateProcess start
// "<folder>\<name>.exe" first: the folder and the installer are quoted together.
TEST_F(SetupSequence, ADestinationWithABlankIsQuotedWithItsInstaller)
{
    Set("DriverDestPath=%UNIQUE%_drv", "DriverDestPath=%UNIQUE% drv");
    LayOut();
    RunSetup();
    std::string command = "\"" + StagingRoot() + "\\" + m_strUnique + " drv\\drvsetup.exe\"" +
                          Expand(" --log %LOG% --exit 0");
    EXPECT_TRUE(Contains(Traces(), TraceRunEnded(command, 0))) << Describe(Traces());
    std::vector<std::string> log = LogLines();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(0u, log[0].find("cmdline=" + command + "|")) << log[0];
}

// While an installer runs, nobody can rename its folder or the run's own (a normal user may
// rename what lies in their temporary directory, never these); what another program left
// where the temporary directory would hold the copy is neither run nor touched.
TEST_F(SetupSequence, TheRunsFoldersCannotBeRenamedWhileAnInstallerRuns)
{
    const std::string started = m_work / "started";
    const std::string go = m_work / "go";
    Set("--exit %DRVEXIT%", "--touch " + started + " --wait-file " + go + " --exit 0");
    Set("%INSTALLAPP%", "0");
    LayOut();
    const std::string planted = GetTempDir() + "\\" + m_strUnique + "_drv";
    InstallProgram(planted, "drvsetup.exe");
    CUniqueFile held(CreateFileA((planted + "\\drvsetup.exe").c_str(), GENERIC_READ,
                                 FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL));
    ASSERT_TRUE(held);

    std::vector<std::pair<std::string, DWORD>> renames; // folder, error of the attempt
    std::thread renamer(
        [&]()
        {
            for (int waited = 0; waited < 30000 && !PathExists(started); waited += 20)
                Sleep(20);
            std::vector<std::string> log = LogLines();
            if (!log.empty())
            {
                // The driver installer's own folder, and the run's folder above it.
                std::string folder = log[0].substr(8, log[0].find("\\drvsetup.exe") - 8);
                for (const std::string& path : {folder, folder.substr(0, folder.rfind('\\'))})
                {
                    BOOL moved = MoveFileA(path.c_str(), (path + "x").c_str());
                    renames.push_back(std::make_pair(path, moved ? 0 : GetLastError()));
                }
            }
            WriteTextFile(go, "");
        });
    RunSetup();
    renamer.join();
    held.Reset();

    ASSERT_EQ(2u, renames.size()) << Describe(Traces());
    EXPECT_EQ(DriverDest(), renames[0].first);
    EXPECT_EQ(StagingRoot(), renames[1].first);
    for (const auto& rename : renames)
        EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), rename.second) << rename.first;
    EXPECT_TRUE(Contains(Traces(), "弹出光盘\n")) << Describe(Traces());
    EXPECT_EQ(1u, LogLines().size());
    EXPECT_FALSE(PathExists(planted + "\\fakeprog.log")) << "the planted installer ran";
    EXPECT_TRUE(FileExists((planted + "\\drvsetup.exe").c_str()));
    RemoveTree(planted);
}

// With no folder of its own to copy to, nothing is copied or run: the driver step ends as
// when its installer cannot be started, and the CD stays.
TEST_F(SetupSequence, ARunFolderThatCannotBeMadeRunsNoInstaller)
{
    LayOut();
    const std::string temp = WindowsTempDir();
    ASSERT_TRUE(MoveFileA(temp.c_str(), (temp + ".away").c_str()));
    bool blocked = WriteTextFile(temp, "not a folder");
    RunSetup();
    DeleteFileA(temp.c_str());
    ASSERT_TRUE(MoveFileA((temp + ".away").c_str(), temp.c_str()));
    ASSERT_TRUE(blocked);

    std::vector<std::string> traces = Traces();
    const std::vector<std::string> expected = {
        "开始复制驱动\n", "无法建立安装用的临时目录" + temp + "\\NorvaneSetup.*",
        TraceCopyEnd(DriverSource(), "\\" + m_strUnique + "_drv", 0), "驱动安装模块执行失败\n"};
    EXPECT_EQ("", Cp936ToUtf8(FirstMissingInOrder(traces, expected))) << Describe(traces);
    ASSERT_FALSE(traces.empty());
    EXPECT_EQ(expected.back(), traces.back());
    EXPECT_TRUE(LogLines().empty()) << "an installer ran";
    EXPECT_FALSE(Contains(traces, "弹出光盘\n"));
}

TEST_F(SetupSequence, AnInstallerThatKeepsThePreviousInstallationRunsOnce)
{
    LayOut();
    SetRegValue("Version", "1.0");
    SetRegValue("UnInstall", "old-uninstall.exe");
    RunSetup();
    EXPECT_EQ(2u, LogLines().size()) << Describe(Traces()); // driver + one installer run
}

TEST_F(SetupSequence, AnInstallerThatRemovesThePreviousInstallationRunsTwice)
{
    Set("%APPARGS%", "--delete %REG% UnInstall");
    LayOut();
    SetRegValue("Version", "1.0");
    SetRegValue("UnInstall", "old-uninstall.exe");
    RunSetup();
    std::vector<std::string> log = LogLines();
    ASSERT_EQ(3u, log.size()) << Describe(Traces());
    EXPECT_EQ(log[1], log[2]) << "the same command twice";
}

TEST_F(SetupSequence, NoExePathMeansNothingToStartButStillAnEject)
{
    Set("%APPARGS%", "--set %REG% Version 1.2.3");
    LayOut();
    RunSetup();
    std::vector<std::string> traces = Traces();
    ASSERT_GE(traces.size(), 3u);
    EXPECT_EQ("开始退出流程\n", traces[traces.size() - 3]) << Describe(traces);
    EXPECT_EQ("没有找到可运行的应用\n", traces[traces.size() - 2]);
    EXPECT_EQ("弹出光盘\n", traces.back());
}

TEST_F(SetupSequence, AnInstalledPathWithABlankIsStartedQuoted)
{
    LayOut();
    std::string dir = m_work / "Program Files\\Norvane App";
    InstallProgram(dir, "app.exe");
    // A planted program at the first blank must not run in its place.
    InstallProgram(m_work.Path(), "Program.exe");
    SetRegValue("Version", "9.0");
    SetRegValue("ExePath", dir);
    SetRegValue("ExeName", "app.exe");
    RunSetup();
    std::string quoted = "\"" + dir + "\\app.exe\"";
    EXPECT_TRUE(Contains(Traces(), TraceStartRun(quoted))) << Describe(Traces());
    ASSERT_TRUE(WaitForProgramsStartedBy(m_capture.ProcessId(), 20000));
    std::vector<std::string> started = LogLines(dir + "\\fakeprog.log");
    ASSERT_EQ(1u, started.size());
    EXPECT_EQ(0u, started[0].find("cmdline=" + quoted + "|"));
    EXPECT_FALSE(PathExists(m_work / "fakeprog.log")) << "the planted program ran";
}

// What depends on the system language: the test command runs these in every language, the
// rest of the program in one.
class SetupInLanguage : public SetupSequence
{
};

TEST_F(SetupInLanguage, AFailedApplicationCopyIsTracedInTheSystemLanguage)
{
    Set("AppSourcePath=app", "AppSourcePath=noapp");
    LayOut();
    RunSetup();
    std::string failed = IsChinese() ? "安装应用软件失败\n" : "Installing applications failed\n";
    std::vector<std::string> traces = Traces();
    const std::vector<std::string> expected = {TraceCopyEnd(m_cd / "noapp", AppDest(), 0), failed,
                                               "开始退出流程\n"};
    EXPECT_NE(traces.end(),
              std::search(traces.begin(), traces.end(), expected.begin(), expected.end()))
        << Describe(traces);
    EXPECT_EQ("弹出光盘\n", traces.back());
    EXPECT_EQ(1u, LogLines().size()) << "no installer without its copy";
}

TEST_F(SetupInLanguage, TheWindowIsVisibleOnlyWhileTheApplicationIsCopied)
{
    LayOut();
    // A package big enough for the copy to take a moment.
    std::string big(16 * 1024 * 1024, 'x');
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(WriteTextFile(m_cd / FormatText("app\\data%d.bin", i), big));

    std::atomic<bool> done(false);
    std::atomic<int> visibleSeen(0);
    std::string statusSeen;
    std::string captionSeen;
    std::thread watcher(
        [&]()
        {
            while (!done)
            {
                HWND window = FindSetupWindowOf(m_capture.ProcessId());
                if (window && IsWindowVisible(window))
                {
                    ++visibleSeen;
                    char text[256] = {0};
                    GetDlgItemTextA(window, 1002, text, sizeof(text));
                    statusSeen = text;
                    GetWindowTextA(window, text, sizeof(text));
                    captionSeen = text;
                }
                Sleep(2);
            }
        });
    RunSetup();
    done = true;
    watcher.join();
    EXPECT_GT(visibleSeen.load(), 0) << "the window was never seen during the copy";
    EXPECT_EQ(IsChinese() ? "安装无线上网卡应用软件" : "Installing application", statusSeen);
    EXPECT_EQ(IsChinese() ? "诺文上网卡" : "Norvane Card", captionSeen);
    for (const std::string& line : LogLines())
        EXPECT_NE(std::string::npos, line.find("|window=0")) << line;
}

// The temporary directory is the user's to set (TEMP and TMP in their environment), so it
// never decides where the installers run from as administrator, whatever it is: a blank
// with a program planted at it, characters the code page lacks, longer than MAX_PATH,
// empty, a drive's root, a share. Every run makes a folder of its own, new each time.
class SetupWithTemp : public SetupSequence
{
protected:
    // TMP and TEMP of this process, and so of the setup.exe it starts, for one run.
    class CTempVariables
    {
    public:
        explicit CTempVariables(const std::wstring& dir)
        {
            for (const wchar_t* name : {L"TMP", L"TEMP"})
            {
                wchar_t value[1024] = {0};
                DWORD length = GetEnvironmentVariableW(name, value, 1024);
                m_saved.push_back(length ? std::wstring(value) : std::wstring());
                SetEnvironmentVariableW(name, dir.c_str());
            }
        }
        ~CTempVariables()
        {
            SetEnvironmentVariableW(L"TMP", m_saved[0].empty() ? NULL : m_saved[0].c_str());
            SetEnvironmentVariableW(L"TEMP", m_saved[1].empty() ? NULL : m_saved[1].c_str());
        }

    private:
        std::vector<std::wstring> m_saved;
    };

    static std::wstring Widen(const std::string& text)
    {
        wchar_t wide[MAX_PATH] = {0};
        MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide, MAX_PATH);
        return wide;
    }
};

TEST_F(SetupWithTemp, TheTemporaryDirectoryNeverDecidesWhereInstallersRun)
{
    // Given "...\Temp Files\...\drvsetup.exe" unquoted, CreateProcess would run
    // "...\Temp.exe", which logs beside itself.
    InstallProgram(m_work.Path(), "Temp.exe");
    std::wstring work = Widen(m_work.Path());
    // Devanagari letters: neither code page 936 nor 1252 has them.
    const std::wstring temps[] = {work + L"\\Temp Files", work + L"\\Temp\x0928\x092E",
                                  L"C:\\" + std::wstring(300, L'x'), L"", L"C:\\",
                                  L"\\\\server\\share\\Temp"};
    LayOut();
    std::set<std::string> roots;
    for (const std::wstring& temp : temps)
    {
        // Made here, and left empty by the run; the test's ANSI clean-up cannot name it.
        bool made = !temp.empty() && temp.size() < MAX_PATH && CreateDirectoryW(temp.c_str(), NULL);
        {
            CTempVariables variables(temp);
            RunSetup();
        }
        if (made)
        {
            EXPECT_TRUE(RemoveDirectoryW(temp.c_str())) << "written into the temporary directory";
        }
        std::string driverCmd = DriverDest() + "\\" + Expand("drvsetup.exe --log %LOG% --exit 0");
        EXPECT_EQ(0u, StagingRoot().find(WindowsTempDir() + "\\")) << Describe(Traces());
        EXPECT_TRUE(Contains(Traces(), TraceRunEnded(driverCmd, 0))) << Describe(Traces());
        roots.insert(StagingRoot());
    }
    EXPECT_EQ(6u, roots.size()) << "a folder made again, or named after the environment";
    EXPECT_FALSE(PathExists(m_work / "fakeprog.log")) << "the planted program ran";
}
