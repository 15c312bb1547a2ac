// cdmount: shows a Linux folder as a CD-ROM drive of the Wine prefix it runs in, so that
// the setup program can be tried as if started from the card's CD-ROM.
//
//   cdmount X: FOLDER     make X: a CD-ROM drive whose root is FOLDER: a Linux path
//                         (beginning with "/") or a Windows path of the prefix
//   cdmount X: --remove   take X: away again
//
// The drive stays in the prefix until it is removed. Letters in use by anything but a
// CD-ROM drive are refused, so that C: and Z: cannot be lost by a slip. Exit code 0 when
// done, 1 when the mount manager refused (the reason goes to stderr), 2 for bad usage.
//
// From a build tree, whose wine-run starts a program in the tree's own prefix:
//   ./wine-run bin/cdmount.exe P: /tmp/cd
//   ./wine-run 'P:\setup.exe'
//   ./wine-run bin/cdmount.exe P: --remove
#include "tools/cdmount/CdMount.h"

#include "sys/CodePageText.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace
{
void Usage()
{
    fputs("usage: cdmount X: FOLDER\n"
          "       cdmount X: --remove\n",
          stderr);
}

// "X:" or "X" with X from A to Z; 0 for anything else.
char ParseDriveLetter(const wchar_t* text)
{
    wchar_t letter = text[0];
    bool isLetter = (letter >= L'A' && letter <= L'Z') || (letter >= L'a' && letter <= L'z');
    if (!isLetter || !(text[1] == L'\0' || (text[1] == L':' && text[2] == L'\0')))
        return 0;
    return static_cast<char>(letter & ~0x20);
}

// A drive that may be replaced or removed: unused, or a CD-ROM drive already.
bool IsLetterFree(char letter)
{
    char root[] = {letter, ':', '\\', '\0'};
    UINT type = GetDriveTypeA(root);
    return type == DRIVE_NO_ROOT_DIR || type == DRIVE_CDROM;
}

int Fail(const char* what, char letter)
{
    fprintf(stderr, "cdmount: %s %c: failed, error %lu\n", what, letter, GetLastError());
    return 1;
}
} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 3)
    {
        Usage();
        return 2;
    }
    char letter = ParseDriveLetter(argv[1]);
    if (!letter)
    {
        Usage();
        return 2;
    }
    if (!IsLetterFree(letter))
    {
        fprintf(stderr, "cdmount: %c: is in use and no CD-ROM drive\n", letter);
        return 2;
    }

    if (wcscmp(argv[2], L"--remove") == 0)
        return RemoveDriveLetter(letter) ? 0 : Fail("removing", letter);

    std::string folder =
        argv[2][0] == L'/' ? FromWide(argv[2], CP_UTF8) : GetUnixPath(std::wstring(argv[2]));
    if (folder.empty())
    {
        fputs("cdmount: the folder has no Linux path\n", stderr);
        return 2;
    }
    return DefineCdDrive(letter, folder) ? 0 : Fail("defining", letter);
}
