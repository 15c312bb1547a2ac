// setup.ini read by the system's profile reader: required keys, the title rule, the
// integer keys and the limits on the file's path and values.
#include "config/IniReader.h"
#include "config/SetupConfig.h"
#include "tests/config/ConfigTestSupport.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <climits>

namespace
{
// The folder as the current directory for the life of the object.
class CCurrentDirectory
{
public:
    explicit CCurrentDirectory(const std::string& dir)
    {
        GetCurrentDirectoryA(MAX_PATH, m_szSaved);
        m_bChanged = SetCurrentDirectoryA(dir.c_str()) != FALSE;
    }
    ~CCurrentDirectory() { SetCurrentDirectoryA(m_szSaved); }
    bool Changed() const { return m_bChanged; }

private:
    char m_szSaved[MAX_PATH] = {0};
    bool m_bChanged;
};

// Text of the given length built from a repeating pattern, so that a cut or a shift shows.
std::string PatternText(size_t length)
{
    std::string text;
    for (size_t i = 0; i < length; ++i)
        text += static_cast<char>('a' + i % 26);
    return text;
}

// The same file named by a path of exactly the given length, padded with ".\" steps that
// the full-path resolution removes again.
std::string PaddedPath(const std::string& folder, size_t length)
{
    std::string path = folder + "\\";
    const std::string name = "setup.ini";
    if ((length - path.size() - name.size()) % 2 != 0)
        path += "x\\..\\";
    while (path.size() + name.size() < length)
        path += ".\\";
    return path + name;
}
} // namespace

class SetupFileLoad : public ::testing::Test
{
protected:
    bool Load(const CIniText& ini) { return LoadSetupText(m_folder.Path(), ini.Text(), m_config); }

    CTempFolder m_folder;
    CSetupConfig m_config;
};

TEST_F(SetupFileLoad, CompleteFileFillsEveryField)
{
    ASSERT_TRUE(Load(CIniText::Complete()));
    EXPECT_EQ("Norvane Setup", m_config.GetTitle());
    EXPECT_EQ("Norvane W1", m_config.GetProductName());
    EXPECT_EQ("pre\\prep.exe /q", m_config.GetPreinstall());
    EXPECT_EQ(1, m_config.GetInstallApp());
    EXPECT_EQ(1, m_config.GetAutoRunApp());
    EXPECT_EQ("Driver", m_config.GetDriverSourcePath());
    EXPECT_EQ("NorvaneDrv", m_config.GetDriverDestPath());
    EXPECT_EQ("DrvSetup.exe /s", m_config.GetDriverSetupCmd());
    EXPECT_EQ(1, m_config.GetAppType());
    EXPECT_EQ("1.2.3", m_config.GetAppVersion());
    EXPECT_EQ("NorvaneApp", m_config.GetAppDestPath());
    EXPECT_EQ("App", m_config.GetAppSourcePath());
    EXPECT_EQ("AppSetup.exe", m_config.GetAppSetupCmd());
    EXPECT_EQ("Software\\Norvane\\Connect", m_config.GetAppRegKeyPath());
    EXPECT_EQ("Version", m_config.GetAppRegKeyVersion());
}

struct RequiredKey
{
    const char* section;
    const char* key;
};

// A missing key fails the load, but the reads go on: every other key still lands.
TEST_F(SetupFileLoad, AnyMissingRequiredKeyFailsButTheRestIsRead)
{
    const RequiredKey keys[] = {
        {"SETUP", "EnglishTitle"},    {"SETUP", "ProductName"},     {"SETUP", "Preinstall"},
        {"SETUP", "InstallApp"},      {"SETUP", "AutoRunApp"},      {"Driver", "DriverSourcePath"},
        {"Driver", "DriverDestPath"}, {"Driver", "DriverSetupCmd"}, {"APP", "AppType"},
        {"APP", "AppVersion"},        {"APP", "AppDestPath"},       {"APP", "AppSourcePath"},
        {"APP", "AppSetupCmd"},       {"APP", "AppRegKeyPath"},     {"APP", "AppRegKeyVersion"},
    };
    for (const RequiredKey& k : keys)
    {
        SCOPED_TRACE(std::string(k.section) + "/" + k.key);
        CSetupConfig config;
        std::string key = k.key;
        EXPECT_FALSE(LoadSetupText(m_folder.Path(),
                                   CIniText::Complete().Remove(k.section, k.key).Text(), config));
        EXPECT_EQ(key == "EnglishTitle" ? "" : "Norvane Setup", config.GetTitle());
        EXPECT_EQ(key == "Preinstall" ? "" : "pre\\prep.exe /q", config.GetPreinstall());
        EXPECT_EQ(key == "DriverSetupCmd" ? "" : "DrvSetup.exe /s", config.GetDriverSetupCmd());
        // Without InstallApp the section APP is not read at all.
        const char* version = key == "InstallApp" || key == "AppRegKeyVersion" ? "" : "Version";
        EXPECT_EQ(version, config.GetAppRegKeyVersion());
    }
}

TEST_F(SetupFileLoad, EmptyPreinstallIsPresentAndNamesNoProgram)
{
    ASSERT_TRUE(Load(CIniText::Complete().Set("SETUP", "Preinstall", "")));
    EXPECT_EQ("", m_config.GetPreinstall());
    EXPECT_EQ("", m_config.GetPreinstallPath());
}

TEST_F(SetupFileLoad, InstallAppWordReadsAsZeroAndSkipsTheAppSection)
{
    ASSERT_TRUE(Load(CIniText::Complete().Set("SETUP", "InstallApp", "yes")));
    EXPECT_EQ(0, m_config.GetInstallApp());
    EXPECT_EQ(0, m_config.GetAutoRunApp()) << "AutoRunApp=1 is overruled without an app";
    EXPECT_EQ("", m_config.GetAppVersion());
    EXPECT_EQ("", m_config.GetAppRegKeyPath());
    EXPECT_EQ("", m_config.GetAppSetupCmd());
}

TEST_F(SetupFileLoad, InstallAppDigitThenLettersIsOne)
{
    ASSERT_TRUE(Load(CIniText::Complete().Set("SETUP", "InstallApp", "1abc")));
    EXPECT_EQ(1, m_config.GetInstallApp());
    EXPECT_EQ("1.2.3", m_config.GetAppVersion());
}

TEST_F(SetupFileLoad, NoAppSectionIsFineWhenNoAppIsCarried)
{
    EXPECT_TRUE(Load(CIniText::Complete().Set("SETUP", "InstallApp", "0").RemoveSection("APP")));
    EXPECT_EQ(0, m_config.GetInstallApp());
}

TEST_F(SetupFileLoad, MissingAppSectionFailsButKeepsTheOtherFields)
{
    EXPECT_FALSE(Load(CIniText::Complete().RemoveSection("APP")));
    EXPECT_EQ("Norvane Setup", m_config.GetTitle());
    EXPECT_EQ("pre\\prep.exe /q", m_config.GetPreinstall());
    EXPECT_EQ("Driver", m_config.GetDriverSourcePath());
    EXPECT_EQ("NorvaneDrv", m_config.GetDriverDestPath());
    EXPECT_EQ("DrvSetup.exe /s", m_config.GetDriverSetupCmd());
}

// "数据卡安装程序" leaves the compiler as GBK, so the file holds GBK bytes.
const char kChineseTitle[] = "数据卡安装程序";

TEST_F(SetupFileLoad, ChineseTitleIsTheCaptionOnlyOnAChineseSystem)
{
    ASSERT_TRUE(Load(CIniText::Complete().Set("SETUP", "ChineseTitle", kChineseTitle)));
    EXPECT_EQ(TestLanguage() == "zh" ? kChineseTitle : "Norvane Setup", m_config.GetTitle());
}

TEST_F(SetupFileLoad, MissingOrEmptyChineseTitleKeepsTheEnglishOne)
{
    ASSERT_TRUE(Load(CIniText::Complete().Set("SETUP", "ChineseTitle", "")));
    EXPECT_EQ("Norvane Setup", m_config.GetTitle());

    CSetupConfig config;
    ASSERT_TRUE(LoadSetupText(m_folder.Path(), CIniText::Complete().Text(), config));
    EXPECT_EQ("Norvane Setup", config.GetTitle());
}

TEST_F(SetupFileLoad, ChineseTitleDoesNotStandInForAMissingEnglishTitle)
{
    EXPECT_FALSE(Load(CIniText::Complete()
                          .Remove("SETUP", "EnglishTitle")
                          .Set("SETUP", "ChineseTitle", kChineseTitle)));
    EXPECT_EQ(TestLanguage() == "zh" ? kChineseTitle : "", m_config.GetTitle());
}

TEST_F(SetupFileLoad, LongTextKeepsItsFirst1023Bytes)
{
    std::string value = PatternText(2000);
    ASSERT_TRUE(Load(CIniText::Complete()
                         .Set("SETUP", "ProductName", value)
                         .Set("APP", "AppVersion", PatternText(1023))));
    EXPECT_EQ(value.substr(0, 1023), m_config.GetProductName());
    EXPECT_EQ(PatternText(1023), m_config.GetAppVersion());
}

TEST_F(SetupFileLoad, HugeIntegersSaturate)
{
    ASSERT_TRUE(Load(CIniText::Complete()
                         .Set("SETUP", "InstallApp", std::string(150, '9'))
                         .Set("SETUP", "AutoRunApp", "-" + std::string(150, '7'))
                         .Set("APP", "AppType", "2147483648")));
    EXPECT_EQ(INT_MAX, m_config.GetInstallApp());
    EXPECT_EQ(INT_MIN, m_config.GetAutoRunApp());
    EXPECT_EQ(INT_MAX, m_config.GetAppType());
}

TEST_F(SetupFileLoad, IntegerTextIsCutAt99Bytes)
{
    ASSERT_TRUE(Load(CIniText::Complete()
                         .Set("SETUP", "AutoRunApp", std::string(98, '0') + "7")
                         .Set("APP", "AppType", std::string(99, '0') + "7")));
    EXPECT_EQ(7, m_config.GetAutoRunApp()) << "99 bytes are read whole";
    EXPECT_EQ(0, m_config.GetAppType()) << "the 100th byte is not looked at";
}

TEST_F(SetupFileLoad, PathOf260BytesOrEmptyReadsNothing)
{
    ASSERT_TRUE(WriteTextFile(m_folder / "setup.ini", CIniText::Complete().Text()));
    ASSERT_LT(m_folder.Path().size() + 20, 259u);

    CSetupConfig tooLong;
    EXPECT_FALSE(tooLong.Load(PaddedPath(m_folder.Path(), 260)));
    EXPECT_EQ("", tooLong.GetTitle()) << "no key may be read through a refused path";
    CSetupConfig farTooLong;
    EXPECT_FALSE(farTooLong.Load(PaddedPath(m_folder.Path(), 1000)));
    EXPECT_EQ("", farTooLong.GetTitle());
    CSetupConfig empty;
    EXPECT_FALSE(empty.Load(""));
    EXPECT_EQ("", empty.GetTitle());

    CSetupConfig longest;
    EXPECT_TRUE(longest.Load(PaddedPath(m_folder.Path(), 259)));
    EXPECT_EQ("Norvane Setup", longest.GetTitle());
}

// A short relative name can resolve to a full path longer than the buffer; that must
// fail rather than leave an unfilled path behind as success.
TEST_F(SetupFileLoad, RelativeNameIsResolvedAndMayNotOutgrowTheBuffer)
{
    ASSERT_TRUE(WriteTextFile(m_folder / "setup.ini", CIniText::Complete().Text()));
    CCurrentDirectory current(m_folder.Path());
    ASSERT_TRUE(current.Changed());

    ASSERT_TRUE(m_config.Load("setup.ini"));
    EXPECT_EQ("Norvane Setup", m_config.GetTitle());

    // The folder, a backslash, then the relative name: 259 bytes fit, 260 do not.
    size_t room = 259 - m_folder.Path().size() - 1;
    std::string fits = PatternText(room - 4) + ".ini";
    CIniReader reader;
    EXPECT_TRUE(reader.SetPath(fits.c_str()));
    EXPECT_FALSE(reader.SetPath(("x" + fits).c_str()));
    std::string deep = PatternText(150) + "\\" + PatternText(100);
    ASSERT_LT(deep.size(), 260u);
    EXPECT_FALSE(reader.SetPath(deep.c_str()));
}

class IniReaderKeys : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(WriteTextFile(m_folder / "t.ini", "[S]\r\nEmpty=\r\nText=abc\r\nNum=42\r\n"));
        ASSERT_TRUE(m_reader.SetPath((m_folder / "t.ini").c_str()));
    }

    CTempFolder m_folder;
    CIniReader m_reader;
};

TEST_F(IniReaderKeys, MissingKeyEmptiesTheTextButLeavesTheNumber)
{
    std::string text = "old";
    EXPECT_FALSE(m_reader.ReadString("S", "Nothing", text));
    EXPECT_EQ("", text);
    text = "old";
    EXPECT_FALSE(m_reader.ReadString("Other", "Text", text)) << "missing section";
    EXPECT_EQ("", text);

    int number = 77;
    EXPECT_FALSE(m_reader.ReadInt("S", "Nothing", number));
    EXPECT_EQ(77, number);
}

TEST_F(IniReaderKeys, EmptyValueIsPresent)
{
    std::string text = "old";
    EXPECT_TRUE(m_reader.ReadString("S", "Empty", text));
    EXPECT_EQ("", text);
    int number = 77;
    EXPECT_TRUE(m_reader.ReadInt("S", "Empty", number));
    EXPECT_EQ(0, number);
    EXPECT_TRUE(m_reader.ReadInt("S", "Num", number));
    EXPECT_EQ(42, number);
}

TEST_F(IniReaderKeys, MissingFileAndNullArgumentsReadAsMissing)
{
    std::string text;
    EXPECT_FALSE(m_reader.ReadString(NULL, "Text", text));
    EXPECT_FALSE(m_reader.ReadString("S", NULL, text));
    int number = 5;
    EXPECT_FALSE(m_reader.ReadInt(NULL, "Num", number));
    EXPECT_EQ(5, number);

    CIniReader absent;
    ASSERT_TRUE(absent.SetPath((m_folder / "absent.ini").c_str()));
    EXPECT_FALSE(absent.ReadString("S", "Text", text));
    EXPECT_FALSE(absent.SetPath(NULL));
    EXPECT_FALSE(absent.SetPath(""));
}
