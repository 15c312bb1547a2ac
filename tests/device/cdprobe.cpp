// cdprobe: the CD-ROM part of a setup run on its own, for tests that start it from a
// drive letter. It opens the volume it was started from as the setup program does, sends
// one delay request straight to the device to learn its answer, and then takes the final
// CD action: "cdprobe eject" ejects, without arguments the volume is held for a day.
//
// Exit code: 0 no device was opened; 1 the device was opened and refused the filter
// driver's request (as on every PC without the card's driver); 2 opened and accepted.
#include "device/CdDrive.h"

#include <windows.h>

#include <cstring>

int main(int argc, char** argv)
{
    bool eject = argc > 1 && strcmp(argv[1], "eject") == 0;

    HANDLE device = OpenCdDevice();
    if (device == INVALID_HANDLE_VALUE)
        return 0;

    BYTE input[4] = {0x98, 0x3A, 0x00, 0x00};
    DWORD bytesReturned = 0;
    BOOL accepted = DeviceIoControl(device, IOCTL_CD_DELAY_EJECT, input, sizeof(input), NULL, 0,
                                    &bytesReturned, NULL);

    DelayCdEject(device, CD_KEEPALIVE_DELAY_SECONDS);
    FinalCdAction(eject ? TRUE : FALSE, device);
    return accepted ? 2 : 1;
}
