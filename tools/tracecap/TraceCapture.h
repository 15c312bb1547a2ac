// Starts a program as its debugger and collects every OutputDebugStringA text it sends,
// in order, as raw bytes. Used by the tests, the demo and the tracecap tool.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

struct CTraceLine
{
    DWORD dwMsSinceStart; // when the text arrived, counted from the start of the program
    std::string text;     // the bytes as sent, without the terminating NUL
};

class CTraceCapture
{
public:
    CTraceCapture();

    // Called on the capturing thread for every text as it arrives.
    void SetLineCallback(std::function<void(const CTraceLine&)> callback) { m_onLine = callback; }

    // Runs commandLine (in currentDir, or the caller's directory when null) until it ends.
    // When it has not ended after timeoutMs it is terminated and the result is false.
    // False as well when it cannot be started; GetLastError() tells why.
    bool Run(const std::string& commandLine, const char* currentDir, DWORD timeoutMs,
             WORD showWindow = SW_SHOWNORMAL);

    const std::vector<CTraceLine>& Lines() const { return m_lines; }
    std::vector<std::string> Texts() const;
    DWORD ExitCode() const { return m_dwExitCode; }
    // Set once the program has started; other threads may read it while Run goes on.
    DWORD ProcessId() const { return m_dwProcessId.load(); }
    bool TimedOut() const { return m_bTimedOut; }
    // Exceptions of the debuggee other than its start-up breakpoint, passed back to it.
    int ExceptionsPassedOn() const { return m_nExceptionsPassedOn; }

private:
    void ReadDebugString(HANDLE process, const OUTPUT_DEBUG_STRING_INFO& info, DWORD startTick);

    std::function<void(const CTraceLine&)> m_onLine;
    std::vector<CTraceLine> m_lines;
    DWORD m_dwExitCode;
    std::atomic<DWORD> m_dwProcessId;
    bool m_bTimedOut;
    int m_nExceptionsPassedOn;
};

// Code page 936 bytes to UTF-8, for a Linux terminal.
std::string Cp936ToUtf8(const std::string& text);
