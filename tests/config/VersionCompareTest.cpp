// The update decision: the card's AppVersion against the version in the registry, with
// its traces in order.
#include "config/SetupConfig.h"
#include "config/VersionCompare.h"
#include "sys/FormatText.h"
#include "tests/config/ConfigTestSupport.h"
#include "tests/support/KnownCases.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TraceRecorder.h"

#include <gtest/gtest.h>

TEST(SplitByChar, PiecesEndAtTheSeparatorAndTheTailIsDropped)
{
    for (const CSplitCase& c : kSplitCases)
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
    for (const CVersionCase& c : kVersionCases)
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
