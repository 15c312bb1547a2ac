// What rights this process runs with, and the rights of the user it runs for.
#pragma once

#include <windows.h>

// True when the Administrators group is enabled in this process's token: elevated on
// Windows Vista and later, an administrator's program on XP.
bool IsAdministrator();

// True when this process runs with more rights than the user's other programs: the full
// token of a user whose programs run with a filtered one (Vista and later with UAC on).
bool IsElevated();

// Whether the user's unelevated programs could make a folder in the folder held by
// handle: for an elevated process, the access check of the filtered token linked to its
// own; for any other process, true. False when it cannot be told.
bool UnelevatedCanAddFolder(HANDLE folder);

// A primary token of the desktop shell's process, for starting a program with the rights
// the user's other programs have; the caller owns it. NULL unless this process is
// elevated, and when any step fails (no shell running, access refused).
HANDLE OpenShellUserToken();
