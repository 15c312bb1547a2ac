// Copies of setup.exe started at the same moment, as when autorun and the user's double
// click both start it: the single-instance mutex must let exactly one of them run.
#include "tests/app/SetupRunFixture.h"

#include "handles/UniqueHandle.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

namespace
{
const int kCopies = 5;

// The driver installer of the copy that runs waits until the others have ended: every
// copy starts while the first to take the mutex still holds it, however slowly they start.
const char kIni[] = "[SETUP]\r\nEnglishTitle=T\r\nProductName=P\r\nPreinstall=\r\n"
                    "InstallApp=0\r\nAutoRunApp=0\r\n"
                    "[Driver]\r\nDriverSourcePath=driver\r\n"
                    "DriverDestPath=%UNIQUE%_drv\r\n"
                    "DriverSetupCmd=drvsetup.exe --log %LOG% --wait-file %WORK%\\release\r\n";
} // namespace

class SetupRace : public SetupRun
{
};

TEST_F(SetupRace, FiveCopiesStartedTogetherRunTheSequenceOnce)
{
    WriteIni(kIni);
    AddPackage("driver", "drvsetup.exe");
    const std::string command = "\"" + (m_cd / "setup.exe") + "\"";
    const std::string release = m_work / "release";

    for (int round = 0; round < 3; ++round)
    {
        SCOPED_TRACE("round " + std::to_string(round));
        DeleteFileA(m_strLog.c_str());
        DeleteFileA(release.c_str());
        // Every thread counts itself ready, then waits for go; each copy that ends counts
        // itself out.
        CUniqueHandle ready(CreateSemaphoreA(NULL, 0, kCopies, NULL));
        CUniqueHandle go(CreateEventA(NULL, TRUE, FALSE, NULL));
        CUniqueHandle ended(CreateSemaphoreA(NULL, 0, kCopies, NULL));
        ASSERT_TRUE(ready && go && ended);
        CTraceCapture copies[kCopies];
        bool ran[kCopies] = {false};
        std::vector<std::thread> threads;
        for (int i = 0; i < kCopies; ++i)
        {
            threads.emplace_back(
                [&, i]()
                {
                    ReleaseSemaphore(ready.Get(), 1, NULL);
                    WaitForSingleObject(go.Get(), INFINITE);
                    ran[i] = copies[i].Run(command, NULL, 120000);
                    ReleaseSemaphore(ended.Get(), 1, NULL);
                });
        }
        bool allReady = true;
        for (int i = 0; i < kCopies; ++i)
            allReady = allReady && WaitForSingleObject(ready.Get(), 10000) == WAIT_OBJECT_0;
        SetEvent(go.Get());
        // The copies that were refused end; the one that runs waits for its driver.
        bool refusedEnded = true;
        for (int i = 0; i < kCopies - 1; ++i)
            refusedEnded = refusedEnded && WaitForSingleObject(ended.Get(), 60000) == WAIT_OBJECT_0;
        WriteTextFile(release, "");
        for (std::thread& t : threads)
            t.join();
        ASSERT_TRUE(allReady) << "a thread never got ready";
        ASSERT_TRUE(refusedEnded) << "the refused copies did not end within a minute";

        int refused = 0;
        int running = 0;
        for (int i = 0; i < kCopies; ++i)
        {
            ASSERT_TRUE(ran[i]) << "copy " << i << " did not end";
            EXPECT_EQ(0u, copies[i].ExitCode());
            std::vector<std::string> traces = copies[i].Texts();
            if (traces == std::vector<std::string>{"autorun already exits!\n"})
                ++refused;
            else if (std::find(traces.begin(), traces.end(), "开始读取置文件\n") != traces.end())
            {
                ++running;
                EXPECT_EQ("弹出光盘\n", traces.back()) << Describe(traces);
            }
            else
                ADD_FAILURE() << "copy " << i << " traced:\n" << Describe(traces);
        }
        EXPECT_EQ(1, running);
        EXPECT_EQ(kCopies - 1, refused);
        EXPECT_EQ(1u, LogLines().size()) << "the driver installer ran once";
    }
}
