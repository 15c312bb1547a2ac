// The framework layer: worker thread, application object, modeless dialog dispatch and
// the GDI helpers, and the window class the progress window is made in.
#include "fw/Application.h"
#include "fw/Gdi.h"
#include "fw/ModelessDialog.h"
#include "fw/WorkerThread.h"
#include "handles/GdiOwners.h"
#include "tests/support/MessagePump.h"
#include "ui/WindowClass.h"
#include "ui/res/resource.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>

namespace
{
std::atomic<int> g_deleted(0);

class CRecordingThread : public CWorkerThread
{
public:
    CRecordingThread(BOOL init, int result) : m_bInit(init), m_nResult(result) {}
    ~CRecordingThread() override { ++g_deleted; }

    BOOL InitInstance() override { return m_bInit; }
    int Run() override
    {
        m_bRan = true;
        return m_nResult;
    }
    int ExitInstance(int runResult) override
    {
        m_nExitArgument = runResult;
        return runResult * 10;
    }

    BOOL m_bInit;
    int m_nResult;
    std::atomic<bool> m_bRan{false};
    std::atomic<int> m_nExitArgument{0};
};

DWORD WaitForExitCode(HANDLE thread)
{
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 5000));
    DWORD code = STILL_ACTIVE;
    GetExitCodeThread(thread, &code);
    return code;
}
} // namespace

TEST(WorkerThread, RunsOnlyAfterResumeAndDeletesItselfLeavingTheWaitHandleValid)
{
    g_deleted = 0;
    CRecordingThread* thread = new CRecordingThread(TRUE, 4);
    ASSERT_TRUE(thread->CreateSuspended());
    EXPECT_FALSE(thread->CreateSuspended()) << "one thread per object";
    HANDLE wait = thread->DuplicateWaitHandle();
    ASSERT_TRUE(wait != NULL);
    // Suspending it once more gives the count it had: 1 for a thread created suspended.
    EXPECT_EQ(1u, SuspendThread(wait)) << "not created suspended";
    EXPECT_EQ(2u, ResumeThread(wait));
    EXPECT_FALSE(thread->m_bRan);
    EXPECT_EQ(0, g_deleted.load());

    EXPECT_EQ(1u, thread->Resume());
    EXPECT_EQ(40u, WaitForExitCode(wait)) << "ExitInstance turns Run's 4 into the exit code";
    EXPECT_EQ(1, g_deleted.load()) << "the object went with its thread";
    CloseHandle(wait);
}

TEST(WorkerThread, FailedInitInstanceSkipsRunButNotExitInstance)
{
    CRecordingThread thread(FALSE, 4);
    thread.SetAutoDelete(false);
    ASSERT_TRUE(thread.CreateSuspended(THREAD_PRIORITY_BELOW_NORMAL));
    HANDLE wait = thread.DuplicateWaitHandle();
    thread.Resume();
    EXPECT_EQ(static_cast<DWORD>(-10), WaitForExitCode(wait));
    EXPECT_FALSE(thread.m_bRan);
    EXPECT_EQ(-1, thread.m_nExitArgument.load());
    CloseHandle(wait);
}

TEST(WorkerThread, WithoutThreadThereIsNothingToWaitFor)
{
    CRecordingThread thread(TRUE, 0);
    EXPECT_TRUE(thread.DuplicateWaitHandle() == NULL);
    EXPECT_EQ(static_cast<DWORD>(-1), thread.Resume());
}

namespace
{
class CTestApplication : public CApplication
{
public:
    BOOL InitInstance() override
    {
        m_hSeenInstance = GetInstance();
        m_pSeenApplication = Get();
        if (m_bLoop)
        {
            PostThreadMessageA(GetCurrentThreadId(), WM_APP, 0, 0);
            PostQuitMessage(0);
        }
        return m_bLoop;
    }
    int ExitInstance() override { return 7; }

    BOOL m_bLoop = FALSE;
    HINSTANCE m_hSeenInstance = NULL;
    CApplication* m_pSeenApplication = NULL;
};
} // namespace

TEST(Application, RunApplicationRunsTheOneApplicationAndReturnsItsExitCode)
{
    for (BOOL loop : {FALSE, TRUE})
    {
        CTestApplication application;
        application.m_bLoop = loop;
        HINSTANCE instance = GetModuleHandleA(NULL);
        EXPECT_EQ(7, RunApplication(instance)) << loop;
        EXPECT_EQ(instance, application.m_hSeenInstance);
        EXPECT_EQ(&application, application.m_pSeenApplication);
        MSG msg;
        EXPECT_FALSE(PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) << "the loop ran to WM_QUIT";
    }
    EXPECT_TRUE(CApplication::Get() == NULL);
    EXPECT_EQ(-1, RunApplication(GetModuleHandleA(NULL)));
}

namespace
{
const UINT WM_TEST_RESULT = WM_APP + 1;

// A dialog of template 102 whose message map exercises the dispatch rules.
class CTestDialog : public CModelessDialog
{
public:
    BOOL OnInitDialog() override
    {
        CModelessDialog::OnInitDialog();
        if (m_bMoveDuringInit)
            SetWindowPos(GetSafeHwnd(), NULL, 3, 5, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        return TRUE;
    }

    BOOL OnMessage(UINT message, WPARAM, LPARAM, LRESULT& result) override
    {
        switch (message)
        {
        case WM_TEST_RESULT:
            result = 12345;
            return TRUE;
        case WM_QUERYDRAGICON:
            result = 0x5A5A;
            return TRUE;
        case WM_NCHITTEST:
            result = Default() + 1000;
            return TRUE;
        case WM_CLOSE:
            ++m_nCloses;
            Default();
            return TRUE;
        case WM_ERASEBKGND:
            ++m_nErases;
            return FALSE;
        }
        return FALSE;
    }

    LRESULT DefaultOutsideAHandler() { return Default(); }

    bool m_bMoveDuringInit = false;
    int m_nCloses = 0;
    int m_nErases = 0;
};

class ModelessDialog : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(RegisterSetupWindowClass(GetModuleHandleA(NULL))); }
};
} // namespace

TEST_F(ModelessDialog, HandlerResultsReachTheSender)
{
    CTestDialog dialog;
    ASSERT_TRUE(dialog.Create(IDD_SETUP_DIALOG));
    HWND hwnd = dialog.GetSafeHwnd();
    EXPECT_FALSE(dialog.Create(IDD_SETUP_DIALOG)) << "one window per object";
    EXPECT_EQ(12345, SendMessageA(hwnd, WM_TEST_RESULT, 0, 0)) << "through DWLP_MSGRESULT";
    EXPECT_EQ(0x5A5A, SendMessageA(hwnd, WM_QUERYDRAGICON, 0, 0)) << "returned directly";
    EXPECT_EQ(0, dialog.DefaultOutsideAHandler());

    ShowWindow(hwnd, SW_SHOW);
    RECT client;
    GetClientRect(hwnd, &client);
    POINT inside = {client.right / 2, client.bottom / 2};
    ClientToScreen(hwnd, &inside);
    EXPECT_EQ(HTCLIENT + 1000, SendMessageA(hwnd, WM_NCHITTEST, 0, MAKELPARAM(inside.x, inside.y)))
        << "Default() gives the default hit-test code inside a handler";
    RedrawWindow(hwnd, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    EXPECT_GT(dialog.m_nErases, 0) << "messages reach the map while others are handled";
}

TEST_F(ModelessDialog, DefaultCloseProcessingKeepsTheWindow)
{
    CTestDialog dialog;
    ASSERT_TRUE(dialog.Create(IDD_SETUP_DIALOG));
    HWND hwnd = dialog.GetSafeHwnd();
    SendMessageA(hwnd, WM_CLOSE, 0, 0);
    PumpMessagesFor(50);
    EXPECT_EQ(1, dialog.m_nCloses) << "the close went through the map once, not again by Default()";
    EXPECT_TRUE(IsWindow(hwnd)) << "DefWindowProc's WM_CLOSE would have destroyed it";

    EXPECT_TRUE(dialog.DestroyWindow());
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_TRUE(dialog.GetSafeHwnd() == NULL);
}

TEST_F(ModelessDialog, WindowMovedDuringInitialisationIsNotCentred)
{
    CTestDialog dialog;
    dialog.m_bMoveDuringInit = true;
    ASSERT_TRUE(dialog.Create(IDD_SETUP_DIALOG));
    RECT window;
    GetWindowRect(dialog.GetSafeHwnd(), &window);
    EXPECT_EQ(3, window.left);
    EXPECT_EQ(5, window.top);
}

TEST_F(ModelessDialog, DestructorDestroysTheWindow)
{
    HWND hwnd;
    {
        CTestDialog dialog;
        ASSERT_TRUE(dialog.Create(IDD_SETUP_DIALOG));
        hwnd = dialog.GetSafeHwnd();
    }
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST(WindowClass, IsACopyOfTheDialogClassAndMayBeRegisteredAgain)
{
    HINSTANCE instance = GetModuleHandleA(NULL);
    ASSERT_TRUE(RegisterSetupWindowClass(instance));
    EXPECT_TRUE(RegisterSetupWindowClass(instance)) << "an existing class is accepted";
    WNDCLASSA setup, dialog;
    ASSERT_TRUE(GetClassInfoA(instance, "NorvaneSetup", &setup));
    ASSERT_TRUE(GetClassInfoA(NULL, "#32770", &dialog));
    EXPECT_EQ(dialog.cbWndExtra, setup.cbWndExtra);
    EXPECT_GE(setup.cbWndExtra, DLGWINDOWEXTRA);
    EXPECT_EQ(dialog.style, setup.style);
    EXPECT_EQ(dialog.lpfnWndProc, setup.lpfnWndProc);
}

TEST(Gdi, PointFontIsConvertedWithTheScreensVerticalResolution)
{
    CUniqueFont font(CreatePointFont(105, "Tahoma"));
    ASSERT_TRUE(font);
    LOGFONTA attributes;
    ASSERT_EQ(static_cast<int>(sizeof(attributes)),
              GetObjectA(font.Get(), sizeof(attributes), &attributes));
    HDC screen = GetDC(NULL);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(NULL, screen);
    ASSERT_EQ(96, dpi) << "the test prefix's screen";
    EXPECT_EQ(-14, attributes.lfHeight) << "10.5 points at 96 dots an inch";
    EXPECT_EQ(DEFAULT_CHARSET, attributes.lfCharSet);
    EXPECT_EQ(0, attributes.lfWeight);
    EXPECT_EQ(0, attributes.lfWidth);
    EXPECT_FALSE(attributes.lfItalic);
    EXPECT_STREQ("Tahoma", attributes.lfFaceName);
}

TEST(Gdi, SelectionIsUndoneAndNothingIsNotSelected)
{
    CUniqueMemoryDC dc(CreateCompatibleDC(NULL));
    ASSERT_TRUE(dc);
    HGDIOBJ original = GetCurrentObject(dc.Get(), OBJ_PEN);
    CUniquePen pen(CreatePen(PS_SOLID, 2, RGB(1, 37, 35)));
    {
        CSelectObject select(dc.Get(), pen.Get());
        EXPECT_EQ(pen.Get(), GetCurrentObject(dc.Get(), OBJ_PEN));
        {
            CSelectObject none(dc.Get(), NULL);
            EXPECT_EQ(pen.Get(), GetCurrentObject(dc.Get(), OBJ_PEN));
        }
        EXPECT_EQ(pen.Get(), GetCurrentObject(dc.Get(), OBJ_PEN));
    }
    EXPECT_EQ(original, GetCurrentObject(dc.Get(), OBJ_PEN));
}
