#include "tests/support/TestFiles.h"

#include "tests/support/LongPathFiles.h"

#include "sys/SystemPaths.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

CTempFolder::CTempFolder(const char* hint)
{
    static LONG counter = 0;
    char name[64];
    snprintf(name, sizeof(name), "%s%lu_%ld", hint, GetCurrentProcessId(),
             InterlockedIncrement(&counter));
    m_strPath = GetTempDir() + "\\" + name;
    RemoveTree(m_strPath);
    MakeDirectory(m_strPath);
}

CTempFolder::~CTempFolder()
{
    RemoveTree(m_strPath);
}

std::string Quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

bool WriteTextFile(const std::string& path, const std::string& content)
{
    FILE* f = fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = fwrite(content.data(), 1, content.size(), f) == content.size();
    return fclose(f) == 0 && ok;
}

std::string ReadTextFile(const std::string& path)
{
    std::string content;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f)
        return content;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof(buffer), f)) > 0)
        content.append(buffer, n);
    fclose(f);
    return content;
}

std::vector<std::string> TextLines(const std::string& path)
{
    std::vector<std::string> lines;
    std::string content = ReadTextFile(path);
    size_t start = 0;
    while (start < content.size())
    {
        size_t end = content.find('\n', start);
        if (end == std::string::npos)
            end = content.size();
        std::string line = content.substr(start, end - start);
        if (!line.empty() && line[line.size() - 1] == '\r')
            line.erase(line.size() - 1);
        if (!line.empty())
            lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

bool MakeDirectory(const std::string& path)
{
    if (IsDirectory(path))
        return true;
    size_t slash = path.find_last_of('\\');
    if (slash != std::string::npos && slash > 2)
        MakeDirectory(path.substr(0, slash));
    return CreateDirectoryA(path.c_str(), NULL) != FALSE || IsDirectory(path);
}

void RemoveTree(const std::string& path)
{
    RemoveLongTree(path);
}

bool PathExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsDirectory(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool PlantFiles(const std::string& dir)
{
    if (!MakeDirectory(dir + "\\old"))
        return false;
    const struct
    {
        const char* name;
        DWORD attributes;
    } planted[] = {{"version.dll", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN},
                   {"drvsetup.exe", FILE_ATTRIBUTE_SYSTEM},
                   {"old\\x.txt", FILE_ATTRIBUTE_READONLY},
                   {"old", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY}};
    for (const auto& p : planted)
    {
        std::string path = dir + "\\" + p.name;
        if (!IsDirectory(path) && !WriteTextFile(path, "planted"))
            return false;
        if (!SetFileAttributesA(path.c_str(), p.attributes))
            return false;
    }
    return true;
}

std::string SetupBinDir()
{
    const char* shipping = getenv("TEST_SHIPPING_BIN");
    return shipping && *shipping ? std::string(shipping) : GetModuleDir();
}

std::string BuiltProgram(const char* name)
{
    if (strcmp(name, "setup.exe") == 0 || strcmp(name, "fakeprog.exe") == 0)
        return SetupBinDir() + "\\" + name;
    return GetModuleDir() + "\\" + name;
}

unsigned long SetupRegistryView()
{
    const char* shipping = getenv("TEST_SHIPPING_BIN");
    return shipping && *shipping ? KEY_WOW64_32KEY : 0;
}

void DeleteRegistryKey(const std::string& path, unsigned long view)
{
    HKEY key = NULL;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ALL_ACCESS | view, &key) !=
        ERROR_SUCCESS)
        return;
    char name[256];
    DWORD length = sizeof(name);
    while (RegEnumValueA(key, 0, name, &length, NULL, NULL, NULL, NULL) == ERROR_SUCCESS)
    {
        RegDeleteValueA(key, name);
        length = sizeof(name);
    }
    RegCloseKey(key);
    // Deleted through its parent, which is opened in the view it lies in.
    size_t leaf = path.rfind('\\');
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.substr(0, leaf).c_str(), 0, KEY_ALL_ACCESS | view,
                      &key) == ERROR_SUCCESS)
    {
        RegDeleteKeyA(key, path.substr(leaf + 1).c_str());
        RegCloseKey(key);
    }
}

std::string TestLanguage()
{
    const char* lang = getenv("TEST_LANGUAGE");
    return lang ? lang : "en";
}
