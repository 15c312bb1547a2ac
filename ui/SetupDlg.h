// The progress window: a captionless dialog with a thin border, dragged by a strip along
// its top, that paints its own background, icon, caption line and status line around a
// progress bar running as a busy indicator. It also carries the CD-ROM keep-alive and the
// eject flag read at shutdown.
#pragma once

#include "fw/ModelessDialog.h"
#include "fw/ProgressCtrl.h"
#include "handles/GdiOwners.h"
#include "ui/ProgressView.h"
#include "ui/res/resource.h"

#include <windows.h>

#include <string>

// Handled from any sender: wParam and lParam are ignored; the result is 0.
const UINT WM_APP_EJECT_ON_EXIT = WM_APP + 100;
// Handled from any sender: wParam non-zero shows the window, 0 hides it; the result is 1.
const UINT WM_APP_SHOW_WINDOW = WM_APP + 200;

// Steps the progress bar.
const UINT IDT_PROGRESS = 1000;

class CSetupDlg : public CModelessDialog, public ProgressView
{
public:
    enum
    {
        IDD = IDD_SETUP_DIALOG
    };

    // Loads the icon; the window comes with Create.
    CSetupDlg();

    // Creates the window hidden, without parent, in the class of RegisterSetupWindowClass,
    // which must be registered first.
    BOOL Create();

    BOOL SetStatusText(const char* text) override;
    void SetCaption(std::string text) override;
    void ShowProgress(bool show) override;
    LRESULT RequestEjectOnExit() override;
    void EndSetup() override;

    // The CD state, for the shutdown's final CD action. The device handle is not closed
    // by the window: the final CD action closes it or leaves it to the process's end.
    BOOL m_bEjectOnExit;
    HANDLE m_hCdDevice;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange() override;
    BOOL OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void OnPaint();
    HICON OnQueryDragIcon();
    void OnTimer(UINT_PTR id);
    BOOL OnEraseBkgnd(HDC dc);
    void OnClose();
    LRESULT OnNcHitTest(POINT screenPoint);
    LRESULT OnAppEjectOnExit(WPARAM wParam, LPARAM lParam);
    LRESULT OnAppShowWindow(WPARAM wParam, LPARAM lParam);

    void PaintMinimised();
    BOOL RedrawNow();

    CProgressCtrl m_progress;
    HICON m_hIcon; // a shared resource icon, never destroyed
    CUniqueBitmap m_bitmap;
    CUniqueImageList m_imageList;
};
