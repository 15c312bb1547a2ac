// A 32-bit PE file read into memory, its parts found through its own headers; every read
// is checked against the file's size, and what lies outside reads as missing.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

class CPeFile
{
public:
    // False when the file cannot be read or is no PE file.
    bool Load(const std::string& path);

    const std::vector<char>& Bytes() const { return m_bytes; }
    // The headers as a 32-bit file has them; check OptionalHeader.Magic before the rest.
    const IMAGE_NT_HEADERS32* Nt() const { return At<IMAGE_NT_HEADERS32>(m_ntOffset); }
    // Every imported DLL, in lower case, with the names of the functions taken from it
    // ("#N" for an ordinal).
    std::map<std::string, std::vector<std::string>> Imports() const;
    // The resource of this type and id, in its first language; empty when there is none.
    std::string Resource(WORD type, WORD id) const;

private:
    // Offset 0 stands for "not found" throughout.
    template <typename T> const T* At(DWORD offset) const
    {
        if (offset == 0 || offset + sizeof(T) > m_bytes.size())
            return NULL;
        return reinterpret_cast<const T*>(&m_bytes[offset]);
    }
    // The file offset of a relative virtual address; 0 when no section holds it.
    DWORD OffsetOf(DWORD rva) const;
    std::string Text(DWORD offset) const;
    // The entry for id below the resource directory at offset (0xFFFF: the first entry).
    const IMAGE_RESOURCE_DIRECTORY_ENTRY* Entry(DWORD root, DWORD offset, WORD id) const;

    std::vector<char> m_bytes;
    DWORD m_ntOffset = 0;
};
