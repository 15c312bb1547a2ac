#include "tests/app/SetupRunFixture.h"

#include "handles/UniqueHandle.h"
#include "sys/FormatText.h"
#include "sys/StagingFolder.h"
#include "sys/SystemPaths.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/ShippingFile.h"

#include <windows.h>

namespace
{
// Ends the programs that setup.exe started and left running (an installer it stopped
// waiting for, the application it started), so that none outlives the test.
void EndProgramsStartedBy(DWORD processId)
{
    if (processId == 0)
        return;
    for (const PROCESSENTRY32& entry : RunningProcesses())
    {
        if (entry.th32ParentProcessID != processId)
            continue;
        CUniqueHandle child(
            OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID));
        if (child && TerminateProcess(child.Get(), 1))
            WaitForSingleObject(child.Get(), 5000);
    }
}

} // namespace

SetupRun::SetupRun() : m_cd("cd"), m_work("work")
{
    m_strLog = m_work / "programs.log";
    m_strRegKey = FormatText("Software\\NorvaneTest\\run%lu_%s", GetCurrentProcessId(),
                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    m_strUnique = FormatText("nv%lu_%s", GetCurrentProcessId(),
                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    CopyFileA(BuiltProgram("setup.exe").c_str(), (m_cd / "setup.exe").c_str(), FALSE);
}

SetupRun::~SetupRun()
{
    EndProgramsStartedBy(m_capture.ProcessId());
    // What a run could not remove (an installer still running).
    std::string root = StagingRoot();
    if (!root.empty())
        RemoveTree(root);
    for (unsigned long view : {SetupRegistryView(), static_cast<unsigned long>(KEY_WOW64_64KEY)})
        DeleteRegistryKey(m_strRegKey, view);
}

void SetupRun::SetUp()
{
    ASSERT_TRUE(IsTheShippingSetup(m_cd / "setup.exe"));
}

std::string SetupRun::StagingRoot() const
{
    std::string temp = WindowsTempDir() + "\\";
    for (const std::string& trace : Traces())
    {
        size_t at = trace.find(temp + "NorvaneSetup.");
        if (at != std::string::npos)
            return trace.substr(at, temp.size() + kStagingNameLength);
    }
    return std::string();
}

std::string SetupRun::Expand(const std::string& text) const
{
    std::string result = ReplaceAll(text, "%REG%", m_strRegKey);
    if (result.find("%STAGE%") != std::string::npos)
        result = ReplaceAll(result, "%STAGE%", StagingRoot());
    result = ReplaceAll(result, "%LOG%", m_strLog);
    result = ReplaceAll(result, "%WORK%", m_work.Path());
    result = ReplaceAll(result, "%CD%", m_cd.Path());
    return ReplaceAll(result, "%UNIQUE%", m_strUnique);
}

void SetupRun::WriteIni(const std::string& text)
{
    ASSERT_TRUE(WriteTextFile(m_cd / "setup.ini", Expand(text)));
}

void SetupRun::AddPackage(const std::string& folder, const std::string& exeName)
{
    std::string dir = m_cd / folder;
    ASSERT_TRUE(MakeDirectory(dir));
    ASSERT_TRUE(
        CopyFileA(BuiltProgram("fakeprog.exe").c_str(), (dir + "\\" + exeName).c_str(), FALSE));
}

void SetupRun::RunSetup()
{
    ASSERT_TRUE(m_capture.Run("\"" + (m_cd / "setup.exe") + "\"", NULL, 60000))
        << "setup.exe did not end within 60 s";
}

void SetupRun::InstallProgram(const std::string& dir, const std::string& exeName)
{
    ASSERT_TRUE(MakeDirectory(dir));
    ASSERT_TRUE(
        CopyFileA(BuiltProgram("fakeprog.exe").c_str(), (dir + "\\" + exeName).c_str(), FALSE));
}

std::vector<std::string> SetupRun::LogLines(const std::string& path) const
{
    return TextLines(path.empty() ? m_strLog : path);
}

void SetupRun::SetRegValue(const std::string& name, const std::string& value, unsigned long view)
{
    HKEY key = NULL;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, m_strRegKey.c_str(), 0, NULL, 0,
                                             KEY_SET_VALUE | (view ? view : SetupRegistryView()),
                                             NULL, &key, NULL));
    RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
}

bool SetupRun::GetRegValue(const std::string& name, std::string& value) const
{
    char buffer[1024] = {0};
    DWORD size = sizeof(buffer) - 1;
    HKEY key = NULL;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, m_strRegKey.c_str(), 0,
                      KEY_QUERY_VALUE | SetupRegistryView(), &key) != ERROR_SUCCESS)
        return false;
    LONG status =
        RegQueryValueExA(key, name.c_str(), NULL, NULL, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    value = buffer;
    return status == ERROR_SUCCESS;
}
