// Copies of setup.exe started at the same moment, as when autorun and the user's double
// click both start it: the single-instance mutex must let exactly one of them run.
#include "tests/app/SetupRunFixture.h"

#include "fw/UniqueHandle.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

namespace
{
const int kCopies = 5;
// Each copy must start while the first one to take the mutex still holds it (its driver
// installer runs 4 s); how close together they come is up to the scheduler.
const DWORD kStartSpreadMs = 2000;

// The driver installer runs long enough for every copy to have started before the winner
// ends and frees the mutex.
const char kIni[] = "[SETUP]\r\nEnglishTitle=T\r\nProductName=P\r\nPreinstall=\r\n"
                    "InstallApp=0\r\nAutoRunApp=0\r\n"
                    "[Driver]\r\nDriverSourcePath=driver\r\n"
                    "DriverDestPath=%UNIQUE%_drv\r\n"
                    "DriverSetupCmd=drvsetup.exe --log %LOG% --sleep 4000\r\n";

double NowMs()
{
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}
} // namespace

class SetupRace : public SetupRun
{
};

TEST_F(SetupRace, FiveCopiesStartedTogetherRunTheSequenceOnce)
{
    WriteIni(kIni);
    AddPackage("driver", "drvsetup.exe");
    const std::string command = "\"" + (m_cd / "setup.exe") + "\"";

    for (int round = 0; round < 3; ++round)
    {
        SCOPED_TRACE("round " + std::to_string(round));
        DeleteFileA(m_strLog.c_str());
        CUniqueHandle go(CreateEventA(NULL, TRUE, FALSE, NULL));
        ASSERT_TRUE(go);
        CTraceCapture copies[kCopies];
        double startedAt[kCopies] = {0};
        bool ran[kCopies] = {false};
        std::vector<std::thread> threads;
        for (int i = 0; i < kCopies; ++i)
        {
            threads.emplace_back(
                [&, i]()
                {
                    WaitForSingleObject(go.Get(), INFINITE);
                    startedAt[i] = NowMs();
                    ran[i] = copies[i].Run(command, NULL, 60000);
                });
        }
        Sleep(100); // every thread waits on the event
        SetEvent(go.Get());
        for (std::thread& t : threads)
            t.join();

        double first = *std::min_element(startedAt, startedAt + kCopies);
        double last = *std::max_element(startedAt, startedAt + kCopies);
        ASSERT_LE(last - first, static_cast<double>(kStartSpreadMs))
            << "the copies did not start together";

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
