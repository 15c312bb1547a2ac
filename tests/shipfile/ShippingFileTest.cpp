// The setup.exe that ships - the 32-bit file of the release build - read as a file, since
// it does not run where the tests run: what Windows reads from its headers, its manifest
// and its import table before the first instruction.
//   shipfile_tests PATH_OF_SETUP_EXE PATH_OF_XP_IMPORT_PROBE
#include "tools/pecheck/ShippingChecks.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace
{
std::string g_strPath;
std::string g_strProbePath;

const ProblemList kNone;
} // namespace

class ShippingFile : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_file = new CPeFile;
        s_bLoaded = s_file->Load(g_strPath);
    }
    static void TearDownTestSuite() { delete s_file; }

    void SetUp() override
    {
        ASSERT_TRUE(s_bLoaded) << g_strPath
                               << " is missing or no PE file: build the release preset";
        ASSERT_EQ(IMAGE_NT_OPTIONAL_HDR32_MAGIC, s_file->Nt()->OptionalHeader.Magic)
            << "not a PE32 file";
    }

    static CPeFile* s_file;
    static bool s_bLoaded;
};
CPeFile* ShippingFile::s_file = NULL;
bool ShippingFile::s_bLoaded = false;

TEST_F(ShippingFile, IsAWindowsProgramFor32BitIntelProcessors)
{
    EXPECT_EQ(kNone, CheckMachine(*s_file));
}

// setup.exe ejects the CD-ROM it was started from and goes on running.
TEST_F(ShippingFile, IsCopiedToThePageFileWhenStartedFromRemovableMedia)
{
    EXPECT_EQ(kNone, CheckRunFromSwap(*s_file));
}

// setup.exe runs as administrator and reads what others wrote: its image is not to sit
// where an attacker can predict it.
TEST_F(ShippingFile, IsLoadedAtARandomAddress)
{
    EXPECT_EQ(kNone, CheckRandomAddress(*s_file));
}

// A smaller image loads sooner from a slow card CD, and with the swap-run flag Windows
// copies all of it to the page file before the first instruction.
TEST_F(ShippingFile, StaysWithinItsSizeBudget)
{
    const size_t kBudget = 48 * 1024;
    EXPECT_LE(s_file->Bytes().size(), kBudget)
        << "setup.exe is " << s_file->Bytes().size() << " bytes, over its budget of " << kBudget;
}

TEST_F(ShippingFile, CarriesItsTrueChecksum)
{
    EXPECT_EQ(kNone, CheckChecksum(*s_file));
}

// Common controls 6, administrator rights, every Windows it was made for.
TEST_F(ShippingFile, CarriesItsManifest)
{
    EXPECT_EQ(kNone, CheckManifest(*s_file));
}

// The loader of Windows XP SP3 must find every DLL and every function the file imports,
// or the program does not start at all.
TEST_F(ShippingFile, ImportsOnlyWhatWindowsXpHas)
{
    EXPECT_EQ(kNone, CheckImports(*s_file));
}

// The check above on a program built to import a function XP lacks, and nothing else that
// it lacks: the function must be named.
TEST(XpImportCheck, NamesAFunctionXpLacks)
{
    CPeFile probe;
    ASSERT_TRUE(probe.Load(g_strProbePath))
        << g_strProbePath << " is missing: build xp_import_probe";
    EXPECT_EQ(ProblemList({"imports what Windows XP lacks: kernel32.dll GetTickCount64"}),
              CheckImports(probe));
}

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (argc != 3)
    {
        fprintf(stderr, "usage: shipfile_tests PATH_OF_SETUP_EXE PATH_OF_XP_IMPORT_PROBE\n");
        return 2;
    }
    g_strPath = argv[1];
    g_strProbePath = argv[2];
    return RUN_ALL_TESTS();
}
