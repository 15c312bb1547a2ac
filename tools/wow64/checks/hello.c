/* Smallest possible check: prints its bitness and where it was loaded, and
 * exits with the code given as its first argument (default 42) so that the
 * exit code can be seen coming back through Wine, qemu and run.sh; waits
 * the milliseconds given as its second argument first (for signal checks). */
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

int main(int argc, char **argv)
{
    BOOL wow64 = FALSE;

    IsWow64Process(GetCurrentProcess(), &wow64);
    printf("hello from %d-bit, wow64=%d, image at %p\n", (int)(sizeof(void *) * 8), wow64,
           (void *)GetModuleHandleA(NULL));
    fflush(stdout);
    if (argc > 2) Sleep((DWORD)atoi(argv[2]));
    return argc > 1 ? atoi(argv[1]) : 42;
}
