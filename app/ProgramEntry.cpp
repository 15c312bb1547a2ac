// Where the shipping MinGW build of setup.exe starts, in place of the runtime's start-up
// code. That code readies what setup.exe never uses (command-line arguments, thread-local
// storage, runtime relocations of imported data, floating point, a crash filter that maps
// faults to signals nobody handles) and brings the exception tables of its own objects.
// This does the rest as it does: errors reported as a windowed program's, the static
// constructors, WinMain, and exit with the static destructors.
#include <windows.h>

#include <cstdlib>

extern "C" void __cdecl __set_app_type(int); // the C runtime's kind of program

// The linker's list of static constructors: a count (or -1), the constructors, a null.
typedef void(__cdecl* CStaticConstructor)(void);
extern "C" CStaticConstructor __CTOR_LIST__[];

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int);

// As the runtime's start-up code defines it for a program: the C runtime's table of
// functions that exit calls, which the static destructors join.
extern "C" int __cdecl atexit(void(__cdecl* function)(void))
{
    return _onexit(reinterpret_cast<_onexit_t>(function)) ? 0 : -1;
}

extern "C" void __cdecl SetupEntry(void)
{
    const int kWindowedProgram = 2;
    __set_app_type(kWindowedProgram);
    // Last first, as the runtime's __main calls them; each registers its object's
    // destructor with atexit (the list of static destructors stays empty).
    size_t count = 0;
    while (__CTOR_LIST__[count + 1])
        ++count;
    for (; count > 0; --count)
        __CTOR_LIST__[count]();
    // WinMain reads neither the command line nor the show command.
    char noArguments[] = "";
    std::exit(WinMain(GetModuleHandleA(NULL), NULL, noArguments, SW_SHOWDEFAULT));
}
