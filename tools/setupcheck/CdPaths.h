// Paths on the CD as setup.exe forms them, the program a command line starts, and the
// bytes of a file of the CD.
#pragma once

#include "config/InstallLocations.h"

#include <string>

// A package folder on the CD and the folder setup.exe copies it to before it runs the
// package's command there. The pre-install program runs from the CD: both are the same.
struct CPackageCopy
{
    std::string strPackageDir;
    std::string strCopyDir;
};

// The program Windows starts for the command line JoinCommand(copyDir, command), as
// setup.exe hands it over: quoted, the first word's file; unquoted, the shortest part
// ending before a blank, or the whole line, that names a file; ".exe" added to a name that
// has no extension.
// Each part is resolved as Windows resolves it ("." and ".." taken out): below the copy it
// names a file of the package, anywhere else the file there on this PC. True and the file's
// path when one exists; false and the path of the command's first word when none.
bool FindCommandProgram(const CPackageCopy& copy, const std::string& command, std::string& program);

// The first limit bytes of the file at path; false when it cannot be read.
bool ReadFileBytes(const std::string& path, size_t limit, std::string& bytes);
