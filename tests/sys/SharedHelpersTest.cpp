// The helpers every part of the program stands on.
#include "sys/FormatText.h"
#include "sys/Language.h"
#include "sys/PathText.h"
#include "sys/SystemPaths.h"
#include "sys/TextToInt.h"
#include "sys/Trace.h"
#include "tests/support/KnownCases.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TraceRecorder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <climits>

TEST(SharedHelpers, IsChineseSystemFollowsTheSystemLanguage)
{
    // The test runs once under a Chinese and once under an English locale.
    bool expected = TestLanguage() == "zh";
    EXPECT_EQ(expected, IsChineseSystem());
    EXPECT_EQ(expected ? 0x0804 : 0x0409, GetSystemDefaultLangID() & 0xFFFF)
        << "the test runner did not give Wine the locale it asked for";
}

TEST(SharedHelpers, ModuleDirIsTheExecutablesFolderWithoutBackslash)
{
    char path[MAX_PATH] = {0};
    GetModuleFileNameA(NULL, path, MAX_PATH);
    std::string full = path;
    std::string dir = GetModuleDir();
    EXPECT_EQ(full.substr(0, full.find_last_of('\\')), dir);
    EXPECT_NE('\\', dir[dir.size() - 1]);
}

TEST(SharedHelpers, TempDirLosesOnlyItsTrailingBackslash)
{
    char path[MAX_PATH + 1] = {0};
    DWORD length = GetTempPathA(MAX_PATH, path);
    ASSERT_GT(length, 0u);
    ASSERT_EQ('\\', path[length - 1]);
    EXPECT_EQ(std::string(path, length - 1), GetTempDir());
}

// Commands are built on the temporary path unquoted: of its long and short forms the first
// that has no blank and that the code page writes exactly is taken, else the system's ANSI
// form. "Ā" is missing from code pages 936 and 1252 (1252 writes it as "A", naming another
// folder); UTF-8, the worldwide language support option, writes every character.
TEST(SharedHelpers, TempPathIsAFormTheCodePageWritesExactly)
{
    const std::wstring plain = L"C:\\Users\\Bob\\Temp\\";
    const std::wstring blank = L"C:\\Users\\Bob Li\\Temp\\";
    const std::wstring blankShort = L"C:\\Users\\BOBLI~1\\Temp\\";
    const std::wstring macron = L"C:\\Users\\\x0100"
                                L"da\\Temp\\";
    const std::wstring macronShort = L"C:\\Users\\DA~1\\Temp\\";
    const std::wstring chinese = L"C:\\Users\\\x5F20\x4E09\\Temp\\";
    const struct
    {
        const char* name;
        UINT codePage;
        std::wstring longPath;
        std::wstring shortPath;
        std::string expected;
    } cases[] = {
        {"plain", 1252, plain, plain, "C:\\Users\\Bob\\Temp\\"},
        {"blank, short form", 1252, blank, blankShort, "C:\\Users\\BOBLI~1\\Temp\\"},
        {"blank, no short form", 1252, blank, L"", "C:\\Users\\Bob Li\\Temp\\"},
        {"blank in the short form too", 1252, blank, blank, "C:\\Users\\Bob Li\\Temp\\"},
        {"missing from 1252", 1252, macron, macronShort, "C:\\Users\\DA~1\\Temp\\"},
        {"missing from 936", 936, macron, macronShort, "C:\\Users\\DA~1\\Temp\\"},
        {"missing, no short form", 1252, macron, L"", ""},
        {"Chinese in 936", 936, chinese, L"", "C:\\Users\\\xD5\xC5\xC8\xFD\\Temp\\"},
        {"Chinese in UTF-8", CP_UTF8, chinese, L"", "C:\\Users\\\xE5\xBC\xA0\xE4\xB8\x89\\Temp\\"},
        {"macron in UTF-8", CP_UTF8, macron, macronShort,
         "C:\\Users\\\xC4\x80"
         "da\\Temp\\"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, ChooseTempPath(c.longPath.c_str(), c.shortPath.c_str(), c.codePage))
            << c.name;
}

// In GBK "乗" is 81 5C: the last backslash byte of "C:\d\乗.exe" is no separator there,
// while in code page 1252 the same bytes are two characters, the second a backslash.
TEST(SharedHelpers, LastBackslashStepsOverDoubleByteCharacters)
{
    const bool gbk = TestLanguage() == "zh";
    ASSERT_EQ(gbk ? 936u : 1252u, GetACP()) << "the run did not get its language's code page";
    const char path[] = "C:\\d\\乗.exe";
    ASSERT_EQ(std::string("\x81\x5C"), std::string(path + 5, 2));
    EXPECT_EQ(gbk ? path + 4 : path + 6, FindLastBackslash(path));
    EXPECT_EQ(path + 2, FindNextBackslash(path));
    const char* const none = NULL;
    EXPECT_EQ(gbk ? none : path + 6, FindLastBackslash(path + 5));
}

TEST(SharedHelpers, SystemDirIsTakenWhole)
{
    char path[1024] = {0};
    GetSystemDirectoryA(path, sizeof(path));
    EXPECT_EQ(std::string(path), GetSystemDir());
}

TEST(SharedHelpers, FileExistsOnlyForFiles)
{
    CTempFolder folder;
    std::string file = folder / "a.txt";
    ASSERT_TRUE(WriteTextFile(file, "x"));
    EXPECT_TRUE(FileExists(file.c_str()));
    EXPECT_FALSE(FileExists(folder.Path().c_str())) << "a directory is not a file";
    EXPECT_FALSE(FileExists((folder / "missing.txt").c_str()));
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    EXPECT_TRUE(FileExists(file.c_str())) << "other attributes do not matter";
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(SharedHelpers, TraceOutSendsTheBytesUnchanged)
{
    CTraceRecorder recorder;
    TraceOut("no line end");
    TraceOut("\xBF\xAA\xCA\xBC\n"); // GBK bytes pass as they are
    TraceOut(std::string("second\n"));
    std::vector<std::string> texts = recorder.Texts();
    ASSERT_EQ(3u, texts.size());
    EXPECT_EQ("no line end", texts[0]);
    EXPECT_EQ("\xBF\xAA\xCA\xBC\n", texts[1]);
    EXPECT_EQ("second\n", texts[2]);
}

TEST(SharedHelpers, ChineseLiteralsLeaveTheCompilerAsGbk)
{
    // "开始" in GBK is BF AA CA BC; a UTF-8 build would give six bytes.
    EXPECT_EQ(std::string("\xBF\xAA\xCA\xBC"), std::string("开始"));
}

TEST(SharedHelpers, FormatTextHasNoLengthLimit)
{
    std::string big(5000, 'x');
    EXPECT_EQ("[" + big + "] -1", FormatText("[%s] %d", big.c_str(), -1));
    EXPECT_EQ("-2147483647", FormatText("%d", static_cast<int>(0x80000001u)));
}

TEST(SharedHelpers, TextToIntReadsAsAtoiAndSaturates)
{
    for (const CIntCase& c : kTextToIntCases)
        EXPECT_EQ(c.value, TextToInt(c.text)) << '"' << c.text << '"';
    EXPECT_EQ(0, TextToInt(NULL));
}
