// The directories the setup run works from, and a plain file test.
#pragma once

#include <string>

// Directory of the running executable without its trailing backslash ("E:" for a
// program in a drive root); empty when the path holds no backslash.
std::string GetModuleDir();

// The temporary directory without its trailing backslash; empty when it cannot be read
// or does not fit in 260 bytes. A path with a blank or with characters the ANSI code page
// lacks comes in its short (8.3) form, where the volume has one.
std::string GetTempDir();

// The system directory, as the system gives it.
std::string GetSystemDir();

// True for an existing file; false for a directory or anything that cannot be read.
bool FileExists(const char* path);
