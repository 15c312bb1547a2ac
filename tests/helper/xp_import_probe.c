/* Imports a function Windows XP lacks, and nothing else XP lacks: the input of the test
   that the import check of the shipping file names such a function. Never run. */
#define _WIN32_WINNT 0x0600
#include <windows.h>

int main(void)
{
    return (int)(GetTickCount64() & 1);
}
