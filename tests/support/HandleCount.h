// How many handles and GDI objects this process holds, for tests that look for leaks.
#pragma once

#include <windows.h>

// GetProcessHandleCount, or where that is only a stub that answers 0 (Wine), the count
// of this process's entries in the system's handle list. 0 when neither can tell.
DWORD OwnHandleCount();

// GetGuiResources(GR_GDIOBJECTS), or where that answers 0 (Wine), the live entries of
// the GDI handle table the system shares with this process. 0 when neither can tell.
DWORD OwnGdiObjectCount();
