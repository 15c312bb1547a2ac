// The one road by which the program sends a control request to a device.
//
// The program's requests expect no output and their results are never examined, so the
// road is one-way. Tests put a recorder at its end to see what would reach the driver.
#pragma once

#include <windows.h>

typedef void (*DeviceRequestHandler)(HANDLE device, DWORD code, const void* input, DWORD inputSize);

// A synchronous DeviceIoControl without output buffer; its outcome is not reported.
void SendDeviceRequest(HANDLE device, DWORD code, const void* input, DWORD inputSize);

// For tests: every later request goes to handler instead of the device; null gives the
// requests back to DeviceIoControl.
void SetDeviceRequestHandler(DeviceRequestHandler handler);
