#include "sys/DllSearch.h"

#include "sys/SystemFunction.h"

#include <windows.h>

namespace
{
typedef BOOL(WINAPI* SetDefaultDllDirectoriesFn)(DWORD);
typedef BOOL(WINAPI* SetDllDirectoryAFn)(LPCSTR);
const DWORD kLoadLibrarySearchSystem32 = 0x00000800; // LOAD_LIBRARY_SEARCH_SYSTEM32
} // namespace

void HardenDllSearch()
{
    if (SetDefaultDllDirectoriesFn setDefault = LookUpSystemFunction<SetDefaultDllDirectoriesFn>(
            "kernel32.dll", "SetDefaultDllDirectories"))
    {
        if (setDefault(kLoadLibrarySearchSystem32))
            return;
    }
    if (SetDllDirectoryAFn setDirectory =
            LookUpSystemFunction<SetDllDirectoryAFn>("kernel32.dll", "SetDllDirectoryA"))
        setDirectory("");
}
