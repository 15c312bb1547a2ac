#include "fw/WorkerThread.h"

#include <process.h>

CWorkerThread::CWorkerThread() : m_bAutoDelete(true) {}

CWorkerThread::~CWorkerThread() {}

bool CWorkerThread::CreateSuspended(int priority, unsigned stackSize)
{
    if (m_hThread)
        return false;
    // _beginthreadex rather than CreateThread, so that the C runtime's per-thread data
    // is set up and released with the thread.
    unsigned id = 0;
    uintptr_t thread =
        _beginthreadex(NULL, stackSize, &CWorkerThread::ThreadProc, this, CREATE_SUSPENDED, &id);
    if (thread == 0)
        return false;
    m_hThread.Reset(reinterpret_cast<HANDLE>(thread));
    SetThreadPriority(m_hThread.Get(), priority);
    return true;
}

DWORD CWorkerThread::Resume()
{
    return ResumeThread(m_hThread.Get());
}

HANDLE CWorkerThread::DuplicateWaitHandle() const
{
    HANDLE copy = NULL;
    if (!m_hThread || !DuplicateHandle(GetCurrentProcess(), m_hThread.Get(), GetCurrentProcess(),
                                       &copy, 0, FALSE, DUPLICATE_SAME_ACCESS))
        return NULL;
    return copy;
}

BOOL CWorkerThread::InitInstance()
{
    return TRUE;
}

int CWorkerThread::ExitInstance(int runResult)
{
    return runResult;
}

unsigned __stdcall CWorkerThread::ThreadProc(void* param)
{
    CWorkerThread* thread = static_cast<CWorkerThread*>(param);
    int result = thread->InitInstance() ? thread->Run() : -1;
    result = thread->ExitInstance(result);
    if (thread->m_bAutoDelete)
        delete thread;
    return static_cast<unsigned>(result);
}
