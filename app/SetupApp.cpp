#include "app/SetupApp.h"

#include "app/SetupThread.h"
#include "device/CdDrive.h"
#include "handles/UniqueHandle.h"
#include "sys/Trace.h"
#include "sys/TraceTexts.h"
#include "ui/SetupDlg.h"
#include "ui/WindowClass.h"

namespace
{
const char kMutexName[] = "TessikCDFileAutoRun preinstall....";
const DWORD kWorkerWaitMs = 5000;

// Ends the run of a window that exists: the CD action first, then the window goes.
void ShutDown(CSetupDlg& dialog)
{
    FinalCdAction(dialog.m_bEjectOnExit, dialog.m_hCdDevice);
    DestroyWindow(dialog.GetSafeHwnd());
}
} // namespace

CSetupApp theApp;

BOOL CSetupApp::InitInstance()
{
    HANDLE mutex = CreateMutexA(NULL, TRUE, kMutexName);
    DWORD error = GetLastError();
    if (!mutex)
        return FALSE;
    if (error == ERROR_ALREADY_EXISTS)
    {
        CloseHandle(mutex);
        TraceOut(kTraceAlreadyRunning);
        return FALSE;
    }
    // The mutex stays open until the process ends, so that a second start is refused
    // even during shutdown.

    RegisterSetupWindowClass(GetInstance());

    CSetupDlg dialog;
    if (!dialog.Create())
        return FALSE;
    HWND window = dialog.GetSafeHwnd();

    // The thread object deletes itself when its run ends; the wait below uses a handle
    // of our own, which stays valid after that.
    CSetupThread* worker = new CSetupThread;
    if (!worker->CreateSuspended(THREAD_PRIORITY_NORMAL, 0))
    {
        delete worker;
        ShutDown(dialog);
        return FALSE;
    }
    CUniqueHandle workerHandle(worker->DuplicateWaitHandle());
    worker->SetView(&dialog);
    worker->Resume();

    MSG msg;
    for (;;)
    {
        BOOL got = GetMessageA(&msg, window, 0, 0);
        if (got == 0 || got == -1)
            break;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }

    ShowWindow(window, SW_HIDE);
    if (workerHandle)
        WaitForSingleObject(workerHandle.Get(), kWorkerWaitMs);
    ShutDown(dialog);
    return FALSE;
}
