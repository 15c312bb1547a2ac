// One copy at a time, and a window that answers other programs.
#include "tests/app/SetupRunFixture.h"
#include "tests/support/SetupWindow.h"

#include <windows.h>

#include <thread>

namespace
{
// The driver installer waits for the test to release it: the run is held in its middle for
// as long as the test needs, however slowly programs start.
const char kHeldDriverIni[] = "[SETUP]\r\nEnglishTitle=T\r\nProductName=P\r\nPreinstall=\r\n"
                              "InstallApp=0\r\nAutoRunApp=0\r\n"
                              "[Driver]\r\nDriverSourcePath=driver\r\n"
                              "DriverDestPath=%UNIQUE%_drv\r\n"
                              "DriverSetupCmd=drvsetup.exe --log %LOG% --wait-file "
                              "%WORK%\\release --exit %EXIT%\r\n";

// Waits for the driver installer to have started: the run is then in the middle.
bool WaitForLog(const std::string& path, DWORD timeoutMs)
{
    for (DWORD waited = 0; waited < timeoutMs; waited += 50)
    {
        if (!ReadTextFile(path).empty())
            return true;
        Sleep(50);
    }
    return false;
}

} // namespace

class SetupInstance : public SetupRun
{
protected:
    // Joined on every way out of a test: a failed ASSERT must not leave it joinable.
    ~SetupInstance() override
    {
        ReleaseDriver();
        WaitForSetup();
    }

    HWND FindSetupWindow() const { return FindSetupWindowOf(m_capture.ProcessId()); }

    // Runs setup.exe on a thread of its own while the test acts on it.
    void StartSetup() { m_run = std::thread([this]() { RunSetup(); }); }
    void WaitForSetup()
    {
        if (m_run.joinable())
            m_run.join();
    }

    // A run whose driver installer waits until ReleaseDriver, then exits with exitCode.
    void LayOut(int exitCode = 0)
    {
        std::string ini = kHeldDriverIni;
        ini.replace(ini.find("%EXIT%"), 6, std::to_string(exitCode));
        WriteIni(ini);
        AddPackage("driver", "drvsetup.exe");
    }
    void ReleaseDriver() { WriteTextFile(m_work / "release", ""); }

    std::thread m_run;
};

TEST_F(SetupInstance, ASecondCopyEndsAtOnceWithoutTouchingAnything)
{
    LayOut();
    StartSetup();
    ASSERT_TRUE(WaitForLog(m_strLog, 20000));

    CTraceCapture second;
    ASSERT_TRUE(second.Run("\"" + (m_cd / "setup.exe") + "\"", NULL, 20000));
    ReleaseDriver();
    WaitForSetup();
    EXPECT_EQ(std::vector<std::string>{"autorun already exits!\n"}, second.Texts());
    EXPECT_EQ(0u, second.ExitCode());
    // The first copy went on to its end.
    std::vector<std::string> traces = Traces();
    ASSERT_FALSE(traces.empty());
    EXPECT_EQ("弹出光盘\n", traces.back()) << Describe(traces);
    EXPECT_EQ(1u, LogLines().size());
}

TEST_F(SetupInstance, AQuitFromAnotherProgramEndsTheRunWithinFiveSeconds)
{
    LayOut();
    StartSetup();
    ASSERT_TRUE(WaitForLog(m_strLog, 20000));
    HWND window = FindSetupWindow();
    ASSERT_TRUE(window != NULL);
    DWORD start = GetTickCount();
    PostMessageA(window, WM_QUIT, 0, 0);
    WaitForSetup();
    DWORD elapsed = GetTickCount() - start;
    EXPECT_GE(elapsed, 4500u) << "the worker is awaited up to 5000 ms";
    EXPECT_LT(elapsed, 15000u);
    std::vector<std::string> traces = Traces();
    ASSERT_FALSE(traces.empty());
    EXPECT_NE("弹出光盘\n", traces.back()) << "no eject was requested";
}

TEST_F(SetupInstance, TheShowMessageFromAnotherProgramShowsAndHides)
{
    LayOut();
    StartSetup();
    ASSERT_TRUE(WaitForLog(m_strLog, 20000));
    HWND window = FindSetupWindow();
    ASSERT_TRUE(window != NULL);
    EXPECT_FALSE(IsWindowVisible(window));
    const UINT showMessage = 0x80C8;
    DWORD_PTR result = 0;
    ASSERT_TRUE(SendMessageTimeoutA(window, showMessage, 2, 0, SMTO_BLOCK, 5000, &result));
    EXPECT_EQ(1u, result);
    EXPECT_TRUE(IsWindowVisible(window));
    ASSERT_TRUE(SendMessageTimeoutA(window, showMessage, 0, 0, SMTO_BLOCK, 5000, &result));
    EXPECT_EQ(1u, result);
    EXPECT_FALSE(IsWindowVisible(window));
    ReleaseDriver();
    WaitForSetup();
    std::vector<std::string> traces = Traces();
    std::vector<std::string> shown;
    for (const std::string& t : traces)
        if (t.find("SHOW") != std::string::npos || t.find("HIDE") != std::string::npos)
            shown.push_back(t);
    EXPECT_EQ((std::vector<std::string>{"收到自定义的SHOW消息\n", "收到自定义的HIDE消息\n"}),
              shown);
}

TEST_F(SetupInstance, AnEjectRequestFromAnotherProgramDecidesTheExit)
{
    // A driver that fails never asks for the eject itself.
    LayOut(9);
    StartSetup();
    ASSERT_TRUE(WaitForLog(m_strLog, 20000));
    DWORD_PTR result = 1;
    ASSERT_TRUE(SendMessageTimeoutA(FindSetupWindow(), 0x8064, 0, 0, SMTO_BLOCK, 5000, &result));
    EXPECT_EQ(0u, result);
    ReleaseDriver();
    WaitForSetup();
    std::vector<std::string> traces = Traces();
    ASSERT_GE(traces.size(), 2u);
    EXPECT_EQ("驱动模块返回不可使用:9\n", traces[traces.size() - 2]);
    EXPECT_EQ("弹出光盘\n", traces.back());
}
