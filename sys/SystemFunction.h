// Functions of system DLLs that not every supported Windows has, looked up at run time, so
// that the program still loads on Windows XP, where its import table must name none of them.
#pragma once

#include <windows.h>

// The function name of dll, a system DLL the program has loaded already; NULL where this
// Windows lacks it.
FARPROC LookUpSystemFunction(const char* dll, const char* name);

// The same, as a pointer of the function's own type Fn.
template <typename Fn> Fn LookUpSystemFunction(const char* dll, const char* name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(LookUpSystemFunction(dll, name)));
}

// For tests: where the functions are looked up (GetProcAddress by default); a lookup that
// gives NULL makes that function count as missing. NULL restores the default.
typedef FARPROC (*SystemFunctionLookup)(const char* dll, const char* name);
void SetSystemFunctionLookup(SystemFunctionLookup lookup);
