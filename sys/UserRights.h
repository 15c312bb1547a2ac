// What rights this process runs with, and the rights of the user it runs for.
#pragma once

#include "handles/UniqueHandle.h"

#include <windows.h>

// True when the Administrators group is enabled in this process's token: elevated on
// Windows Vista and later, an administrator's program on XP or with UAC off.
bool IsAdministrator();

// Which token the installed application may start with, so that it never gets more rights
// than the programs of the user logged on at this desktop:
// - true, token empty: this process's own, which is no more than theirs (not an
//   administrator; or not elevated, with a desktop shell of the same user: XP, UAC off);
// - true, a primary token: the desktop shell's (Vista and later elevated, or another user
//   at the desktop), else, with no shell, the filtered token linked to this elevated one;
// - false, GetLastError telling why: none can be had, and the application must not start.
bool ChooseApplicationToken(CUniqueHandle& token);
