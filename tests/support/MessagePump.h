// This thread's message loop for tests that drive real windows.
#pragma once

#include <windows.h>

#include <functional>

// Dispatches this thread's messages (sent ones included) until done() is true or timeoutMs
// has passed; returns done(). observe sees every retrieved message before it is
// dispatched; WM_QUIT is observed but neither dispatched nor ends the pump.
bool PumpMessagesUntil(const std::function<bool()>& done, DWORD timeoutMs,
                       const std::function<void(const MSG&)>& observe = nullptr);

// Dispatches this thread's messages for timeoutMs.
void PumpMessagesFor(DWORD timeoutMs, const std::function<void(const MSG&)>& observe = nullptr);

// Handles only the messages other threads send to this thread's windows, until done() or
// timeoutMs; posted messages, paints and timers wait. Returns done().
bool PumpSentMessagesUntil(const std::function<bool()>& done, DWORD timeoutMs);
