// A progress window created the way start-up creates it, on the test's thread, with this
// process's traces and device requests recorded from before its creation on.
#pragma once

#include "device/DeviceRequest.h"
#include "tests/support/TraceRecorder.h"
#include "tests/support/MessagePump.h"
#include "ui/SetupDlg.h"
#include "ui/WindowClass.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

struct CRecordedRequest
{
    HANDLE device;
    DWORD code;
    std::vector<BYTE> input;
};

class ProgressWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        s_requests.clear();
        SetDeviceRequestHandler(&ProgressWindowTest::RecordRequest);
        ASSERT_TRUE(RegisterSetupWindowClass(GetModuleHandleA(NULL)));
        ASSERT_TRUE(m_dialog.Create());
        m_hWnd = m_dialog.GetSafeHwnd();
        ASSERT_TRUE(m_hWnd != NULL);
    }

    void TearDown() override
    {
        m_dialog.DestroyWindow();
        SetDeviceRequestHandler(NULL);
    }

    // Shows the window and lets it paint.
    void ShowAndPaint()
    {
        ShowWindow(m_hWnd, SW_SHOW);
        UpdateWindow(m_hWnd);
        PumpMessagesFor(100);
    }

    std::string StatusText() const
    {
        char text[256] = {0};
        GetDlgItemTextA(m_hWnd, IDC_MESSAGE, text, sizeof(text));
        return text;
    }

    std::string Caption() const
    {
        char text[256] = {0};
        GetWindowTextA(m_hWnd, text, sizeof(text));
        return text;
    }

    static void RecordRequest(HANDLE device, DWORD code, const void* input, DWORD inputSize)
    {
        const BYTE* bytes = static_cast<const BYTE*>(input);
        CRecordedRequest request = {device, code, std::vector<BYTE>(bytes, bytes + inputSize)};
        s_requests.push_back(request);
    }

    static std::vector<CRecordedRequest> s_requests;

    CTraceRecorder m_traces; // before the window, so that its creation is recorded
    CSetupDlg m_dialog;
    HWND m_hWnd = NULL;
};
