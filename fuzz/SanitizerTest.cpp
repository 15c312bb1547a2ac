// Known cases of the plain computations, run natively under AddressSanitizer and
// UndefinedBehaviorSanitizer: any overrun, overflow or leaked key handle fails them even
// where the result would look right.
#include "FuzzSupport.h"
#include "config/SetupConfig.h"
#include "config/VersionCompare.h"
#include "shim/FakeSystem.h"
#include "sys/FormatText.h"
#include "sys/TextToInt.h"

#include <gtest/gtest.h>

#include <climits>

struct IntCase
{
    const char* text;
    int value;
};

TEST(TextToInt, ReadsAsAtoiAndSaturates)
{
    const IntCase cases[] = {
        {"0", 0},
        {"42", 42},
        {" \t\n\v\f\r+17x", 17},
        {"-8", -8},
        {"abc", 0},
        {"", 0},
        {"-", 0},
        {"+-1", 0},
        {"2147483647", INT_MAX},
        {"2147483648", INT_MAX},
        {"-2147483648", INT_MIN},
        {"-2147483649", INT_MIN},
        {"99999999999", INT_MAX},
        {"-99999999999", INT_MIN},
        {"4294967297", INT_MAX},
        {"000000000000000000000000000007", 7},
    };
    for (const IntCase& c : cases)
        EXPECT_EQ(c.value, TextToInt(c.text)) << c.text;
    EXPECT_EQ(0, TextToInt(NULL));
    EXPECT_EQ(INT_MAX, TextToInt(std::string(100000, '9').c_str()));
    EXPECT_EQ(INT_MIN, TextToInt(("-" + std::string(100000, '9')).c_str()));
}

struct SplitCase
{
    const char* text;
    std::vector<std::string> pieces;
};

TEST(SplitByChar, PiecesEndAtTheSeparator)
{
    const SplitCase cases[] = {
        {"1.2.3", {"1", "2"}},
        {"1.2.3.", {"1", "2", "3"}},
        {"1..2.", {"1", "", "2"}},
        {".", {""}},
        {"123", {}},
        {"", {}},
    };
    for (const SplitCase& c : cases)
    {
        std::vector<std::string> list(3, "old");
        SplitByChar(list, c.text, '.');
        EXPECT_EQ(c.pieces, list) << c.text;
    }
    std::vector<std::string> list;
    SplitByChar(list, std::string(100000, '.'), '.');
    EXPECT_EQ(100000u, list.size());
}

class NativeConfig : public ::testing::Test
{
protected:
    void SetUp() override
    {
        FakeReset();
        SetCompleteSetupProfile();
    }

    void TearDown() override
    {
        EXPECT_EQ(0, FakeOpenKeyCount()) << "a registry key was left open";
        EXPECT_EQ(0, FakeBadHandleCount()) << "a registry call used a closed or unknown key";
    }

    // Every key is read anew, so the record may be loaded again in the same test.
    void Load() { ASSERT_TRUE(m_config.Load("setup.ini")); }

    CSetupConfig m_config;
};

struct VersionCase
{
    const char* card;
    const char* installed; // NULL: no version value
    bool update;
};

typedef NativeConfig UpdateDecision;

TEST_F(UpdateDecision, VersionTable)
{
    const VersionCase cases[] = {
        {"1.0.2", NULL, true},
        {"0.9", "", true},
        {"1.10", "1.9", true},
        {"1.9", "1.10", false},
        {"2.0", "1.9.9", true},
        {"1.2.3", "1.2.3", false},
        {"1.2.1", "1.2", true},
        {"1.2", "1.2.1", false},
        {"1.2", "1.2.0", false},
        {"01.2", "1.2", false},
        {"1.2b", "1.2", false},
        {"1..3", "1.0.2", true},
        {"99999999999", "2147483646", true},
        {"99999999999", "2147483647", false},
        {"-99999999999", "-2147483648", false},
        {"1.99999999999.1", "1.4294967297.0", true},
        {"1.%s%n%s", "1.0", false},
    };
    for (const VersionCase& c : cases)
    {
        SCOPED_TRACE(std::string(c.card) + " against " + (c.installed ? c.installed : "nothing"));
        FakeReset();
        SetCompleteSetupProfile();
        FakeSetProfileString("APP", "AppVersion", c.card);
        FakeAddRegKey(kAppRegKeyPath);
        if (c.installed)
            FakeSetRegValue(kAppRegKeyPath, kAppRegKeyVersion, c.installed);
        Load();
        EXPECT_EQ(c.update, m_config.IsUpdateNeeded());
        ASSERT_EQ(4u, FakeTraces().size());
        EXPECT_EQ(std::string("数据卡上的应用版本为：") + c.card + "\n", FakeTraces()[0]);
    }
}

// 260 bytes without a terminator still read as text; one byte more is no value at all.
TEST_F(UpdateDecision, InstalledVersionAtTheBufferLimit)
{
    FakeSetProfileString("APP", "AppVersion", "2");
    FakeSetRegValue(kAppRegKeyPath, kAppRegKeyVersion, "3" + std::string(259, '.'));
    Load();
    EXPECT_FALSE(m_config.IsUpdateNeeded());
    EXPECT_EQ("大小1,260\n", FakeTraces()[2]);

    FakeReset();
    SetCompleteSetupProfile();
    FakeSetProfileString("APP", "AppVersion", "0");
    FakeSetRegValue(kAppRegKeyPath, kAppRegKeyVersion, "3" + std::string(260, '.'));
    Load();
    EXPECT_TRUE(m_config.IsUpdateNeeded());
    EXPECT_EQ("本机安装的应用版本为：\n", FakeTraces()[1]);
}

typedef NativeConfig InstallLocations;

TEST_F(InstallLocations, RootBackslashField)
{
    FakeSetModuleFileName("E:\\setup.exe");
    FakeSetTempPath("C:\\Users\\me\\Temp\\");
    FakeSetProfileString("Driver", "DriverDestPath", "");
    FakeSetProfileString("APP", "AppSourcePath", "D:\\app\\");
    Load();
    EXPECT_EQ("E:\\pre\\pre.exe", m_config.GetPreinstallPath());
    EXPECT_EQ("E:\\driver", m_config.GetDriverSourceDir());
    EXPECT_EQ("C:\\Users\\me\\Temp\\", m_config.GetDriverDestDir());
    EXPECT_EQ("C:\\Users\\me\\Temp\\\\setup.exe", m_config.GetDriverSetupCmdPath());
    EXPECT_EQ("E:\\D:\\app\\", m_config.GetAppSourceDir());
    EXPECT_EQ("C:\\Users\\me\\Temp\\cardapp\\setup.exe", m_config.GetAppSetupCmdPath());
}

TEST_F(InstallLocations, RootsThatCannotBeRead)
{
    FakeSetModuleFileName("C:\\" + std::string(300, 'x') + "\\setup.exe");
    FakeSetTempPath("C:\\" + std::string(257, 't') + "\\");
    FakeSetProfileString("SETUP", "Preinstall", "");
    Load();
    EXPECT_EQ("", m_config.GetPreinstallPath());
    EXPECT_EQ("\\driver", m_config.GetDriverSourceDir());
    EXPECT_EQ("\\carddrv", m_config.GetDriverDestDir());
}

struct ProgramCase
{
    int appType;
    const char* exePath; // NULL: value absent
    const char* exeName;
    const char* appDir;
    const char* appName;
    const char* program;
};

TEST_F(InstallLocations, InstalledProgramByAppType)
{
    const ProgramCase cases[] = {
        {1, "C:\\Card\\", "card.exe", "D:\\x", "x.exe", "C:\\Card\\\\card.exe"},
        {1, "C:\\Card", NULL, "D:\\x", "x.exe", ""},
        {2, "C:\\Card", "card.exe", "D:\\x", "x.exe", "D:\\x\\x.exe"},
        {3, "C:\\Card", "card.exe", "D:\\x", "", "D:\\x\\"},
        {0, "C:\\Card", "card.exe", "D:\\x", "x.exe", ""},
        {4, "C:\\Card", "card.exe", "D:\\x", "x.exe", ""},
    };
    for (const ProgramCase& c : cases)
    {
        SCOPED_TRACE(c.appType);
        FakeReset();
        SetCompleteSetupProfile();
        FakeSetProfileString("APP", "AppType", std::to_string(c.appType));
        const char* const names[] = {"ExePath", "ExeName", "AppDir", "AppName"};
        const char* const values[] = {c.exePath, c.exeName, c.appDir, c.appName};
        FakeAddRegKey(kAppRegKeyPath);
        for (int i = 0; i < 4; ++i)
        {
            if (values[i])
                FakeSetRegValue(kAppRegKeyPath, names[i], values[i]);
        }
        Load();
        EXPECT_EQ(c.program, m_config.GetInstalledAppPath());
        EXPECT_EQ(0, FakeOpenKeyCount());
    }
}

TEST_F(InstallLocations, UninstallEntry)
{
    Load();
    EXPECT_EQ("", m_config.GetUninstallEntry()) << "no key";
    FakeSetRegValue(kAppRegKeyPath, "UnInstall", std::string(300, 'u'));
    EXPECT_EQ("", m_config.GetUninstallEntry()) << "too long to read";
    FakeSetRegValue(kAppRegKeyPath, "UnInstall", std::string("MsiExec /X\0junk", 15));
    EXPECT_EQ("MsiExec /X", m_config.GetUninstallEntry());
}

TEST(FormatText, HasNoLengthLimit)
{
    std::string big(100000, 'x');
    EXPECT_EQ("[" + big + "] -2147483648", FormatText("[%s] %d", big.c_str(), INT_MIN));
    EXPECT_EQ("", FormatText("%s", ""));
}
