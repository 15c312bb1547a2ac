// Full paths derived from setup.ini and the installed application's registry entries,
// read from the registry of the test prefix.
#include "config/RegValueReader.h"
#include "config/SetupConfig.h"
#include "sys/SystemPaths.h"
#include "tests/config/ConfigTestSupport.h"
#include "tests/support/FreeCdDrive.h"
#include "tests/support/HandleCount.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/TestFiles.h"
#include "tools/cdmount/CdMount.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>

namespace
{
// "<M>" and "<T>" in an expected path stand for the module and temporary directories.
std::string Expand(std::string text)
{
    const std::pair<std::string, std::string> roots[] = {
        std::make_pair("<M>", GetModuleDir()),
        std::make_pair("<T>", GetTempDir()),
    };
    for (const auto& root : roots)
    {
        size_t at;
        while ((at = text.find(root.first)) != std::string::npos)
            text.replace(at, root.first.size(), root.second);
    }
    return text;
}

// One line per derived path, in the order the probe writes them.
std::string DerivedPaths(const CSetupConfig& config)
{
    return config.GetPreinstallPath() + "\n" + config.GetDriverSourceDir() + "\n" +
           config.GetDriverDestDir() + "\n" + config.GetDriverSetupCmdPath() + "\n" +
           config.GetAppSourceDir() + "\n" + config.GetAppDestDir() + "\n" +
           config.GetAppSetupCmdPath() + "\n";
}
} // namespace

// Started as "config_tests.exe --print-paths <setup.ini> <output>": loads the file and
// writes the derived paths, so that a copy of this program can report them from
// wherever it was started.
int PrintDerivedPaths(const char* setupFile, const char* outputFile)
{
    CSetupConfig config;
    if (!config.Load(setupFile))
        return 2;
    return WriteTextFile(outputFile, GetModuleDir() + "\n" + DerivedPaths(config)) ? 0 : 3;
}

struct PathCase
{
    const char* name;
    const char* preinstall;
    const char* driverSource;
    const char* driverDest;
    const char* driverCmd;
    const char* appSource;
    const char* appDest;
    const char* appCmd;
    // The seven derived paths, one a line, with <M> and <T> for the roots.
    const char* expected;
};

const PathCase kPathCases[] = {
    {"relative fields", "pre\\prep.exe /q", "Driver", "NorvaneDrv", "DrvSetup.exe /s", "App",
     "NorvaneApp", "AppSetup.exe",
     "<M>\\pre\\prep.exe /q\n<M>\\Driver\n<T>\\NorvaneDrv\n<T>\\NorvaneDrv\\DrvSetup.exe /s\n"
     "<M>\\App\n<T>\\NorvaneApp\n<T>\\NorvaneApp\\AppSetup.exe\n"},
    {"empty fields", "", "", "", "setup.exe", "", "", "",
     "\n<M>\\\n<T>\\\n<T>\\\\setup.exe\n<M>\\\n<T>\\\n<T>\\\\\n"},
    {"backslashes kept", "\\pre.exe", "\\Driver\\", "Drv\\\\x", "\\s.exe", "App\\", "\\\\A", "\\",
     "<M>\\\\pre.exe\n<M>\\\\Driver\\\n<T>\\Drv\\\\x\n<T>\\Drv\\\\x\\\\s.exe\n<M>\\App\\\n"
     "<T>\\\\\\A\n<T>\\\\\\A\\\\\n"},
    {"absolute and dotted fields", "C:\\Windows\\x.exe", "..\\Driver", ".\\D", "D:\\s.exe",
     "D:\\pkg\\App", "E:\\A", "b\\..\\c.exe",
     "<M>\\C:\\Windows\\x.exe\n<M>\\..\\Driver\n<T>\\.\\D\n<T>\\.\\D\\D:\\s.exe\n"
     "<M>\\D:\\pkg\\App\n<T>\\E:\\A\n<T>\\E:\\A\\b\\..\\c.exe\n"},
    // A folder with a blank goes in quotes with the command's first word, unless that word
    // brings quotes of its own.
    {"blanks in destinations", "", "Driver", "Card Drv", "drvsetup.exe /S\tx", "App", "Card App",
     "\"a b.exe\" /q",
     "\n<M>\\Driver\n<T>\\Card Drv\n\"<T>\\Card Drv\\drvsetup.exe\" /S\tx\n"
     "<M>\\App\n<T>\\Card App\n<T>\\Card App\\\"a b.exe\" /q\n"},
};

class InstallPaths : public ::testing::Test
{
protected:
    static CIniText WithFields(const PathCase& c)
    {
        return CIniText::Complete()
            .Set("SETUP", "Preinstall", c.preinstall)
            .Set("Driver", "DriverSourcePath", c.driverSource)
            .Set("Driver", "DriverDestPath", c.driverDest)
            .Set("Driver", "DriverSetupCmd", c.driverCmd)
            .Set("APP", "AppSourcePath", c.appSource)
            .Set("APP", "AppDestPath", c.appDest)
            .Set("APP", "AppSetupCmd", c.appCmd);
    }

    CTempFolder m_folder;
};

TEST_F(InstallPaths, RootOneBackslashThenTheFieldUnchanged)
{
    ASSERT_FALSE(GetModuleDir().empty());
    ASSERT_FALSE(GetTempDir().empty());
    for (const PathCase& c : kPathCases)
    {
        SCOPED_TRACE(c.name);
        CSetupConfig config;
        ASSERT_TRUE(LoadSetupText(m_folder.Path(), WithFields(c).Text(), config));
        EXPECT_EQ(Expand(c.expected), DerivedPaths(config));
    }
}

// The temporary directory is asked for at every call, not remembered from the first one.
TEST_F(InstallPaths, PathsFollowTheTemporaryDirectoryOfTheMoment)
{
    CSetupConfig config;
    ASSERT_TRUE(LoadSetupText(m_folder.Path(), WithFields(kPathCases[0]).Text(), config));
    std::string before = config.GetDriverSetupCmdPath();

    char saved[4096] = {0};
    DWORD savedLength = GetEnvironmentVariableA("TMP", saved, sizeof(saved));
    ASSERT_TRUE(SetEnvironmentVariableA("TMP", (m_folder.Path() + "\\").c_str()));
    std::string during = config.GetDriverSetupCmdPath();
    std::string appDuring = config.GetAppDestDir();
    SetEnvironmentVariableA("TMP", savedLength ? saved : NULL);

    EXPECT_EQ(m_folder.Path() + "\\NorvaneDrv\\DrvSetup.exe /s", during);
    EXPECT_EQ(m_folder.Path() + "\\NorvaneApp", appDuring);
    EXPECT_EQ(before, config.GetDriverSetupCmdPath());
}

// A program in a drive's root has the bare drive as its directory: one backslash follows.
TEST_F(InstallPaths, ProgramInADriveRootJoinsTheBareDrive)
{
    // A copy of this program in the root of a drive of its own, a folder of the test's.
    char self[MAX_PATH] = {0};
    ASSERT_GT(GetModuleFileNameA(NULL, self, MAX_PATH), 0u);
    CTempFolder driveFolder("root");
    ASSERT_TRUE(CopyFileA(self, (driveFolder / "cfgroot.exe").c_str(), FALSE));
    char letter = DefineCdDriveOnFreeLetter(driveFolder.Path());
    ASSERT_NE(0, letter);
    std::string drive(1, letter);
    drive += ":";
    std::string copyName = drive + "\\cfgroot.exe";

    std::string setupFile = m_folder / "setup.ini";
    std::string output = m_folder / "paths.txt";
    ASSERT_TRUE(WriteTextFile(setupFile, WithFields(kPathCases[0]).Text()));
    std::string commandLine =
        std::string("\"") + copyName + "\" --print-paths \"" + setupFile + "\" \"" + output + "\"";

    CProgramResult run = RunProgram(commandLine, 60000);
    RemoveDriveLetter(letter);
    ASSERT_TRUE(run.bEnded);
    ASSERT_EQ(0u, run.dwExitCode);
    EXPECT_EQ(drive + "\n" + drive + "\\pre\\prep.exe /q\n" + drive + "\\Driver\n" +
                  Expand("<T>\\NorvaneDrv\n<T>\\NorvaneDrv\\DrvSetup.exe /s\n") + drive +
                  "\\App\n" + Expand("<T>\\NorvaneApp\n<T>\\NorvaneApp\\AppSetup.exe\n"),
              ReadTextFile(output));
}

class RegistryLookups : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_key.IsOpen()); }

    // A record whose AppRegKeyPath is the given key (this test's own one by default).
    void LoadRecord(int appType, const std::string& keyPath)
    {
        char type[16];
        snprintf(type, sizeof(type), "%d", appType);
        ASSERT_TRUE(LoadSetupText(m_folder.Path(),
                                  CIniText::Complete()
                                      .Set("APP", "AppType", type)
                                      .Set("APP", "AppRegKeyPath", keyPath)
                                      .Text(),
                                  m_config));
    }
    void LoadRecord(int appType) { LoadRecord(appType, m_key.Path()); }

    std::string Read(const std::string& valueName, bool expectFound)
    {
        std::string value = "stale";
        EXPECT_EQ(expectFound, m_config.ReadRegString(m_key.Path(), valueName, value)) << valueName;
        return value;
    }

    CTempFolder m_folder;
    CTestRegKey m_key;
    CSetupConfig m_config;
};

TEST_F(RegistryLookups, MissingKeyFindsNothing)
{
    std::string absent = m_key.Path() + "\\absent";
    LoadRecord(1, absent);
    std::string value = "stale";
    EXPECT_FALSE(m_config.ReadRegString(absent, "Version", value));
    EXPECT_EQ("", value);
    EXPECT_EQ("", m_config.GetInstalledAppPath());
    EXPECT_EQ("", m_config.GetUninstallEntry());
}

TEST_F(RegistryLookups, ReadRegStringReadsTheValueOrEmptiesTheOutput)
{
    LoadRecord(1);
    ASSERT_TRUE(m_key.SetString("Version", "1.2.3"));
    ASSERT_TRUE(m_key.SetString("Blank", ""));
    ASSERT_TRUE(m_key.SetString("", "default text"));
    EXPECT_EQ("1.2.3", Read("Version", true));
    EXPECT_EQ("", Read("Blank", true));
    EXPECT_EQ("default text", Read("", true)) << "an empty name is the key's default value";
    EXPECT_EQ("", Read("Absent", false));
}

// 260 bytes are offered: 259 characters and the terminator fit, one more does not.
TEST_F(RegistryLookups, ValueThatDoesNotFitReadsAsAbsent)
{
    LoadRecord(1);
    ASSERT_TRUE(m_key.SetString("V259", std::string(259, 'v')));
    ASSERT_TRUE(m_key.SetString("V260", std::string(260, 'v')));
    ASSERT_TRUE(m_key.SetString("V300", std::string(300, 'v')));
    EXPECT_EQ(std::string(259, 'v'), Read("V259", true));
    EXPECT_EQ("", Read("V260", false));
    EXPECT_EQ("", Read("V300", false));

    ASSERT_TRUE(m_key.SetString("UnInstall", std::string(300, 'u')));
    EXPECT_EQ("", m_config.GetUninstallEntry());
    ASSERT_TRUE(m_key.SetString("ExePath", std::string(300, 'p')));
    ASSERT_TRUE(m_key.SetString("ExeName", "app.exe"));
    EXPECT_EQ("", m_config.GetInstalledAppPath());
}

TEST_F(RegistryLookups, ValuesOfAnyTypeReadAsRawBytes)
{
    LoadRecord(1);
    DWORD digits = 0x00333231; // "123" and a zero byte in memory order
    const char binary[] = {'a', 'b', 'c'};
    const char multi[] = "one\0two\0";
    const char expand[] = "%SystemRoot%\\x";
    ASSERT_TRUE(m_key.SetValue("Dword", REG_DWORD, &digits, sizeof(digits)));
    ASSERT_TRUE(m_key.SetValue("Binary", REG_BINARY, binary, sizeof(binary)));
    ASSERT_TRUE(m_key.SetValue("Multi", REG_MULTI_SZ, multi, sizeof(multi)));
    ASSERT_TRUE(m_key.SetValue("Expand", REG_EXPAND_SZ, expand, sizeof(expand)));
    std::string bigBinary(300, 'b');
    ASSERT_TRUE(m_key.SetValue("BigBinary", REG_BINARY, bigBinary.data(), 300));
    EXPECT_EQ("123", Read("Dword", true));
    EXPECT_EQ("abc", Read("Binary", true)) << "unterminated data ends at the spare zero";
    EXPECT_EQ("one", Read("Multi", true));
    EXPECT_EQ(expand, Read("Expand", true)) << "nothing is expanded";
    EXPECT_EQ("", Read("BigBinary", false));
}

struct AppTypeCase
{
    int appType;
    const char* expected;
};

TEST_F(RegistryLookups, AppTypeChoosesWhichPairNamesTheProgram)
{
    ASSERT_TRUE(m_key.SetString("ExePath", "C:\\Program Files\\Norvane"));
    ASSERT_TRUE(m_key.SetString("ExeName", "Connect.exe"));
    ASSERT_TRUE(m_key.SetString("AppDir", "D:\\Apps\\Norvane"));
    ASSERT_TRUE(m_key.SetString("AppName", "Manager.exe"));
    const AppTypeCase cases[] = {
        {1, "C:\\Program Files\\Norvane\\Connect.exe"},
        {2, "D:\\Apps\\Norvane\\Manager.exe"},
        {3, "D:\\Apps\\Norvane\\Manager.exe"},
        {0, ""},
        {4, ""},
        {-1, ""},
    };
    for (const AppTypeCase& c : cases)
    {
        SCOPED_TRACE(c.appType);
        LoadRecord(c.appType);
        EXPECT_EQ(c.expected, m_config.GetInstalledAppPath());
    }
}

TEST_F(RegistryLookups, InstalledProgramNeedsBothValuesAndKeepsTheirText)
{
    LoadRecord(1);
    ASSERT_TRUE(m_key.SetString("ExePath", "C:\\App\\"));
    EXPECT_EQ("", m_config.GetInstalledAppPath()) << "ExeName is missing";
    ASSERT_TRUE(m_key.SetString("ExeName", "app.exe"));
    EXPECT_EQ("C:\\App\\\\app.exe", m_config.GetInstalledAppPath());

    LoadRecord(2);
    ASSERT_TRUE(m_key.SetString("AppName", "m.exe"));
    EXPECT_EQ("", m_config.GetInstalledAppPath()) << "AppDir is missing";
}

// The name is read into a fresh buffer: unterminated data must not pick up the tail of
// the longer directory text read before it.
TEST_F(RegistryLookups, NameReadAfterALongerDirectoryStandsAlone)
{
    LoadRecord(1);
    const char name[] = {'a', '.', 'e', 'x', 'e'};
    ASSERT_TRUE(m_key.SetString("ExePath", "C:\\Program Files\\Norvane Connect"));
    ASSERT_TRUE(m_key.SetValue("ExeName", REG_BINARY, name, sizeof(name)));
    EXPECT_EQ("C:\\Program Files\\Norvane Connect\\a.exe", m_config.GetInstalledAppPath());
}

TEST_F(RegistryLookups, UninstallEntryIsItsTextOrEmpty)
{
    LoadRecord(1);
    EXPECT_EQ("", m_config.GetUninstallEntry());
    ASSERT_TRUE(m_key.SetString("UnInstall", ""));
    EXPECT_EQ("", m_config.GetUninstallEntry());
    ASSERT_TRUE(m_key.SetString("UnInstall", "C:\\App\\uninst.exe /x"));
    EXPECT_EQ("C:\\App\\uninst.exe /x", m_config.GetUninstallEntry());
}

TEST_F(RegistryLookups, LookupsLeaveNoKeyOpen)
{
    LoadRecord(1);
    ASSERT_TRUE(m_key.SetString("ExePath", "C:\\App"));
    ASSERT_TRUE(m_key.SetString("Version", "1.0"));
    CSetupConfig missingKey;
    ASSERT_TRUE(LoadSetupText(
        m_folder.Path(),
        CIniText::Complete().Set("APP", "AppRegKeyPath", m_key.Path() + "\\absent").Text(),
        missingKey));

    DWORD before = OwnHandleCount();
    ASSERT_GT(before, 0u);
    for (int i = 0; i < 1000; ++i)
    {
        std::string value;
        m_config.ReadRegString(m_key.Path(), "Version", value);
        m_config.ReadRegString(m_key.Path(), "Absent", value);
        m_config.GetInstalledAppPath(); // ExeName is missing: the early way out
        m_config.GetUninstallEntry();
        missingKey.GetInstalledAppPath();
        missingKey.GetUninstallEntry();
    }
    DWORD after = OwnHandleCount();
    EXPECT_EQ(before, after);

    // The count does see a key left open, so an unchanged count means something.
    HKEY leaked = NULL;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_LOCAL_MACHINE, m_key.Path().c_str(), 0, KEY_QUERY_VALUE, &leaked));
    CUniqueHKey owner(leaked);
    EXPECT_EQ(after + 1, OwnHandleCount());
}

class RegValueReaderKey : public ::testing::Test
{
protected:
    CTestRegKey m_key;
};

TEST_F(RegValueReaderKey, CloseTellsWhetherAKeyWasOpen)
{
    ASSERT_TRUE(m_key.SetString("V", "x"));
    CRegValueReader reader;
    BYTE buffer[8] = {0};
    EXPECT_FALSE(reader.Close()) << "nothing open yet";
    EXPECT_FALSE(reader.ReadValue("V", buffer, sizeof(buffer)));
    ASSERT_TRUE(reader.Open(HKEY_LOCAL_MACHINE, m_key.Path().c_str()));
    EXPECT_FALSE(reader.ReadValue("V", NULL, 8));
    EXPECT_TRUE(reader.ReadValue("V", buffer, sizeof(buffer)));
    EXPECT_STREQ("x", reinterpret_cast<char*>(buffer));
    EXPECT_TRUE(reader.Close());
    EXPECT_FALSE(reader.Close());

    EXPECT_FALSE(reader.Open(HKEY_LOCAL_MACHINE, (m_key.Path() + "\\absent").c_str()));
    EXPECT_FALSE(reader.Close()) << "a failed open leaves no key";
}

TEST_F(RegValueReaderKey, OpenReplacesTheKeyAndTheDestructorClosesIt)
{
    DWORD before = OwnHandleCount();
    ASSERT_GT(before, 0u);
    {
        CRegValueReader reader;
        ASSERT_TRUE(reader.Open(HKEY_LOCAL_MACHINE, m_key.Path().c_str()));
        ASSERT_TRUE(reader.Open(HKEY_LOCAL_MACHINE, m_key.Path().c_str()));
        EXPECT_EQ(before + 1, OwnHandleCount()) << "the first key is closed by the second Open";
    }
    EXPECT_EQ(before, OwnHandleCount());
}
