#include "fw/Application.h"
#include "sys/DllSearch.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    // Before anything can load a DLL by name.
    HardenDllSearch();
    return RunApplication(instance);
}
