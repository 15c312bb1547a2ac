// drvsetup: the demo card's driver installer. It stands for the real one: it works for
// about two seconds and reports that the driver is usable.
//
//   drvsetup.exe [arguments are ignored]
//
// Exit code 0 (the driver is usable), which is all setup.exe looks at.
#include <windows.h>

namespace
{
const DWORD kWorkMs = 2000;
} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    OutputDebugStringA("drvsetup: installing the Norvane card driver\n");
    Sleep(kWorkMs);
    OutputDebugStringA("drvsetup: driver installed\n");
    return 0;
}
