// The requests the CD drive control sends, recorded where they would leave for the driver.
#include "device/CdDrive.h"
#include "device/DeviceRequest.h"
#include "handles/UniqueHandle.h"
#include "tests/support/TraceRecorder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace
{
struct CRecordedRequest
{
    HANDLE hDevice;
    DWORD dwCode;
    std::vector<BYTE> input;
    size_t nTracesBefore; // texts traced before the request left
    bool bDeviceOpen;     // the handle was still open when the request left
};

std::vector<CRecordedRequest> g_requests;
const CTraceRecorder* g_pRecorder = NULL;

void RecordRequest(HANDLE device, DWORD code, const void* input, DWORD inputSize)
{
    CRecordedRequest request;
    request.hDevice = device;
    request.dwCode = code;
    const BYTE* bytes = static_cast<const BYTE*>(input);
    if (bytes)
        request.input.assign(bytes, bytes + inputSize);
    request.nTracesBefore = g_pRecorder->Texts().size();
    DWORD flags = 0;
    request.bDeviceOpen = GetHandleInformation(device, &flags) != FALSE;
    g_requests.push_back(request);
}

bool IsOpen(HANDLE handle)
{
    DWORD flags = 0;
    return GetHandleInformation(handle, &flags) != FALSE;
}

// "弹出光盘\n" as GBK bytes, written out so that a wrongly encoded source shows.
const char* const kEjectTrace = "\xB5\xAF\xB3\xF6\xB9\xE2\xC5\xCC\n";

typedef std::vector<std::string> Texts;
typedef std::vector<BYTE> Bytes;
} // namespace

// A real handle (an event) stands in for the volume, so that closing it can be seen.
class CdRequests : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_requests.clear();
        g_pRecorder = &m_recorder;
        SetDeviceRequestHandler(RecordRequest);
        m_device.Reset(CreateEventA(NULL, TRUE, FALSE, NULL));
        ASSERT_TRUE(m_device);
    }
    void TearDown() override
    {
        SetDeviceRequestHandler(NULL);
        g_pRecorder = NULL;
    }

    CTraceRecorder m_recorder;
    CUniqueHandle m_device;
};

TEST_F(CdRequests, ControlCodesAreTheOnesTheDriversKnow)
{
    // A wrong device type or function number would reach no driver at all.
    EXPECT_EQ(0x00022084u, IOCTL_CD_DELAY_EJECT);
    EXPECT_EQ(0x00022088u, IOCTL_CD_EJECT_NOW);
    EXPECT_EQ(0x002D4808u, static_cast<DWORD>(IOCTL_STORAGE_EJECT_MEDIA));
}

TEST_F(CdRequests, DelaySendsMillisecondsAsFourLittleEndianBytesAfterItsTraces)
{
    struct
    {
        DWORD dwSeconds;
        DWORD dwCode;
        Bytes input;
        Texts traces;
    } cases[] = {
        {15, IOCTL_CD_DELAY_EJECT, {0x98, 0x3A, 0x00, 0x00}, {"Delay Eject CD\n"}},
        {86400, IOCTL_CD_DELAY_EJECT, {0x00, 0x5C, 0x26, 0x05}, {"Delay Eject CD\n"}},
        {0,
         IOCTL_CD_EJECT_NOW,
         {0x00, 0x00, 0x00, 0x00},
         {"Eject CD right now\n", "Delay Eject CD\n"}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.dwSeconds);
        g_requests.clear();
        m_recorder.Clear();

        DelayCdEject(m_device.Get(), c.dwSeconds);

        EXPECT_EQ(c.traces, m_recorder.Texts());
        ASSERT_EQ(1u, g_requests.size());
        EXPECT_EQ(m_device.Get(), g_requests[0].hDevice);
        EXPECT_EQ(c.dwCode, g_requests[0].dwCode);
        EXPECT_EQ(c.input, g_requests[0].input);
        EXPECT_EQ(c.traces.size(), g_requests[0].nTracesBefore)
            << "the request must leave after every trace";
        EXPECT_TRUE(IsOpen(m_device.Get())) << "a delay must not close the device";
    }
}

TEST_F(CdRequests, NothingIsSentOrTracedWithoutDevice)
{
    for (DWORD seconds : {0u, 15u, 86400u})
        DelayCdEject(INVALID_HANDLE_VALUE, seconds);
    FinalCdAction(FALSE, INVALID_HANDLE_VALUE);

    EXPECT_TRUE(g_requests.empty());
    EXPECT_TRUE(m_recorder.Texts().empty());
}

TEST_F(CdRequests, EjectOnExitTracesEjectsAndThenCloses)
{
    HANDLE device = m_device.Release(); // the eject takes it over

    FinalCdAction(TRUE, device);

    EXPECT_EQ(Texts({kEjectTrace}), m_recorder.Texts());
    ASSERT_EQ(1u, g_requests.size());
    EXPECT_EQ(device, g_requests[0].hDevice);
    EXPECT_EQ(static_cast<DWORD>(IOCTL_STORAGE_EJECT_MEDIA), g_requests[0].dwCode);
    EXPECT_TRUE(g_requests[0].input.empty());
    EXPECT_EQ(1u, g_requests[0].nTracesBefore) << "the eject is traced before it is sent";
    EXPECT_TRUE(g_requests[0].bDeviceOpen) << "the handle was closed before the eject";
    EXPECT_FALSE(IsOpen(device)) << "the handle must be closed after the eject";
}

TEST_F(CdRequests, ExitWithoutEjectHoldsTheCdForADayAndKeepsTheHandle)
{
    FinalCdAction(FALSE, m_device.Get());

    EXPECT_EQ(Texts({"Delay Eject CD\n"}), m_recorder.Texts());
    ASSERT_EQ(1u, g_requests.size());
    EXPECT_EQ(IOCTL_CD_DELAY_EJECT, g_requests[0].dwCode);
    EXPECT_EQ(Bytes({0x00, 0x5C, 0x26, 0x05}), g_requests[0].input) << "86400000 ms";
    EXPECT_TRUE(IsOpen(m_device.Get()));
}

TEST_F(CdRequests, EjectWithoutDeviceIsOnlyTraced)
{
    FinalCdAction(TRUE, INVALID_HANDLE_VALUE);

    EXPECT_EQ(Texts({kEjectTrace}), m_recorder.Texts());
    EXPECT_TRUE(g_requests.empty());
}
