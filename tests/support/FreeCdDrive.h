// CD-ROM drive letters for tests that run programs from a folder shown as the card's CD.
#pragma once

#include <string>

// Shows folder (a folder of the prefix, in the ANSI code page) as a CD-ROM drive under a
// letter nothing uses, from P: downwards, and returns the letter; 0 when none is free or
// the drive cannot be defined. Defining a letter replaces what it showed, so the letter is
// chosen and defined under a lock every program of the prefix takes. RemoveDriveLetter
// gives it back.
char DefineCdDriveOnFreeLetter(const std::string& folder);

// "P:\" for 'P', and the type the system gives that root (DRIVE_CDROM, DRIVE_NO_ROOT_DIR...).
std::string DriveRoot(char letter);
unsigned int DriveType(char letter);
