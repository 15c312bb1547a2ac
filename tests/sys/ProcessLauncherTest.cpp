// RunProcess against real child processes: the fakeprog helper logs the command line,
// current directory and show state it was started with.
#include "handles/UniqueHandle.h"
#include "sys/FormatText.h"
#include "sys/ProcessLauncher.h"
#include "sys/SystemFunction.h"
#include "tests/support/HandleCount.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TraceMatch.h"
#include "tests/support/TraceRecorder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

namespace
{
std::string FakeProg()
{
    return Quoted(BuiltProgram("fakeprog.exe"));
}

bool WaitForFile(const std::string& path, DWORD timeoutMs)
{
    for (DWORD waited = 0; waited < timeoutMs; waited += 50)
    {
        if (PathExists(path))
            return true;
        Sleep(50);
    }
    return PathExists(path);
}

// Switches the current directory for one test and back.
class CCurrentDirectory
{
public:
    explicit CCurrentDirectory(const std::string& path)
    {
        char previous[MAX_PATH] = {0};
        GetCurrentDirectoryA(MAX_PATH, previous);
        m_strPrevious = previous;
        SetCurrentDirectoryA(path.c_str());
    }
    ~CCurrentDirectory() { SetCurrentDirectoryA(m_strPrevious.c_str()); }
    CCurrentDirectory(const CCurrentDirectory&) = delete;
    CCurrentDirectory& operator=(const CCurrentDirectory&) = delete;

private:
    std::string m_strPrevious;
};
} // namespace

class RunProcessTest : public ::testing::Test
{
protected:
    CTempFolder m_folder{"rp"};
    CTraceRecorder m_recorder;
};

struct ExitCase
{
    DWORD exitCode;
    const char* argument;
    int traced; // as the trace must show it
};

class RunProcessExitCode : public RunProcessTest, public ::testing::WithParamInterface<ExitCase>
{
};

TEST_P(RunProcessExitCode, EndedProgramGivesTrueAndItsExitCode)
{
    // Catches an exit code read as unsigned in the trace, or a non-zero code taken as
    // failure of the run itself.
    std::string command =
        FakeProg() + " --log " + Quoted(m_folder / "log.txt") + " --exit " + GetParam().argument;
    DWORD exitCode = 12345;
    EXPECT_TRUE(RunProcess(command, exitCode, INFINITE, SW_HIDE));
    EXPECT_EQ(GetParam().exitCode, exitCode);
    std::vector<std::string> texts = m_recorder.Texts();
    ASSERT_EQ(2u, texts.size());
    EXPECT_EQ(TraceStartRun(command), texts[0]);
    EXPECT_EQ(TraceRunEnded(command, GetParam().traced), texts[1]);
}

INSTANTIATE_TEST_SUITE_P(Codes, RunProcessExitCode,
                         ::testing::Values(ExitCase{0, "0", 0}, ExitCase{3, "3", 3},
                                           ExitCase{0x80000001, "0x80000001", -2147483647}));

TEST_F(RunProcessTest, EmptyCommandLineStartsNothing)
{
    DWORD exitCode = 7;
    EXPECT_FALSE(RunProcess("", exitCode, INFINITE, SW_SHOW));
    EXPECT_EQ(0u, exitCode);
    std::vector<std::string> texts = m_recorder.Texts();
    ASSERT_EQ(2u, texts.size());
    EXPECT_EQ("开始运行:\n", texts[0]);
    EXPECT_EQ("执行命令行为空", texts[1]) << "this trace has no line end";
}

TEST_F(RunProcessTest, MissingProgramTracesTheSystemError)
{
    std::string command = m_folder / "missing.exe";
    DWORD exitCode = 7;
    EXPECT_FALSE(RunProcess(command, exitCode, INFINITE, SW_HIDE));
    EXPECT_EQ(0u, exitCode);
    std::vector<std::string> texts = m_recorder.Texts();
    ASSERT_EQ(2u, texts.size());
    EXPECT_EQ(TraceStartRun(command), texts[0]);
    EXPECT_EQ("运行" + command + "失败,错误号:2\n", texts[1]);
}

TEST_F(RunProcessTest, TimeOutLeavesTheProgramRunning)
{
    std::string marker = m_folder / "finished";
    std::string command = FakeProg() + " --log " + Quoted(m_folder / "log.txt") +
                          " --sleep 1500 --touch " + Quoted(marker) + " --exit 5";
    DWORD exitCode = 7;
    // A first start loads what the system keeps for creating processes.
    RunProcess(FakeProg() + " --log " + Quoted(m_folder / "log.txt"), exitCode, INFINITE, SW_HIDE);
    m_recorder.Clear();
    DWORD handlesBefore = OwnHandleCount();
    ASSERT_GT(handlesBefore, 0u);
    exitCode = 7;
    EXPECT_FALSE(RunProcess(command, exitCode, 1, SW_SHOWNORMAL));
    EXPECT_EQ(0u, exitCode) << "no exit code after a time-out";
    std::vector<std::string> texts = m_recorder.Texts();
    ASSERT_EQ(2u, texts.size());
    EXPECT_EQ("运行" + command + " WAIT得到WAIT_TIMEOUT\n", texts[1]);
    EXPECT_FALSE(PathExists(marker)) << "the wait did not end at the time-out";
    DWORD handlesAfter = OwnHandleCount();
    EXPECT_EQ(handlesBefore, handlesAfter) << "process or thread handle left open";
    // The program is neither stopped nor waited for: it finishes its work on its own.
    EXPECT_TRUE(WaitForFile(marker, 20000));
}

TEST_F(RunProcessTest, ChildGetsTheShowModeAndTheCurrentDirectory)
{
    CCurrentDirectory current(m_folder.Path());
    char expectedCwd[MAX_PATH] = {0};
    GetCurrentDirectoryA(MAX_PATH, expectedCwd);
    std::string log = m_folder / "log.txt";
    const WORD modes[] = {SW_HIDE, SW_SHOWNORMAL, SW_SHOW};
    for (WORD mode : modes)
    {
        DWORD exitCode = 1;
        EXPECT_TRUE(RunProcess(FakeProg() + " --log " + Quoted(log), exitCode, INFINITE, mode));
    }
    std::vector<std::string> lines = TextLines(log);
    ASSERT_EQ(3u, lines.size());
    for (size_t i = 0; i < 3; ++i)
    {
        EXPECT_EQ(expectedCwd, LogField(lines[i], "cwd"));
        EXPECT_EQ(std::to_string(modes[i]), LogField(lines[i], "show"));
    }
}

TEST_F(RunProcessTest, CommandLineReachesTheChildWhole)
{
    std::string command = FakeProg() + " --log " + Quoted(m_folder / "log.txt") +
                          "  \"two words\" x\\y \"\" --exit 0";
    DWORD exitCode = 1;
    EXPECT_TRUE(RunProcess(command, exitCode, INFINITE, SW_HIDE));
    std::vector<std::string> lines = TextLines(m_folder / "log.txt");
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ("cmdline=" + command + "|", lines[0].substr(0, command.size() + 9));
}

TEST_F(RunProcessTest, ProgramPathWithBlanksIsNotQuoted)
{
    // Unquoted, "<dir>\my prog\fakeprog.exe" is first tried as "<dir>\my" with its
    // arguments, so <dir>\my.exe starts; quotes added by the launcher would start the other.
    std::string inner = m_folder / "my prog";
    ASSERT_TRUE(MakeDirectory(inner));
    ASSERT_TRUE(
        CopyFileA(BuiltProgram("fakeprog.exe").c_str(), (inner + "\\fakeprog.exe").c_str(), FALSE));
    ASSERT_TRUE(
        CopyFileA(BuiltProgram("fakeprog.exe").c_str(), (m_folder / "my.exe").c_str(), FALSE));
    DWORD exitCode = 1;
    EXPECT_TRUE(RunProcess(inner + "\\fakeprog.exe --exit 4", exitCode, INFINITE, SW_HIDE));
    EXPECT_EQ(4u, exitCode);
    EXPECT_TRUE(PathExists(m_folder / "fakeprog.log"));
    EXPECT_FALSE(PathExists(inner + "\\fakeprog.log"));
}

TEST_F(RunProcessTest, ChildInheritsNoHandles)
{
    // We hold a file open without sharing through an inheritable handle, start a child
    // that keeps running, and close our handle: if the child had inherited it, the file
    // would still be locked.
    std::string locked = m_folder / "locked.bin";
    SECURITY_ATTRIBUTES inheritable = {sizeof(SECURITY_ATTRIBUTES), NULL, TRUE};
    HANDLE file = CreateFileA(locked.c_str(), GENERIC_WRITE, 0, &inheritable, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    std::string marker = m_folder / "finished";
    std::string command = FakeProg() + " --log " + Quoted(m_folder / "log.txt") +
                          " --sleep 2000 --touch " + Quoted(marker);
    DWORD exitCode = 1;
    EXPECT_FALSE(RunProcess(command, exitCode, 1, SW_HIDE));
    CloseHandle(file);
    ASSERT_FALSE(PathExists(marker)) << "the child ended too early to tell";
    HANDLE again = CreateFileA(locked.c_str(), GENERIC_WRITE, 0, NULL, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, NULL);
    EXPECT_NE(INVALID_HANDLE_VALUE, again) << "the child holds our handle";
    if (again != INVALID_HANDLE_VALUE)
        CloseHandle(again);
    EXPECT_TRUE(WaitForFile(marker, 20000));
}

TEST_F(RunProcessTest, RepeatedRunsLeaveNoHandleOpen)
{
    std::string command = FakeProg() + " --log " + Quoted(m_folder / "log.txt") + " --exit 1";
    DWORD exitCode = 0;
    // The first start loads what the system keeps for process creation.
    RunProcess(command, exitCode, INFINITE, SW_HIDE);
    DWORD before = OwnHandleCount();
    ASSERT_GT(before, 0u);
    for (int i = 0; i < 50; ++i)
    {
        m_recorder.Clear();
        ASSERT_TRUE(RunProcess(command, exitCode, INFINITE, SW_HIDE))
            << "start " << i << ":\n"
            << Describe(m_recorder.Texts());
        ASSERT_EQ(1u, exitCode);
    }
    RunProcess(m_folder / "missing.exe", exitCode, INFINITE, SW_HIDE);
    RunProcess("", exitCode, INFINITE, SW_HIDE);
    DWORD after = OwnHandleCount();
    EXPECT_EQ(before, after);
}

// The installed application starts with the user's own rights, given as a token: through
// CreateProcessAsUserW where this process may assign it, else CreateProcessWithTokenW, and
// never with this process's own token when both refuse (an administrator lacks the right
// to assign one, the Secondary Logon service is disabled, XP has no CreateProcessWithTokenW).
namespace
{
struct CTokenStart
{
    std::string strRoute;
    HANDLE hToken;
    std::wstring strCommandLine;
};
std::vector<CTokenStart> g_tokenStarts;
DWORD g_asUserError = 0;    // 0: the start goes ahead
DWORD g_withTokenError = 0; // 0: the start goes ahead

BOOL Record(const char* route, DWORD error, HANDLE token, LPWSTR commandLine, DWORD flags,
            LPSTARTUPINFOW startup, LPPROCESS_INFORMATION process)
{
    g_tokenStarts.push_back({route, token, commandLine});
    if (error)
    {
        SetLastError(error);
        return FALSE;
    }
    return CreateProcessW(NULL, commandLine, NULL, NULL, FALSE, flags, NULL, NULL, startup,
                          process);
}

BOOL WINAPI RecordAsUser(HANDLE token, LPCWSTR, LPWSTR commandLine, LPSECURITY_ATTRIBUTES,
                         LPSECURITY_ATTRIBUTES, BOOL, DWORD flags, LPVOID, LPCWSTR,
                         LPSTARTUPINFOW startup, LPPROCESS_INFORMATION process)
{
    return Record("as user", g_asUserError, token, commandLine, flags, startup, process);
}

BOOL WINAPI RecordWithToken(HANDLE token, DWORD, LPCWSTR, LPWSTR commandLine, DWORD flags, LPVOID,
                            LPCWSTR, LPSTARTUPINFOW startup, LPPROCESS_INFORMATION process)
{
    return Record("with token", g_withTokenError, token, commandLine, flags, startup, process);
}

FARPROC RecordedStarts(const char* dll, const char* name)
{
    if (strcmp(name, "CreateProcessAsUserW") == 0)
        return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&RecordAsUser));
    if (strcmp(name, "CreateProcessWithTokenW") == 0)
        return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&RecordWithToken));
    return GetProcAddress(GetModuleHandleA(dll), name);
}

FARPROC RecordedStartsOnXp(const char* dll, const char* name)
{
    return strcmp(name, "CreateProcessWithTokenW") == 0 ? NULL : RecordedStarts(dll, name);
}
} // namespace

TEST_F(RunProcessTest, AUserTokenStartsTheProgramWithItOrNotAtAll)
{
    CUniqueHandle own;
    CUniqueHandle token;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE, own.Put()));
    ASSERT_TRUE(DuplicateTokenEx(own.Get(), TOKEN_ALL_ACCESS, NULL, SecurityImpersonation,
                                 TokenPrimary, token.Put()));
    const struct
    {
        const char* route;
        SystemFunctionLookup lookup;
        DWORD asUserError;
        DWORD withTokenError;
        std::vector<std::string> tries; // the routes tried, in order
        DWORD startError;               // 0: started
    } routes[] = {{"a service's right to assign it", RecordedStarts, 0, 0, {"as user"}, 0},
                  {"an administrator",
                   RecordedStarts,
                   ERROR_PRIVILEGE_NOT_HELD,
                   0,
                   {"as user", "with token"},
                   0},
                  {"Secondary Logon disabled",
                   RecordedStarts,
                   ERROR_PRIVILEGE_NOT_HELD,
                   ERROR_SERVICE_DISABLED,
                   {"as user", "with token"},
                   ERROR_SERVICE_DISABLED},
                  {"Windows XP",
                   RecordedStartsOnXp,
                   ERROR_PRIVILEGE_NOT_HELD,
                   0,
                   {"as user"},
                   ERROR_PRIVILEGE_NOT_HELD}};
    for (const auto& r : routes)
    {
        std::string log = m_folder / (std::string(r.route) + ".txt");
        std::string command = FakeProg() + " --log " + Quoted(log) + " --exit 3";
        g_tokenStarts.clear();
        g_asUserError = r.asUserError;
        g_withTokenError = r.withTokenError;
        m_recorder.Clear();
        SetSystemFunctionLookup(r.lookup);
        DWORD exitCode = 0;
        BOOL ended = RunProcess(command, exitCode, INFINITE, SW_SHOWNORMAL, token.Get());
        SetSystemFunctionLookup(NULL);
        std::vector<std::string> tries;
        for (const CTokenStart& start : g_tokenStarts)
        {
            tries.push_back(start.strRoute);
            EXPECT_EQ(token.Get(), start.hToken) << r.route;
            EXPECT_EQ(std::wstring(command.begin(), command.end()), start.strCommandLine)
                << r.route;
        }
        EXPECT_EQ(r.tries, tries) << r.route;
        std::vector<std::string> lines = TextLines(log);
        if (r.startError)
        {
            EXPECT_FALSE(ended) << r.route;
            EXPECT_TRUE(lines.empty()) << r.route << ": started with this process's own token";
            EXPECT_EQ(
                std::vector<std::string>(
                    {TraceStartRun(command), FormatText("运行%s失败,错误号:%d\n", command.c_str(),
                                                        static_cast<int>(r.startError))}),
                m_recorder.Texts())
                << r.route;
            continue;
        }
        EXPECT_TRUE(ended) << r.route;
        EXPECT_EQ(3u, exitCode) << r.route;
        ASSERT_EQ(1u, lines.size()) << r.route << ": started once";
        EXPECT_EQ("1", LogField(lines[0], "show")) << r.route;
        EXPECT_EQ(std::vector<std::string>({TraceStartRun(command), TraceRunEnded(command, 3)}),
                  m_recorder.Texts())
            << r.route;
    }
}
