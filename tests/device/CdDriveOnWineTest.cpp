// The CD drive control on real drives of the Wine prefix: a folder shown as a CD-ROM
// drive by the mount manager, and the hard disk the tests are built on.
#include "device/CdDrive.h"
#include "device/DeviceRequest.h"
#include "handles/UniqueHandle.h"
#include "tools/cdmount/CdMount.h"
#include "tools/tracecap/TraceCapture.h"
#include "tests/support/FreeCdDrive.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace
{
typedef std::vector<std::string> Texts;

const char* const kEjectTrace = "\xB5\xAF\xB3\xF6\xB9\xE2\xC5\xCC\n"; // "弹出光盘\n" in GBK

// cdprobe's exit codes.
const DWORD kNoDevice = 0;
const DWORD kOpenedRequestRefused = 1;

const DWORD kTimeoutMs = 60000;

} // namespace

// A temporary folder holding cdprobe.exe, shown as a CD-ROM drive for the test's length.
class CdDriveOnWine : public ::testing::Test
{
protected:
    CdDriveOnWine() : m_chLetter(0), m_bDefined(false) {}

    void SetUp() override
    {
        ASSERT_TRUE(CopyFileA(BuiltProgram("cdprobe.exe").c_str(),
                              (m_folder / "cdprobe.exe").c_str(), FALSE));
        m_strUnixPath = GetUnixPath(m_folder.Path());
        ASSERT_FALSE(m_strUnixPath.empty()) << "not running under Wine?";
        m_chLetter = DefineCdDriveOnFreeLetter(m_folder.Path());
        ASSERT_NE(0, m_chLetter) << "error " << GetLastError();
        m_bDefined = true;
    }
    void TearDown() override
    {
        if (m_bDefined)
        {
            EXPECT_TRUE(RemoveDriveLetter(m_chLetter)) << "error " << GetLastError();
        }
    }

    std::string Root() const { return DriveRoot(m_chLetter); }

    CTempFolder m_folder;
    std::string m_strUnixPath;
    char m_chLetter;
    bool m_bDefined;
};

TEST_F(CdDriveOnWine, FolderAppearsAsCdRomUntilRemoved)
{
    EXPECT_EQ(static_cast<UINT>(DRIVE_CDROM), DriveType(m_chLetter));
    EXPECT_TRUE(PathExists(Root() + "cdprobe.exe"));

    ASSERT_TRUE(RemoveDriveLetter(m_chLetter));
    m_bDefined = false;
    EXPECT_EQ(static_cast<UINT>(DRIVE_NO_ROOT_DIR), DriveType(m_chLetter));
}

TEST_F(CdDriveOnWine, ProgramOnTheCdOpensItsVolumeAndHoldsItForADay)
{
    CTraceCapture capture;
    ASSERT_TRUE(capture.Run(Quoted(Root() + "cdprobe.exe"), Root().c_str(), kTimeoutMs));

    EXPECT_EQ(Texts({"CDROM OBJECT: " + Root() + " \n", "Delay Eject CD\n", "Delay Eject CD\n"}),
              capture.Texts());
    EXPECT_EQ(kOpenedRequestRefused, capture.ExitCode())
        << "the volume was not opened, or a driver without the card's filter accepted "
           "its private request";
    EXPECT_EQ(0, capture.ExceptionsPassedOn());
}

TEST_F(CdDriveOnWine, EjectOfARealVolumeEndsQuietly)
{
    CTraceCapture capture;
    ASSERT_TRUE(capture.Run(Quoted(Root() + "cdprobe.exe") + " eject", Root().c_str(), kTimeoutMs));

    EXPECT_EQ(Texts({"CDROM OBJECT: " + Root() + " \n", "Delay Eject CD\n", kEjectTrace}),
              capture.Texts());
    EXPECT_EQ(kOpenedRequestRefused, capture.ExitCode());
    EXPECT_EQ(0, capture.ExceptionsPassedOn());
}

TEST_F(CdDriveOnWine, ProgramOnAnyOtherDriveOpensNothingEvenWhereItCould)
{
    // Under Wine these volumes open as readily as the CD-ROM, so only the drive type can
    // keep the program off them.
    for (UINT type : {DRIVE_REMOVABLE, DRIVE_FIXED, DRIVE_REMOTE})
    {
        SCOPED_TRACE(type);
        ASSERT_TRUE(DefineUnixDrive(m_chLetter, type, m_strUnixPath));
        ASSERT_EQ(type, DriveType(m_chLetter));

        CTraceCapture capture;
        ASSERT_TRUE(capture.Run(Quoted(Root() + "cdprobe.exe"), Root().c_str(), kTimeoutMs));

        EXPECT_EQ(Texts({"CDROM OBJECT: " + Root() + " \n"}), capture.Texts());
        EXPECT_EQ(kNoDevice, capture.ExitCode());
    }
}

TEST_F(CdDriveOnWine, RequestsReachTheVolumesDriverOnceTheRecorderIsGone)
{
    SetDeviceRequestHandler([](HANDLE, DWORD, const void*, DWORD) {});
    SetDeviceRequestHandler(NULL);
    CUniqueFile device(CreateFileA(("\\\\.\\" + Root().substr(0, 2)).c_str(), GENERIC_READ,
                                   FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                   NULL));
    ASSERT_TRUE(device) << "error " << GetLastError();

    // Only the driver's refusal changes the last error: the request did leave.
    BYTE input[4] = {0x98, 0x3A, 0x00, 0x00};
    SetLastError(ERROR_SUCCESS);
    SendDeviceRequest(device.Get(), IOCTL_CD_DELAY_EJECT, input, sizeof(input));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_SUPPORTED), GetLastError());
}

TEST(CdDriveOnHardDisk, ProgramOnTheHardDiskOpensNothing)
{
    std::string program = BuiltProgram("cdprobe.exe");
    std::string root = program.substr(0, 2) + "\\";
    ASSERT_EQ(static_cast<UINT>(DRIVE_FIXED), GetDriveTypeA(root.c_str()));

    CTraceCapture capture;
    ASSERT_TRUE(capture.Run(Quoted(program), NULL, kTimeoutMs));

    EXPECT_EQ(Texts({"CDROM OBJECT: " + root + " \n"}), capture.Texts());
    EXPECT_EQ(kNoDevice, capture.ExitCode());
}
