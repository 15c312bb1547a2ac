// What the fuzzers and the sanitizer test share: the input cut into lines, a reference
// reading of decimal text, and a check that stops the run loudly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The input's lines, split at each '\n' and without it; the text after the last '\n' is a
// line too, so n newlines give n + 1 lines. Zero bytes are kept.
std::vector<std::string> SplitLines(const uint8_t* data, size_t size);

// Decimal text read by the C library's strtol and clamped to the 32-bit range: what atoi
// does when it saturates. Reads up to the first zero byte.
int ReferenceAtoi(const std::string& text);

// A failed check: prints what was expected and what came, then aborts, which libFuzzer
// reports as a crash with the input saved.
void FuzzFail(const char* what, const std::string& expected, const std::string& actual);

inline void FuzzCheckEqual(const char* what, const std::string& expected, const std::string& actual)
{
    if (expected != actual)
        FuzzFail(what, expected, actual);
}

inline void FuzzCheck(const char* what, bool condition)
{
    if (!condition)
        FuzzFail(what, "true", "false");
}
