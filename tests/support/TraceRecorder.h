// Records the debug strings this process sends, in order, as raw bytes.
//
// OutputDebugStringA raises DBG_PRINTEXCEPTION_C when no debugger is attached, and a
// vectored handler sees it first; the recorder keeps the text and lets the system go on
// as usual. Traces of other processes are read with CTraceCapture instead.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class CTraceRecorder
{
public:
    CTraceRecorder();
    ~CTraceRecorder();
    CTraceRecorder(const CTraceRecorder&) = delete;
    CTraceRecorder& operator=(const CTraceRecorder&) = delete;

    std::vector<std::string> Texts() const;
    void Clear();

private:
    static LONG CALLBACK OnException(EXCEPTION_POINTERS* info);

    PVOID m_hHandler;
};
