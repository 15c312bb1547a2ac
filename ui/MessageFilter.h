// Letting messages of other programs reach a window of an elevated setup.exe.
#pragma once

#include <windows.h>

// Windows Vista and later drop messages at or above WM_USER that programs of lower
// integrity send to an elevated program. Lets message through to hwnd all the same:
// for this window alone from Windows 7 on, for the whole process on Vista. XP filters
// nothing and has neither function, so the call does nothing there and gives FALSE, as
// it does when the system refuses.
BOOL AllowMessageFromOtherPrograms(HWND hwnd, UINT message);
