// The update decision: the card's AppVersion against the version in the registry, with
// its traces in order.
#include "config/SetupConfig.h"
#include "config/VersionCompare.h"
#include "sys/FormatText.h"
#include "tests/config/ConfigTestSupport.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TraceRecorder.h"

#include <gtest/gtest.h>

struct SplitCase
{
    const char* text;
    std::vector<std::string> pieces;
};

TEST(SplitByChar, PiecesEndAtTheSeparatorAndTheTailIsDropped)
{
    const SplitCase cases[] = {
        {"1.2.3", {"1", "2"}},
        {"1.2.3.", {"1", "2", "3"}},
        {"1..2.", {"1", "", "2"}},
        {".", {""}},
        {"..", {"", ""}},
        {"123", {}},
        {"", {}},
    };
    for (const SplitCase& c : cases)
    {
        SCOPED_TRACE(c.text);
        std::vector<std::string> list(3, "old");
        SplitByChar(list, c.text, '.');
        EXPECT_EQ(c.pieces, list);
    }
    std::vector<std::string> list;
    SplitByChar(list, "a,b.c,", ',');
    EXPECT_EQ(std::vector<std::string>({"a", "b.c"}), list);
}

struct VersionCase
{
    const char* card;
    const char* installed; // NULL: no version value in the key
    int cardCount;
    int installedCount;
    bool update;
};

const VersionCase kVersionCases[] = {
    // Nothing installed: the card's application goes on, whatever its version.
    {"1.0.2", NULL, 3, 1, true},
    {"0.9", NULL, 2, 1, true},
    {"0.9", "", 2, 1, true},
    {"0", "", 1, 1, true},
    // Components compare as numbers.
    {"1.10", "1.9", 2, 2, true},
    {"1.9", "1.10", 2, 2, false},
    {"2.0", "1.9.9", 2, 3, true},
    {"1.2.3", "1.2.3", 3, 3, false},
    {"1.2.3", "1.2.4", 3, 3, false},
    {"01.2", "1.2", 2, 2, false},
    {"1.2b", "1.2", 2, 2, false},
    {"1.3b", "1.2", 2, 2, true},
    {"V1", "0", 1, 1, false},
    {"V2.1", "0.0", 2, 2, true},
    {"1..3", "1.0.2", 3, 3, true},
    {"1.2.", "1.2", 3, 2, false},
    {"-1", "0", 1, 1, false},
    // A component the shorter version lacks is worth 0.
    {"1.2.1", "1.2", 3, 2, true},
    {"1.2", "1.2.0", 2, 3, false},
    {"1.2", "1.2.1", 2, 3, false},
    {"1.2.0.0.1", "1.2", 5, 2, true},
    // Digits beyond the 32-bit range are the largest value, not undefined.
    {"99999999999", "2147483646", 1, 1, true},
    {"99999999999", "2147483647", 1, 1, false},
    {"1.5", "1.99999999999", 2, 2, false},
    {"1.99999999999.1", "1.4294967297.0", 3, 3, true},
    // Card texts are traced as they are, never used as a format.
    {"1.%s%n", "1.0", 2, 2, false},
};

class UpdateDecision : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_key.IsOpen()); }

    void LoadCard(const std::string& appVersion)
    {
        ASSERT_TRUE(LoadSetupText(m_folder.Path(),
                                  CIniText::Complete()
                                      .Set("APP", "AppVersion", appVersion)
                                      .Set("APP", "AppRegKeyPath", m_key.Path())
                                      .Set("APP", "AppRegKeyVersion", "DisplayVersion")
                                      .Text(),
                                  m_config));
    }

    // The four traces one decision sends.
    static std::vector<std::string> Traces(const std::string& card, const std::string& installed,
                                           int cardCount, int installedCount, bool update)
    {
        return std::vector<std::string>{
            "数据卡上的应用版本为：" + card + "\n",
            "本机安装的应用版本为：" + installed + "\n",
            FormatText("大小%d,%d\n", cardCount, installedCount),
            update ? "本机应用版本较老，需要更新\n" : "本机应用版本较新，不需要更新\n",
        };
    }

    CTempFolder m_folder;
    CTestRegKey m_key;
    CSetupConfig m_config;
};

TEST_F(UpdateDecision, VersionTable)
{
    for (const VersionCase& c : kVersionCases)
    {
        std::string installed = c.installed ? c.installed : "";
        SCOPED_TRACE(std::string(c.card) + " against " + (c.installed ? installed : "nothing"));
        m_key.DeleteValue("DisplayVersion");
        if (c.installed)
        {
            ASSERT_TRUE(m_key.SetString("DisplayVersion", installed));
        }
        LoadCard(c.card);

        CTraceRecorder recorder;
        EXPECT_EQ(c.update, m_config.IsUpdateNeeded());
        EXPECT_EQ(Traces(c.card, installed, c.cardCount, c.installedCount, c.update),
                  recorder.Texts());
    }
}

TEST_F(UpdateDecision, NoRegistryKeyMeansInstall)
{
    ASSERT_TRUE(LoadSetupText(m_folder.Path(),
                              CIniText::Complete()
                                  .Set("APP", "AppVersion", "0.9.1")
                                  .Set("APP", "AppRegKeyPath", m_key.Path() + "\\absent")
                                  .Text(),
                              m_config));
    CTraceRecorder recorder;
    EXPECT_TRUE(m_config.IsUpdateNeeded());
    EXPECT_EQ(Traces("0.9.1", "", 3, 1, true), recorder.Texts());
}

// A version too long to be read is no version at all.
TEST_F(UpdateDecision, UnreadableInstalledVersionMeansInstall)
{
    ASSERT_TRUE(m_key.SetString("DisplayVersion", "9." + std::string(300, '9')));
    LoadCard("0.1");
    CTraceRecorder recorder;
    EXPECT_TRUE(m_config.IsUpdateNeeded());
    EXPECT_EQ(Traces("0.1", "", 2, 1, true), recorder.Texts());
}
