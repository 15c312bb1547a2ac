// The progress bar control of a dialog.
#pragma once

#include <windows.h>
#include <commctrl.h>

// A "msctls_progress32" control of a dialog; the dialog owns the window.
class CProgressCtrl
{
public:
    CProgressCtrl() : m_hWnd(NULL) {}

    void Attach(HWND hwnd) { m_hWnd = hwnd; }
    HWND GetSafeHwnd() const { return m_hWnd; }

    void SetRange(int lower, int upper)
    {
        SendMessageA(m_hWnd, PBM_SETRANGE, 0, MAKELPARAM(lower, upper));
    }
    int SetStep(int step) { return static_cast<int>(SendMessageA(m_hWnd, PBM_SETSTEP, step, 0)); }
    int SetPos(int pos) { return static_cast<int>(SendMessageA(m_hWnd, PBM_SETPOS, pos, 0)); }
    int StepIt() { return static_cast<int>(SendMessageA(m_hWnd, PBM_STEPIT, 0, 0)); }

private:
    HWND m_hWnd;
};
