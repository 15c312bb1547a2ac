// cdmount, which shows a folder as a CD-ROM drive letter of the Wine prefix, as card makers
// and the demo use it.
#include "tools/cdmount/CdMount.h"
#include "tools/tracecap/TraceCapture.h"
#include "tests/support/FreeCdDrive.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace
{
const DWORD kTimeoutMs = 60000;
} // namespace

// The tool others use to try the setup program from a CD-ROM drive letter.
class CdMountTool : public ::testing::Test
{
protected:
    DWORD RunTool(const std::string& arguments)
    {
        CTraceCapture capture;
        if (!capture.Run(Quoted(BuiltProgram("cdmount.exe")) + " " + arguments, NULL, kTimeoutMs))
            return 0xFFFFFFFF;
        return capture.ExitCode();
    }

    CTempFolder m_folder;
};

TEST_F(CdMountTool, DefinesFromAWindowsOrLinuxPathAndRemoves)
{
    // The letter is taken for the test first; the tool then defines it anew.
    char letter = DefineCdDriveOnFreeLetter(m_folder.Path());
    ASSERT_NE(0, letter);
    std::string drive = std::string(1, letter) + ":";
    ASSERT_TRUE(WriteTextFile(m_folder / "setup.ini", "[Setup]\n"));

    struct
    {
        const char* name;
        std::string folder;
    } cases[] = {
        {"windows path", Quoted(m_folder.Path())},
        {"linux path", Quoted(GetUnixPath(m_folder.Path()))},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(0u, RunTool(drive + " " + c.folder));
        EXPECT_EQ(static_cast<UINT>(DRIVE_CDROM), DriveType(letter));
        EXPECT_EQ("[Setup]\n", ReadTextFile(DriveRoot(letter) + "setup.ini"));

        EXPECT_EQ(0u, RunTool(drive + " --remove"));
        EXPECT_EQ(static_cast<UINT>(DRIVE_NO_ROOT_DIR), DriveType(letter));
    }
}

TEST_F(CdMountTool, RefusesBadUsageAndLettersInUse)
{
    char path[MAX_PATH] = {0};
    GetModuleFileNameA(NULL, path, MAX_PATH);
    std::string ownDrive(path, 2);

    const char* badArguments[] = {"", "P:", "PQ: /tmp", "1: /tmp", "P: /tmp extra"};
    for (const char* arguments : badArguments)
        EXPECT_EQ(2u, RunTool(arguments)) << arguments;

    EXPECT_EQ(2u, RunTool(ownDrive + " --remove")) << "the drive of the tests was taken away";
    EXPECT_EQ(2u, RunTool(ownDrive + " /tmp"));
    EXPECT_EQ(static_cast<UINT>(DRIVE_FIXED), GetDriveTypeA((ownDrive + "\\").c_str()));
}
