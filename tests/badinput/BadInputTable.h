// The bad inputs: one row per setup.ini, registry state or package tree, with the outcome
// setup.exe must reach and the exit code setupcheck must give.
//
// Texts may hold placeholders, filled in for each run: those of SetupRun (%REG% %LOG%
// %WORK% %CD% %UNIQUE% %STAGE%) and %TEMP% (the temporary directory), %CDNAME% (the CD
// folder's own name), %CUT% (the row's long value as the profile reader cuts it), %LONG%
// and %D1% (names sized by the package layouts). An expected trace that
// ends in "*" matches any trace that starts with the text before it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

enum EEncoding
{
    eCrLf, // as written, also for raw bytes
    eLf,
    eCr,
    eUtf8Bom,
    eUtf16Bom,
};

// Where the sequence ends; each outcome has traces every run that reaches it shows.
enum EOutcome
{
    eLoadFails,        // "配置文件读取失败,安装程序退出"
    eDriverNotStarted, // "驱动安装模块执行失败"
    eDriverNotRun,     // the same, with no folder of the run's own to copy to
    eNoApp,            // "不需要安装应用", then the eject
    eUpdate,           // the application is copied and installed, then the eject
    eNoUpdate,         // the installed application is kept, then the eject
    eAppCopyFails,     // the application copy fails, then the eject
};

enum ELayout
{
    eStandardLayout,  // CD\driver\drvsetup.exe and CD\app\appsetup.exe
    eDeepSource,      // the driver package holds entries past 259 characters
    eLongDest,        // a subfolder's file does not fit below a long destination (%LONG%)
    eLongDestTopFile, // the driver package is one file too long for the destination
    eDestBoundary,    // below %LONG%, a\ holds a file whose copy is 259 characters long,
                      // b\ one whose copy would be 260
    ePlantedTemp,     // where the temporary directory would hold the driver's copy, another
                      // program left read-only, hidden and system files, a folder, a path
                      // past 259 characters and a drvsetup.exe the test holds open
};

struct CRegValue
{
    std::string strName;
    DWORD dwType;
    std::string strData; // the bytes stored, a terminator included where one is meant
};

struct CBadInput
{
    std::string strName;
    std::string strIni;
    EEncoding eEncoding = eCrLf;
    EOutcome eOutcome = eUpdate;
    std::vector<std::string> traces;       // further traces, in this order
    std::vector<std::string> absentTraces; // traces this run must not show
    int nCheckExit = 0;                    // setupcheck: 0 complete, 1 problems
    std::vector<CRegValue> registry;       // values under the test's key before the run
    ELayout eLayout = eStandardLayout;
    bool bInstalledProgram = false; // %WORK%\installed\app.exe exists
    bool bDenyRead = false;         // the key refuses KEY_QUERY_VALUE during the run
    bool bInstallerChangesRegistry = false;
    int nAppRuns = -1; // application installer runs, when counted
    std::string strCut;
    bool bCheckDriverCopy = false; // the driver installer found below its folder exactly:
    std::vector<std::string> driverFiles;
    std::vector<std::string> absentPaths; // must not exist after the run
    // Wine and Windows read this input differently: only what holds on both is checked
    // (the run ends, writes nothing where it must not, leaves the registry), and the row
    // is no proof of the outcome.
    bool bOutcomeDiffersOnWindows = false;

    CBadInput& Encoding(EEncoding encoding);
    CBadInput& Outcome(EOutcome outcome);
    CBadInput& Trace(const std::string& text);
    CBadInput& NoTrace(const std::string& text);
    CBadInput& CheckExit(int code);
    CBadInput& Reg(const std::string& name, DWORD type, const std::string& data);
    CBadInput& RegText(const std::string& name, const std::string& text); // REG_SZ
    CBadInput& Layout(ELayout layout);
    CBadInput& InstalledProgram();
    CBadInput& DenyRead();
    CBadInput& InstallerChangesRegistry();
    CBadInput& AppRuns(int runs);
    CBadInput& Cut(const std::string& value);
    CBadInput& DriverCopy(const std::vector<std::string>& files);
    CBadInput& Absent(const std::string& path);
    CBadInput& OutcomeDiffersOnWindows();
};

std::vector<CBadInput> BadInputs();

// The traces of an outcome, in order; the last one is the run's last trace.
std::vector<std::string> OutcomeTraces(EOutcome outcome, bool isChinese);
std::vector<std::string> OutcomeAbsentTraces(EOutcome outcome);
