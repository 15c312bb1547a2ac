// Text between a code page and UTF-16: narrow text is bytes in a code page (CP_ACP, the
// system's ANSI code page, unless named), wide text is UTF-16. The one place such a
// conversion is written.
#pragma once

#include <windows.h>

#include <string>

// Empty when text is empty or codePage cannot convert it; bytes the code page does not
// define become what the system makes of them.
std::wstring ToWide(const std::string& text, UINT codePage = CP_ACP);

// Empty when text is empty or codePage cannot convert it; characters the code page lacks
// become its default character or a look-alike (best fit).
std::string FromWide(const std::wstring& text, UINT codePage = CP_ACP);

// The text in codePage when it converts there and back unchanged; empty otherwise.
std::string FromWideExactly(const std::wstring& text, UINT codePage = CP_ACP);

// The bytes of one code page in another (936 to UTF-8 for a Linux terminal); the text as
// it is when it cannot be converted.
std::string Recode(const std::string& text, UINT from, UINT to);

// True when every byte of text is part of a character codePage defines.
bool IsValidIn(const std::string& text, UINT codePage);
