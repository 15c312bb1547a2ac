#include "tests/support/HandleCount.h"

#include <winternl.h>

#include <cstddef>
#include <vector>

namespace
{
// The layout NtQuerySystemInformation gives for SystemHandleInformation (16).
struct CSystemHandleEntry
{
    ULONG ulProcessId;
    BYTE bObjectType;
    BYTE bFlags;
    USHORT uHandle;
    PVOID pObject;
    ACCESS_MASK access;
};

struct CSystemHandleList
{
    ULONG ulCount;
    CSystemHandleEntry entries[1];
};

typedef LONG(WINAPI* QuerySystemInformationFn)(ULONG, PVOID, ULONG, PULONG);

const ULONG kSystemHandleInformation = 16;
const LONG kStatusInfoLengthMismatch = static_cast<LONG>(0xC0000004);

DWORD CountInSystemList()
{
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    QuerySystemInformationFn query =
        ntdll ? reinterpret_cast<QuerySystemInformationFn>(
                    reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQuerySystemInformation")))
              : NULL;
    if (!query)
        return 0;
    std::vector<BYTE> buffer(1 << 16);
    LONG status;
    for (;;)
    {
        ULONG needed = 0;
        status = query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()),
                       &needed);
        if (status != kStatusInfoLengthMismatch || buffer.size() >= (1u << 28))
            break;
        buffer.resize(buffer.size() * 2);
    }
    if (status != 0)
        return 0;
    const CSystemHandleList* list = reinterpret_cast<const CSystemHandleList*>(buffer.data());
    size_t room =
        (buffer.size() - offsetof(CSystemHandleList, entries)) / sizeof(CSystemHandleEntry);
    DWORD count = 0;
    for (ULONG i = 0; i < list->ulCount && i < room; ++i)
        if (list->entries[i].ulProcessId == GetCurrentProcessId())
            ++count;
    return count;
}

// One entry of the GDI handle table that the PEB points to (GdiSharedHandleTable), in
// the layout Windows and Wine share; a live object's entry has a non-zero type.
struct CGdiHandleEntry
{
    UINT64 object;
    USHORT uProcessId;
    USHORT uCount;
    USHORT uUnique;
    BYTE bType;
    BYTE bFlags;
    UINT64 userPointer;
};

const ULONG kGdiHandleEntries = 0x10000;

DWORD CountInGdiTable()
{
    // The PEB's field is at 0x94 for 32-bit and at 0xF8 for 64-bit processes.
    const size_t tableOffset = sizeof(void*) == 8 ? 0xF8 : 0x94;
    const BYTE* peb = reinterpret_cast<const BYTE*>(NtCurrentTeb()->ProcessEnvironmentBlock);
    const CGdiHandleEntry* table =
        *reinterpret_cast<const CGdiHandleEntry* const*>(peb + tableOffset);
    if (!table)
        return 0;
    // On Windows the table holds every process's objects; under Wine only this one's.
    const USHORT ownId = static_cast<USHORT>(GetCurrentProcessId());
    DWORD count = 0;
    for (ULONG i = 0; i < kGdiHandleEntries; ++i)
    {
        if (table[i].bType != 0 && (table[i].uProcessId == ownId || table[i].uProcessId == 0))
            ++count;
    }
    return count;
}
} // namespace

DWORD OwnHandleCount()
{
    DWORD count = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &count) && count > 0)
        return count;
    return CountInSystemList();
}

DWORD OwnGdiObjectCount()
{
    DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (count > 0)
        return count;
    return CountInGdiTable();
}
