#include "FakeSystem.h"

#include <algorithm>
#include <map>
#include <set>

struct HKEY__
{
    std::string path;
};

namespace
{
// Registry and profile names are case-insensitive.
std::string Folded(const char* text)
{
    std::string folded = text ? text : "";
    for (char& c : folded)
    {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return folded;
}

typedef std::map<std::string, std::string> CNamedTexts;

struct CState
{
    std::string moduleFileName;
    std::string tempPath;
    LANGID language;
    std::map<std::string, CNamedTexts> profile;  // section -> key -> value
    std::map<std::string, CNamedTexts> registry; // key path -> value name -> data
    std::vector<std::string> traces;
    std::set<HKEY> openKeys;
    int badHandles;
};

void SetDefaults(CState& state)
{
    state.moduleFileName = "C:\\cd\\setup.exe";
    state.tempPath = "C:\\TEMP\\";
    state.language = 0x0409;
    state.profile.clear();
    state.registry.clear();
    state.traces.clear();
    state.openKeys.clear();
    state.badHandles = 0;
}

CState& State()
{
    static CState* state = NULL;
    if (!state)
    {
        state = new CState;
        SetDefaults(*state);
    }
    return *state;
}

// Copies the text with its terminator when it fits; the length copied, or the size the
// text would need (terminator included) when it does not.
DWORD CopyIfFits(const std::string& text, LPSTR buffer, DWORD size)
{
    if (text.size() + 1 > size)
        return static_cast<DWORD>(text.size() + 1);
    memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<DWORD>(text.size());
}

bool IsOpenKey(HKEY key)
{
    if (State().openKeys.count(key))
        return true;
    ++State().badHandles;
    return false;
}
} // namespace

void FakeReset()
{
    for (HKEY key : State().openKeys)
        delete key;
    SetDefaults(State());
}

void FakeSetModuleFileName(const std::string& path)
{
    State().moduleFileName = path;
}

void FakeSetTempPath(const std::string& path)
{
    State().tempPath = path;
}

void FakeSetLanguage(LANGID language)
{
    State().language = language;
}

void FakeSetProfileString(const std::string& section, const std::string& key,
                          const std::string& value)
{
    State().profile[Folded(section.c_str())][Folded(key.c_str())] = value.c_str();
}

void FakeAddRegKey(const std::string& path)
{
    State().registry[Folded(path.c_str())];
}

void FakeSetRegValue(const std::string& path, const std::string& name, const std::string& data)
{
    State().registry[Folded(path.c_str())][Folded(name.c_str())] = data;
}

const std::vector<std::string>& FakeTraces()
{
    return State().traces;
}

int FakeOpenKeyCount()
{
    return static_cast<int>(State().openKeys.size());
}

int FakeBadHandleCount()
{
    return State().badHandles;
}

BOOL WINAPI CloseHandle(HANDLE)
{
    return FALSE;
}

BOOL WINAPI FindClose(HANDLE)
{
    return FALSE;
}

BOOL WINAPI DeleteObject(HGDIOBJ)
{
    return FALSE;
}

void WINAPI OutputDebugStringA(LPCSTR text)
{
    State().traces.push_back(text ? text : "");
}

// As Windows XP does it: a name that does not fit is cut to the buffer's size without a
// terminator, and the result is the buffer's size.
DWORD WINAPI GetModuleFileNameA(HMODULE, LPSTR buffer, DWORD size)
{
    const std::string& name = State().moduleFileName;
    if (name.size() >= size)
    {
        memcpy(buffer, name.data(), size);
        return size;
    }
    memcpy(buffer, name.c_str(), name.size() + 1);
    return static_cast<DWORD>(name.size());
}

DWORD WINAPI GetTempPathA(DWORD size, LPSTR buffer)
{
    return CopyIfFits(State().tempPath, buffer, size);
}

DWORD WINAPI GetTempPathW(DWORD, LPWSTR)
{
    return 0;
}

DWORD WINAPI GetShortPathNameW(LPCWSTR, LPWSTR, DWORD)
{
    return 0;
}

int WINAPI WideCharToMultiByte(UINT, DWORD, LPCWSTR, int, LPSTR, int, LPCSTR, LPBOOL)
{
    return 0;
}

BOOL WINAPI IsDBCSLeadByte(BYTE)
{
    return FALSE;
}

UINT WINAPI GetSystemDirectoryA(LPSTR buffer, UINT size)
{
    return CopyIfFits("C:\\windows\\system32", buffer, size);
}

// No file system here: nothing exists.
DWORD WINAPI GetFileAttributesA(LPCSTR)
{
    return INVALID_FILE_ATTRIBUTES;
}

// Every name counts as a full path already.
DWORD WINAPI GetFullPathNameA(LPCSTR name, DWORD size, LPSTR buffer, LPSTR* filePart)
{
    DWORD result = CopyIfFits(name, buffer, size);
    if (filePart && result < size)
    {
        char* last = strrchr(buffer, '\\');
        *filePart = last ? last + 1 : buffer;
    }
    return result;
}

// The value, or the default for a missing key, cut to size - 1 bytes and terminated;
// the result is the number of bytes copied.
DWORD WINAPI GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultText, LPSTR buffer,
                                      DWORD size, LPCSTR)
{
    if (!buffer || size == 0)
        return 0;
    buffer[0] = '\0';
    if (!section || !key)
        return 0;
    std::string text = defaultText ? defaultText : "";
    const std::map<std::string, CNamedTexts>& profile = State().profile;
    std::map<std::string, CNamedTexts>::const_iterator keys = profile.find(Folded(section));
    if (keys != profile.end())
    {
        CNamedTexts::const_iterator value = keys->second.find(Folded(key));
        if (value != keys->second.end())
            text = value->second;
    }
    size_t length = std::min(text.size(), static_cast<size_t>(size - 1));
    memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
    return static_cast<DWORD>(length);
}

LANGID WINAPI GetSystemDefaultLangID()
{
    return State().language;
}

// Windows clears the result on failure.
LONG WINAPI RegOpenKeyExA(HKEY root, LPCSTR subKey, DWORD, REGSAM, PHKEY result)
{
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = NULL;
    if (root != HKEY_LOCAL_MACHINE)
        return ERROR_INVALID_HANDLE;
    std::string path = Folded(subKey);
    if (!State().registry.count(path))
        return ERROR_FILE_NOT_FOUND;
    HKEY key = new HKEY__;
    key->path = path;
    State().openKeys.insert(key);
    *result = key;
    return ERROR_SUCCESS;
}

// The data as stored, with no terminator added. When it does not fit, the buffer's bytes
// are undefined, as Windows documents: they are overwritten with junk here.
LONG WINAPI RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                             LPDWORD dataSize)
{
    if (!IsOpenKey(key))
        return ERROR_INVALID_HANDLE;
    if (reserved || (data && !dataSize))
        return ERROR_INVALID_PARAMETER;
    const CNamedTexts& values = State().registry[key->path];
    CNamedTexts::const_iterator value = values.find(Folded(name));
    if (value == values.end())
        return ERROR_FILE_NOT_FOUND;
    const std::string& bytes = value->second;
    if (type)
        *type = REG_SZ;
    if (!dataSize)
        return ERROR_SUCCESS;
    DWORD offered = *dataSize;
    *dataSize = static_cast<DWORD>(bytes.size());
    if (!data)
        return ERROR_SUCCESS;
    if (bytes.size() > offered)
    {
        memset(data, 0xCC, offered);
        return ERROR_MORE_DATA;
    }
    memcpy(data, bytes.data(), bytes.size());
    return ERROR_SUCCESS;
}

LONG WINAPI RegCloseKey(HKEY key)
{
    if (!IsOpenKey(key))
        return ERROR_INVALID_HANDLE;
    State().openKeys.erase(key);
    delete key;
    return ERROR_SUCCESS;
}
