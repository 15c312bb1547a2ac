#include "FuzzSupport.h"
#include "shim/FakeSystem.h"

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

bool ReferenceRegText(const std::string& bytes, std::string& text)
{
    if (bytes.size() > 260)
        return false;
    text = bytes.c_str();
    return true;
}

std::string ReferenceProfileText(const std::string& value)
{
    std::string text = value.c_str();
    if (text.size() > 1023)
        text.resize(1023);
    return text;
}

bool IsSentinelLike(const std::string& value)
{
    std::string text = ReferenceProfileText(value);
    if (text.size() < 3 || text.front() != '@' || text.back() != '@')
        return false;
    return text.find_first_not_of("0123456789", 1) == text.size() - 1;
}

const char kAppRegKeyPath[] = "Software\\Norvane\\Card";
const char kAppRegKeyVersion[] = "Version";

void SetCompleteSetupProfile()
{
    const char* const keys[][3] = {
        {"SETUP", "EnglishTitle", "Card setup"},
        {"SETUP", "ChineseTitle", "Card setup zh"},
        {"SETUP", "ProductName", "Card"},
        {"SETUP", "Preinstall", "pre\\pre.exe"},
        {"SETUP", "InstallApp", "1"},
        {"SETUP", "AutoRunApp", "1"},
        {"Driver", "DriverSourcePath", "driver"},
        {"Driver", "DriverDestPath", "carddrv"},
        {"Driver", "DriverSetupCmd", "setup.exe"},
        {"APP", "AppType", "1"},
        {"APP", "AppVersion", "1.0.0"},
        {"APP", "AppDestPath", "cardapp"},
        {"APP", "AppSourcePath", "app"},
        {"APP", "AppSetupCmd", "setup.exe"},
        {"APP", "AppRegKeyPath", kAppRegKeyPath},
        {"APP", "AppRegKeyVersion", kAppRegKeyVersion},
    };
    for (const auto& key : keys)
        FakeSetProfileString(key[0], key[1], key[2]);
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
