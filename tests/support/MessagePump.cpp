#include "tests/support/MessagePump.h"

bool PumpMessagesUntil(const std::function<bool()>& done, DWORD timeoutMs,
                       const std::function<void(const MSG&)>& observe)
{
    DWORD start = GetTickCount();
    for (;;)
    {
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
        {
            if (observe)
                observe(msg);
            if (msg.message == WM_QUIT)
                continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (done && done())
            return true;
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs)
            return done ? done() : false;
        MsgWaitForMultipleObjects(0, NULL, FALSE,
                                  timeoutMs - elapsed < 20 ? timeoutMs - elapsed : 20, QS_ALLINPUT);
    }
}

void PumpMessagesFor(DWORD timeoutMs, const std::function<void(const MSG&)>& observe)
{
    PumpMessagesUntil(nullptr, timeoutMs, observe);
}

bool PumpSentMessagesUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (!done())
    {
        if (GetTickCount() - start >= timeoutMs)
            return false;
        MsgWaitForMultipleObjects(0, NULL, FALSE, 10, QS_SENDMESSAGE);
        MSG msg;
        PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    return true;
}
