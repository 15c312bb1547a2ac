#include "device/CdDrive.h"

#include "device/DeviceRequest.h"
#include "handles/UniqueHandle.h"
#include "sys/FormatText.h"
#include "sys/Trace.h"
#include "sys/TraceTexts.h"

#include <string>

HANDLE OpenCdDevice()
{
    // One byte more than the system may fill, so that a cut path still ends.
    char modulePath[MAX_PATH + 1] = {0};
    GetModuleFileNameA(NULL, modulePath, MAX_PATH);

    // The drive letter and its colon name both the root and the volume.
    std::string drive = std::string(modulePath).substr(0, 2);
    std::string rootPath = drive + "\\";
    std::string devicePath = "\\\\.\\" + drive;

    TraceOut(FormatText(kTraceCdRoot, rootPath.c_str()));
    if (GetDriveTypeA(rootPath.c_str()) != DRIVE_CDROM)
        return INVALID_HANDLE_VALUE;
    return CreateFileA(devicePath.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, NULL);
}

void DelayCdEject(HANDLE device, DWORD seconds)
{
    if (device == INVALID_HANDLE_VALUE)
        return;

    DWORD code = IOCTL_CD_DELAY_EJECT;
    if (seconds == 0)
    {
        TraceOut(kTraceEjectNow);
        code = IOCTL_CD_EJECT_NOW;
    }
    // 32-bit arithmetic on purpose: the driver reads exactly four bytes.
    DWORD milliseconds = seconds * 1000;
    BYTE input[4] = {LOBYTE(LOWORD(milliseconds)), HIBYTE(LOWORD(milliseconds)),
                     LOBYTE(HIWORD(milliseconds)), HIBYTE(HIWORD(milliseconds))};

    TraceOut(kTraceDelayEject);
    SendDeviceRequest(device, code, input, sizeof(input));
}

void EjectCdNow(HANDLE device)
{
    TraceOut(kTraceEjectMedia);
    if (device == INVALID_HANDLE_VALUE)
        return;

    // Closed on return, whatever the eject achieved.
    CUniqueFile owner(device);
    SendDeviceRequest(device, IOCTL_STORAGE_EJECT_MEDIA, NULL, 0);
}

void FinalCdAction(BOOL ejectOnExit, HANDLE device)
{
    if (ejectOnExit)
        EjectCdNow(device);
    else
        DelayCdEject(device, CD_EXIT_DELAY_SECONDS);
}
