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

// The registry text the program reads from a value of these bytes through its 261-byte
// buffer: the bytes up to the first zero; absent (false) when they need more than 260.
bool ReferenceRegText(const std::string& bytes, std::string& text);

// The text the program keeps from a profile value of these bytes: up to the first zero
// byte, and at most the reader's 1023 bytes.
std::string ReferenceProfileText(const std::string& value);

// True for a value of the form "@digits@": the profile reader's default for a missing key
// has that form, with the current time as its digits, so such a value is read as missing
// by design. Fuzzers leave these inputs out.
bool IsSentinelLike(const std::string& value);

// A setup.ini in the shim's profile in which every key is present and InstallApp is 1;
// the application's version is read from HKEY_LOCAL_MACHINE\kAppRegKeyPath, value
// kAppRegKeyVersion.
extern const char kAppRegKeyPath[];
extern const char kAppRegKeyVersion[];
void SetCompleteSetupProfile();

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
