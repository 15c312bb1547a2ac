#include "tools/cdmount/CdMount.h"

#include "sys/CodePageText.h"

#include "handles/UniqueHandle.h"

#include <windows.h>
#include <winioctl.h>

#include <cstring>
#include <vector>

namespace
{
// Wine's extension of the mount manager, as its ddk/mountmgr.h declares it.
const DWORD IOCTL_MOUNTMGR_DEFINE_UNIX_DRIVE =
    CTL_CODE('m', 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);

// Wine's struct mountmgr_unix_drive; the texts follow it in the same buffer.
struct CUnixDriveRequest
{
    ULONG size;
    ULONG type; // a DRIVE_ type; DRIVE_NO_ROOT_DIR takes the letter away
    ULONG fsType;
    DWORD serial;
    ULONGLONG unixDevice;
    WCHAR letter;
    USHORT mountPointOffset; // of a NUL-ended Linux path; 0 for none
    USHORT deviceOffset;
    USHORT labelOffset;
};
static_assert(sizeof(CUnixDriveRequest) == 32, "the mount manager reads a 32-byte header");

bool IsDriveLetter(char letter)
{
    return (letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z');
}

bool SendUnixDriveRequest(char letter, DWORD type, const std::string& unixPath)
{
    if (!IsDriveLetter(letter))
    {
        SetLastError(ERROR_INVALID_DRIVE);
        return false;
    }

    // The path follows the fixed part, NUL included; the mount manager insists on the NUL.
    std::vector<BYTE> buffer(sizeof(CUnixDriveRequest) + unixPath.size() + 1, 0);
    CUnixDriveRequest request;
    ZeroMemory(&request, sizeof(request));
    request.size = static_cast<ULONG>(buffer.size());
    request.type = type;
    request.letter = static_cast<WCHAR>(letter);
    if (!unixPath.empty())
        request.mountPointOffset = sizeof(CUnixDriveRequest);
    memcpy(&buffer[0], &request, sizeof(request));
    memcpy(&buffer[sizeof(request)], unixPath.data(), unixPath.size());

    CUniqueFile manager(CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0,
                                    NULL));
    if (!manager)
        return false;
    DWORD bytesReturned = 0;
    return DeviceIoControl(manager.Get(), IOCTL_MOUNTMGR_DEFINE_UNIX_DRIVE, &buffer[0],
                           static_cast<DWORD>(buffer.size()), NULL, 0, &bytesReturned,
                           NULL) != FALSE;
}
} // namespace

bool DefineUnixDrive(char letter, unsigned int driveType, const std::string& unixPath)
{
    // Without a path, or with DRIVE_NO_ROOT_DIR, the request would take the letter away.
    if (unixPath.empty() || driveType == DRIVE_NO_ROOT_DIR)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    return SendUnixDriveRequest(letter, driveType, unixPath);
}

bool DefineCdDrive(char letter, const std::string& unixPath)
{
    return DefineUnixDrive(letter, DRIVE_CDROM, unixPath);
}

bool RemoveDriveLetter(char letter)
{
    return SendUnixDriveRequest(letter, DRIVE_NO_ROOT_DIR, std::string());
}

std::string GetUnixPath(const std::wstring& windowsPath)
{
    typedef char*(CDECL * WineGetUnixFileName)(LPCWSTR);
    FARPROC proc = GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name");
    if (!proc)
        return std::string();
    // By way of void (*)(), the one cast between function types GCC takes without a warning.
    WineGetUnixFileName getUnixFileName =
        reinterpret_cast<WineGetUnixFileName>(reinterpret_cast<void (*)()>(proc));

    // Wine allocates the answer on the process heap and leaves freeing it to the caller.
    char* unixPath = getUnixFileName(windowsPath.c_str());
    if (!unixPath)
        return std::string();
    std::string result = unixPath;
    HeapFree(GetProcessHeap(), 0, unixPath);
    return result;
}

std::string GetUnixPath(const std::string& windowsPath)
{
    std::wstring wide = ToWide(windowsPath);
    return wide.empty() ? std::string() : GetUnixPath(wide);
}
