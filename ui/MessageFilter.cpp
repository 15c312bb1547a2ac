#include "ui/MessageFilter.h"

namespace
{
// Declared by the SDK only for Vista and later; the program still has to start on XP, so
// both are looked up at run time rather than imported.
typedef BOOL(WINAPI* ChangeWindowMessageFilterExFn)(HWND, UINT, DWORD, void*);
typedef BOOL(WINAPI* ChangeWindowMessageFilterFn)(UINT, DWORD);
const DWORD kMsgFltAllow = 1; // MSGFLT_ALLOW, for the window
const DWORD kMsgFltAdd = 1;   // MSGFLT_ADD, for the process

FARPROC LookUpInUser32(const char* name)
{
    return GetProcAddress(GetModuleHandleA("user32.dll"), name);
}

MessageFilterLookup g_lookUp = LookUpInUser32;

template <typename Fn> Fn LookUp(const char* name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(g_lookUp(name)));
}
} // namespace

BOOL AllowMessageFromOtherPrograms(HWND hwnd, UINT message)
{
    if (ChangeWindowMessageFilterExFn forWindow =
            LookUp<ChangeWindowMessageFilterExFn>("ChangeWindowMessageFilterEx"))
        return forWindow(hwnd, message, kMsgFltAllow, NULL);
    if (ChangeWindowMessageFilterFn forProcess =
            LookUp<ChangeWindowMessageFilterFn>("ChangeWindowMessageFilter"))
        return forProcess(message, kMsgFltAdd);
    return FALSE;
}

void SetMessageFilterLookup(MessageFilterLookup lookup)
{
    g_lookUp = lookup ? lookup : LookUpInUser32;
}
