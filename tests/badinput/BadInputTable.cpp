#include "tests/badinput/BadInputTable.h"
#include "sys/FormatText.h"
#include "tests/support/TraceMatch.h"

#include "tests/app/SetupRunFixture.h"

#include <utility>

CBadInput& CBadInput::Encoding(EEncoding encoding)
{
    eEncoding = encoding;
    return *this;
}

CBadInput& CBadInput::Outcome(EOutcome outcome)
{
    eOutcome = outcome;
    return *this;
}

CBadInput& CBadInput::Trace(const std::string& text)
{
    traces.push_back(text);
    return *this;
}

CBadInput& CBadInput::NoTrace(const std::string& text)
{
    absentTraces.push_back(text);
    return *this;
}

CBadInput& CBadInput::CheckExit(int code)
{
    nCheckExit = code;
    return *this;
}

CBadInput& CBadInput::Reg(const std::string& name, DWORD type, const std::string& data)
{
    registry.push_back(CRegValue{name, type, data});
    return *this;
}

CBadInput& CBadInput::RegText(const std::string& name, const std::string& text)
{
    return Reg(name, REG_SZ, text + std::string(1, '\0'));
}

CBadInput& CBadInput::Layout(ELayout layout)
{
    eLayout = layout;
    return *this;
}

CBadInput& CBadInput::InstalledProgram()
{
    bInstalledProgram = true;
    return *this;
}

CBadInput& CBadInput::DenyRead()
{
    bDenyRead = true;
    return *this;
}

CBadInput& CBadInput::InstallerChangesRegistry()
{
    bInstallerChangesRegistry = true;
    return *this;
}

CBadInput& CBadInput::AppRuns(int runs)
{
    nAppRuns = runs;
    return *this;
}

CBadInput& CBadInput::Cut(const std::string& value)
{
    strCut = value;
    return *this;
}

CBadInput& CBadInput::DriverCopy(const std::vector<std::string>& files)
{
    bCheckDriverCopy = true;
    driverFiles = files;
    return *this;
}

CBadInput& CBadInput::Absent(const std::string& path)
{
    absentPaths.push_back(path);
    return *this;
}

CBadInput& CBadInput::OutcomeDiffersOnWindows()
{
    bOutcomeDiffersOnWindows = true;
    return *this;
}

namespace
{
const char kDrop[] = "\x01";

struct CIniLine
{
    const char* pszSection;
    const char* pszKey;
    std::string strValue;
};

// A complete setup.ini for a first installation: the driver installer succeeds, the
// application installer registers nothing, and autorun finds no program.
std::vector<CIniLine> BaseLines()
{
    return {
        {"SETUP", "EnglishTitle", "Norvane Card"},
        {"SETUP", "ChineseTitle", "诺文上网卡"},
        {"SETUP", "ProductName", "Norvane"},
        {"SETUP", "Preinstall", ""},
        {"SETUP", "InstallApp", "1"},
        {"SETUP", "AutoRunApp", "1"},
        {"Driver", "DriverSourcePath", "driver"},
        {"Driver", "DriverDestPath", "%UNIQUE%_drv"},
        {"Driver", "DriverSetupCmd", "drvsetup.exe --log %LOG% --list %WORK%\\copy.txt --exit 0"},
        {"APP", "AppType", "1"},
        {"APP", "AppVersion", "1.2.3"},
        {"APP", "AppDestPath", "%UNIQUE%_app"},
        {"APP", "AppSourcePath", "app"},
        {"APP", "AppSetupCmd", "appsetup.exe --log %LOG%"},
        {"APP", "AppRegKeyPath", "%REG%"},
        {"APP", "AppRegKeyVersion", "Version"},
    };
}

// The base file with some values changed; kDrop takes the key's line out.
std::string Ini(const std::vector<std::pair<std::string, std::string>>& changes = {})
{
    std::string text;
    std::string section;
    for (CIniLine line : BaseLines())
    {
        for (const auto& change : changes)
            if (change.first == line.pszKey)
                line.strValue = change.second;
        if (section != line.pszSection)
        {
            section = line.pszSection;
            text += "[" + section + "]\r\n";
        }
        if (line.strValue != kDrop)
            text += std::string(line.pszKey) + "=" + line.strValue + "\r\n";
    }
    return text;
}

std::string Repeat(const std::string& text, size_t count)
{
    std::string result;
    for (size_t i = 0; i < count; ++i)
        result += text;
    return result;
}

// The same bytes on every run. With allBytes false, no byte that would start a section,
// a key's value, a comment, a line or a placeholder.
std::string Junk(size_t size, bool allBytes)
{
    std::string junk;
    unsigned state = 12345;
    while (junk.size() < size)
    {
        state = state * 1103515245u + 12345u;
        char c = static_cast<char>((state >> 16) & 0xFF);
        if (!allBytes &&
            (c == '[' || c == ']' || c == '=' || c == ';' || c == '\r' || c == '\n' || c == '%'))
            continue;
        junk += c;
    }
    return junk;
}

CBadInput Row(const std::string& name, const std::string& ini)
{
    CBadInput row;
    row.strName = name;
    row.strIni = ini;
    return row;
}

const std::string kDrvSrc = "%CD%\\driver";
const std::string kDrvDest = "%STAGE%\\%UNIQUE%_drv";
const std::string kDrvCmd =
    kDrvDest + "\\drvsetup.exe --log %LOG% --list %WORK%\\copy.txt --exit 0";
const std::string kAppSrc = "%CD%\\app";
const std::string kAppDest = "%STAGE%\\%UNIQUE%_app";
const std::string kAppCmd = kAppDest + "\\appsetup.exe --log %LOG%";
const std::string kInstalledApp = "%WORK%\\installed\\app.exe";
const char kNoProgram[] = "没有找到可运行的应用\n";
const char kNothingInstalled[] = "本机安装的应用版本为：\n";

std::string CardVersion(const std::string& version)
{
    return "数据卡上的应用版本为：" + version + "\n";
}

std::string InstalledVersion(const std::string& version)
{
    return "本机安装的应用版本为：" + version + "\n";
}

void AddFileRows(std::vector<CBadInput>& rows)
{
    rows.push_back(Row("WellFormed", Ini())
                       .Trace(TraceCopyEnd(kDrvSrc, kDrvDest, 1))
                       .Trace(TraceRunEnded(kDrvCmd, 0))
                       .Trace(CardVersion("1.2.3"))
                       .Trace(kNothingInstalled)
                       .Trace("大小3,1\n")
                       .Trace(TraceCopyEnd(kAppSrc, kAppDest, 1))
                       .Trace(TraceRunEnded(kAppCmd, 0))
                       .Trace(kNoProgram)
                       .AppRuns(1));
    rows.push_back(Row("EmptyFile", "").Outcome(eLoadFails).CheckExit(1));
    rows.push_back(Row("BinaryJunk", Junk(4096, true)).Outcome(eLoadFails).CheckExit(1));
    rows.push_back(Row("JunkLineBeforeTheSections", Junk(300, false) + "\r\n" + Ini())
                       .Trace(TraceRunEnded(kDrvCmd, 0)));
    // Wine's profile reader honours the UTF-8 byte order mark. Windows' does not: there the
    // mark runs into "[SETUP]" on the first line, that section is lost and the load fails.
    rows.push_back(Row("Utf8ByteOrderMark", Ini()).Encoding(eUtf8Bom).OutcomeDiffersOnWindows());
    rows.push_back(
        Row("Utf16WithByteOrderMark", Ini()).Encoding(eUtf16Bom).Trace(TraceRunEnded(kDrvCmd, 0)));
    rows.push_back(Row("LineFeedsOnly", Ini()).Encoding(eLf).Trace(TraceRunEnded(kDrvCmd, 0)));
    // Without a single line feed, Wine's reader ends lines at carriage returns; whether
    // Windows' reader does is not known here.
    rows.push_back(Row("CarriageReturnsOnly", Ini()).Encoding(eCr).OutcomeDiffersOnWindows());
    // A key above every section belongs to none of them.
    rows.push_back(
        Row("KeyBeforeAnySection", "EnglishTitle=Early\r\n" + Ini({{"EnglishTitle", kDrop}}))
            .Outcome(eLoadFails)
            .CheckExit(1));
    rows.push_back(
        Row("StrayKeysBeforeTheSections", "DriverSetupCmd=missing.exe\r\nInstallApp=0\r\n" + Ini())
            .Trace(TraceRunEnded(kDrvCmd, 0)));
    // Only the first of two sections of one name is read.
    rows.push_back(
        Row("SectionSplitInTwo", Ini({{"AutoRunApp", kDrop}}) + "[SETUP]\r\nAutoRunApp=1\r\n")
            .Outcome(eLoadFails)
            .CheckExit(1));
    // The first of two keys of one name wins.
    rows.push_back(Row("KeyGivenTwice", ReplaceAll(Ini(), "--exit 0\r\n",
                                                   "--exit 0\r\nDriverSetupCmd=missing.exe\r\n"))
                       .Trace(TraceRunEnded(kDrvCmd, 0)));
    rows.push_back(Row("NamesInOtherCase", ReplaceAll(ReplaceAll(Ini(), "[SETUP]", "[setup]"),
                                                      "DriverSetupCmd=", "DRIVERSETUPCMD="))
                       .Trace(TraceRunEnded(kDrvCmd, 0)));
}

void AddSizeRows(std::vector<CBadInput>& rows)
{
    std::string command = "drvsetup.exe --log %LOG% --exit 0 ";
    command += std::string(2000 - command.size(), 'p');
    rows.push_back(Row("DriverCommandOf2000Bytes", Ini({{"DriverSetupCmd", command}}))
                       .Cut(command)
                       .Trace(TraceRunEnded(kDrvDest + "\\%CUT%", 0)));
    std::string preinstall =
        "driver\\drvsetup.exe --log %LOG% --exit 0 " + std::string(1 << 20, 'q');
    rows.push_back(Row("PreinstallOf1MB", Ini({{"Preinstall", preinstall}}))
                       .Cut(preinstall)
                       .Trace("执行前置程序\n")
                       .Trace(TraceRunEnded("%CD%\\%CUT%", 0))
                       .Trace(TraceRunEnded(kDrvCmd, 0)));
    // The caption is painted while the application is copied.
    rows.push_back(Row("TitleOf2000Bytes", Ini({{"EnglishTitle", std::string(2000, 'T')}}))
                       .Trace(TraceRunEnded(kAppCmd, 0)));
    std::string version = Repeat("1.", 1000);
    rows.push_back(Row("VersionOf2000Bytes", Ini({{"AppVersion", version}}))
                       .Cut(version)
                       .RegText("Version", "1.1")
                       .Trace(CardVersion("%CUT%"))
                       .Trace("大小512,2\n"));
    // Cut to 1023 bytes the destination is still far past 259 characters: nothing is
    // created, under a shortened name or any other, and there is no installer to run.
    rows.push_back(Row("DriverDestOf2000Bytes",
                       Ini({{"DriverDestPath", "%UNIQUE%_drv\\" + std::string(1990, 'x')}}))
                       .Cut("%UNIQUE%_drv\\" + std::string(1990, 'x'))
                       .Outcome(eDriverNotRun)
                       .Trace(FormatText("无法建立安装用的临时目录%s,错误号:%d\n", "%STAGE%\\%CUT%",
                                         ERROR_FILENAME_EXCED_RANGE))
                       .Trace(TraceCopyEnd(kDrvSrc, "%STAGE%\\%CUT%", 0))
                       .Absent(kDrvDest)
                       .CheckExit(1));
}

void AddIntegerRows(std::vector<CBadInput>& rows)
{
    rows.push_back(Row("InstallAppOf150Digits", Ini({{"InstallApp", "1" + std::string(149, '0')}}))
                       .Trace(CardVersion("1.2.3")));
    // Only 99 bytes are read: what is left is zeros.
    rows.push_back(
        Row("InstallAppOf150DigitsAfterZeros", Ini({{"InstallApp", std::string(149, '0') + "1"}}))
            .Outcome(eNoApp));
    rows.push_back(Row("InstallAppTwoToThe32", Ini({{"InstallApp", "4294967296"}}))
                       .Trace(CardVersion("1.2.3")));
    rows.push_back(
        Row("InstallAppNegative", Ini({{"InstallApp", "-1"}})).Trace(CardVersion("1.2.3")));
    rows.push_back(Row("AutoRunAppFarBelowRange", Ini({{"AutoRunApp", "-99999999999"}}))
                       .Outcome(eNoUpdate)
                       .RegText("Version", "1.2.3")
                       .RegText("ExePath", "%WORK%\\installed")
                       .RegText("ExeName", "app.exe")
                       .InstalledProgram()
                       .Trace(TraceStartRun(kInstalledApp)));
    // Cut to 32 bits, 2^32 + 1 would be AppType 1 and start the program.
    rows.push_back(Row("AppTypeTwoToThe32PlusOne", Ini({{"AppType", "4294967297"}}))
                       .Outcome(eNoUpdate)
                       .RegText("Version", "1.2.3")
                       .RegText("ExePath", "%WORK%\\installed")
                       .RegText("ExeName", "app.exe")
                       .InstalledProgram()
                       .Trace(kNoProgram)
                       .NoTrace(TraceStartRun(kInstalledApp)));
    rows.push_back(Row("AppTypeNegative", Ini({{"AppType", "-1"}}))
                       .Outcome(eNoUpdate)
                       .RegText("Version", "1.2.3")
                       .RegText("ExePath", "%WORK%\\installed")
                       .RegText("ExeName", "app.exe")
                       .InstalledProgram()
                       .Trace(kNoProgram));
}

void AddVersionRows(std::vector<CBadInput>& rows)
{
    rows.push_back(Row("VersionOfDotsOnly", Ini({{"AppVersion", "...."}}))
                       .Trace(CardVersion("...."))
                       .Trace(kNothingInstalled)
                       .Trace("大小5,1\n"));
    rows.push_back(Row("VersionOfDotsOverAnInstalledOne", Ini({{"AppVersion", "...."}}))
                       .Outcome(eNoUpdate)
                       .RegText("Version", "0.0.0.0.1")
                       .Trace("大小5,5\n"));
    // Saturated, 99999999999 is above 2000000000; cut to 32 bits it would be below.
    rows.push_back(
        Row("VersionOfElevenDigitsOverTwoBillion", Ini({{"AppVersion", "99999999999.1"}}))
            .RegText("Version", "2000000000.5"));
    // Saturated at the 32-bit maximum, the first components are equal.
    rows.push_back(Row("VersionOfElevenDigitsOverIntMax", Ini({{"AppVersion", "99999999999.1"}}))
                       .Outcome(eNoUpdate)
                       .RegText("Version", "2147483647.2"));
    std::string components = Repeat("1.", 499) + "1";
    // A component the installed version lacks counts as 0.
    rows.push_back(Row("VersionOf500Components", Ini({{"AppVersion", components}}))
                       .RegText("Version", "1.1.1")
                       .Trace("大小500,3\n"));
    rows.push_back(Row("VersionOf500ComponentsOverANewerOne", Ini({{"AppVersion", components}}))
                       .Outcome(eNoUpdate)
                       .RegText("Version", "1.2")
                       .Trace("大小500,2\n"));
    rows.push_back(Row("NegativeVersionOverZero", Ini({{"AppVersion", "-1.0"}}))
                       .Outcome(eNoUpdate)
                       .RegText("Version", "0.9"));
    // With nothing installed, whatever the card carries goes on.
    rows.push_back(Row("EmptyVersionWithNothingInstalled", Ini({{"AppVersion", ""}}))
                       .Trace(CardVersion(""))
                       .Trace("大小1,1\n"));
}

void AddPathRows(std::vector<CBadInput>& rows)
{
    rows.push_back(
        Row("DriverSourceThroughParent", Ini({{"DriverSourcePath", "..\\%CDNAME%\\driver"}}))
            .Trace(TraceCopyEnd("%CD%\\..\\%CDNAME%\\driver", kDrvDest, 1)));
    rows.push_back(
        Row("DriverDestThroughParentInsideTheRunsFolder",
            Ini({{"DriverDestPath", "%UNIQUE%_x\\..\\%UNIQUE%_drv"}}))
            .Trace(TraceRunEnded("%STAGE%\\%UNIQUE%_x\\..\\%UNIQUE%_drv\\drvsetup.exe --log %LOG% "
                                 "--list %WORK%\\copy.txt --exit 0",
                                 0)));
    // The run's own folder itself, as a package folder: nothing has to be made.
    for (const char* dest : {"", "."})
        rows.push_back(Row(std::string("DriverDestIsTheRunsFolder") + (*dest ? "Dot" : "Empty"),
                           Ini({{"DriverDestPath", dest}}))
                           .Trace(TraceCopyEnd(kDrvSrc, "%STAGE%\\" + std::string(dest), 1))
                           .DriverCopy({"drvsetup.exe"}));
    // Both packages in one folder, or one inside the other: the folder the run made is its
    // own, and is copied into again.
    rows.push_back(Row("AppDestIsTheDriverDest", Ini({{"AppDestPath", "%UNIQUE%_drv"}}))
                       .Trace(TraceCopyEnd(kAppSrc, kDrvDest, 1))
                       .Trace(TraceRunEnded(kDrvDest + "\\appsetup.exe --log %LOG%", 0)));
    rows.push_back(Row("DriverDestInsideAppDest", Ini({{"DriverDestPath", "%UNIQUE%_app\\drv"}}))
                       .Trace(TraceCopyEnd(kDrvSrc, kAppDest + "\\drv", 1))
                       .Trace(TraceCopyEnd(kAppSrc, kAppDest, 1))
                       .Trace(TraceRunEnded(kAppCmd, 0)));
    // ".." that leads out of the run's own folder: nothing is copied there or run.
    rows.push_back(
        Row("DriverDestOutsideTheRunsFolder", Ini({{"DriverDestPath", "..\\%UNIQUE%_esc"}}))
            .Outcome(eDriverNotRun)
            .Trace(FormatText("无法建立安装用的临时目录%s,错误号:%d\n", "%STAGE%\\..\\%UNIQUE%_esc",
                              ERROR_BAD_PATHNAME))
            .Trace(TraceCopyEnd(kDrvSrc, "%STAGE%\\..\\%UNIQUE%_esc", 0))
            .NoTrace(TraceStartRun("%STAGE%\\..\\%UNIQUE%_esc\\drvsetup.exe*"))
            .Absent("%STAGE%\\..\\%UNIQUE%_esc")
            .CheckExit(1));
    rows.push_back(
        Row("AppDestOutsideTheRunsFolder", Ini({{"AppDestPath", "..\\..\\%UNIQUE%_esc"}}))
            .Outcome(eAppCopyFails)
            .Trace(TraceCopyEnd(kAppSrc, "%STAGE%\\..\\..\\%UNIQUE%_esc", 0))
            .Absent("%STAGE%\\..\\..\\%UNIQUE%_esc")
            .CheckExit(1));
    // An absolute path still goes behind the root: nothing is copied, and the driver
    // installer is not looked for where this run copied nothing.
    rows.push_back(Row("DriverSourceAbsolute", Ini({{"DriverSourcePath", "%CD%\\driver"}}))
                       .Outcome(eDriverNotRun)
                       .Trace(TraceCopyEnd("%CD%\\%CD%\\driver", kDrvDest, 0))
                       .CheckExit(1));
    // Wine takes "C:" as a folder name inside the run's folder and runs the driver from
    // there; Windows refuses the name and the driver installer would not start. Either way
    // nothing lands in C:\ itself.
    rows.push_back(Row("DriverDestAbsolute", Ini({{"DriverDestPath", "C:\\%UNIQUE%_abs"}}))
                       .OutcomeDiffersOnWindows()
                       .Absent("C:\\%UNIQUE%_abs"));
    rows.push_back(Row("DriverCommandAbsolute",
                       Ini({{"DriverSetupCmd", "C:\\windows\\system32\\cmd.exe /c exit 0"}}))
                       .Outcome(eDriverNotStarted)
                       .Trace("运行" + kDrvDest + "\\C:\\windows\\system32\\cmd.exe /c exit 0失败*")
                       .CheckExit(1));
    // ".." in a command is resolved from the copy that setup.exe runs it from, by setupcheck
    // as by Windows: back into the copy, or to wherever it leads on this PC: here into the
    // run's own folder, where there is no CD folder to find.
    rows.push_back(
        Row("DriverCommandThroughParent",
            Ini({{"DriverSetupCmd", "..\\%UNIQUE%_drv\\drvsetup.exe --log %LOG% --exit 0"}}))
            .Trace(TraceRunEnded(kDrvDest + "\\..\\%UNIQUE%_drv\\drvsetup.exe --log %LOG% --exit 0",
                                 0)));
    rows.push_back(
        Row("AppCommandOnTheCdThroughParent",
            Ini({{"AppSetupCmd", "..\\%CDNAME%\\app\\appsetup.exe --log %LOG%"}}))
            .Trace("运行" + kAppDest + "\\..\\%CDNAME%\\app\\appsetup.exe --log %LOG%失败*")
            .AppRuns(0)
            .CheckExit(1));
    // The copy started as pre-install program finds the single-instance mutex taken and
    // ends at once; this run goes on.
    rows.push_back(Row("PreinstallIsSetupItself", Ini({{"Preinstall", "setup.exe"}}))
                       .Trace("执行前置程序\n")
                       .Trace(TraceRunEnded("%CD%\\setup.exe", 0))
                       .Trace(TraceRunEnded(kDrvCmd, 0))
                       .CheckExit(0));
    rows.push_back(Row("AppSourceAbsolute", Ini({{"AppSourcePath", "%CD%\\app"}}))
                       .Outcome(eAppCopyFails)
                       .Trace(TraceCopyEnd("%CD%\\%CD%\\app", kAppDest, 0))
                       .CheckExit(1));
}

void AddRegistryRows(std::vector<CBadInput>& rows)
{
    // 300 bytes and the terminator do not fit in the 260 offered: read as absent.
    rows.push_back(Row("InstalledVersionOf300Chars", Ini())
                       .RegText("Version", Repeat("9.", 150))
                       .Trace(kNothingInstalled));
    std::string fits = "9" + Repeat(".0", 129);
    rows.push_back(Row("InstalledVersionOf259Chars", Ini())
                       .Outcome(eNoUpdate)
                       .RegText("Version", fits)
                       .Trace(InstalledVersion(fits)));
    rows.push_back(Row("InstalledVersionBinaryUnterminated", Ini())
                       .Outcome(eNoUpdate)
                       .Reg("Version", REG_BINARY, "1.2.3")
                       .Trace(InstalledVersion("1.2.3")));
    rows.push_back(Row("InstalledVersionBinaryOf260Bytes", Ini())
                       .Outcome(eNoUpdate)
                       .Reg("Version", REG_BINARY, std::string(260, '7'))
                       .Trace(InstalledVersion(std::string(260, '7'))));
    rows.push_back(Row("InstalledVersionBinaryOf261Bytes", Ini())
                       .Reg("Version", REG_BINARY, std::string(261, '7'))
                       .Trace(kNothingInstalled));
    rows.push_back(Row("InstalledVersionDword", Ini())
                       .Reg("Version", REG_DWORD, std::string("\x05\0\0\0", 4))
                       .Trace(InstalledVersion("\x05")));
    rows.push_back(Row("InstalledVersionMultiString", Ini())
                       .Outcome(eNoUpdate)
                       .Reg("Version", REG_MULTI_SZ,
                            std::string("2\0"
                                        "9\0\0",
                                        5))
                       .Trace(InstalledVersion("2")));
    rows.push_back(Row("InstalledProgramPathOf300Chars", Ini())
                       .Outcome(eNoUpdate)
                       .RegText("Version", "1.2.3")
                       .RegText("ExePath", std::string(300, 'P'))
                       .RegText("ExeName", "app.exe")
                       .Trace(kNoProgram));
    // The installer takes the entry away: read as present, a second run would follow.
    std::string removing = "appsetup.exe --log %LOG% --delete %REG% UnInstall";
    rows.push_back(Row("UninstallEntryOf300Chars", Ini({{"AppSetupCmd", removing}}))
                       .RegText("Version", "1.0")
                       .RegText("UnInstall", std::string(300, 'U'))
                       .InstallerChangesRegistry()
                       .AppRuns(1));
    rows.push_back(Row("UninstallEntryBinary", Ini({{"AppSetupCmd", removing}}))
                       .RegText("Version", "1.0")
                       .Reg("UnInstall", REG_BINARY, "uninst")
                       .InstallerChangesRegistry()
                       .AppRuns(2));
    // Readable, the key would say 9.9 is installed, registered and where it lies.
    rows.push_back(Row("KeyWithoutReadAccess", Ini())
                       .RegText("Version", "9.9")
                       .RegText("ExePath", "%WORK%\\installed")
                       .RegText("ExeName", "app.exe")
                       .RegText("UnInstall", "uninst.exe")
                       .InstalledProgram()
                       .DenyRead()
                       .Trace(kNothingInstalled)
                       .Trace(kNoProgram)
                       .AppRuns(1));
}

void AddTreeRows(std::vector<CBadInput>& rows)
{
    rows.push_back(Row("DriverTreeDeeperThan259", Ini())
                       .Layout(eDeepSource)
                       .Trace(TraceCopyEnd(kDrvSrc, kDrvDest, 1))
                       .Trace(TraceRunEnded(kDrvCmd, 0))
                       .DriverCopy({"drvsetup.exe", "%D1%\\short.txt"}));
    std::string longDest = kDrvDest + "\\%LONG%";
    rows.push_back(
        Row("DestinationLongerThanSource", Ini({{"DriverDestPath", "%UNIQUE%_drv\\%LONG%"}}))
            .Layout(eLongDest)
            .Trace(TraceCopyEnd(kDrvSrc, longDest, 1))
            .Trace(TraceRunEnded(
                longDest + "\\drvsetup.exe --log %LOG% --list %WORK%\\copy.txt --exit 0", 0))
            .DriverCopy({"drvsetup.exe"}));
    rows.push_back(
        Row("DestinationOf259AndOf260Chars", Ini({{"DriverDestPath", "%UNIQUE%_drv\\%LONG%"}}))
            .Layout(eDestBoundary)
            .Trace(TraceCopyEnd(kDrvSrc, longDest, 1))
            .DriverCopy({"drvsetup.exe", "a\\" + std::string(60, 'g')}));
    // What another program left where the temporary directory would hold the driver's
    // copy is neither used, run nor touched.
    rows.push_back(Row("PlantedPackageInTemp", Ini())
                       .Layout(ePlantedTemp)
                       .Trace(TraceCopyEnd(kDrvSrc, kDrvDest, 1))
                       .Trace(TraceRunEnded(kDrvCmd, 0))
                       .NoTrace(TraceStartRun("%TEMP%\\*"))
                       .DriverCopy({"drvsetup.exe"}));
    rows.push_back(
        Row("TopLevelFileTooLongForDest", Ini({{"DriverDestPath", "%UNIQUE%_drv\\%LONG%"}}))
            .Layout(eLongDestTopFile)
            .Outcome(eDriverNotStarted)
            .Trace(TraceCopyEnd(kDrvSrc, longDest, 0))
            .CheckExit(1));
}
} // namespace

std::vector<CBadInput> BadInputs()
{
    std::vector<CBadInput> rows;
    AddFileRows(rows);
    AddSizeRows(rows);
    AddIntegerRows(rows);
    AddVersionRows(rows);
    AddPathRows(rows);
    AddRegistryRows(rows);
    AddTreeRows(rows);
    return rows;
}

std::vector<std::string> OutcomeTraces(EOutcome outcome, bool isChinese)
{
    const std::vector<std::string> driverUsable = {"开始读取置文件\n", "配置文件读取成功\n",
                                                   "开始复制驱动\n",   "开始驱动安装流程\n",
                                                   "驱动可正常使用\n", "开始应用安装流程\n"};
    const std::vector<std::string> decision = {"数据卡上的应用版本为：*", "本机安装的应用版本为：*",
                                               "大小*"};
    std::vector<std::string> traces;
    switch (outcome)
    {
    case eLoadFails:
        return {"开始读取置文件\n", "配置文件读取失败,安装程序退出\n"};
    case eDriverNotStarted:
        return {"开始读取置文件\n",   "配置文件读取成功\n", "开始复制驱动\n",
                "开始驱动安装流程\n", "开始运行:*",         "驱动安装模块执行失败\n"};
    case eDriverNotRun:
        return {"开始读取置文件\n", "配置文件读取成功\n", "开始复制驱动\n", "开始驱动安装流程\n",
                "驱动安装模块执行失败\n"};
    case eNoApp:
        traces = driverUsable;
        traces.push_back("不需要安装应用\n");
        break;
    case eUpdate:
        traces = driverUsable;
        traces.insert(traces.end(), decision.begin(), decision.end());
        traces.push_back("本机应用版本较老，需要更新\n");
        traces.push_back("开始安装应用\n");
        traces.push_back("开始退出流程\n");
        break;
    case eNoUpdate:
        traces = driverUsable;
        traces.insert(traces.end(), decision.begin(), decision.end());
        traces.push_back("本机应用版本较新，不需要更新\n");
        traces.push_back("开始退出流程\n");
        break;
    case eAppCopyFails:
        traces = driverUsable;
        traces.insert(traces.end(), decision.begin(), decision.end());
        traces.push_back("本机应用版本较老，需要更新\n");
        traces.push_back(isChinese ? "安装应用软件失败\n" : "Installing applications failed\n");
        traces.push_back("开始退出流程\n");
        break;
    }
    // The driver is usable: the CD-ROM goes when the run ends.
    traces.push_back("弹出光盘\n");
    return traces;
}

std::vector<std::string> OutcomeAbsentTraces(EOutcome outcome)
{
    switch (outcome)
    {
    case eLoadFails:
        return {"配置文件读取成功\n"};
    case eDriverNotStarted:
        return {"驱动可正常使用\n", "弹出光盘\n"};
    case eDriverNotRun:
        return {"开始运行:*", "驱动可正常使用\n", "弹出光盘\n"};
    case eNoApp:
        return {"数据卡上的应用版本为：*", "开始退出流程\n"};
    case eNoUpdate:
    case eAppCopyFails:
        return {"开始安装应用\n"};
    case eUpdate:
    default:
        return {};
    }
}
