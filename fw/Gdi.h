// Owners for device contexts, image lists and selections, a point-size font, and the
// progress bar control.
#pragma once

#include "fw/UniqueHandle.h"

#include <windows.h>
#include <commctrl.h>

struct CMemoryDCTraits
{
    typedef HDC Type;
    static Type Empty() { return NULL; }
    static bool Close(Type h) { return DeleteDC(h) != FALSE; }
};

struct CImageListTraits
{
    typedef HIMAGELIST Type;
    static Type Empty() { return NULL; }
    static bool Close(Type h) { return ImageList_Destroy(h) != FALSE; }
};

typedef CUniqueOwner<CMemoryDCTraits> CUniqueMemoryDC; // from CreateCompatibleDC
typedef CUniqueOwner<CImageListTraits> CUniqueImageList;

// The device context of a window's client area, released with the object.
class CClientDC
{
public:
    explicit CClientDC(HWND hwnd) : m_hWnd(hwnd), m_hDC(GetDC(hwnd)) {}
    ~CClientDC()
    {
        if (m_hDC)
            ReleaseDC(m_hWnd, m_hDC);
    }
    CClientDC(const CClientDC&) = delete;
    CClientDC& operator=(const CClientDC&) = delete;

    HDC Get() const { return m_hDC; }

private:
    HWND m_hWnd;
    HDC m_hDC;
};

// BeginPaint in the constructor, EndPaint in the destructor.
class CPaintDC
{
public:
    explicit CPaintDC(HWND hwnd) : m_hWnd(hwnd), m_hDC(BeginPaint(hwnd, &m_ps)) {}
    ~CPaintDC() { EndPaint(m_hWnd, &m_ps); }
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;

    HDC Get() const { return m_hDC; }

private:
    HWND m_hWnd;
    PAINTSTRUCT m_ps; // filled by BeginPaint in m_hDC's initialiser, so declared first
    HDC m_hDC;
};

// Selects an object for the life of the selection and then puts the previous one back.
// A NULL object is not selected, so drawing goes on with the context's current one.
class CSelectObject
{
public:
    CSelectObject(HDC dc, HGDIOBJ object)
        : m_hDC(dc), m_hPrevious(dc && object ? SelectObject(dc, object) : NULL)
    {
    }
    ~CSelectObject()
    {
        if (m_hPrevious && m_hPrevious != HGDI_ERROR)
            SelectObject(m_hDC, m_hPrevious);
    }
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;

private:
    HDC m_hDC;
    HGDIOBJ m_hPrevious;
};

// A font of tenthsOfPoint tenths of a point on the screen (height
// -MulDiv(tenths, LOGPIXELSY, 720)), DEFAULT_CHARSET, every other attribute at its
// default; NULL on failure. The caller owns it.
HFONT CreatePointFont(int tenthsOfPoint, const char* face);

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
    int GetPos() const { return static_cast<int>(SendMessageA(m_hWnd, PBM_GETPOS, 0, 0)); }

private:
    HWND m_hWnd;
};
