// Files and folders whose paths may pass 259 characters: the ANSI file functions refuse
// them, so these go through the wide functions with the "\\?\" prefix.
#pragma once

#include <set>
#include <string>

// Text in the ANSI code page to and from UTF-16.
std::wstring Wide(const std::string& text);
std::string Narrow(const std::wstring& text);

// Every missing level of an absolute path (drive-letter form, ANSI code page).
bool MakeLongDirectory(const std::string& path);
bool WriteLongFile(const std::string& path, const std::string& content);
void RemoveLongTree(const std::string& path);
// The files below dir (with folders: and the folders), as paths relative to it
// ("sub", "sub\name"); empty when dir is missing.
std::set<std::string> ListLongFiles(const std::string& dir, bool folders = false);
std::string ReadLongFile(const std::string& path);
