#include "sys/SystemFunction.h"

namespace
{
FARPROC GetFromLoadedModule(const char* dll, const char* name)
{
    HMODULE module = GetModuleHandleA(dll);
    return module ? GetProcAddress(module, name) : NULL;
}

SystemFunctionLookup g_lookUp = GetFromLoadedModule;
} // namespace

FARPROC LookUpSystemFunction(const char* dll, const char* name)
{
    return g_lookUp(dll, name);
}

void SetSystemFunctionLookup(SystemFunctionLookup lookup)
{
    g_lookUp = lookup ? lookup : GetFromLoadedModule;
}
