// The progress window's behaviour: creation, timers, the custom messages, the drag strip
// and the operations the worker thread calls from its own thread.
#include "tests/support/SetupWindow.h"
#include "tests/ui/ProgressWindowFixture.h"

#include "device/CdDrive.h"
#include "sys/FormatText.h"
#include "sys/SystemFunction.h"
#include "ui/MessageFilter.h"

#include <cstring>

#include <atomic>
#include <thread>

std::vector<CRecordedRequest> ProgressWindowTest::s_requests;

namespace
{
// A handle value the recorder stands in for, as if the program ran from the card's CD-ROM.
HANDLE const kFakeDevice = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(0x4C0));

DWORD InputValue(const CRecordedRequest& request)
{
    DWORD value = 0;
    if (request.input.size() == sizeof(value))
        memcpy(&value, request.input.data(), sizeof(value));
    return value;
}
} // namespace

TEST_F(ProgressWindowTest, IsCreatedHiddenWithItsTemplateTextsAndNothingEjected)
{
    EXPECT_FALSE(IsWindowVisible(m_hWnd));
    EXPECT_EQ("Message", StatusText());
    EXPECT_EQ("", Caption());
    EXPECT_FALSE(m_dialog.m_bEjectOnExit);

    char className[64] = {0};
    GetClassNameA(m_hWnd, className, sizeof(className));
    EXPECT_STREQ("NorvaneSetup", className);
    // Other programs find it by its class (other tests may have such windows too).
    EXPECT_EQ(m_hWnd, FindSetupWindowOf(GetCurrentProcessId()));

    // What template 102 makes of it: no title bar or system menu, a taskbar button, and a
    // visible progress bar over a hidden control that only keeps the status text.
    LONG style = GetWindowLongA(m_hWnd, GWL_STYLE);
    EXPECT_EQ(WS_BORDER, style & (WS_CAPTION | WS_SYSMENU | WS_THICKFRAME)) << std::hex << style;
    EXPECT_TRUE(GetWindowLongA(m_hWnd, GWL_EXSTYLE) & WS_EX_APPWINDOW);
    HWND bar = GetDlgItem(m_hWnd, IDC_PROGRESS);
    ASSERT_TRUE(bar != NULL);
    GetClassNameA(bar, className, sizeof(className));
    EXPECT_STREQ("msctls_progress32", className);
    EXPECT_TRUE(GetWindowLongA(bar, GWL_STYLE) & WS_VISIBLE);
    HWND message = GetDlgItem(m_hWnd, IDC_MESSAGE);
    ASSERT_TRUE(message != NULL);
    EXPECT_FALSE(GetWindowLongA(message, GWL_STYLE) & WS_VISIBLE);
}

TEST_F(ProgressWindowTest, FromTheHardDiskOpensNoDeviceAndSendsNoRequest)
{
    // The test program lies on a fixed drive, as setup.exe does when copied to a disk.
    EXPECT_EQ(INVALID_HANDLE_VALUE, m_dialog.m_hCdDevice);
    std::vector<std::string> texts = m_traces.Texts();
    ASSERT_EQ(2u, texts.size());
    EXPECT_EQ(0u, texts[0].find("CDROM OBJECT: ")) << texts[0];
    EXPECT_EQ("Open CD CreateFile Failed\n", texts[1]);
    EXPECT_TRUE(s_requests.empty());
}

TEST_F(ProgressWindowTest, IsCentredOnTheWorkArea)
{
    RECT work, window;
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
    GetWindowRect(m_hWnd, &window);
    int width = window.right - window.left;
    int height = window.bottom - window.top;
    EXPECT_GT(width, 144) << "144 dialog units are wider than 144 pixels";
    EXPECT_EQ(work.left + (work.right - work.left - width) / 2, window.left);
    EXPECT_EQ(work.top + (work.bottom - work.top - height) / 2, window.top);
}

// Ten seconds of real time: the bar steps every 500 ms from 50 and starts over after 100,
// the keep-alive renews the delay after 10 s, and nobody shows the window.
TEST_F(ProgressWindowTest, TimersRunWhileTheWindowStaysHidden)
{
    m_dialog.m_hCdDevice = kFakeDevice;
    HWND progress = GetDlgItem(m_hWnd, IDC_PROGRESS);
    EXPECT_EQ(50, SendMessageA(progress, PBM_GETPOS, 0, 0));
    PBRANGE range;
    SendMessageA(progress, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    EXPECT_EQ(0, range.iLow);
    EXPECT_EQ(100, range.iHigh);

    std::vector<int> positions;
    std::vector<DWORD> keepAliveTicks;
    DWORD start = GetTickCount();
    bool everVisible = false;
    PumpMessagesUntil(
        [&] { return !keepAliveTicks.empty() || GetTickCount() - start > 10800; }, 12000,
        [&](const MSG& msg)
        {
            everVisible = everVisible || IsWindowVisible(m_hWnd);
            if (msg.message != WM_TIMER || msg.hwnd != m_hWnd)
                return;
            // Seen before it is dispatched: the position the tick starts from.
            if (msg.wParam == IDT_PROGRESS)
                positions.push_back(static_cast<int>(SendMessageA(progress, PBM_GETPOS, 0, 0)));
            else if (msg.wParam == IDT_CD_KEEPALIVE)
            {
                keepAliveTicks.push_back(GetTickCount() - start);
            }
        });

    EXPECT_FALSE(everVisible);
    EXPECT_FALSE(IsWindowVisible(m_hWnd));
    ASSERT_GE(positions.size(), 8u) << "the progress timer ticks every 500 ms";
    EXPECT_LE(positions.size(), 22u);
    std::vector<int> first(positions.begin(), positions.begin() + 7);
    EXPECT_EQ((std::vector<int>{50, 60, 70, 80, 90, 100, first[6]}), first);
    EXPECT_LT(first[6], 50) << "past 100 the bar starts over";

    ASSERT_EQ(1u, keepAliveTicks.size()) << "the keep-alive timer ticks every 10 s";
    EXPECT_GE(keepAliveTicks[0], 9500u);
    ASSERT_EQ(1u, s_requests.size());
    EXPECT_EQ(kFakeDevice, s_requests[0].device);
    EXPECT_EQ(IOCTL_CD_DELAY_EJECT, s_requests[0].code);
    EXPECT_EQ(15000u, InputValue(s_requests[0]));
}

struct CShowCase
{
    WPARAM wParam;
    bool visible;
    const char* trace;
};

TEST_F(ProgressWindowTest, ShowWindowMessageShowsOrHidesTracesAndAnswersOne)
{
    const CShowCase cases[] = {
        {2, true, "收到自定义的SHOW消息\n"},
        {0, false, "收到自定义的HIDE消息\n"},
        {1, true, "收到自定义的SHOW消息\n"},
        {0, false, "收到自定义的HIDE消息\n"},
    };
    for (const CShowCase& c : cases)
    {
        m_traces.Clear();
        EXPECT_EQ(1, SendMessageA(m_hWnd, WM_APP_SHOW_WINDOW, c.wParam, 0)) << c.wParam;
        EXPECT_EQ(c.visible, IsWindowVisible(m_hWnd) != FALSE) << c.wParam;
        EXPECT_EQ(std::vector<std::string>{c.trace}, m_traces.Texts()) << c.wParam;
    }
}

TEST_F(ProgressWindowTest, EjectOnExitMessageSetsTheFlagForGood)
{
    EXPECT_EQ(0, SendMessageA(m_hWnd, WM_APP_EJECT_ON_EXIT, 7, 9));
    EXPECT_TRUE(m_dialog.m_bEjectOnExit);
    EXPECT_EQ(2u, m_traces.Texts().size()) << "nothing traced beyond the creation";

    // Whatever comes later, the flag stays.
    SendMessageA(m_hWnd, WM_APP_SHOW_WINDOW, 0, 0);
    SendMessageA(m_hWnd, WM_TIMER, IDT_CD_KEEPALIVE, 0);
    PostMessageA(m_hWnd, WM_APP_EJECT_ON_EXIT, 0, 0);
    PumpMessagesFor(50);
    EXPECT_TRUE(m_dialog.m_bEjectOnExit);
}

TEST_F(ProgressWindowTest, PostedEjectOnExitMessageCountsToo)
{
    PostMessageA(m_hWnd, WM_APP_EJECT_ON_EXIT, 0, 0);
    EXPECT_TRUE(PumpMessagesUntil([&] { return m_dialog.m_bEjectOnExit != FALSE; }, 2000));
}

struct CHitCase
{
    int below; // pixels below the top of the client area
    bool drags;
};

TEST_F(ProgressWindowTest, TopTwentyPixelsDragTheWindow)
{
    ShowAndPaint();
    RECT client;
    GetClientRect(m_hWnd, &client);
    const CHitCase cases[] = {{0, true}, {19, true}, {20, false}, {40, false}};
    for (const CHitCase& c : cases)
    {
        for (int x : {0, static_cast<int>(client.right) / 2, static_cast<int>(client.right) - 1})
        {
            POINT point = {x, c.below};
            ClientToScreen(m_hWnd, &point);
            LRESULT hit = SendMessageA(m_hWnd, WM_NCHITTEST, 0, MAKELPARAM(point.x, point.y));
            if (c.drags)
                EXPECT_EQ(HTCAPTION, hit) << "x " << x << ", " << c.below << " below the top";
            else
                EXPECT_EQ(HTCLIENT, hit) << "x " << x << ", " << c.below << " below the top";
        }
    }
    // Right of the client area the strip ends, and the border is the border.
    POINT outside = {client.right, 5};
    ClientToScreen(m_hWnd, &outside);
    EXPECT_NE(HTCAPTION, SendMessageA(m_hWnd, WM_NCHITTEST, 0, MAKELPARAM(outside.x, outside.y)));
}

TEST_F(ProgressWindowTest, DragIconIsTheProgramIcon)
{
    LRESULT icon = SendMessageA(m_hWnd, WM_QUERYDRAGICON, 0, 0);
    EXPECT_EQ(reinterpret_cast<LRESULT>(LoadIconA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(128))),
              icon);
    EXPECT_NE(0, icon);
}

TEST_F(ProgressWindowTest, CloseRequestLeavesTheWindowAndTheRun)
{
    ShowAndPaint();
    bool quit = false;
    SendMessageA(m_hWnd, WM_CLOSE, 0, 0);
    PumpMessagesFor(100, [&](const MSG& msg) { quit = quit || msg.message == WM_QUIT; });
    EXPECT_TRUE(IsWindow(m_hWnd)) << "the default processing of a dialog does not destroy it";
    EXPECT_EQ(m_hWnd, m_dialog.GetSafeHwnd());
    EXPECT_FALSE(quit);
    EXPECT_FALSE(m_dialog.m_bEjectOnExit);
}

// The worker's side: each call runs on another thread and returns only once the window's
// thread, which pumps messages here, has handled it.
TEST_F(ProgressWindowTest, ProgressViewCallsFromAnotherThreadReturnAfterHandling)
{
    ShowAndPaint();
    ProgressView& view = m_dialog;
    std::atomic<bool> done(false);
    std::string statusSeen, captionSeen;
    bool shownSeen = false, hiddenSeen = true, ejectSeen = false, nothingToPaint = false;
    BOOL redrawResult = FALSE;
    LRESULT ejectResult = -1;

    std::thread worker(
        [&]
        {
            redrawResult = view.SetStatusText("无线上网卡准备中");
            statusSeen = StatusText();
            nothingToPaint = !GetUpdateRect(m_hWnd, NULL, FALSE);
            view.SetCaption("NorvaneSetup程序");
            captionSeen = Caption();
            view.ShowProgress(false);
            hiddenSeen = IsWindowVisible(m_hWnd) != FALSE;
            view.ShowProgress(true);
            shownSeen = IsWindowVisible(m_hWnd) != FALSE;
            ejectResult = view.RequestEjectOnExit();
            ejectSeen = m_dialog.m_bEjectOnExit != FALSE;
            view.EndSetup();
            done = true;
        });
    // Only sent messages are handled meanwhile: what the calls did not do themselves before
    // returning is still to be done when the worker looks.
    bool finished = PumpSentMessagesUntil([&] { return done.load(); }, 10000);
    worker.join();
    ASSERT_TRUE(finished);
    std::vector<MSG> quits;
    PumpMessagesFor(50,
                    [&](const MSG& msg)
                    {
                        if (msg.message == WM_QUIT)
                            quits.push_back(msg);
                    });

    EXPECT_EQ("无线上网卡准备中", statusSeen);
    EXPECT_TRUE(redrawResult);
    EXPECT_TRUE(nothingToPaint) << "the repaint is done before SetStatusText returns";
    EXPECT_EQ("NorvaneSetup程序", captionSeen);
    EXPECT_FALSE(hiddenSeen);
    EXPECT_TRUE(shownSeen);
    EXPECT_EQ(0, ejectResult);
    EXPECT_TRUE(ejectSeen) << "the flag is set before RequestEjectOnExit returns";
    ASSERT_EQ(1u, quits.size()) << "EndSetup posts WM_QUIT to the window";
    EXPECT_EQ(m_hWnd, quits[0].hwnd);
    EXPECT_EQ(0u, quits[0].wParam);

    std::vector<std::string> texts = m_traces.Texts();
    EXPECT_EQ(2u, texts.size()) << "ShowProgress traces nothing";
}

// An elevated setup.exe lets its two messages through from programs of lower integrity:
// per window where Windows has ChangeWindowMessageFilterEx (7 and later), per process with
// ChangeWindowMessageFilter (Vista), and not at all on XP. Any other message let through
// would open the elevated program to them.
namespace
{
std::vector<std::string> g_filterCalls;

BOOL WINAPI RecordFilterForWindow(HWND hwnd, UINT message, DWORD action, void* info)
{
    g_filterCalls.push_back(
        FormatText("window %p %#x %lu %p", static_cast<void*>(hwnd), message, action, info));
    return TRUE;
}

BOOL WINAPI RecordFilterForProcess(UINT message, DWORD action)
{
    g_filterCalls.push_back(FormatText("process %#x %lu", message, action));
    return TRUE;
}

FARPROC FilterFunction(const char* name, bool forWindow, bool forProcess)
{
    if (forWindow && strcmp(name, "ChangeWindowMessageFilterEx") == 0)
        return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&RecordFilterForWindow));
    if (forProcess && strcmp(name, "ChangeWindowMessageFilter") == 0)
        return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&RecordFilterForProcess));
    return NULL;
}
FARPROC Windows7(const char*, const char* name)
{
    return FilterFunction(name, true, true);
}
FARPROC Vista(const char*, const char* name)
{
    return FilterFunction(name, false, true);
}
FARPROC WindowsXp(const char*, const char* name)
{
    return FilterFunction(name, false, false);
}
} // namespace

TEST(ProgressWindowMessageFilter, LetsThroughOnlyTheTwoCustomMessages)
{
    ASSERT_TRUE(RegisterSetupWindowClass(GetModuleHandleA(NULL)));
    const struct
    {
        SystemFunctionLookup system;
        const char* filter; // "window", "process" or none
    } cases[] = {{Windows7, "window"}, {Vista, "process"}, {WindowsXp, ""}};
    for (const auto& c : cases)
    {
        g_filterCalls.clear();
        SetSystemFunctionLookup(c.system);
        CSetupDlg dialog;
        bool created = dialog.Create() != FALSE;
        SetSystemFunctionLookup(NULL);
        ASSERT_TRUE(created);
        void* hwnd = dialog.GetSafeHwnd();
        std::vector<std::string> expected;
        if (strcmp(c.filter, "window") == 0)
            expected = {FormatText("window %p 0x8064 1 %p", hwnd, static_cast<void*>(NULL)),
                        FormatText("window %p 0x80c8 1 %p", hwnd, static_cast<void*>(NULL))};
        else if (strcmp(c.filter, "process") == 0)
            expected = {"process 0x8064 1", "process 0x80c8 1"};
        EXPECT_EQ(expected, g_filterCalls) << c.filter;
        dialog.DestroyWindow();
    }
}
