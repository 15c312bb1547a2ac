// setupcheck on CD folders laid out by the tests: what it must name before a card ships,
// and that it never calls an incomplete folder complete.
#include "config/SetupConfig.h"
#include "sys/FormatText.h"
#include "sys/StagingFolder.h"
#include "sys/SystemPaths.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TraceMatch.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace
{
struct CIniKey
{
    std::string strSection;
    std::string strKey;
    std::string strValue;
    bool bRequired;
};

// A setup.ini for which setup.exe needs everything; kept apart from the checker's own key
// list so that a key the checker forgets shows here.
std::vector<CIniKey> CompleteKeys()
{
    return {
        {"SETUP", "EnglishTitle", "Norvane Connect Setup", true},
        {"SETUP", "ChineseTitle", "诺凡无线上网卡安装程序", false},
        {"SETUP", "ProductName", "Norvane Connect", true},
        {"SETUP", "Preinstall", "", true},
        {"SETUP", "InstallApp", "1", true},
        {"SETUP", "AutoRunApp", "1", true},
        {"Driver", "DriverSourcePath", "driver", true},
        {"Driver", "DriverDestPath", "NorvaneDriver", true},
        {"Driver", "DriverSetupCmd", "drvsetup.exe", true},
        {"APP", "AppType", "1", true},
        {"APP", "AppVersion", "2.1.0", true},
        {"APP", "AppDestPath", "NorvaneApp", true},
        {"APP", "AppSourcePath", "app", true},
        {"APP", "AppSetupCmd", "appsetup.exe", true},
        {"APP", "AppRegKeyPath", "SOFTWARE\\Norvane\\NorvaneConnect", true},
        {"APP", "AppRegKeyVersion", "Version", true},
    };
}

} // namespace

class SetupCheckTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_keys = CompleteKeys();
        ASSERT_TRUE(MakeDirectory(m_cd / "driver"));
        ASSERT_TRUE(MakeDirectory(m_cd / "app"));
        for (const char* program : {"setup.exe", "driver\\drvsetup.exe", "app\\appsetup.exe"})
            ASSERT_TRUE(PlaceProgram(program));
    }

    // The headers of a program for machine, as setupcheck looks into them, at path below the
    // CD: whatever the tests themselves are built for.
    bool PlaceProgram(const std::string& path, WORD machine = IMAGE_FILE_MACHINE_I386,
                      const std::string& more = std::string())
    {
        IMAGE_DOS_HEADER dos = {};
        dos.e_magic = IMAGE_DOS_SIGNATURE;
        dos.e_lfanew = sizeof(dos);
        IMAGE_NT_HEADERS32 nt = {};
        nt.Signature = IMAGE_NT_SIGNATURE;
        nt.FileHeader.Machine = machine;
        nt.OptionalHeader.Magic = IMAGE_NT_OPTIONAL_HDR32_MAGIC;
        std::string bytes(reinterpret_cast<const char*>(&dos), sizeof(dos));
        bytes.append(reinterpret_cast<const char*>(&nt), sizeof(nt));
        return WriteTextFile(m_cd / path, bytes + more);
    }

    void Set(const std::string& key, const std::string& value)
    {
        for (CIniKey& entry : m_keys)
        {
            if (entry.strKey == key)
                entry.strValue = value;
        }
    }

    void Remove(const std::string& key)
    {
        for (size_t i = 0; i < m_keys.size(); ++i)
        {
            if (m_keys[i].strKey == key)
                m_keys.erase(m_keys.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }

    void RemoveSection(const std::string& section)
    {
        std::vector<CIniKey> kept;
        for (const CIniKey& entry : m_keys)
        {
            if (entry.strSection != section)
                kept.push_back(entry);
        }
        m_keys = kept;
    }

    void WriteIni() { ASSERT_TRUE(WriteTextFile(IniPath(), IniText())); }

    // The file as Windows' editors write it: CRLF, GBK.
    std::string IniText() const
    {
        std::string text;
        std::string section;
        for (const CIniKey& entry : m_keys)
        {
            if (entry.strSection != section)
            {
                section = entry.strSection;
                text += "[" + section + "]\r\n";
            }
            text += entry.strKey + "=" + entry.strValue + "\r\n";
        }
        return text;
    }

    std::string IniPath() const { return m_cd / "setup.ini"; }

    CProgramResult Check(const std::string& options = std::string())
    {
        WriteIni();
        return CheckFolder(m_cd.Path(), options);
    }

    // The exit code, and finding as the start of one line of the report; with finding
    // empty, no problem and no warning at all.
    static void ExpectFinding(const CProgramResult& result, DWORD exitCode, const char* finding)
    {
        EXPECT_EQ(exitCode, result.dwExitCode) << result.strOutput;
        if (*finding)
            EXPECT_EQ(1, CountLines(result.strOutput, finding)) << result.strOutput;
        else
            EXPECT_EQ(0, CountLines(result.strOutput, "WARNING:") +
                             CountLines(result.strOutput, "PROBLEM:"))
                << result.strOutput;
    }

    static CProgramResult CheckFolder(const std::string& folder, const std::string& options)
    {
        return RunProgram(ProgramCommand("setupcheck.exe", options + " \"" + folder + "\""));
    }

    CTempFolder m_cd{"cd"};
    std::vector<CIniKey> m_keys;
};

TEST_F(SetupCheckTest, CompleteFolderPasses)
{
    CProgramResult result = Check();
    ASSERT_TRUE(result.bStarted);
    EXPECT_EQ(0u, result.dwExitCode) << result.strOutput;
    EXPECT_EQ(0, CountLines(result.strOutput, "PROBLEM:")) << result.strOutput;
    EXPECT_NE(std::string::npos, result.strOutput.find("Result: the CD folder is complete\n"));
}

// A key the checker's list lacks would let a setup.ini pass that setup.exe refuses.
TEST_F(SetupCheckTest, NamesEachMissingRequiredKeyAndFails)
{
    for (const CIniKey& key : CompleteKeys())
    {
        if (!key.bRequired)
            continue;
        SCOPED_TRACE(key.strKey);
        m_keys = CompleteKeys();
        Remove(key.strKey);
        CProgramResult result = Check();
        EXPECT_EQ(1u, result.dwExitCode) << result.strOutput;
        std::string named = FormatText("PROBLEM: setup.ini lacks the key %s in section [%s]\n",
                                       key.strKey.c_str(), key.strSection.c_str());
        EXPECT_NE(std::string::npos, result.strOutput.find(named)) << result.strOutput;
        // The missing key is the only problem: no follow-on complaint about paths built
        // from an empty value.
        EXPECT_EQ(1, CountLines(result.strOutput, "PROBLEM:")) << result.strOutput;
        // setup.exe itself refuses the same file, so the list and the loader agree.
        CSetupConfig config;
        EXPECT_FALSE(config.Load(IniPath()));
    }
}

TEST_F(SetupCheckTest, NamesSeveralMissingKeysAtOnce)
{
    Remove("ProductName");
    Remove("DriverDestPath");
    Remove("AppRegKeyVersion");
    CProgramResult result = Check();
    EXPECT_EQ(1u, result.dwExitCode);
    EXPECT_EQ(3, CountLines(result.strOutput, "PROBLEM: setup.ini lacks the key"))
        << result.strOutput;
    EXPECT_NE(std::string::npos, result.strOutput.find("Result: 3 problems"));
}

// Section "APP" is required exactly when setup.exe reads it: InstallApp not 0 as atoi reads it.
TEST_F(SetupCheckTest, AppSectionFollowsInstallAppAsSetupReadsIt)
{
    struct CCase
    {
        const char* pszInstallApp;
        DWORD dwExitCode;
    };
    const CCase cases[] = {{"0", 0}, {"yes", 0}, {"", 0}, {"1", 1}, {"1abc", 1}, {"-2", 1}};
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.pszInstallApp);
        m_keys = CompleteKeys();
        Set("InstallApp", c.pszInstallApp);
        RemoveSection("APP");
        CProgramResult result = Check();
        EXPECT_EQ(c.dwExitCode, result.dwExitCode) << result.strOutput;
        bool namesAppType =
            result.strOutput.find("lacks the key AppType in section [APP]") != std::string::npos;
        EXPECT_EQ(c.dwExitCode == 1, namesAppType) << result.strOutput;
    }
}

TEST_F(SetupCheckTest, ChineseTitleIsOptional)
{
    Remove("ChineseTitle");
    CProgramResult result = Check();
    EXPECT_EQ(0u, result.dwExitCode) << result.strOutput;
    EXPECT_EQ("Norvane Connect Setup", ReportValue(result.strOutput, "Title on Chinese systems"));
}

TEST_F(SetupCheckTest, PrintsBothTitlesAndTheChineseOneAsUtf8OnRequest)
{
    CProgramResult raw = Check();
    EXPECT_EQ("诺凡无线上网卡安装程序", ReportValue(raw.strOutput, "Title on Chinese systems"));
    EXPECT_EQ("Norvane Connect Setup", ReportValue(raw.strOutput, "Title on other systems"));

    CProgramResult utf8 = Check("--utf8");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(u8"诺凡无线上网卡安装程序")),
              ReportValue(utf8.strOutput, "Title on Chinese systems"));

    // An empty ChineseTitle leaves the English one on Chinese systems too.
    Set("ChineseTitle", "");
    CProgramResult empty = Check();
    EXPECT_EQ("Norvane Connect Setup", ReportValue(empty.strOutput, "Title on Chinese systems"));
}

// Sources as setup.exe started from the CD folder forms them; destinations and commands in
// the folder it makes anew in the Windows folder's Temp on every run, whose name is
// stood in for; each by root, one backslash, field.
TEST_F(SetupCheckTest, PrintsThePathsSetupDerives)
{
    Set("DriverDestPath", "");
    CProgramResult result = Check();
    std::string temp = WindowsTempDir() + "\\NorvaneSetup.XXXXXXXXXXXXXXXX";
    EXPECT_EQ(temp + " (a new name each run)",
              ReportValue(result.strOutput, "Packages copied below"));
    EXPECT_EQ(m_cd / "driver", ReportValue(result.strOutput, "Driver source"));
    EXPECT_EQ(temp + "\\", ReportValue(result.strOutput, "Driver destination"));
    EXPECT_EQ(temp + "\\\\drvsetup.exe", ReportValue(result.strOutput, "Driver installer command"));
    EXPECT_EQ(m_cd / "app", ReportValue(result.strOutput, "Application source"));
    EXPECT_EQ(temp + "\\NorvaneApp", ReportValue(result.strOutput, "Application destination"));
    EXPECT_EQ(temp + "\\NorvaneApp\\appsetup.exe",
              ReportValue(result.strOutput, "Application installer command"));
    EXPECT_EQ("none", ReportValue(result.strOutput, "Pre-install command"));
}

TEST_F(SetupCheckTest, FailsOnAMissingInstallerOrPackageFolder)
{
    struct CCase
    {
        const char* pszRemove;
        const char* pszProblem;
    };
    const CCase cases[] = {
        {"driver\\drvsetup.exe", "the driver installer (DriverSetupCmd) is missing: no file "},
        {"app\\appsetup.exe", "the application installer (AppSetupCmd) is missing: no file "},
        {"app", "the application package folder (AppSourcePath) is missing"},
        {"driver", "the driver package folder (DriverSourcePath) is missing"},
        {"setup.exe", "setup.exe is missing from the CD folder"},
    };
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.pszRemove);
        SetUp();
        std::string path = m_cd / c.pszRemove;
        if (IsDirectory(path))
            RemoveTree(path);
        else
            DeleteFileA(path.c_str());
        CProgramResult result = Check();
        EXPECT_EQ(1u, result.dwExitCode) << result.strOutput;
        EXPECT_NE(std::string::npos, result.strOutput.find(c.pszProblem)) << result.strOutput;
        EXPECT_EQ(1, CountLines(result.strOutput, "PROBLEM:")) << result.strOutput;
    }
}

TEST_F(SetupCheckTest, NamesTheMissingInstallerFileWithItsFolder)
{
    DeleteFileA((m_cd / "driver\\drvsetup.exe").c_str());
    Set("DriverSetupCmd", "drvsetup.exe /S");
    CProgramResult result = Check();
    EXPECT_NE(std::string::npos,
              result.strOutput.find("no file " + (m_cd / "driver\\drvsetup.exe") + "\n"))
        << result.strOutput;
}

// The installer is the program Windows would start for the unquoted command line.
TEST_F(SetupCheckTest, FindsTheInstallerOfACommandWithArguments)
{
    ASSERT_TRUE(PlaceProgram("driver\\drv setup.exe"));
    struct CCase
    {
        const char* pszCommand;
        DWORD dwExitCode;
    };
    const CCase cases[] = {
        {"drvsetup.exe /S", 0},
        {"drvsetup.exe /v\"a b\" /S", 0},
        {"drvsetup /S", 0},
        {"drv setup.exe /quiet", 0},
        {"other.exe /S", 1},
        {"drvsetup.exe.bak /S", 1},
        {"\"drvsetup.exe\" /S", 1},
        {"", 1},
        // setup.exe runs the command from the copy: ".." is resolved from there.
        {"..\\NorvaneDriver\\drvsetup.exe /S", 0},
        {"sub\\..\\drvsetup.exe /S", 0},
        {"..\\drvsetup.exe /S", 1},
    };
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.pszCommand);
        Set("DriverSetupCmd", c.pszCommand);
        CProgramResult result = Check();
        EXPECT_EQ(c.dwExitCode, result.dwExitCode) << result.strOutput;
    }
}

TEST_F(SetupCheckTest, ChecksThePreinstallProgramOnTheCd)
{
    Set("Preinstall", "tools\\prep.exe --quiet");
    CProgramResult missing = Check();
    EXPECT_EQ(1u, missing.dwExitCode);
    EXPECT_NE(std::string::npos,
              missing.strOutput.find("the pre-install program (Preinstall) is missing: no file " +
                                     (m_cd / "tools\\prep.exe")))
        << missing.strOutput;

    ASSERT_TRUE(MakeDirectory(m_cd / "tools"));
    ASSERT_TRUE(PlaceProgram("tools\\prep.exe"));
    CProgramResult present = Check();
    EXPECT_EQ(0u, present.dwExitCode) << present.strOutput;
    EXPECT_EQ(m_cd / "tools\\prep.exe --quiet",
              ReportValue(present.strOutput, "Pre-install command"));
}

TEST_F(SetupCheckTest, FailsWithoutSetupIniOrFolder)
{
    CProgramResult noIni = CheckFolder(m_cd.Path(), "");
    EXPECT_EQ(1u, noIni.dwExitCode);
    EXPECT_NE(std::string::npos, noIni.strOutput.find("PROBLEM: setup.ini is missing"));

    CProgramResult noFolder = CheckFolder(m_cd / "absent", "");
    EXPECT_EQ(1u, noFolder.dwExitCode);
    EXPECT_EQ(1, CountLines(noFolder.strOutput, "PROBLEM:")) << noFolder.strOutput;
}

TEST_F(SetupCheckTest, RefusesWrongArguments)
{
    EXPECT_EQ(2u, RunProgram(ProgramCommand("setupcheck.exe", "")).dwExitCode);
    EXPECT_EQ(2u, RunProgram(ProgramCommand("setupcheck.exe", "--bogus x")).dwExitCode);
    EXPECT_EQ(2u, RunProgram(ProgramCommand("setupcheck.exe", "a b")).dwExitCode);
}

// setup.exe's own comparison, card version 2.1.0, for the installed version given.
TEST_F(SetupCheckTest, PrintsTheUpdateDecisionForAnInstalledVersion)
{
    struct CCase
    {
        const char* pszInstalled;
        bool bUpdate;
    };
    const CCase cases[] = {
        {"1.2", true},    {"2.0.9", true}, {"1.10.0", true}, {"2.1.0", false},
        {"2.1.1", false}, {"3.0", false},  {"10", false},
    };
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.pszInstalled);
        CProgramResult result = Check(FormatText("--installed %s", c.pszInstalled));
        EXPECT_EQ(0u, result.dwExitCode) << result.strOutput;
        std::string decision =
            ReportValue(result.strOutput, std::string("Update over installed ") + c.pszInstalled);
        EXPECT_EQ(c.bUpdate ? "yes: setup.exe copies and runs the application installer"
                            : "no: setup.exe keeps the installed application",
                  decision)
            << result.strOutput;

        // The installed version stood in a key of the checker's own, gone with it, whatever
        // its name: nothing is left where the checker makes its keys.
        HKEY key = NULL;
        LONG open =
            RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\NorvaneSetupCheck", 0, KEY_READ, &key);
        if (open == ERROR_SUCCESS)
            RegCloseKey(key);
        EXPECT_EQ(ERROR_FILE_NOT_FOUND, open) << "the checker left a key behind";
    }
}

TEST_F(SetupCheckTest, UpdateDecisionWithNothingInstalledAndWithoutApplication)
{
    CProgramResult none = Check("--installed \"\"");
    EXPECT_EQ(0u, none.dwExitCode) << none.strOutput;
    EXPECT_EQ("yes: setup.exe copies and runs the application installer",
              ReportValue(none.strOutput, "Update with nothing installed"));

    Set("InstallApp", "0");
    CProgramResult noApp = Check("--installed 1.0");
    EXPECT_EQ(0u, noApp.dwExitCode) << noApp.strOutput;
    EXPECT_EQ("no: the card carries no application",
              ReportValue(noApp.strOutput, "Update over installed 1.0"));

    Set("InstallApp", "1");
    Remove("AppVersion");
    CProgramResult broken = Check("--installed 1.0");
    EXPECT_EQ(1u, broken.dwExitCode);
    EXPECT_EQ("cannot tell: setup.ini does not load",
              ReportValue(broken.strOutput, "Update over installed 1.0"));
}

// The same bytes on a Chinese (936) and an English (1252) system: what either loses is a
// problem, as is what Chinese systems cannot show; what is only unusual is a warning.
TEST_F(SetupCheckTest, JudgesTheFileForChineseAndEnglishSystemsAlike)
{
    const std::string gbk = IniText();
    // "诺凡卡" in UTF-8, three bytes a character, as a UTF-8 editor saves the Chinese title:
    // read as GBK, its last byte starts a character that takes the line end.
    std::string utf8 = ReplaceAll(gbk, "ChineseTitle=" + m_keys[1].strValue,
                                  "ChineseTitle=\xE8\xAF\xBA\xE5\x87\xA1\xE5\x8D\xA1");
    std::string utf16 = "\xFF\xFE";
    for (char c : ReplaceAll(gbk, m_keys[1].strValue, "x"))
        utf16 += std::string(1, c) + '\0';
    const struct
    {
        const char* name;
        std::string bytes;
        DWORD exitCode;
        const char* finding; // the start of a line the report must hold; "" for none
    } cases[] = {
        {"GBK, CRLF", gbk, 0, ""},
        {"UTF-16", utf16, 0, ""},
        {"LF alone", ReplaceAll(gbk, "\r\n", "\n"), 0,
         "WARNING: setup.ini has line ends without CR"},
        {"UTF-8 title, LF", ReplaceAll(utf8, "\r\n", "\n"), 1,
         "PROBLEM: on Chinese systems (code page 936) setup.exe does not find SETUP/ProductName"},
        {"UTF-8 title, CRLF", utf8, 1, "PROBLEM: setup.ini line 3 is written in UTF-8"},
        // Six bytes that are GBK characters too, but of no Chinese text a card maker writes.
        {"UTF-8 title of whole GBK pairs",
         ReplaceAll(gbk, "ChineseTitle=" + m_keys[1].strValue,
                    "ChineseTitle=\xE8\xAF\xBA\xE5\x87\xA1"),
         1, "PROBLEM: setup.ini line 3 is written in UTF-8"},
        {"UTF-8 mark", "\xEF\xBB\xBF" + gbk, 1,
         "PROBLEM: on English systems (code page 1252) setup.exe does not find SETUP/EnglishTitle"},
        {"NUL", ReplaceAll(gbk, "ProductName=", std::string("Product\0Name=", 13)), 1,
         "PROBLEM: setup.ini holds NUL bytes (line 4)"},
        {"a key twice", gbk + "[SETUP]\r\nInstallApp=0\r\n", 0,
         "WARNING: setup.ini names SETUP/InstallApp twice"},
        {"a title that fills the line",
         ReplaceAll(gbk, "EnglishTitle=Norvane Connect Setup",
                    "EnglishTitle=" + std::string(1100, 'T')),
         0, "WARNING: EnglishTitle is longer than 1023 bytes"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(WriteTextFile(IniPath(), c.bytes));
        ExpectFinding(CheckFolder(m_cd.Path(), ""), c.exitCode, c.finding);
    }
}

// What each command starts, as Windows starts it: a package or a text is no program, a
// wrapper must find its files through %~dp0, and an installer of a known kind is asked to
// show no window that waits.
TEST_F(SetupCheckTest, CommandsNameWhatWindowsStartsSilently)
{
    ASSERT_TRUE(WriteTextFile(m_cd / "app\\app.msi", "\xD0\xCF\x11\xE0 package"));
    ASSERT_TRUE(WriteTextFile(m_cd / "app\\readme.txt", "text"));
    ASSERT_TRUE(WriteTextFile(m_cd / "app\\plain.cmd", "msiexec /i app.msi /qn\r\n"));
    ASSERT_TRUE(WriteTextFile(m_cd / "app\\wizard.cmd", "msiexec /i \"%~dp0app.msi\"\r\n"));
    ASSERT_TRUE(WriteTextFile(m_cd / "app\\quiet.cmd", "msiexec /i \"%~dp0app.msi\" /qn\r\n"));
    ASSERT_TRUE(PlaceProgram("app\\nsis.exe", IMAGE_FILE_MACHINE_I386, "NullsoftInst"));
    ASSERT_TRUE(PlaceProgram("app\\x64.exe", IMAGE_FILE_MACHINE_AMD64));
    const struct
    {
        const char* command;
        DWORD exitCode;
        const char* finding;
    } cases[] = {
        {"app.msi", 1, "PROBLEM: AppSetupCmd names a Windows Installer package"},
        {"readme.txt", 1, "PROBLEM: AppSetupCmd names "},
        {"plain.cmd", 0, "WARNING: AppSetupCmd names a batch file without %~dp0"},
        {"wizard.cmd", 0, "WARNING: AppSetupCmd starts the application installer without /qn"},
        {"quiet.cmd", 0, ""},
        {"nsis.exe", 0, "WARNING: AppSetupCmd starts the application installer without /S"},
        {"nsis.exe /s", 0, "WARNING: AppSetupCmd starts the application installer without /S"},
        {"nsis.exe /S", 0, ""},
        {"x64.exe", 0, "WARNING: AppSetupCmd names a 64-bit program"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.command);
        Set("AppSetupCmd", c.command);
        ExpectFinding(Check(), c.exitCode, c.finding);
    }
}
