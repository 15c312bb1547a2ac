#include "fw/ModelessDialog.h"

#include <cstring>

namespace
{
// The results a dialog procedure returns itself; every other result goes through
// DWLP_MSGRESULT.
bool IsDirectResult(UINT message)
{
    switch (message)
    {
    case WM_CHARTOITEM:
    case WM_COMPAREITEM:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_INITDIALOG:
    case WM_QUERYDRAGICON:
    case WM_VKEYTOITEM:
        return true;
    }
    return false;
}

// Style and position of a DLGTEMPLATE or DLGTEMPLATEEX; false when it cannot be read.
bool ReadTemplatePlacement(UINT templateId, DWORD& style, short& x, short& y)
{
    HINSTANCE instance = GetModuleHandleA(NULL);
    HRSRC info = FindResourceA(instance, MAKEINTRESOURCEA(templateId), MAKEINTRESOURCEA(5));
    if (!info)
        return false;
    const BYTE* bytes = static_cast<const BYTE*>(LockResource(LoadResource(instance, info)));
    DWORD size = SizeofResource(instance, info);
    if (!bytes || size < 4)
        return false;
    WORD version, signature;
    memcpy(&version, bytes, 2);
    memcpy(&signature, bytes + 2, 2);
    bool extended = version == 1 && signature == 0xFFFF;
    DWORD styleAt = extended ? 12 : 0;
    DWORD xAt = extended ? 18 : 10;
    if (size < xAt + 4)
        return false;
    memcpy(&style, bytes + styleAt, 4);
    memcpy(&x, bytes + xAt, 2);
    memcpy(&y, bytes + xAt + 2, 2);
    return true;
}
} // namespace

CModelessDialog::CModelessDialog()
    : m_hWnd(NULL), m_nTemplateId(0), m_pCurrent(NULL), m_bDefaultPending(false)
{
}

CModelessDialog::~CModelessDialog()
{
    DestroyWindow();
}

BOOL CModelessDialog::Create(UINT templateId, HWND parent)
{
    if (m_hWnd)
        return FALSE;
    m_nTemplateId = templateId;
    HWND hwnd = CreateDialogParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(templateId), parent,
                                   &CModelessDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    return hwnd != NULL;
}

BOOL CModelessDialog::DestroyWindow()
{
    if (!m_hWnd)
        return FALSE;
    return ::DestroyWindow(m_hWnd);
}

BOOL CModelessDialog::OnInitDialog()
{
    DoDataExchange();
    return TRUE;
}

void CModelessDialog::DoDataExchange() {}

BOOL CModelessDialog::OnMessage(UINT, WPARAM, LPARAM, LRESULT&)
{
    return FALSE;
}

LRESULT CModelessDialog::Default()
{
    if (!m_pCurrent || !m_hWnd)
        return 0;
    // DefDlgProc first offers the message to this dialog procedure again; that one call
    // is answered "not handled" (see DialogProc), so that DefDlgProc goes on with its own
    // processing: for WM_CLOSE the dialog's cancel command rather than DefWindowProc's
    // DestroyWindow, for everything else DefWindowProc's.
    m_bDefaultPending = true;
    LRESULT result =
        DefDlgProcA(m_hWnd, m_pCurrent->message, m_pCurrent->wParam, m_pCurrent->lParam);
    m_bDefaultPending = false;
    return result;
}

INT_PTR CALLBACK CModelessDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG)
    {
        SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        reinterpret_cast<CModelessDialog*>(lParam)->m_hWnd = hwnd;
    }
    CModelessDialog* dialog =
        reinterpret_cast<CModelessDialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    if (!dialog) // messages before WM_INITDIALOG, such as WM_SETFONT
        return FALSE;
    if (dialog->m_bDefaultPending)
    {
        dialog->m_bDefaultPending = false;
        return FALSE;
    }

    CMessage current = {message, wParam, lParam};
    const CMessage* outer = dialog->m_pCurrent;
    dialog->m_pCurrent = &current;
    LRESULT result = 0;
    BOOL handled;
    if (message == WM_INITDIALOG)
    {
        RECT before;
        GetWindowRect(hwnd, &before);
        result = dialog->OnInitDialog();
        if (dialog->IsUnplaced(before))
            dialog->CenterOnWorkArea();
        handled = TRUE;
    }
    else
    {
        handled = dialog->OnMessage(message, wParam, lParam, result);
    }
    dialog->m_pCurrent = outer;

    if (message == WM_NCDESTROY)
    {
        dialog->m_hWnd = NULL;
        SetWindowLongPtrA(hwnd, DWLP_USER, 0);
    }
    if (!handled)
        return FALSE;
    if (IsDirectResult(message))
        return static_cast<INT_PTR>(result);
    SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
    return TRUE;
}

bool CModelessDialog::IsUnplaced(const RECT& before) const
{
    DWORD style;
    short x, y;
    if (!ReadTemplatePlacement(m_nTemplateId, style, x, y))
        return false;
    if ((style & (WS_VISIBLE | WS_CHILD | DS_CENTER | DS_CENTERMOUSE | DS_ABSALIGN)) || x != 0 ||
        y != 0)
        return false;
    if (IsWindowVisible(m_hWnd))
        return false;
    HWND owner = GetWindow(m_hWnd, GW_OWNER);
    if (owner && IsWindowEnabled(owner))
        return false;
    RECT now;
    GetWindowRect(m_hWnd, &now);
    return now.left == before.left && now.top == before.top;
}

void CModelessDialog::CenterOnWorkArea()
{
    RECT work, window;
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0) || !GetWindowRect(m_hWnd, &window))
        return;
    int width = window.right - window.left;
    int height = window.bottom - window.top;
    int x = work.left + (work.right - work.left - width) / 2;
    int y = work.top + (work.bottom - work.top - height) / 2;
    // A window larger than the work area keeps its top left corner inside it.
    if (x < work.left)
        x = work.left;
    if (y < work.top)
        y = work.top;
    SetWindowPos(m_hWnd, NULL, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
