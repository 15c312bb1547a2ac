#include "tests/support/SetupWindow.h"

namespace
{
struct CSearch
{
    DWORD dwProcessId;
    HWND hFound;
};

BOOL CALLBACK CheckWindow(HWND window, LPARAM param)
{
    CSearch* search = reinterpret_cast<CSearch*>(param);
    char name[32] = {0};
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->dwProcessId && GetClassNameA(window, name, sizeof(name)) &&
        lstrcmpA(name, "NorvaneSetup") == 0)
    {
        search->hFound = window;
        return FALSE;
    }
    return TRUE;
}
} // namespace

HWND FindSetupWindowOf(DWORD processId)
{
    if (processId == 0)
        return NULL;
    CSearch search = {processId, NULL};
    EnumWindows(CheckWindow, reinterpret_cast<LPARAM>(&search));
    return search.hFound;
}
