// ANSI path texts. The backslash scans step over double-byte characters whole: in GBK or
// Big5 a trail byte may be 0x5C, the backslash byte, which is then no separator.
#pragma once

#include <string>

// The first "\" at or after text, or NULL.
const char* FindNextBackslash(const char* text);

// The last "\" of text, or NULL.
const char* FindLastBackslash(const char* text);

// The full path of path with "." and ".." resolved and no trailing backslash ("E:" for a
// drive's root, and for "E:" itself); empty when it cannot be resolved into 260 bytes.
std::string FullPathOf(const std::string& path);

// True when both full paths name the same place, letter case aside.
bool IsSamePath(const std::string& path, const std::string& other);

// True when path lies strictly below root (both full paths), letter case aside.
bool IsBelow(const std::string& path, const std::string& root);
