#include "FuzzSupport.h"

#include <climits>
#include <cstdio>
#include <cstdlib>

std::vector<std::string> SplitLines(const uint8_t* data, size_t size)
{
    std::vector<std::string> lines(1);
    for (size_t i = 0; i < size; ++i)
    {
        if (data[i] == '\n')
            lines.push_back(std::string());
        else
            lines.back().push_back(static_cast<char>(data[i]));
    }
    return lines;
}

int ReferenceAtoi(const std::string& text)
{
    long value = strtol(text.c_str(), NULL, 10);
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

namespace
{
// Bytes outside printable ASCII as \xNN, so that the report shows every byte.
std::string Visible(const std::string& text)
{
    std::string shown;
    for (unsigned char c : text)
    {
        if (c >= 0x20 && c < 0x7F && c != '\\')
        {
            shown.push_back(static_cast<char>(c));
        }
        else
        {
            char escaped[8];
            snprintf(escaped, sizeof(escaped), "\\x%02X", c);
            shown += escaped;
        }
    }
    return shown;
}
} // namespace

void FuzzFail(const char* what, const std::string& expected, const std::string& actual)
{
    fprintf(stderr, "check failed: %s\n  expected: \"%s\"\n  actual:   \"%s\"\n", what,
            Visible(expected).c_str(), Visible(actual).c_str());
    abort();
}
