// Owners for device contexts, image lists and the objects selected into a context.
#pragma once

#include "handles/UniqueHandle.h"

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
