// Known cases of the plain computations, run natively under AddressSanitizer and
// UndefinedBehaviorSanitizer: any overrun or overflow fails them even where the result
// would look right. The cases are the ones the tests under Wine run.
#include "FuzzSupport.h"
#include "config/InstallLocations.h"
#include "config/VersionCompare.h"
#include "sys/FormatText.h"
#include "sys/TextToInt.h"
#include "tests/support/KnownCases.h"

#include <gtest/gtest.h>

TEST(TextToInt, ReadsAsAtoiAndSaturates)
{
    for (const CIntCase& c : kTextToIntCases)
        EXPECT_EQ(c.value, TextToInt(c.text)) << c.text;
    EXPECT_EQ(0, TextToInt(NULL));
    EXPECT_EQ(INT_MAX, TextToInt(std::string(100000, '9').c_str()));
    EXPECT_EQ(INT_MIN, TextToInt(("-" + std::string(100000, '9')).c_str()));
}

TEST(SplitByChar, PiecesEndAtTheSeparator)
{
    for (const CSplitCase& c : kSplitCases)
    {
        std::vector<std::string> list(3, "old");
        SplitByChar(list, c.text, '.');
        EXPECT_EQ(c.pieces, list) << c.text;
    }
    std::vector<std::string> list;
    SplitByChar(list, std::string(100000, '.'), '.');
    EXPECT_EQ(100000u, list.size());
}

TEST(VersionCompare, VersionTable)
{
    for (const CVersionCase& c : kVersionCases)
    {
        std::string installed = c.installed ? c.installed : "";
        SCOPED_TRACE(std::string(c.card) + " against " + installed);
        EXPECT_EQ(c.update, IsNewerVersion(c.card, installed));
        EXPECT_EQ(static_cast<size_t>(c.cardCount), VersionComponents(c.card).size());
        EXPECT_EQ(static_cast<size_t>(c.installedCount), VersionComponents(installed).size());
    }
    EXPECT_EQ(100001u, VersionComponents(std::string(100000, '.')).size());
}

TEST(InstallLocations, RootBackslashFieldAndQuotedCommands)
{
    EXPECT_EQ("E:\\pre\\pre.exe", JoinPath("E:", "pre\\pre.exe"));
    EXPECT_EQ("C:\\Temp\\", JoinPath("C:\\Temp", ""));
    EXPECT_EQ("\\", JoinPath("", ""));
    EXPECT_EQ("C:\\Temp\\\\setup.exe /s", JoinCommand("C:\\Temp\\", "setup.exe /s"));
    EXPECT_EQ("\"C:\\My Temp\\d\\setup.exe\" /s", JoinCommand("C:\\My Temp\\d", "setup.exe /s"));
    EXPECT_EQ("\"C:\\My Temp\\\"", JoinCommand("C:\\My Temp", ""));
    EXPECT_EQ("C:\\My Temp\\\"a b\" /s", JoinCommand("C:\\My Temp", "\"a b\" /s"));
    std::string big(100000, 'x');
    EXPECT_EQ("\"" + big + " \\" + big + "\"", JoinCommand(big + " ", big));
}

TEST(FormatText, HasNoLengthLimit)
{
    std::string big(100000, 'x');
    EXPECT_EQ("[" + big + "] -2147483648", FormatText("[%s] %d", big.c_str(), INT_MIN));
    EXPECT_EQ("", FormatText("%s", ""));
}
