// Drive letters of the Wine prefix that show a Linux folder as a CD-ROM volume, so that
// the setup program can be tried as if started from the card's CD-ROM. Works through
// Wine's own extension of the mount manager; on Windows every call fails.
#pragma once

#include <string>

// Makes letter ('A' to 'Z', either case) a drive of driveType (DRIVE_CDROM, DRIVE_FIXED,
// DRIVE_REMOVABLE, ...) whose root is the Linux folder unixPath (UTF-8, as Linux names it).
// False on failure; GetLastError() tells why.
bool DefineUnixDrive(char letter, unsigned int driveType, const std::string& unixPath);

// The same for a CD-ROM drive.
bool DefineCdDrive(char letter, const std::string& unixPath);

// Takes the letter away again, whatever it showed. False on failure; GetLastError() tells
// why.
bool RemoveDriveLetter(char letter);

// The Linux path of a Windows path in the prefix; empty when Wine cannot tell it (or the
// program does not run under Wine).
std::string GetUnixPath(const std::wstring& windowsPath);
std::string GetUnixPath(const std::string& windowsPath); // windowsPath in the ANSI code page
