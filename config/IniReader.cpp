#include "config/IniReader.h"

#include "sys/FormatText.h"
#include "sys/TextToInt.h"

#include <cstdio>
#include <cstring>
#include <ctime>

namespace
{
const DWORD kProfileBufferSize = 1024;
const size_t kStringBufferSize = 1025;
const size_t kIntBufferSize = 100;
} // namespace

CIniReader::CIniReader()
{
    m_szFilePath[0] = '\0';
}

CIniReader::~CIniReader() {}

bool CIniReader::SetPath(const char* fileName)
{
    if (!fileName)
        return false;
    size_t length = strlen(fileName);
    if (length < 1 || length > MAX_PATH - 1)
        return false;
    char fullPath[MAX_PATH] = {0};
    DWORD result = GetFullPathNameA(fileName, MAX_PATH, fullPath, NULL);
    // A result of MAX_PATH or more is the size the full path would need: nothing was stored.
    if (result == 0 || result >= MAX_PATH)
        return false;
    memcpy(m_szFilePath, fullPath, sizeof(m_szFilePath));
    return true;
}

bool CIniReader::ReadKey(const char* section, const char* key, char* buffer, size_t bufferSize)
{
    if (!section || !key || !buffer || bufferSize == 0)
        return false;

    // A default that no real value is likely to equal: the key is missing exactly when the
    // profile reader hands it back.
    std::string sentinel = FormatText("@%u@", static_cast<unsigned>(time(NULL)));

    char text[kProfileBufferSize] = {0};
    GetPrivateProfileStringA(section, key, sentinel.c_str(), text, kProfileBufferSize,
                             m_szFilePath);
    if (sentinel == text)
        return false;

    size_t length = strlen(text);
    if (length > bufferSize - 1)
        length = bufferSize - 1;
    memcpy(buffer, text, length);
    buffer[length] = '\0';
    return true;
}

bool CIniReader::ReadString(const char* section, const char* key, std::string& value)
{
    value.clear();
    char buffer[kStringBufferSize] = {0};
    if (!ReadKey(section, key, buffer, sizeof(buffer)))
        return false;
    value = buffer;
    return true;
}

bool CIniReader::ReadInt(const char* section, const char* key, int& value)
{
    char buffer[kIntBufferSize] = {0};
    if (!ReadKey(section, key, buffer, sizeof(buffer)))
        return false;
    value = TextToInt(buffer);
    return true;
}
