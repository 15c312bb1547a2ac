// Known cases of the plain computations, run by the tests under Wine and by the native
// sanitizer build alike. Plain C++: no Windows header.
#pragma once

#include <climits>
#include <string>
#include <vector>

// TextToInt: read as atoi reads, saturated to the 32-bit range.
struct CIntCase
{
    const char* text;
    int value;
};

const CIntCase kTextToIntCases[] = {
    {"0", 0},
    {"1", 1},
    {"  42", 42},
    {"\t-7", -7},
    {" \t\n\v\f\r+17x", 17},
    {"+8", 8},
    {"1abc", 1},
    {"yes", 0},
    {"", 0},
    {"-", 0},
    {"+-1", 0},
    {"01", 1},
    {"000000000000000000000000000007", 7},
    {"2147483647", INT_MAX},
    {"2147483648", INT_MAX},
    {"-2147483648", INT_MIN},
    {"-2147483649", INT_MIN},
    {"99999999999", INT_MAX},
    {"-99999999999", INT_MIN},
    {"4294967297", INT_MAX},
    {"999999999999999999999999999999999999999999999999999999999999999999999999999", INT_MAX},
    {"-999999999999999999999999999999999999999999999999999999999999999999999", INT_MIN},
};

// SplitByChar with '.': the pieces that end in a dot; the tail after the last dot is none.
struct CSplitCase
{
    const char* text;
    std::vector<std::string> pieces;
};

const CSplitCase kSplitCases[] = {
    {"1.2.3", {"1", "2"}},
    {"1.2.3.", {"1", "2", "3"}},
    {"1..2.", {"1", "", "2"}},
    {".", {""}},
    {"..", {"", ""}},
    {"123", {}},
    {"", {}},
};

// The update decision: the card's version against the installed one, the component
// counts it traces, and whether it updates.
struct CVersionCase
{
    const char* card;
    const char* installed; // NULL: no version value in the registry
    int cardCount;
    int installedCount;
    bool update;
};

const CVersionCase kVersionCases[] = {
    // Nothing installed: the card's application goes on, whatever its version.
    {"1.0.2", NULL, 3, 1, true},
    {"0.9", NULL, 2, 1, true},
    {"0.9", "", 2, 1, true},
    {"0", "", 1, 1, true},
    // Components compare as numbers.
    {"1.10", "1.9", 2, 2, true},
    {"1.9", "1.10", 2, 2, false},
    {"2.0", "1.9.9", 2, 3, true},
    {"1.2.3", "1.2.3", 3, 3, false},
    {"1.2.3", "1.2.4", 3, 3, false},
    {"01.2", "1.2", 2, 2, false},
    {"1.2b", "1.2", 2, 2, false},
    {"1.3b", "1.2", 2, 2, true},
    {"V1", "0", 1, 1, false},
    {"V2.1", "0.0", 2, 2, true},
    {"1..3", "1.0.2", 3, 3, true},
    {"1.2.", "1.2", 3, 2, false},
    {"-1", "0", 1, 1, false},
    // A component the shorter version lacks is worth 0.
    {"1.2.1", "1.2", 3, 2, true},
    {"1.2", "1.2.0", 2, 3, false},
    {"1.2", "1.2.1", 2, 3, false},
    {"1.2.0.0.1", "1.2", 5, 2, true},
    // Digits beyond the 32-bit range are the largest value, not undefined.
    {"99999999999", "2147483646", 1, 1, true},
    {"99999999999", "2147483647", 1, 1, false},
    {"-99999999999", "-2147483648", 1, 1, false},
    {"1.5", "1.99999999999", 2, 2, false},
    {"1.99999999999.1", "1.4294967297.0", 3, 3, true},
    // Card texts are traced as they are, never used as a format.
    {"1.%s%n", "1.0", 2, 2, false},
};
