// A thread with an object of its own: InitInstance, Run and ExitInstance run on the new
// thread, and by default the object deletes itself when the thread ends.
#pragma once

#include "handles/UniqueHandle.h"

#include <windows.h>

class CWorkerThread
{
public:
    CWorkerThread();
    // Only for an object whose thread never started or has ended.
    virtual ~CWorkerThread();
    CWorkerThread(const CWorkerThread&) = delete;
    CWorkerThread& operator=(const CWorkerThread&) = delete;

    // Starts the thread suspended; false when it exists already or cannot be created.
    bool CreateSuspended(int priority = THREAD_PRIORITY_NORMAL, unsigned stackSize = 0);
    // ResumeThread's result: the previous suspend count, or (DWORD)-1 on failure. With
    // auto-delete on, the object may be gone as soon as this returns.
    DWORD Resume();
    // A new handle to the thread, owned by the caller, that stays valid after the thread
    // has ended and the object deleted itself; NULL on failure. Take it before Resume.
    HANDLE DuplicateWaitHandle() const;

    // Run only when this returns TRUE.
    virtual BOOL InitInstance();
    // The thread's work; its result goes to ExitInstance.
    virtual int Run() = 0;
    // Called last on the thread, whether InitInstance succeeded (with Run's result) or
    // not (with -1); returns the thread's exit code.
    virtual int ExitInstance(int runResult);

    // On by default: the object is deleted on its thread after ExitInstance.
    void SetAutoDelete(bool autoDelete) { m_bAutoDelete = autoDelete; }

private:
    static unsigned __stdcall ThreadProc(void* param);

    CUniqueHandle m_hThread;
    bool m_bAutoDelete;
};
