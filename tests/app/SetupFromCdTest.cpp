// setup.exe started from a CD-ROM drive letter: it holds the volume while it runs and
// either ejects it or holds it for a day at the end.
#include "tests/app/SetupRunFixture.h"
#include "tests/support/FreeCdDrive.h"
#include "tools/cdmount/CdMount.h"

#include <windows.h>

namespace
{
const char kIni[] = "[SETUP]\r\nEnglishTitle=T\r\nProductName=P\r\nPreinstall=\r\n"
                    "InstallApp=0\r\nAutoRunApp=0\r\n"
                    "[Driver]\r\nDriverSourcePath=driver\r\n"
                    "DriverDestPath=%UNIQUE%_drv\r\n"
                    "DriverSetupCmd=drvsetup.exe --log %LOG% --exit %EXIT%\r\n";

} // namespace

class SetupFromCd : public SetupRun
{
protected:
    ~SetupFromCd() override
    {
        if (m_letter)
            RemoveDriveLetter(m_letter);
    }

    // Shows the CD folder as a CD-ROM drive.
    void Mount()
    {
        m_letter = DefineCdDriveOnFreeLetter(m_cd.Path());
        ASSERT_NE(0, m_letter);
    }

    // Lays out the CD folder, shows it as a CD-ROM drive and runs setup.exe from there.
    void RunFromCd(int driverExitCode)
    {
        std::string ini = kIni;
        ini.replace(ini.find("%EXIT%"), 6, std::to_string(driverExitCode));
        WriteIni(ini);
        AddPackage("driver", "drvsetup.exe");
        Mount();
        if (HasFatalFailure())
            return;
        std::string root = std::string(1, m_letter) + ":\\";
        ASSERT_EQ(static_cast<UINT>(DRIVE_CDROM), GetDriveTypeA(root.c_str()));
        ASSERT_TRUE(m_capture.Run("\"" + root + "setup.exe\"", NULL, 60000));
    }

    std::string CdRootTrace() const { return std::string("CDROM OBJECT: ") + m_letter + ":\\ \n"; }

    char m_letter = 0;
};

TEST_F(SetupFromCd, AUsableDriverEndsInAnEject)
{
    RunFromCd(0);
    std::vector<std::string> traces = Traces();
    ASSERT_GE(traces.size(), 4u);
    EXPECT_EQ(CdRootTrace(), traces[0]) << Describe(traces);
    EXPECT_EQ("Delay Eject CD\n", traces[1]) << "the first delay goes out at once";
    EXPECT_EQ("开始读取置文件\n", traces[2]);
    EXPECT_EQ("弹出光盘\n", traces.back());
    EXPECT_NE("Delay Eject CD\n", traces[traces.size() - 2]);
    EXPECT_EQ(1u, LogLines().size());
}

TEST_F(SetupFromCd, AFailedDriverHoldsTheCdForADay)
{
    RunFromCd(3);
    std::vector<std::string> traces = Traces();
    ASSERT_GE(traces.size(), 3u);
    EXPECT_EQ(CdRootTrace(), traces[0]) << Describe(traces);
    EXPECT_EQ("驱动模块返回不可使用:3\n", traces[traces.size() - 2]);
    EXPECT_EQ("Delay Eject CD\n", traces.back()) << "the one-day delay at exit";
    for (const std::string& t : traces)
        EXPECT_NE("弹出光盘\n", t);
}

TEST_F(SetupFromCd, WithoutSetupIniTheCdIsHeldForADay)
{
    ASSERT_NO_FATAL_FAILURE(Mount());
    ASSERT_TRUE(m_capture.Run(std::string("\"") + m_letter + ":\\setup.exe\"", NULL, 60000));
    const std::vector<std::string> expected = {CdRootTrace(), "Delay Eject CD\n",
                                               "开始读取置文件\n", "光盘已经被过滤驱动弹出。\n",
                                               "Delay Eject CD\n"};
    EXPECT_EQ(expected, Traces()) << Describe(Traces());
}
