// The worker thread that runs the installation sequence once, from reading setup.ini to
// starting the installed application, and reports only through the progress window.
#pragma once

#include "config/SetupConfig.h"
#include "fw/WorkerThread.h"
#include "sys/StagingFolder.h"

#include <windows.h>

class ProgressView;

class CSetupThread : public CWorkerThread
{
public:
    CSetupThread();

    // Set once by the start-up code while the thread is still suspended.
    void SetView(ProgressView* view) { m_pView = view; }

    BOOL InitInstance() override;
    // The sequence's result, or -1 when an exception of ours ended it.
    int Run() override;

    // Runs the driver installer from its copy; " /C" is appended when slashC is non-zero.
    // FALSE without running it when the copy's folder could not be made the run's own.
    BOOL InstallDriver(DWORD& exitCode, int slashC);
    int CopyApplication();
    // Runs the application installer once, or twice when the first run removed the
    // previous installation's uninstall entry.
    BOOL InstallApplication();
    // Starts the installed application without waiting for it, with the rights of the
    // user's other programs where it can.
    BOOL RunInstalledApplication();

private:
    int RunSequence();

    CSetupConfig m_config;
    ProgressView* m_pView;
    // The folders the packages are copied to, held until the thread object goes, after
    // both installers have ended.
    CStagingFolder m_driverFolder;
    CStagingFolder m_appFolder;
};
