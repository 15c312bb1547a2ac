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
    : m_pView(NULL), m_driverFolder(GetTempDir(), IsAdministrator()),
      m_appFolder(GetTempDir(), IsAdministrator())
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
    return result;
#else
    return RunSequence();
#endif
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
    // The installer runs from the destination whatever the copy achieved.
    CopyTree(m_config.GetDriverSourceDir(), m_config.GetDriverDestDir(), m_driverFolder);
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

BOOL CSetupThread::InstallDriver(DWORD& exitCode, int slashC)
{
    // Whatever lies there was not copied by this run: it may be anyone's.
    if (!m_driverFolder.IsReady())
        return FALSE;
    std::string command = m_config.GetDriverSetupCmdPath();
    if (slashC != 0)
        command += " /C";
    return RunProcess(command, exitCode, INFINITE, SW_HIDE);
}

int CSetupThread::CopyApplication()
{
    return CopyTree(m_config.GetAppSourceDir(), m_config.GetAppDestDir(), m_appFolder);
}

BOOL CSetupThread::InstallApplication()
{
    DWORD exitCode = 0;
    std::string command = m_config.GetAppSetupCmdPath();
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
    // Not elevated, so that it runs for the user who plugged the card in, where other
    // programs can reach it.
    CUniqueHandle userToken(OpenShellUserToken());
    // A wait of 1 ms: the application keeps running while the setup run ends.
    return RunProcess(QuoteIfBlank(path), exitCode, 1, SW_SHOWNORMAL, userToken.Get());
}
