// printf-style formatting into a string of whatever length the result needs.
#pragma once

#include <string>

// Empty when the format cannot be applied.
std::string FormatText(const char* format, ...);
