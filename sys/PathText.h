// Backslashes in ANSI path texts. Both step over double-byte characters whole: in GBK or
// Big5 a trail byte may be 0x5C, the backslash byte, which is then no separator.
#pragma once

// The first "\" at or after text, or NULL.
const char* FindNextBackslash(const char* text);

// The last "\" of text, or NULL.
const char* FindLastBackslash(const char* text);
