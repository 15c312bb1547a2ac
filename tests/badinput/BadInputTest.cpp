// Bad input against the real programs: setup.ini files that are junk, oddly encoded,
// oversized or out of range, registry values that are too long, of the wrong type or
// unreadable, and package trees deeper than a path can hold. Each one is run through
// setup.exe from a laid-out CD folder and through setupcheck.exe. Each run must end in
// bounded time, trace what the program is meant to do with that input, and leave nothing
// anywhere outside the temporary directory, where the test keeps its folders.
#include "tests/app/SetupRunFixture.h"
#include "tests/badinput/BadInputTable.h"
#include "tests/support/LongPathFiles.h"
#include "tests/badinput/PrefixSnapshot.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/TraceMatch.h"

#include "handles/UniqueHandle.h"
#include "sys/StagingFolder.h"
#include "sys/SystemPaths.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace
{
const DWORD kSetupTimeLimitMs = 30000;
const DWORD kCheckTimeLimitMs = 30000;
// What the profile reader hands over of a value: the rest is cut.
const size_t kValueLimit = 1023;
const UINT kUtf16LittleEndian = 1200;

struct CTally
{
    int nTried;
    int nEnded;
    int nAsExpected;
    int nSkipped;
    int nOutcomeDiffers; // tried, but no proof of the outcome
};
CTally g_tally = {0, 0, 0, 0, 0};

std::string FromCodePage(const std::string& text, UINT from, UINT to)
{
    if (text.empty())
        return text;
    int wideLength =
        MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), NULL, 0);
    std::wstring wide(static_cast<size_t>(wideLength), L'\0');
    MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), &wide[0], wideLength);
    if (to == kUtf16LittleEndian)
        return std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * 2);
    int length = WideCharToMultiByte(to, 0, wide.data(), wideLength, NULL, 0, NULL, NULL);
    std::string result(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(to, 0, wide.data(), wideLength, &result[0], length, NULL, NULL);
    return result;
}

// The bytes of setup.ini: the text is written with CRLF and its Chinese in GBK.
std::string Encode(const std::string& text, EEncoding encoding)
{
    switch (encoding)
    {
    case eLf:
        return ReplaceAll(text, "\r\n", "\n");
    case eCr:
        return ReplaceAll(text, "\r\n", "\r");
    case eUtf8Bom:
        return "\xEF\xBB\xBF" + FromCodePage(text, 936, CP_UTF8);
    case eUtf16Bom:
        return std::string("\xFF\xFE") + FromCodePage(text, 936, kUtf16LittleEndian);
    case eCrLf:
    default:
        return text;
    }
}

std::string LastComponent(const std::string& path)
{
    return path.substr(path.find_last_of('\\') + 1);
}

// A registry key that refuses to be read: its DACL denies KEY_QUERY_VALUE to everyone.
// The key's own security comes back when the object goes.
class CReadDenial
{
public:
    explicit CReadDenial(const std::string& keyPath) : m_strKeyPath(keyPath) {}
    ~CReadDenial() { Restore(); }
    CReadDenial(const CReadDenial&) = delete;
    CReadDenial& operator=(const CReadDenial&) = delete;

    bool Apply()
    {
        CUniqueHKey key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, m_strKeyPath.c_str(), 0,
                          READ_CONTROL | WRITE_DAC | SetupRegistryView(),
                          key.Put()) != ERROR_SUCCESS)
        {
            key.Release(); // what a failed call left there is no key to close
            return false;
        }
        DWORD size = 0;
        RegGetKeySecurity(key.Get(), DACL_SECURITY_INFORMATION, NULL, &size);
        m_saved.assign(size, 0);
        if (size == 0 || RegGetKeySecurity(key.Get(), DACL_SECURITY_INFORMATION, m_saved.data(),
                                           &size) != ERROR_SUCCESS)
            return false;

        BYTE sid[SECURITY_MAX_SID_SIZE];
        DWORD sidSize = sizeof(sid);
        BYTE aclBuffer[256];
        ACL* acl = reinterpret_cast<ACL*>(aclBuffer);
        SECURITY_DESCRIPTOR denial;
        // The deny entry goes first: access is decided by the first entry that names it.
        if (!CreateWellKnownSid(WinWorldSid, NULL, sid, &sidSize) ||
            !InitializeAcl(acl, sizeof(aclBuffer), ACL_REVISION) ||
            !AddAccessDeniedAce(acl, ACL_REVISION, KEY_QUERY_VALUE, sid) ||
            !AddAccessAllowedAce(acl, ACL_REVISION, KEY_ALL_ACCESS, sid) ||
            !InitializeSecurityDescriptor(&denial, SECURITY_DESCRIPTOR_REVISION) ||
            !SetSecurityDescriptorDacl(&denial, TRUE, acl, FALSE))
            return false;
        m_bApplied =
            RegSetKeySecurity(key.Get(), DACL_SECURITY_INFORMATION, &denial) == ERROR_SUCCESS;
        return m_bApplied;
    }

    // Whether a reader asking for KEY_QUERY_VALUE is now turned away.
    bool IsEnforced() const
    {
        CUniqueHKey key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, m_strKeyPath.c_str(), 0,
                          KEY_QUERY_VALUE | SetupRegistryView(), key.Put()) == ERROR_SUCCESS)
            return false;
        key.Release();
        return true;
    }

    void Restore()
    {
        if (!m_bApplied)
            return;
        CUniqueHKey key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, m_strKeyPath.c_str(), 0,
                          WRITE_DAC | SetupRegistryView(), key.Put()) != ERROR_SUCCESS)
        {
            key.Release();
            return;
        }
        if (RegSetKeySecurity(key.Get(), DACL_SECURITY_INFORMATION, m_saved.data()) ==
            ERROR_SUCCESS)
            m_bApplied = false;
    }

private:
    std::string m_strKeyPath;
    std::vector<BYTE> m_saved;
    bool m_bApplied = false;
};

class CBadInputRun : public SetupRun
{
public:
    explicit CBadInputRun(const CBadInput& row) : m_row(row) {}

    void TestBody() override;
    void TearDown() override;

private:
    std::string ExpandAll(const std::string& text) const;
    std::vector<std::string> ExpandAll(const std::vector<std::string>& texts) const;
    void LayOut();
    void SetRegistry();
    void CheckTraces();
    void CheckSetupCheck(const CProgramResult& check);
    void CheckPackageCopy();
    // Files and folders added, changed or removed on drive C outside the temporary
    // directory since before; lower case, "+ ", "* " or "- " first.
    std::vector<std::string> WrittenOutsideTemp(const CDriveSnapshot& before) const;
    // The version setupcheck is asked to decide over, as the registry holds it; false when
    // the registry holds it in a way that a version given as text cannot stand for.
    bool InstalledVersionText(std::string& version) const;
    std::string DriverSource() const { return m_cd / "driver"; }
    // The driver's copy as the run makes it: its length is known before the run, its
    // folder's name after.
    std::string DriverDest() const
    {
        std::string root = StagingRoot();
        if (root.empty())
            root = WindowsTempDir() + "\\" + std::string(kStagingNameLength, 'N');
        return root + "\\" + m_strUnique + "_drv";
    }
    // Where the temporary directory would hold it, for another program to plant things.
    std::string TempDriverDest() const { return GetTempDir() + "\\" + m_strUnique + "_drv"; }

    CBadInput m_row;
    std::vector<std::pair<std::string, std::string>> m_placeholders;
    std::unique_ptr<CReadDenial> m_pDenial;
    CUniqueFile m_hHeld; // a planted file, open all through the run
    std::set<std::string> m_planted;
    bool m_bEnded = false;
};

std::string CBadInputRun::ExpandAll(const std::string& text) const
{
    std::string result = text;
    for (const auto& placeholder : m_placeholders)
        result = ReplaceAll(result, placeholder.first, placeholder.second);
    return Expand(result);
}

std::vector<std::string> CBadInputRun::ExpandAll(const std::vector<std::string>& texts) const
{
    std::vector<std::string> result;
    for (const std::string& text : texts)
        result.push_back(ExpandAll(text));
    return result;
}

void CBadInputRun::LayOut()
{
    m_placeholders.push_back(std::make_pair("%TEMP%", GetTempDir()));
    m_placeholders.push_back(std::make_pair("%CDNAME%", LastComponent(m_cd.Path())));

    if (m_row.eLayout != eLongDestTopFile)
        AddPackage("driver", "drvsetup.exe");
    AddPackage("app", "appsetup.exe");
    if (m_row.bInstalledProgram)
        InstallProgram(m_work / "installed", "app.exe");

    // Lengths are worked out from this run's own folders, so that the 259-character line
    // falls where the row means it to whatever the process id and the temporary path are.
    std::string source = DriverSource();
    if (m_row.eLayout == eDeepSource)
    {
        std::string first(100, 'a');
        size_t secondLength = 260 - (source.size() + 1 + first.size() + 1);
        ASSERT_GT(secondLength, 10u);
        std::string firstDir = source + "\\" + first;
        std::string deep = firstDir + "\\" + std::string(secondLength, 'b');
        ASSERT_TRUE(MakeLongDirectory(deep + "\\" + std::string(10, 'c')));
        ASSERT_TRUE(WriteLongFile(firstDir + "\\short.txt", "short"));
        ASSERT_TRUE(WriteLongFile(deep + "\\" + std::string(20, 'f'), "deep"));
        ASSERT_TRUE(WriteLongFile(deep + "\\" + std::string(10, 'c') + "\\e.txt", "deeper"));
        m_placeholders.push_back(std::make_pair("%D1%", first));
    }
    if (m_row.eLayout == eLongDest || m_row.eLayout == eLongDestTopFile ||
        m_row.eLayout == eDestBoundary)
    {
        // The destination folder ends at 196 characters: drvsetup.exe still fits below it,
        // a name of 60 characters in a subfolder does not.
        size_t base = DriverDest().size() + 1;
        ASSERT_LT(base, 150u);
        m_placeholders.push_back(std::make_pair("%LONG%", std::string(196 - base, 'L')));
        if (m_row.eLayout == eLongDest)
        {
            ASSERT_TRUE(MakeLongDirectory(source + "\\sub"));
            ASSERT_TRUE(WriteLongFile(source + "\\sub\\" + std::string(60, 'g'), "long"));
        }
        else if (m_row.eLayout == eDestBoundary)
        {
            ASSERT_TRUE(MakeLongDirectory(source + "\\a"));
            ASSERT_TRUE(WriteLongFile(source + "\\a\\" + std::string(60, 'g'), "fits"));
            ASSERT_TRUE(MakeLongDirectory(source + "\\b"));
            ASSERT_TRUE(WriteLongFile(source + "\\b\\" + std::string(61, 'h'), "does not"));
        }
        else
        {
            ASSERT_TRUE(MakeLongDirectory(source));
            ASSERT_TRUE(WriteLongFile(source + "\\" + std::string(70, 'g'), "long"));
        }
    }
    if (m_row.eLayout == ePlantedTemp)
    {
        std::string planted = TempDriverDest();
        ASSERT_TRUE(PlantFiles(planted));
        std::string deep = planted + "\\" + std::string(100, 'd');
        deep += "\\" + std::string(259 - deep.size(), 'e');
        ASSERT_TRUE(MakeLongDirectory(deep));
        ASSERT_TRUE(WriteLongFile(deep + "\\past259.txt", "deep"));
        ASSERT_TRUE(CopyFileA(BuiltProgram("fakeprog.exe").c_str(),
                              (planted + "\\drvsetup.exe").c_str(), FALSE));
        // Open without sharing writes, as a running program holds its own file.
        m_hHeld.Reset(CreateFileA((planted + "\\drvsetup.exe").c_str(), GENERIC_READ,
                                  FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL));
        ASSERT_TRUE(m_hHeld) << GetLastError();
        m_planted = ListLongFiles(planted, true);
    }
    if (!m_row.strCut.empty())
        m_placeholders.insert(
            m_placeholders.begin(),
            std::make_pair("%CUT%", ExpandAll(m_row.strCut).substr(0, kValueLimit)));
}

void CBadInputRun::SetRegistry()
{
    if (m_row.registry.empty())
        return;
    CUniqueHKey key;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(HKEY_LOCAL_MACHINE, m_strRegKey.c_str(), 0, NULL, 0,
                              KEY_SET_VALUE | SetupRegistryView(), NULL, key.Put(), NULL));
    for (const CRegValue& value : m_row.registry)
    {
        std::string data = ExpandAll(value.strData);
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key.Get(), value.strName.c_str(), 0, value.dwType,
                                                reinterpret_cast<const BYTE*>(data.data()),
                                                static_cast<DWORD>(data.size())));
    }
}

bool CBadInputRun::InstalledVersionText(std::string& version) const
{
    version.clear();
    if (m_row.bDenyRead)
        return false;
    for (const CRegValue& value : m_row.registry)
    {
        if (value.strName != "Version")
            continue;
        if (value.dwType != REG_SZ)
            return false;
        version = ExpandAll(value.strData);
        if (!version.empty() && version[version.size() - 1] == '\0')
            version.erase(version.size() - 1);
    }
    return true;
}

void CBadInputRun::CheckTraces()
{
    std::vector<std::string> traces = Traces();
    std::vector<std::string> milestones = OutcomeTraces(m_row.eOutcome, TestLanguage() == "zh");
    std::string missing = FirstMissingInOrder(traces, milestones);
    EXPECT_EQ("", Cp936ToUtf8(missing)) << "the outcome's trace is missing\n" << Describe(traces);
    ASSERT_FALSE(traces.empty());
    EXPECT_TRUE(Matches(traces.back(), milestones.back())) << "the run went on past its outcome\n"
                                                           << Describe(traces);

    missing = FirstMissingInOrder(traces, ExpandAll(m_row.traces));
    EXPECT_EQ("", Cp936ToUtf8(missing)) << "a trace of this input is missing\n" << Describe(traces);
    std::vector<std::string> absent = OutcomeAbsentTraces(m_row.eOutcome);
    for (const std::string& text : ExpandAll(m_row.absentTraces))
        absent.push_back(text);
    for (const std::string& text : absent)
        EXPECT_FALSE(Contains(traces, text)) << "unexpected trace " << Cp936ToUtf8(text) << "\n"
                                             << Describe(traces);

    if (m_row.nAppRuns >= 0)
    {
        int runs = 0;
        for (const std::string& line : LogLines())
            runs += line.find("appsetup.exe") != std::string::npos;
        EXPECT_EQ(m_row.nAppRuns, runs) << "application installer runs";
    }
}

void CBadInputRun::CheckSetupCheck(const CProgramResult& check)
{
    ASSERT_TRUE(check.bStarted);
    EXPECT_EQ(static_cast<DWORD>(m_row.nCheckExit), check.dwExitCode) << check.strOutput;
    // Whatever else it finds, a file that setup.exe cannot load is never called complete.
    if (m_row.eOutcome == eLoadFails)
    {
        EXPECT_NE(std::string::npos, check.strOutput.find("PROBLEM:")) << check.strOutput;
    }

    std::string installed;
    if (!InstalledVersionText(installed))
        return;
    std::string label = installed.empty() ? std::string("Update with nothing installed")
                                          : "Update over installed " + installed;
    std::string decision = ReportValue(check.strOutput, label);
    switch (m_row.eOutcome)
    {
    case eUpdate:
    case eAppCopyFails:
        EXPECT_EQ(0u, decision.find("yes:")) << check.strOutput;
        break;
    case eNoUpdate:
        EXPECT_EQ(0u, decision.find("no: setup.exe keeps")) << check.strOutput;
        break;
    case eNoApp:
        EXPECT_EQ(0u, decision.find("no: the card carries no application")) << check.strOutput;
        break;
    case eLoadFails:
        EXPECT_EQ(0u, decision.find("cannot tell")) << check.strOutput;
        break;
    default:
        break;
    }
}

void CBadInputRun::CheckPackageCopy()
{
    for (const std::string& path : m_row.absentPaths)
        EXPECT_FALSE(PathExists(ExpandAll(path))) << ExpandAll(path);
    if (m_row.eLayout == ePlantedTemp)
    {
        EXPECT_EQ(m_planted, ListLongFiles(TempDriverDest(), true)) << "planted files changed";
    }
    if (!m_row.bCheckDriverCopy)
        return;
    // The run's folder is gone by now: the driver installer listed what it found there.
    std::set<std::string> expected;
    for (const std::string& name : m_row.driverFiles)
    {
        std::string file = ExpandAll(name);
        expected.insert(file + "|" +
                        std::to_string(ReadLongFile(DriverSource() + "\\" + file).size()));
    }
    std::vector<std::string> lines = TextLines(m_work / "copy.txt");
    // Exactly these: a file that did not fit must not turn up under a shortened name.
    EXPECT_EQ(expected, std::set<std::string>(lines.begin(), lines.end()))
        << "files the driver installer found below its folder";
}

void CBadInputRun::TestBody()
{
    LayOut();
    if (HasFatalFailure())
        return;
    ASSERT_TRUE(
        WriteTextFile(m_cd / "setup.ini", Encode(ExpandAll(m_row.strIni), m_row.eEncoding)));
    SetRegistry();
    if (HasFatalFailure())
        return;

    std::string temp = GetTempDir();
    CDriveSnapshot filesBefore(temp);
    // Two snapshots of nothing would show nothing written.
    ASSERT_TRUE(filesBefore.IsWhole() && filesBefore.EntryCount() > 100)
        << filesBefore.EntryCount() << " entries on drive C";
    std::vector<std::string> registryBefore = RegistryValues(m_strRegKey);
    if (m_row.bDenyRead)
    {
        m_pDenial.reset(new CReadDenial(m_strRegKey));
        ASSERT_TRUE(m_pDenial->Apply());
        if (!m_pDenial->IsEnforced())
            GTEST_SKIP() << "this Wine does not enforce a DACL that denies KEY_QUERY_VALUE "
                            "on a registry key";
    }

    bool setupEnded = m_capture.Run("\"" + (m_cd / "setup.exe") + "\"", NULL, kSetupTimeLimitMs);
    std::string installed;
    std::string arguments = InstalledVersionText(installed)
                                ? "--installed \"" + installed + "\" \"" + m_cd.Path() + "\""
                                : "\"" + m_cd.Path() + "\"";
    CProgramResult check =
        RunProgram(ProgramCommand("setupcheck.exe", arguments), kCheckTimeLimitMs);
    if (m_pDenial)
        m_pDenial->Restore();
    m_bEnded = setupEnded && check.bEnded;

    EXPECT_TRUE(setupEnded) << "setup.exe did not end within the time limit\n"
                            << Describe(Traces());
    EXPECT_EQ(0u, m_capture.ExitCode());
    EXPECT_EQ(0, m_capture.ExceptionsPassedOn()) << "setup.exe raised an exception";
    // BADINPUT_SHOW=1 prints each run for people: traces with their times, then the report.
    if (getenv("BADINPUT_SHOW"))
    {
        for (const CTraceLine& line : m_capture.Lines())
            printf("%6lu ms  %s", line.dwMsSinceStart, Cp936ToUtf8(line.text).c_str());
        printf("--- setupcheck exit %lu\n%s\n", check.dwExitCode,
               Cp936ToUtf8(check.strOutput).c_str());
    }
    EXPECT_TRUE(check.bEnded) << "setupcheck did not end within the time limit";
    if (!m_row.bOutcomeDiffersOnWindows)
    {
        CheckTraces();
        CheckSetupCheck(check);
    }
    CheckPackageCopy();

    // A program that autorun started writes its log as it goes: what it wrote counts once it
    // has ended.
    EXPECT_TRUE(WaitForProgramsStartedBy(m_capture.ProcessId(), 20000))
        << "a program setup.exe started did not end";

    std::vector<std::string> written = WrittenOutsideTemp(filesBefore);
    std::string listed;
    for (const std::string& change : written)
        listed += "  " + change + "\n";
    EXPECT_TRUE(written.empty()) << "written outside " << temp << ":\n" << listed;
    if (!m_row.bInstallerChangesRegistry)
    {
        EXPECT_EQ(registryBefore, RegistryValues(m_strRegKey)) << "the registry key changed";
    }
}

std::vector<std::string> CBadInputRun::WrittenOutsideTemp(const CDriveSnapshot& before) const
{
    CDriveSnapshot after(GetTempDir());
    if (!after.IsWhole())
        return std::vector<std::string>(1, "? drive C could not be listed whole");
    return after.ChangesSince(before);
}

void CBadInputRun::TearDown()
{
    if (IsSkipped())
        ++g_tally.nSkipped;
    else
    {
        ++g_tally.nTried;
        g_tally.nEnded += m_bEnded ? 1 : 0;
        if (m_row.bOutcomeDiffersOnWindows)
            ++g_tally.nOutcomeDiffers;
        else
            g_tally.nAsExpected += HasFailure() ? 0 : 1;
    }
    if (m_pDenial)
        m_pDenial->Restore();
    m_hHeld.Reset();
    // The ANSI removal of the base fixture stops at 259 characters.
    if (!StagingRoot().empty())
        RemoveLongTree(StagingRoot());
    RemoveLongTree(TempDriverDest());
    RemoveLongTree(m_cd / "driver");
}

class CSummary : public ::testing::Environment
{
public:
    void TearDown() override
    {
        printf("bad inputs tried: %d, ended: %d, as expected: %d", g_tally.nTried, g_tally.nEnded,
               g_tally.nAsExpected);
        if (g_tally.nOutcomeDiffers > 0)
            printf(" (outcome not checked, Windows reads them differently: %d)",
                   g_tally.nOutcomeDiffers);
        if (g_tally.nSkipped > 0)
            printf(" (skipped: %d)", g_tally.nSkipped);
        printf("\n");
        fflush(stdout);
    }
};
} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    for (const CBadInput& row : BadInputs())
    {
        ::testing::RegisterTest("BadInput", row.strName.c_str(), NULL, NULL, __FILE__, __LINE__,
                                [row]() -> CBadInputRun* { return new CBadInputRun(row); });
    }
    ::testing::AddGlobalTestEnvironment(new CSummary);
    return RUN_ALL_TESTS();
}
