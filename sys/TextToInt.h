// Decimal text to a 32-bit integer, read the way atoi reads it.
#pragma once

// Leading white space, an optional sign, then digits up to the first other character;
// 0 when no digit leads. Values beyond the 32-bit range saturate to INT_MIN or INT_MAX.
int TextToInt(const char* text);
