#include "tests/sys/HandleCount.h"

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
} // namespace

DWORD OwnHandleCount()
{
    DWORD count = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &count) && count > 0)
        return count;
    return CountInSystemList();
}
