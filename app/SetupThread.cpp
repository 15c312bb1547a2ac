#include "app/SetupThread.h"

#include "fw/Exception.h"
#include "handles/UniqueHandle.h"
#include "sys/FormatText.h"
#include "sys/Language.h"
#include "sys/ProcessLauncher.h"
#include "sys/SystemPaths.h"
#include "sys/Trace.h"
#include "sys/TraceTexts.h"
#include "sys/TreeCopy.h"
#include "sys/UserRights.h"
#include "ui/ProgressView.h"

namespace
{
// Texts shown or traced in the system's language: Chinese form, other systems' form.
struct CLanguageText
{
    const char* chinese;
    const char* other;
    const char* For(bool isChinese) const { return isChinese ? chinese : other; }
};

const CLanguageText kPreparingText = {"无线上网卡准备中", "WAN card is preparing"};
const CLanguageText kDriverText = {"正在安装上网卡设备驱动", "Installing drivers"};
const CLanguageText kApplicationText = {"安装无线上网卡应用软件", "Installing application"};
const CLanguageText kApplicationCopyFailed = {kTraceApplicationCopyFailedChinese,
                                              kTraceApplicationCopyFailedOther};

const char kFirstCaption[] = "NorvaneSetup程序";

// A path with a blank, given unquoted to CreateProcess, lets the system try every prefix
// that ends at a blank (C:\Program.exe for C:\Program Files\...), so it is quoted.
std::string QuoteIfBlank(const std::string& path)
{
    if (path.find(' ') == std::string::npos)
        return path;
    return "\"" + path + "\"";
}
} // namespace

CSetupThread::CSetupThread()
    : m_pView(NULL), m_bAdministrator(IsAdministrator()), m_staging(WindowsTempDir())
{
}

BOOL CSetupThread::InitInstance()
{
    return TRUE;
}

int CSetupThread::Run()
{
#if FW_HAS_EXCEPTIONS
    int result = -1;
    try
    {
        result = RunSequence();
    }
    catch (CException& e)
    {
        char message[1024] = {0};
        e.GetErrorMessage(message, sizeof(message));
        TraceOut(kTraceException);
        TraceOut(message);
        m_pView->EndSetup();
    }
#else
    int result = RunSequence();
#endif
    // Every installer has ended; what the main thread does now needs none of the copies.
    m_staging.Remove();
    return result;
}

int CSetupThread::RunSequence()
{
    const bool isChinese = IsChineseSystem();
    DWORD exitCode = 0;
    int result = 0;

    m_pView->SetStatusText(kPreparingText.For(isChinese));
    m_pView->SetCaption(kFirstCaption);
    m_pView->ShowProgress(false);
    // Every program started from here on inherits the system directory as its current one.
    SetCurrentDirectoryA(GetSystemDir().c_str());
    TraceOut(kTraceReadingSetupFile);

    std::string iniPath = GetModuleDir() + "\\setup.ini";
    if (!FileExists(iniPath.c_str()))
    {
        TraceOut(kTraceNoSetupFile);
        m_pView->EndSetup();
        return 0;
    }
    if (!m_config.Load(iniPath))
    {
        TraceOut(kTraceLoadFailed);
        m_pView->EndSetup();
        return 0;
    }
    TraceOut(kTraceLoaded);
    m_pView->SetCaption(m_config.GetTitle());

    std::string preinstall = m_config.GetPreinstallPath();
    if (!preinstall.empty())
    {
        TraceOut(kTracePreinstall);
        RunProcess(preinstall, exitCode, INFINITE, SW_SHOW);
    }

    m_pView->SetStatusText(kDriverText.For(isChinese));
    TraceOut(kTraceCopyingDriver);
    if (m_bAdministrator)
        m_staging.MakeRoot();
    // The installer runs from the destination whatever the copy achieved.
    CopyPackage(m_config.GetDriverSourceDir(Roots()), m_config.GetDriverDestDir(Roots()));
    TraceOut(kTraceInstallingDriver);
    if (!InstallDriver(exitCode, 0))
    {
        TraceOut(kTraceDriverNotRun);
        m_pView->EndSetup();
        return 1;
    }
    if (exitCode != 0)
    {
        TraceOut(FormatText(kTraceDriverUnusable, static_cast<int>(exitCode)));
        m_pView->EndSetup();
        return 1;
    }
    TraceOut(kTraceDriverUsable);
    TraceOut(kTraceApplicationStep);

    if (m_config.GetInstallApp() == 0)
    {
        TraceOut(kTraceNoApplication);
        result = 1;
    }
    else
    {
        if (m_config.IsUpdateNeeded())
        {
            m_pView->ShowProgress(true);
            m_pView->SetStatusText(kApplicationText.For(isChinese));
            if (CopyApplication())
            {
                m_pView->ShowProgress(false);
                TraceOut(kTraceInstallingApplication);
                InstallApplication();
            }
            else
            {
                m_pView->ShowProgress(false);
                TraceOut(kApplicationCopyFailed.For(isChinese));
            }
        }
        TraceOut(kTraceEnding);
        if (m_config.GetAutoRunApp() != 0)
            RunInstalledApplication();
        result = 0;
    }
    // The driver is usable: the CD-ROM may go when the setup run ends.
    m_pView->RequestEjectOnExit();
    m_pView->EndSetup();
    return result;
}

CInstallRoots CSetupThread::Roots() const
{
    CInstallRoots roots = {GetModuleDir(), m_bAdministrator ? m_staging.Root() : GetTempDir()};
    return roots;
}

int CSetupThread::CopyPackage(const std::string& source, const std::string& dest)
{
    return m_bAdministrator ? CopyTree(source, dest, m_staging) : CopyTree(source, dest);
}

BOOL CSetupThread::InstallDriver(DWORD& exitCode, int slashC)
{
    // Whatever lies there was not copied by this run: it may be anyone's.
    if (m_bAdministrator && !m_staging.Holds(m_config.GetDriverDestDir(Roots())))
        return FALSE;
    std::string command = m_config.GetDriverSetupCmdPath(Roots());
    if (slashC != 0)
        command += " /C";
    return RunProcess(command, exitCode, INFINITE, SW_HIDE);
}

int CSetupThread::CopyApplication()
{
    return CopyPackage(m_config.GetAppSourceDir(Roots()), m_config.GetAppDestDir(Roots()));
}

BOOL CSetupThread::InstallApplication()
{
    DWORD exitCode = 0;
    std::string command = m_config.GetAppSetupCmdPath(Roots());
    if (!m_config.GetUninstallEntry().empty())
    {
        // With a previous installation registered, a first run removes it; only when its
        // uninstall entry is gone afterwards does a second run install the new one.
        RunProcess(command, exitCode, INFINITE, SW_HIDE);
        if (!m_config.GetUninstallEntry().empty())
            return TRUE;
    }
    return RunProcess(command, exitCode, INFINITE, SW_HIDE);
}

BOOL CSetupThread::RunInstalledApplication()
{
    std::string path = m_config.GetInstalledAppPath();
    if (path.empty())
    {
        TraceOut(kTraceNoInstalledApplication);
        return FALSE;
    }
    DWORD exitCode = 0;
    // It runs for the user who plugged the card in, with their rights: nothing of an
    // administrator's reaches a program they can steer.
    CUniqueHandle userToken;
    if (!ChooseApplicationToken(userToken))
    {
        TraceOut(FormatText(kTraceApplicationNotStarted, path.c_str(),
                            static_cast<int>(GetLastError())));
        return FALSE;
    }
    // A wait of 1 ms: the application keeps running while the setup run ends.
    return RunProcess(QuoteIfBlank(path), exitCode, 1, SW_SHOWNORMAL, userToken.Get());
}
