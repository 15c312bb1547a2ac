// The state behind the Win32 shim of the native build: a program path, a temporary
// directory, a system language, one profile file's keys and a registry under
// HKEY_LOCAL_MACHINE, all in memory. Tests and fuzzers set it up before each call of the
// code under test and read back the traces and the key handles left open.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Forgets everything: no profile keys, no registry keys, no traces, an English system,
// the program C:\cd\setup.exe and the temporary directory C:\TEMP\.
void FakeReset();

void FakeSetModuleFileName(const std::string& path);
// The text GetTempPathA gives, trailing backslash included.
void FakeSetTempPath(const std::string& path);
void FakeSetLanguage(LANGID language);

// One key of the profile file; every file name reads the same keys. Like a line of a
// profile file, the value ends at its first zero byte.
void FakeSetProfileString(const std::string& section, const std::string& key,
                          const std::string& value);

// A key below HKEY_LOCAL_MACHINE, created empty if it does not exist.
void FakeAddRegKey(const std::string& path);
// A value of the key (created if needed) holding exactly these bytes, whatever they are.
void FakeSetRegValue(const std::string& path, const std::string& name, const std::string& data);

// Every OutputDebugStringA text since the last reset, in order.
const std::vector<std::string>& FakeTraces();
// Key handles opened and not yet closed.
int FakeOpenKeyCount();
// Registry calls made with a handle that was never opened or is already closed.
int FakeBadHandleCount();
