// trivial: a Win32 program that does nothing, built like setup.exe; the yardstick for
// setup.exe's start-up time.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return 0;
}
