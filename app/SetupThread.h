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
    // As administrator, FALSE without running it when the copy's folder is not the run's.
    BOOL InstallDriver(DWORD& exitCode, int slashC);
    int CopyApplication();
    // Runs the application installer once, or twice when the first run removed the
    // previous installation's uninstall entry.
    BOOL InstallApplication();
    // Starts the installed application without waiting for it, never with more rights than
    // the programs of the user at this desktop: when that cannot be had, it does not start.
    BOOL RunInstalledApplication();

private:
    int RunSequence();
    // The CD folder, and where packages go: as administrator the run's own staging folder,
    // otherwise the temporary directory.
    CInstallRoots Roots() const;
    // CopyTree into dest, as administrator only into a folder made the run's own.
    int CopyPackage(const std::string& source, const std::string& dest);

    CSetupConfig m_config;
    ProgressView* m_pView;
    // As administrator, every package is copied below a folder of the run's own, which
    // goes when the sequence has ended, after both installers.
    const bool m_bAdministrator;
    CStagingFolder m_staging;
};
