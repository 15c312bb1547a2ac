#include "tests/support/FreeCdDrive.h"

#include "handles/UniqueHandle.h"
#include "tools/cdmount/CdMount.h"

#include <windows.h>

char DefineCdDriveOnFreeLetter(const std::string& folder)
{
    std::string unixPath = GetUnixPath(folder);
    if (unixPath.empty())
        return 0;
    CUniqueHandle lock(CreateMutexA(NULL, FALSE, "NorvaneTestDriveLetters"));
    if (!lock || WaitForSingleObject(lock.Get(), 60000) != WAIT_OBJECT_0)
        return 0;
    char chosen = 0;
    for (char letter = 'P'; letter > 'D' && !chosen; --letter)
    {
        const char root[] = {letter, ':', '\\', '\0'};
        if (GetDriveTypeA(root) == DRIVE_NO_ROOT_DIR && DefineCdDrive(letter, unixPath))
            chosen = letter;
    }
    ReleaseMutex(lock.Get());
    return chosen;
}

std::string DriveRoot(char letter)
{
    return std::string(1, letter) + ":\\";
}

unsigned int DriveType(char letter)
{
    return GetDriveTypeA(DriveRoot(letter).c_str());
}
