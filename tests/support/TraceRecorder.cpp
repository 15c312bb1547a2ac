#include "tests/support/TraceRecorder.h"

#include <mutex>

namespace
{
std::mutex g_lock;
std::vector<std::string> g_texts;
int g_active = 0;
} // namespace

CTraceRecorder::CTraceRecorder()
{
    {
        std::lock_guard<std::mutex> guard(g_lock);
        g_texts.clear();
        ++g_active;
    }
    m_hHandler = AddVectoredExceptionHandler(1, &CTraceRecorder::OnException);
}

CTraceRecorder::~CTraceRecorder()
{
    if (m_hHandler)
        RemoveVectoredExceptionHandler(m_hHandler);
    std::lock_guard<std::mutex> guard(g_lock);
    --g_active;
}

std::vector<std::string> CTraceRecorder::Texts() const
{
    std::lock_guard<std::mutex> guard(g_lock);
    return g_texts;
}

void CTraceRecorder::Clear()
{
    std::lock_guard<std::mutex> guard(g_lock);
    g_texts.clear();
}

LONG CALLBACK CTraceRecorder::OnException(EXCEPTION_POINTERS* info)
{
    const EXCEPTION_RECORD* record = info->ExceptionRecord;
    if (record->ExceptionCode == DBG_PRINTEXCEPTION_C && record->NumberParameters >= 2)
    {
        const char* text = reinterpret_cast<const char*>(record->ExceptionInformation[1]);
        size_t length = static_cast<size_t>(record->ExceptionInformation[0]);
        std::string copy;
        if (text && length > 0)
            copy.assign(text, length - 1); // the count includes the terminating NUL
        std::lock_guard<std::mutex> guard(g_lock);
        if (g_active > 0)
            g_texts.push_back(copy);
    }
    return EXCEPTION_CONTINUE_SEARCH;
}
