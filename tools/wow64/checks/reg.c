/* Writes the number given (default 0x1234) as HKLM\Software\NorvaneWow64Check
 * "Written"; from a 32-bit build it must land under Wow6432Node. */
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

int main(int argc, char **argv)
{
    HKEY key;
    DWORD value = argc > 1 ? strtoul(argv[1], NULL, 0) : 0x1234;
    LONG rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\NorvaneWow64Check", 0, NULL, 0,
                              KEY_WRITE, NULL, &key, NULL);

    if (rc != ERROR_SUCCESS)
    {
        printf("RegCreateKeyEx failed: %ld\n", rc);
        return 1;
    }
    rc = RegSetValueExA(key, "Written", 0, REG_DWORD, (const BYTE *)&value, sizeof(value));
    if (rc == ERROR_SUCCESS) rc = RegFlushKey(key);
    RegCloseKey(key);
    printf("registry write %s\n", rc == ERROR_SUCCESS ? "ok" : "failed");
    return rc == ERROR_SUCCESS ? 0 : 1;
}
