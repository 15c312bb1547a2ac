// What Windows reads from setup.exe before its first instruction, checked on a file: the
// build's own, or a card maker's signed copy of it. Each check returns the problems it
// found, one text each; none when the file is as it ships.
#pragma once

#include "tools/pecheck/PeFile.h"

#include <string>
#include <vector>

typedef std::vector<std::string> ProblemList;

// A PE32 file for i386 and the Windows GUI subsystem.
ProblemList CheckMachine(const CPeFile& file);
// The flag that has Windows copy the image to the page file when it runs from a CD.
ProblemList CheckRunFromSwap(const CPeFile& file);
// Loaded at a random address, its data not executable.
ProblemList CheckRandomAddress(const CPeFile& file);
// The checksum in the header is the file's own.
ProblemList CheckChecksum(const CPeFile& file);
// The manifest: common controls 6, administrator rights, every Windows it was made for.
ProblemList CheckManifest(const CPeFile& file);
// What the file imports that Windows XP SP3 lacks: "dll" for a DLL, "dll function" for a
// function.
ProblemList ImportsXpLacks(const CPeFile& file);
// The import table is there, and imports nothing XP lacks.
ProblemList CheckImports(const CPeFile& file);
// All of the above.
ProblemList CheckShippingFile(const CPeFile& file);
