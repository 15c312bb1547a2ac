#include "tools/pecheck/PeFile.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <fstream>
#include <iterator>

bool CPeFile::Load(const std::string& path)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    m_bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (m_bytes.size() < sizeof(IMAGE_DOS_HEADER))
        return false;
    const IMAGE_DOS_HEADER* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(m_bytes.data());
    if (dos->e_magic != IMAGE_DOS_SIGNATURE)
        return false;
    m_ntOffset = static_cast<DWORD>(dos->e_lfanew);
    const IMAGE_NT_HEADERS32* nt = Nt();
    return nt && nt->Signature == IMAGE_NT_SIGNATURE;
}

std::map<std::string, std::vector<std::string>> CPeFile::Imports() const
{
    std::map<std::string, std::vector<std::string>> imports;
    DWORD offset =
        OffsetOf(Nt()->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress);
    for (const IMAGE_IMPORT_DESCRIPTOR* d = At<IMAGE_IMPORT_DESCRIPTOR>(offset); d && d->Name;
         d = At<IMAGE_IMPORT_DESCRIPTOR>(offset += sizeof(*d)))
    {
        std::string dll = Text(OffsetOf(d->Name));
        std::transform(dll.begin(), dll.end(), dll.begin(),
                       [](char c) { return static_cast<char>(tolower(static_cast<unsigned char>(c))); });
        std::vector<std::string>& names = imports[dll];
        DWORD thunks = OffsetOf(d->OriginalFirstThunk ? d->OriginalFirstThunk : d->FirstThunk);
        for (const DWORD* thunk = At<DWORD>(thunks); thunk && *thunk;
             thunk = At<DWORD>(thunks += sizeof(DWORD)))
        {
            if (*thunk & IMAGE_ORDINAL_FLAG32)
                names.push_back("#" + std::to_string(*thunk & 0xFFFF));
            else
                names.push_back(Text(OffsetOf(*thunk) + sizeof(WORD)));
        }
    }
    return imports;
}

std::string CPeFile::Resource(WORD type, WORD id) const
{
    DWORD root =
        OffsetOf(Nt()->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_RESOURCE].VirtualAddress);
    const IMAGE_RESOURCE_DIRECTORY_ENTRY* entry = Entry(root, root, type);
    entry = entry ? Entry(root, root + entry->OffsetToDirectory, id) : NULL;
    entry = entry ? Entry(root, root + entry->OffsetToDirectory, 0xFFFF) : NULL;
    const IMAGE_RESOURCE_DATA_ENTRY* data =
        entry ? At<IMAGE_RESOURCE_DATA_ENTRY>(root + entry->OffsetToData) : NULL;
    DWORD offset = data ? OffsetOf(data->OffsetToData) : 0;
    if (!data || !offset || offset + data->Size > m_bytes.size())
        return std::string();
    return std::string(&m_bytes[offset], data->Size);
}

DWORD CPeFile::OffsetOf(DWORD rva) const
{
    const IMAGE_NT_HEADERS32* nt = Nt();
    DWORD first = m_ntOffset + offsetof(IMAGE_NT_HEADERS32, OptionalHeader) +
                  nt->FileHeader.SizeOfOptionalHeader;
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i)
    {
        const IMAGE_SECTION_HEADER* s =
            At<IMAGE_SECTION_HEADER>(first + i * sizeof(IMAGE_SECTION_HEADER));
        if (s && rva >= s->VirtualAddress &&
            rva < s->VirtualAddress + std::max(s->Misc.VirtualSize, s->SizeOfRawData))
            return rva - s->VirtualAddress + s->PointerToRawData;
    }
    return 0;
}

std::string CPeFile::Text(DWORD offset) const
{
    std::string text;
    for (; offset && offset < m_bytes.size() && m_bytes[offset]; ++offset)
        text += m_bytes[offset];
    return text;
}

const IMAGE_RESOURCE_DIRECTORY_ENTRY* CPeFile::Entry(DWORD root, DWORD offset, WORD id) const
{
    const IMAGE_RESOURCE_DIRECTORY* dir = At<IMAGE_RESOURCE_DIRECTORY>(offset);
    if (!root || !dir)
        return NULL;
    DWORD count = dir->NumberOfNamedEntries + dir->NumberOfIdEntries;
    for (DWORD i = 0; i < count; ++i)
    {
        const IMAGE_RESOURCE_DIRECTORY_ENTRY* e = At<IMAGE_RESOURCE_DIRECTORY_ENTRY>(
            offset + sizeof(*dir) + i * sizeof(IMAGE_RESOURCE_DIRECTORY_ENTRY));
        if (e && (id == 0xFFFF || (!e->NameIsString && e->Id == id)))
            return e;
    }
    return NULL;
}
