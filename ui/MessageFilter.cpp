#include "ui/MessageFilter.h"

#include "sys/SystemFunction.h"

namespace
{
typedef BOOL(WINAPI* ChangeWindowMessageFilterExFn)(HWND, UINT, DWORD, void*);
typedef BOOL(WINAPI* ChangeWindowMessageFilterFn)(UINT, DWORD);
const DWORD kMsgFltAllow = 1; // MSGFLT_ALLOW, for the window
const DWORD kMsgFltAdd = 1;   // MSGFLT_ADD, for the process
} // namespace

BOOL AllowMessageFromOtherPrograms(HWND hwnd, UINT message)
{
    if (ChangeWindowMessageFilterExFn forWindow =
            LookUpSystemFunction<ChangeWindowMessageFilterExFn>("user32.dll",
                                                                "ChangeWindowMessageFilterEx"))
        return forWindow(hwnd, message, kMsgFltAllow, NULL);
    if (ChangeWindowMessageFilterFn forProcess = LookUpSystemFunction<ChangeWindowMessageFilterFn>(
            "user32.dll", "ChangeWindowMessageFilter"))
        return forProcess(message, kMsgFltAdd);
    return FALSE;
}
