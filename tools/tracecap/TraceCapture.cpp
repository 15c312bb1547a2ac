#include "tools/tracecap/TraceCapture.h"

#include "handles/UniqueHandle.h"
#include "sys/CodePageText.h"
#include "sys/ProcessStart.h"

#include <vector>

namespace
{
// Longest text we read from the debuggee; OutputDebugStringA itself has no limit.
const DWORD kMaxDebugString = 1 << 20;
const DWORD kPollMs = 100;

// A process or thread handle that a debug event handed over.
struct CEventHandle
{
    HANDLE handle;
    DWORD dwId; // the process or thread it was handed over for
    bool bProcess;
};

typedef DWORD(WINAPI* ThreadIdFn)(HANDLE);

// Windows closes the handles of the process and thread events itself when the debugger
// continues from the matching exit event; Wine leaves them open. Closes the ones still
// open that still name the process or thread they came with, so that a value the system
// has handed out again since is left alone.
void CloseEventHandlesLeftOpen(const std::vector<CEventHandle>& handles)
{
    // GetThreadId is not declared for the Windows versions the program builds for.
    ThreadIdFn threadId = reinterpret_cast<ThreadIdFn>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetThreadId")));
    for (const CEventHandle& h : handles)
    {
        DWORD flags = 0;
        if (!h.handle || !GetHandleInformation(h.handle, &flags))
            continue;
        DWORD id = h.bProcess ? GetProcessId(h.handle) : threadId ? threadId(h.handle) : 0;
        if (id == h.dwId)
            CloseHandle(h.handle);
    }
}
} // namespace

CTraceCapture::CTraceCapture()
    : m_dwExitCode(0), m_dwProcessId(0), m_bTimedOut(false), m_nExceptionsPassedOn(0)
{
}

std::vector<std::string> CTraceCapture::Texts() const
{
    std::vector<std::string> texts;
    for (const CTraceLine& line : m_lines)
        texts.push_back(line.text);
    return texts;
}

void CTraceCapture::ReadDebugString(HANDLE process, const OUTPUT_DEBUG_STRING_INFO& info,
                                    DWORD startTick)
{
    CTraceLine line;
    line.dwMsSinceStart = GetTickCount() - startTick;
    DWORD length = info.nDebugStringLength;
    if (length > kMaxDebugString)
        length = kMaxDebugString;
    if (length > 0 && !info.fUnicode)
    {
        std::vector<char> buffer(length);
        SIZE_T read = 0;
        if (ReadProcessMemory(process, info.lpDebugStringData, buffer.data(), length, &read))
        {
            // The length counts the terminating NUL; keep the bytes before it.
            size_t end = 0;
            while (end < read && buffer[end] != '\0')
                ++end;
            line.text.assign(buffer.data(), end);
        }
    }
    m_lines.push_back(line);
    if (m_onLine)
        m_onLine(m_lines.back());
}

bool CTraceCapture::Run(const std::string& commandLine, const char* currentDir, DWORD timeoutMs,
                        WORD showWindow)
{
    m_lines.clear();
    m_dwExitCode = 0;
    m_bTimedOut = false;
    m_nExceptionsPassedOn = 0;

    CStartOptions options;
    options.bShowMode = true;
    options.wShowMode = showWindow;
    options.dwCreationFlags = DEBUG_ONLY_THIS_PROCESS;
    options.pszCurrentDir = currentDir;
    CProcessInfo pi;
    DWORD startTick = GetTickCount();
    if (!StartProcess(commandLine, options, pi))
        return false;
    m_dwProcessId = pi.ProcessId();

    std::vector<CEventHandle> eventHandles;
    bool sawInitialBreakpoint = false;
    bool terminated = false;
    int quietPollsAfterDeath = 0;
    for (;;)
    {
        DEBUG_EVENT event;
        if (!WaitForDebugEvent(&event, kPollMs))
        {
            // No event: the debuggee may be hung. Past the time-out, end it; its exit
            // event still arrives and finishes the loop.
            if (!terminated && timeoutMs != INFINITE && GetTickCount() - startTick > timeoutMs)
            {
                m_bTimedOut = true;
                terminated = true;
                TerminateProcess(pi.Process(), 0xDEAD);
            }
            // Never wait for ever on a process that is gone but whose exit event is lost.
            if (WaitForSingleObject(pi.Process(), 0) == WAIT_OBJECT_0 &&
                ++quietPollsAfterDeath > 30)
                break;
            continue;
        }

        DWORD continueStatus = DBG_CONTINUE;
        bool done = false;
        switch (event.dwDebugEventCode)
        {
        case CREATE_PROCESS_DEBUG_EVENT:
            if (event.u.CreateProcessInfo.hFile)
                CloseHandle(event.u.CreateProcessInfo.hFile);
            eventHandles.push_back({event.u.CreateProcessInfo.hProcess, event.dwProcessId, true});
            eventHandles.push_back({event.u.CreateProcessInfo.hThread, event.dwThreadId, false});
            break;
        case CREATE_THREAD_DEBUG_EVENT:
            eventHandles.push_back({event.u.CreateThread.hThread, event.dwThreadId, false});
            break;
        case LOAD_DLL_DEBUG_EVENT:
            if (event.u.LoadDll.hFile)
                CloseHandle(event.u.LoadDll.hFile);
            break;
        case OUTPUT_DEBUG_STRING_EVENT:
            ReadDebugString(pi.Process(), event.u.DebugString, startTick);
            break;
        case EXCEPTION_DEBUG_EVENT:
            // Only the breakpoint the system raises when a debuggee starts is ours;
            // everything else belongs to the program and goes back to it.
            if (!sawInitialBreakpoint &&
                event.u.Exception.ExceptionRecord.ExceptionCode == EXCEPTION_BREAKPOINT)
            {
                sawInitialBreakpoint = true;
            }
            else
            {
                continueStatus = DBG_EXCEPTION_NOT_HANDLED;
                ++m_nExceptionsPassedOn;
            }
            break;
        case EXIT_PROCESS_DEBUG_EVENT:
            m_dwExitCode = event.u.ExitProcess.dwExitCode;
            done = true;
            break;
        default:
            break;
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, continueStatus);
        if (done)
            break;
    }
    CloseEventHandlesLeftOpen(eventHandles);
    if (!m_bTimedOut)
    {
        DWORD code = 0;
        if (GetExitCodeProcess(pi.Process(), &code) && code != STILL_ACTIVE)
            m_dwExitCode = code;
    }
    return !m_bTimedOut;
}

std::string Cp936ToUtf8(const std::string& text)
{
    return Recode(text, 936, CP_UTF8);
}
