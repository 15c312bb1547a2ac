// The progress window of one setup.exe. Other programs of the test run (the window's own
// tests, other setup.exe runs) may have windows of the same class at the same time.
#pragma once

#include <windows.h>

// The top-level window of class "NorvaneSetup" that belongs to the process, or NULL.
HWND FindSetupWindowOf(DWORD processId);
