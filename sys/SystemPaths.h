// The directories the setup run works from, and a plain file test.
#pragma once

#include <windows.h>

#include <string>

// Directory of the running executable without its trailing backslash ("E:" for a
// program in a drive root); empty when the path holds no backslash.
std::string GetModuleDir();

// The temporary directory without its trailing backslash; empty when it cannot be read
// or does not fit in 260 bytes. A path with a blank or with characters the ANSI code page
// lacks comes in its short (8.3) form, where the volume has one (ChooseTempPath).
std::string GetTempDir();

// Of the temporary path's forms (each with its trailing backslash), the first that has no
// blank and comes back unchanged from codePage, in codePage: the long form, then the short
// one (empty where the volume keeps no short names); when neither does, ansiPath, what the
// system gives in the ANSI code page.
std::string ChooseTempPath(const wchar_t* longPath, const wchar_t* shortPath,
                           const std::string& ansiPath, UINT codePage);

// The system directory, as the system gives it.
std::string GetSystemDir();

// True for an existing file; false for a directory or anything that cannot be read.
bool FileExists(const char* path);
