// Reading another program's traces as a debugger does: every later end-to-end test
// depends on this being exact and never hanging.
#include "tests/support/HandleCount.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/TestFiles.h"
#include "tools/tracecap/CommandLineTokens.h"
#include "tools/tracecap/TraceCapture.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace
{
std::string FakeProg(const std::string& args)
{
    return "\"" + BuiltProgram("fakeprog.exe") + "\" " + args;
}

} // namespace

TEST(TraceCapture, CollectsEveryTextInOrderAsRawBytes)
{
    CTraceCapture capture;
    // "开始" in GBK, a text without line end, an empty text, then a normal line.
    ASSERT_TRUE(capture.Run(FakeProg("--trace \xBF\xAA\xCA\xBC\\n --trace \"no end\" --trace \"\" "
                                     "--trace last\\n --exit 7"),
                            NULL, 30000));
    std::vector<std::string> texts = capture.Texts();
    ASSERT_EQ(4u, texts.size());
    EXPECT_EQ("\xBF\xAA\xCA\xBC\n", texts[0]);
    EXPECT_EQ("no end", texts[1]) << "no line end may be added";
    EXPECT_EQ("", texts[2]);
    EXPECT_EQ("last\n", texts[3]);
    EXPECT_EQ(7u, capture.ExitCode());
    EXPECT_FALSE(capture.TimedOut());
}

TEST(TraceCapture, PassesOnExceptionsItDoesNotOwn)
{
    CTraceCapture capture;
    ASSERT_TRUE(capture.Run(FakeProg("--raise --exit 3"), NULL, 30000));
    std::vector<std::string> texts = capture.Texts();
    ASSERT_EQ(1u, texts.size()) << "the program's own handler must see its exception";
    EXPECT_EQ("handled\n", texts[0]);
    EXPECT_EQ(1, capture.ExceptionsPassedOn());
    EXPECT_EQ(3u, capture.ExitCode());
}

TEST(TraceCapture, ReturnsWhenTheProgramDies)
{
    CTraceCapture capture;
    DWORD start = GetTickCount();
    ASSERT_TRUE(capture.Run(FakeProg("--trace before\\n --crash --trace after\\n"), NULL, 60000));
    EXPECT_LT(GetTickCount() - start, 30000u);
    std::vector<std::string> texts = capture.Texts();
    ASSERT_EQ(1u, texts.size());
    EXPECT_EQ("before\n", texts[0]);
    EXPECT_EQ(static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION), capture.ExitCode());
}

TEST(TraceCapture, EndsAProgramThatOutlivesTheTimeOut)
{
    CTraceCapture capture;
    DWORD start = GetTickCount();
    EXPECT_FALSE(capture.Run(FakeProg("--trace start\\n --sleep 60000"), NULL, 1500));
    EXPECT_TRUE(capture.TimedOut());
    EXPECT_LT(GetTickCount() - start, 20000u);
    ASSERT_EQ(1u, capture.Texts().size());
}

TEST(TraceCapture, FailsCleanlyForAMissingProgram)
{
    CTraceCapture capture;
    EXPECT_FALSE(capture.Run("Z:\\no\\such\\program.exe", NULL, 5000));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
    EXPECT_FALSE(capture.TimedOut());
}

TEST(TraceCapture, LeavesNoHandleBehind)
{
    CTraceCapture warmUp;
    warmUp.Run(FakeProg("--trace x"), NULL, 30000);
    DWORD before = OwnHandleCount();
    ASSERT_GT(before, 0u);
    for (int i = 0; i < 10; ++i)
    {
        CTraceCapture capture;
        ASSERT_TRUE(capture.Run(FakeProg("--trace x"), NULL, 30000));
    }
    DWORD after = OwnHandleCount();
    EXPECT_EQ(before, after) << "file handles of debug events must be closed";
}

TEST(TraceCapture, ConvertsGbkToUtf8)
{
    EXPECT_EQ("\xE5\xBC\x80\xE5\xA7\x8B\n", Cp936ToUtf8("\xBF\xAA\xCA\xBC\n"));
    EXPECT_EQ("plain", Cp936ToUtf8("plain"));
    EXPECT_EQ("", Cp936ToUtf8(""));
}

TEST(CommandLineTokens, KeepWhereEachArgumentStarts)
{
    const char* line = "tracecap.exe --utf8  \"C:\\a b\\x.exe\" arg \"q r\"";
    std::vector<CCommandLineToken> tokens = SplitCommandLine(line);
    ASSERT_EQ(5u, tokens.size());
    EXPECT_EQ("--utf8", tokens[1].text);
    EXPECT_EQ("C:\\a b\\x.exe", tokens[2].text);
    EXPECT_EQ(std::string("\"C:\\a b\\x.exe\" arg \"q r\""), std::string(line + tokens[2].offset));
    EXPECT_EQ("q r", tokens[4].text);
}

TEST(TracecapTool, PrintsConvertedTextsAndPassesTheExitCodeOn)
{
    CProgramResult run = RunProgram(ProgramCommand(
        "tracecap.exe", "--utf8 " + FakeProg("--trace \xBF\xAA\xCA\xBC\\n --exit 42")));
    EXPECT_EQ("\xE5\xBC\x80\xE5\xA7\x8B\n", run.strOutput);
    EXPECT_EQ(42u, run.dwExitCode);
}

TEST(TracecapTool, RawModeTimestampsAndFile)
{
    CTempFolder folder;
    std::string file = folder / "out.txt";
    CProgramResult run = RunProgram(
        ProgramCommand("tracecap.exe", "--time --out \"" + file + "\" " +
                                           FakeProg("--trace \xBF\xAA\\n --trace b --exit 0")));
    // The tick it started the program at goes to standard error, which the run shares.
    const std::string tickLine = "tracecap: started at tick ";
    ASSERT_EQ(0u, run.strOutput.find(tickLine)) << run.strOutput;
    std::string output = run.strOutput.substr(run.strOutput.find('\n') + 1);
    EXPECT_EQ(0u, run.dwExitCode);
    EXPECT_EQ(output, ReadTextFile(file));
    // Raw bytes, one text a line, each after its time stamp.
    EXPECT_NE(std::string::npos, output.find(" ms  \xBF\xAA\n"));
    EXPECT_NE(std::string::npos, output.find(" ms  b\n"));
}

TEST(TracecapTool, SaysSoWhenTheProgramCannotStart)
{
    CProgramResult run = RunProgram(ProgramCommand("tracecap.exe", "Z:\\no\\such.exe"));
    EXPECT_EQ(255u, run.dwExitCode);
    EXPECT_EQ(0u, run.strOutput.find("tracecap: cannot start Z:\\no\\such.exe (error "))
        << run.strOutput;
}
