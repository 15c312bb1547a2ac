// pecheck: checks a setup.exe as it goes on a CD - the build's own or a signed copy - for
// what Windows reads before its first instruction: machine and subsystem, the flag that
// copies it to the page file, ASLR, its checksum, its manifest, and imports that Windows
// XP has.
//
//   pecheck FILE
//
// Exit code: 0 the file is as it ships; 1 it is not (each problem has a line starting with
// "PROBLEM:"), or it cannot be read; 2 wrong arguments.
#include "tools/pecheck/ShippingChecks.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        fputs("usage: pecheck FILE\n", stderr);
        return 2;
    }
    CPeFile file;
    if (!file.Load(argv[1]))
    {
        printf("PROBLEM: %s cannot be read or is no PE file\n", argv[1]);
        return 1;
    }
    ProblemList problems = CheckShippingFile(file);
    for (const std::string& problem : problems)
        printf("PROBLEM: %s\n", problem.c_str());
    if (problems.empty())
        printf("%s: i386 GUI program, run from swap, ASLR, true checksum, manifest, XP imports\n",
               argv[1]);
    return problems.empty() ? 0 : 1;
}
