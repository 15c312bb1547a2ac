// The progress window made, painted and destroyed over and over must leave this
// process's GDI objects and handles where they were: a pen or font lost per paint, or a
// bitmap kept per window, shows up as a count that grows with the number of calls.
#include "tests/support/HandleCount.h"
#include "ui/SetupDlg.h"
#include "ui/WindowClass.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace
{
// Dispatches this thread's messages until none is left.
void DispatchPending()
{
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
    {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}
} // namespace

// Every paint creates and deletes its fonts, pen and memory context; the window's bitmap
// and image list go with the window. A GDI object not deleted on one paint adds up to a
// thousand.
class ProgressWindowLeaks : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(RegisterSetupWindowClass(GetModuleHandleA(NULL))); }

    // Shows the window as the worker does and lets it paint once.
    void Show(CSetupDlg& dialog)
    {
        dialog.SetCaption("NorvaneSetup程序");
        dialog.ShowProgress(true);
        UpdateWindow(dialog.GetSafeHwnd());
        DispatchPending();
    }
};

TEST_F(ProgressWindowLeaks, AThousandPaintsLeaveTheGdiAndHandleCounts)
{
    CSetupDlg dialog;
    ASSERT_TRUE(dialog.Create());
    HWND window = dialog.GetSafeHwnd();
    Show(dialog);
    dialog.SetStatusText("WAN card is preparing");

    const DWORD gdiBefore = OwnGdiObjectCount();
    const DWORD handlesBefore = OwnHandleCount();
    ASSERT_GT(gdiBefore, 0u) << "no way to count GDI objects here";
    for (int i = 0; i < 1000; ++i)
    {
        // SetStatusText repaints at once, the way the worker sees it.
        ASSERT_TRUE(dialog.SetStatusText(i % 2 ? "无线上网卡准备中" : "WAN card is preparing"));
        DispatchPending();
    }
    EXPECT_EQ(gdiBefore, OwnGdiObjectCount()) << "GDI objects left by 1000 paints";

    // The minimised paint draws the icon into a paint context of its own.
    SetWindowLongA(window, GWL_STYLE, GetWindowLongA(window, GWL_STYLE) | WS_MINIMIZE);
    ASSERT_TRUE(IsIconic(window));
    RedrawWindow(window, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    const DWORD gdiIconic = OwnGdiObjectCount();
    for (int i = 0; i < 100; ++i)
        RedrawWindow(window, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    EXPECT_EQ(gdiIconic, OwnGdiObjectCount()) << "GDI objects left by 100 minimised paints";
    EXPECT_EQ(handlesBefore, OwnHandleCount());
}

// The bitmap and the image list are made when the window initialises, shown or not.
TEST_F(ProgressWindowLeaks, FiftyWindowsCreatedAndDestroyedLeaveTheGdiCount)
{
    {
        CSetupDlg first;
        ASSERT_TRUE(first.Create());
    }
    DispatchPending();
    const DWORD gdiBefore = OwnGdiObjectCount();
    const DWORD handlesBefore = OwnHandleCount();
    ASSERT_GT(gdiBefore, 0u);
    for (int i = 0; i < 50; ++i)
    {
        CSetupDlg dialog;
        ASSERT_TRUE(dialog.Create());
        ASSERT_TRUE(dialog.DestroyWindow());
    }
    DispatchPending();
    EXPECT_EQ(gdiBefore, OwnGdiObjectCount()) << "bitmap or image list kept per window";
    EXPECT_EQ(handlesBefore, OwnHandleCount());
}
