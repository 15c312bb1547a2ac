#include "ui/SetupDlg.h"

#include "device/CdDrive.h"
#include "fw/Gdi.h"
#include "sys/Trace.h"
#include "sys/TraceTexts.h"
#include "ui/MessageFilter.h"

#include <windowsx.h>

namespace
{
const UINT kProgressPeriodMs = 500;
const int kProgressUpper = 100;
const int kProgressStep = 10;
const int kProgressFirstPos = 50;

// The window is dragged by this many pixels at the top of its client area.
const int kDragStripHeight = 20;

const COLORREF kFrameColour = RGB(1, 37, 35);
const COLORREF kTextColour = RGB(255, 255, 255);
const POINT kIconAt = {10, 28};
const POINT kCaptionAt = {5, 4};
const POINT kStatusAt = {50, 40};

// The whole text of a window, however long.
std::string GetText(HWND hwnd)
{
    int length = GetWindowTextLengthA(hwnd);
    if (length <= 0)
        return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    int copied = GetWindowTextA(hwnd, &text[0], length + 1);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

// One line, unwrapped and unclipped: what does not fit runs off the window's edge.
void DrawLine(HDC dc, POINT at, const std::string& text)
{
    TextOutA(dc, at.x, at.y, text.data(), static_cast<int>(text.size()));
}
} // namespace

CSetupDlg::CSetupDlg()
    : m_bEjectOnExit(FALSE), m_hCdDevice(INVALID_HANDLE_VALUE),
      m_hIcon(LoadIconA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDR_MAINFRAME)))
{
}

BOOL CSetupDlg::Create()
{
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    return CModelessDialog::Create(IDD, NULL);
}

void CSetupDlg::DoDataExchange()
{
    m_progress.Attach(GetDlgItem(GetSafeHwnd(), IDC_PROGRESS));
}

// The message map.
BOOL CSetupDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message)
    {
    case WM_PAINT:
        OnPaint();
        return TRUE;
    case WM_QUERYDRAGICON:
        result = reinterpret_cast<LRESULT>(OnQueryDragIcon());
        return TRUE;
    case WM_TIMER:
        OnTimer(wParam);
        return TRUE;
    case WM_ERASEBKGND:
        result = OnEraseBkgnd(reinterpret_cast<HDC>(wParam));
        return TRUE;
    case WM_CLOSE:
        OnClose();
        return TRUE;
    case WM_NCHITTEST:
    {
        POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        result = OnNcHitTest(point);
        return TRUE;
    }
    case WM_APP_EJECT_ON_EXIT:
        result = OnAppEjectOnExit(wParam, lParam);
        return TRUE;
    case WM_APP_SHOW_WINDOW:
        result = OnAppShowWindow(wParam, lParam);
        return TRUE;
    }
    return CModelessDialog::OnMessage(message, wParam, lParam, result);
}

BOOL CSetupDlg::OnInitDialog()
{
    CModelessDialog::OnInitDialog();
    HWND hwnd = GetSafeHwnd();

    // Card software and tools of a normal user's session send these two to the elevated
    // program; nothing else of theirs is let through.
    AllowMessageFromOtherPrograms(hwnd, WM_APP_EJECT_ON_EXIT);
    AllowMessageFromOtherPrograms(hwnd, WM_APP_SHOW_WINDOW);

    m_bEjectOnExit = FALSE;
    m_hCdDevice = OpenCdDevice();
    if (m_hCdDevice == INVALID_HANDLE_VALUE)
        TraceOut(kTraceCdOpenFailed);
    SetTimer(hwnd, IDT_CD_KEEPALIVE, CD_KEEPALIVE_PERIOD_MS, NULL);
    DelayCdEject(m_hCdDevice, CD_KEEPALIVE_DELAY_SECONDS);
    SetTimer(hwnd, IDT_PROGRESS, kProgressPeriodMs, NULL);

    m_progress.SetRange(0, kProgressUpper);
    m_progress.SetStep(kProgressStep);
    m_progress.SetPos(kProgressFirstPos);

    HINSTANCE instance = GetModuleHandleA(NULL);
    m_bitmap.Reset(LoadBitmapA(instance, MAKEINTRESOURCEA(IDB_BACKGROUND)));
    m_imageList.Reset(ImageList_Create(32, 32, ILC_COLOR32 | ILC_MASK, 1, 1));
    ImageList_ReplaceIcon(m_imageList.Get(), -1, m_hIcon);
    return TRUE;
}

void CSetupDlg::OnTimer(UINT_PTR id)
{
    if (id == IDT_PROGRESS)
        m_progress.StepIt(); // past the upper end the control starts over by itself
    else if (id == IDT_CD_KEEPALIVE)
        DelayCdEject(m_hCdDevice, CD_KEEPALIVE_DELAY_SECONDS);
    Default();
}

BOOL CSetupDlg::OnEraseBkgnd(HDC dc)
{
    RECT client;
    GetClientRect(GetSafeHwnd(), &client);

    {
        CUniquePen pen(CreatePen(PS_SOLID, 2, kFrameColour));
        CSelectObject selectPen(dc, pen.Get());
        Rectangle(dc, client.left, client.top, client.right, client.bottom);
    }

    BITMAP size;
    ZeroMemory(&size, sizeof(size));
    GetObjectA(m_bitmap.Get(), sizeof(size), &size);
    {
        CUniqueMemoryDC memory(CreateCompatibleDC(dc));
        CSelectObject selectBitmap(memory.Get(), m_bitmap.Get());
        // Inside the frame: one pixel in from every edge of the client area.
        StretchBlt(dc, client.left + 1, client.top + 1, client.right - 2, client.bottom - 2,
                   memory.Get(), 0, 0, size.bmWidth, size.bmHeight, SRCCOPY);
    }

    ImageList_Draw(m_imageList.Get(), 0, dc, kIconAt.x, kIconAt.y, ILD_TRANSPARENT);
    return TRUE;
}

void CSetupDlg::OnPaint()
{
    HWND hwnd = GetSafeHwnd();
    if (IsIconic(hwnd))
    {
        PaintMinimised();
        return;
    }

    // The texts go over what the default paint leaves, through a context of our own.
    CClientDC dc(hwnd);
    SetBkMode(dc.Get(), TRANSPARENT);
    Default(); // BeginPaint and EndPaint; the background comes from OnEraseBkgnd

    {
        CUniqueFont font(CreateFontA(16, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, GB2312_CHARSET,
                                     OUT_STROKE_PRECIS, CLIP_STROKE_PRECIS, PROOF_QUALITY,
                                     VARIABLE_PITCH, "SYSTEM"));
        CSelectObject selectFont(dc.Get(), font.Get());
        std::string caption = GetText(hwnd);
        SetTextColor(dc.Get(), kTextColour);
        DrawLine(dc.Get(), kCaptionAt, caption);
    }
    {
        CUniqueFont font(CreatePointFont(105, "宋体"));
        CSelectObject selectFont(dc.Get(), font.Get());
        SetTextColor(dc.Get(), kTextColour);
        DrawLine(dc.Get(), kStatusAt, GetText(GetDlgItem(hwnd, IDC_MESSAGE)));
    }
}

void CSetupDlg::PaintMinimised()
{
    HWND hwnd = GetSafeHwnd();
    CPaintDC dc(hwnd);
    SendMessageA(hwnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.Get()), 0);
    int iconWidth = GetSystemMetrics(SM_CXICON);
    int iconHeight = GetSystemMetrics(SM_CYICON);
    RECT client;
    GetClientRect(hwnd, &client);
    int x = (client.right - client.left - iconWidth + 1) / 2;
    int y = (client.bottom - client.top - iconHeight + 1) / 2;
    DrawIcon(dc.Get(), x, y, m_hIcon);
}

HICON CSetupDlg::OnQueryDragIcon()
{
    return m_hIcon;
}

LRESULT CSetupDlg::OnNcHitTest(POINT screenPoint)
{
    HWND hwnd = GetSafeHwnd();
    RECT strip;
    GetClientRect(hwnd, &strip);
    strip.bottom = strip.top + kDragStripHeight;
    MapWindowPoints(hwnd, NULL, reinterpret_cast<POINT*>(&strip), 2);
    if (PtInRect(&strip, screenPoint))
        return HTCAPTION; // the system moves the window while the strip is dragged
    return Default();
}

// A close request does not end the setup run: only EndSetup does.
void CSetupDlg::OnClose()
{
    Default();
}

LRESULT CSetupDlg::OnAppEjectOnExit(WPARAM, LPARAM)
{
    m_bEjectOnExit = TRUE; // for good: nothing clears it
    return 0;
}

LRESULT CSetupDlg::OnAppShowWindow(WPARAM wParam, LPARAM)
{
    if (wParam)
    {
        TraceOut(kTraceShowMessage);
        ShowWindow(GetSafeHwnd(), SW_SHOW);
    }
    else
    {
        TraceOut(kTraceHideMessage);
        ShowWindow(GetSafeHwnd(), SW_HIDE);
    }
    return 1;
}

// The ProgressView operations run on the worker thread; each window call below is
// carried to the window's thread, and returns once it has been handled there.

BOOL CSetupDlg::SetStatusText(const char* text)
{
    SetDlgItemTextA(GetSafeHwnd(), IDC_MESSAGE, text);
    return RedrawNow();
}

void CSetupDlg::SetCaption(std::string text)
{
    SetWindowTextA(GetSafeHwnd(), text.c_str());
    RedrawNow();
}

void CSetupDlg::ShowProgress(bool show)
{
    ShowWindow(GetSafeHwnd(), show ? SW_SHOW : SW_HIDE);
}

LRESULT CSetupDlg::RequestEjectOnExit()
{
    return SendMessageA(GetSafeHwnd(), WM_APP_EJECT_ON_EXIT, 0, 0);
}

void CSetupDlg::EndSetup()
{
    PostMessageA(GetSafeHwnd(), WM_QUIT, 0, 0);
}

// The whole window, background included, repainted before this returns.
BOOL CSetupDlg::RedrawNow()
{
    return RedrawWindow(GetSafeHwnd(), NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}
