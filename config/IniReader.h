// Reads keys of one profile (INI) file and tells a missing key from an empty one.
#pragma once

#include <windows.h>

#include <string>

class CIniReader
{
public:
    CIniReader();
    virtual ~CIniReader();

    // Resolves and stores the full path of the file; false for a null or empty name, a
    // name of 260 bytes or more, or a full path that cannot be resolved into 260 bytes.
    bool SetPath(const char* fileName);

    // True and the value (at most 1023 bytes) when the key is present, even if empty;
    // false and an empty output when the file, the section or the key is missing.
    bool ReadString(const char* section, const char* key, std::string& value);

    // True and the value read as atoi reads it when the key is present; false when it is
    // missing, the output then left unchanged. Text past 99 bytes is not looked at.
    bool ReadInt(const char* section, const char* key, int& value);

private:
    // Copies a present key's text, cut to bufferSize - 1 bytes, into the buffer.
    bool ReadKey(const char* section, const char* key, char* buffer, size_t bufferSize);

    char m_szFilePath[MAX_PATH];
};
