// Dotted versions: their components, and whether one is newer than another.
#pragma once

#include <string>
#include <vector>

// Replaces the list with the pieces of the text that end in the separator, in order,
// empty pieces included. What follows the last separator is not a piece, so a text
// without the separator gives an empty list: append one separator to keep the tail.
void SplitByChar(std::vector<std::string>& list, const std::string& text, char separator);

// The pieces between the dots of a version, the last one included: "1.2" has two, "" one.
std::vector<std::string> VersionComponents(const std::string& version);

// True when the card's version is newer than the installed one. Nothing installed (empty)
// means newer, whatever the card carries. Otherwise the first component that differs
// decides, each read as atoi reads it and saturated to the 32-bit range; a component the
// shorter version lacks is worth 0, so 1.2 and 1.2.0 are the same version.
bool IsNewerVersion(const std::string& card, const std::string& installed);
