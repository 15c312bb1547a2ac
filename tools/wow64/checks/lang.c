/* Prints the language and code pages Wine derived from LC_ALL. */
#include <stdio.h>
#include <windows.h>

int main(void)
{
    printf("sys_lang=0x%04x user_lang=0x%04x acp=%u oemcp=%u\n", GetSystemDefaultLangID(),
           GetUserDefaultLangID(), GetACP(), GetOEMCP());
    return 0;
}
