// setupcheck: checks a CD folder for setup.exe before it goes on a card, by setup.exe's
// own reading of setup.ini.
//
//   setupcheck [--utf8] [--installed VERSION] CDFOLDER
//
// Loads CDFOLDER\setup.ini as setup.exe does and reports:
//   - every required key the file lacks (section "APP" only when InstallApp is not 0);
//   - the title on a Chinese and on any other system;
//   - every path setup.exe derives: sources and the pre-install command on the CD (as if
//     setup.exe ran from CDFOLDER), destinations and installer commands in this PC's
//     temporary folder;
//   - whether setup.exe, each package folder and each installer is in CDFOLDER. An
//     installer is looked for in its package folder on the CD (setup.exe runs it from a
//     copy of that folder), and found the way Windows finds the program of a command line
//     with arguments: "drvsetup.exe /S" needs drvsetup.exe.
// --installed VERSION  also print setup.exe's update decision when VERSION is installed
//                      ("" for no installation). Asks setup.exe's own comparison, which
//                      reads the registry only: the version is written for a moment under
//                      HKEY_LOCAL_MACHINE\SOFTWARE\NorvaneSetupCheck, which on Windows
//                      needs administrator rights.
// --utf8               print GBK text (the Chinese title) as UTF-8, for a Linux terminal.
//
// Exit code: 0 the CD folder is complete; 1 it is not (each problem has a line starting
// with "PROBLEM:"); 2 wrong arguments, or the update decision could not be asked.
#include "tools/setupcheck/CdFolderCheck.h"

#include "sys/CodePageText.h"

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <string>

namespace
{
void Usage()
{
    fputs("usage: setupcheck [--utf8] [--installed VERSION] CDFOLDER\n", stderr);
}
} // namespace

int main(int argc, char** argv)
{
    _setmode(_fileno(stdout), _O_BINARY);

    bool utf8 = false;
    bool decide = false;
    std::string installed;
    std::string cdFolder;
    for (int i = 1; i < argc; ++i)
    {
        if (strcmp(argv[i], "--utf8") == 0)
            utf8 = true;
        else if (strcmp(argv[i], "--installed") == 0 && i + 1 < argc)
        {
            decide = true;
            installed = argv[++i];
        }
        else if (strncmp(argv[i], "--", 2) == 0 || !cdFolder.empty())
        {
            Usage();
            return 2;
        }
        else
            cdFolder = argv[i];
    }
    if (cdFolder.empty())
    {
        Usage();
        return 2;
    }

    CCdFolderCheck check(cdFolder);
    check.Check();
    bool decided = !decide || check.DecideUpdate(installed);
    check.Finish();

    std::string report = utf8 ? Recode(check.Report(), 936, CP_UTF8) : check.Report();
    fwrite(report.data(), 1, report.size(), stdout);
    fflush(stdout);
    if (check.Problems() > 0)
        return 1;
    return decided ? 0 : 2;
}
