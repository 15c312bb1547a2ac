// Paths on the CD as setup.exe forms them, and the program a command line starts.
#pragma once

#include <string>

// A root, exactly one backslash, then the field as it stands: setup.exe's one rule for
// every path it derives from setup.ini, applied to a root of the checker's choosing.
std::string JoinPath(const std::string& root, const std::string& field);

// The full path of a folder without its trailing backslashes, as GetModuleDir gives the
// folder of setup.exe ("E:" for a drive's root). Empty when it cannot be resolved into
// 260 bytes.
std::string FullFolderPath(const std::string& folder);

// A package folder on the CD and the folder setup.exe copies it to before it runs the
// package's command there. The pre-install program runs from the CD: both are the same.
struct CPackageCopy
{
    std::string strPackageDir;
    std::string strCopyDir;
};

// The program Windows starts for the command line copyDir + "\" + command when it is
// handed over unquoted, as setup.exe hands it: the shortest part ending before a blank, or
// the whole line, that names a file, with ".exe" added to a name that has no extension.
// Each part is resolved as Windows resolves it ("." and ".." taken out): below the copy it
// names a file of the package, anywhere else the file there on this PC. True and the file's
// path when one exists; false and the path of the command's first word when none.
bool FindCommandProgram(const CPackageCopy& copy, const std::string& command,
                        std::string& program);
