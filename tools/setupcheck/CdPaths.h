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

// The program Windows starts for the command line dir + "\" + command when it is handed
// over unquoted, as setup.exe hands it: the shortest part ending before a blank, or the
// whole line, that names a file, with ".exe" added to a name that has no extension. True
// and its path when one exists; false and the path of the command's first word when none.
bool FindCommandProgram(const std::string& dir, const std::string& command, std::string& program);
