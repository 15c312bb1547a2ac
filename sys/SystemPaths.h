// The directories the setup run works from, and a plain file test.
#pragma once

#include <windows.h>

#include <string>

// Directory of the running executable without its trailing backslash ("E:" for a
// program in a drive root); empty when the path holds no backslash.
std::string GetModuleDir();

// The temporary directory without its trailing backslash; empty when it cannot be read,
// does not fit in 260 bytes, or has no form the ANSI code page writes exactly. A path with
// a blank or with characters the ANSI code page lacks comes in its short (8.3) form, where
// the volume has one (ChooseTempPath).
std::string GetTempDir();

// Of the temporary path's forms (each with its trailing backslash), in codePage: the
// first that has no blank and comes back unchanged from codePage, the long form, then the
// short one (empty where the volume keeps no short names); else the long form when only
// its blanks are in the way; else empty, never a spelling that names another folder.
std::string ChooseTempPath(const wchar_t* longPath, const wchar_t* shortPath, UINT codePage);

// The system directory, as the system gives it.
std::string GetSystemDir();

// True for an existing file; false for a directory or anything that cannot be read.
bool FileExists(const char* path);
