// The CD-ROM volume the program runs from, held in place by the card's CD filter driver.
//
// The filter driver ejects the volume unless it is asked again and again to wait: the
// progress window opens the device, asks for a short delay at once and on every tick of
// its keep-alive timer, and at the end the program either ejects the volume or asks the
// driver to hold it for a day. Main thread only. Results of the requests are never
// examined: on a PC without the filter driver the private requests fail and nothing else
// changes.
#pragma once

#include <windows.h>
#include <winioctl.h>

// Private to the card's filter driver. Input: 4 bytes, a little-endian count of
// milliseconds the volume stays in place from receipt; a later request renews the wait.
const DWORD IOCTL_CD_DELAY_EJECT =
    CTL_CODE(FILE_DEVICE_CD_ROM, 0x821, METHOD_BUFFERED, FILE_ANY_ACCESS);
// Private to the card's filter driver: eject at once. Input: 4 bytes of zero.
const DWORD IOCTL_CD_EJECT_NOW =
    CTL_CODE(FILE_DEVICE_CD_ROM, 0x822, METHOD_BUFFERED, FILE_ANY_ACCESS);

// The keep-alive timer of the progress window and the delays it asks for.
const UINT IDT_CD_KEEPALIVE = 2000;
const UINT CD_KEEPALIVE_PERIOD_MS = 10000;
const DWORD CD_KEEPALIVE_DELAY_SECONDS = 15;
// Asked for at exit when no eject was requested: one day.
const DWORD CD_EXIT_DELAY_SECONDS = 86400;

// The renewal must come before the delay asked for runs out; the 5 s to spare cover the
// shutdown's wait for the worker thread, when no renewal is sent.
static_assert(CD_KEEPALIVE_PERIOD_MS + 5000 <= CD_KEEPALIVE_DELAY_SECONDS * 1000,
              "the CD-ROM could be ejected between two renewals");

// Opens the volume named by the drive of the running executable's path, read-only and
// sharing reading alone, when that drive is a CD-ROM drive. Traces the root path first.
// INVALID_HANDLE_VALUE when the drive is no CD-ROM drive or the open fails; otherwise the
// caller owns the handle.
HANDLE OpenCdDevice();

// Asks the filter driver to keep the volume for the given seconds; 0 asks it to eject now.
// Does nothing without a device.
void DelayCdEject(HANDLE device, DWORD seconds);

// Ejects the volume with the system's standard request and closes the handle, whatever
// the eject achieved. Traces the eject even without a device.
void EjectCdNow(HANDLE device);

// The program's last word to the drive: eject now when ejectOnExit is set (the handle is
// closed), otherwise hold the volume for a day (the handle stays open; the process ends
// right after).
void FinalCdAction(BOOL ejectOnExit, HANDLE device);
