#include "device/DeviceRequest.h"

namespace
{
DeviceRequestHandler g_requestHandler = NULL;
} // namespace

void SendDeviceRequest(HANDLE device, DWORD code, const void* input, DWORD inputSize)
{
    if (g_requestHandler)
    {
        g_requestHandler(device, code, input, inputSize);
        return;
    }
    // Without an overlapped structure the system insists on a place for the count.
    DWORD bytesReturned = 0;
    DeviceIoControl(device, code, const_cast<void*>(input), inputSize, NULL, 0, &bytesReturned,
                    NULL);
}

void SetDeviceRequestHandler(DeviceRequestHandler handler)
{
    g_requestHandler = handler;
}
