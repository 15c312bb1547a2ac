// Dotted versions cut into their components.
#pragma once

#include <string>
#include <vector>

// Replaces the list with the pieces of the text that end in the separator, in order,
// empty pieces included. What follows the last separator is not a piece, so a text
// without the separator gives an empty list: append one separator to keep the tail.
void SplitByChar(std::vector<std::string>& list, const std::string& text, char separator);
