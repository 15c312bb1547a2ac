// A modeless dialog made from a template of the executable's resources. The dialog
// procedure finds the object and hands every message to OnMessage, which a derived class
// writes as one switch, its message map; what OnMessage leaves goes to the system's
// default dialog processing.
#pragma once

#include <windows.h>

class CModelessDialog
{
public:
    CModelessDialog();
    // Destroys the window if it still exists; only on the thread that created it.
    virtual ~CModelessDialog();
    CModelessDialog(const CModelessDialog&) = delete;
    CModelessDialog& operator=(const CModelessDialog&) = delete;

    // Creates the window from template templateId; OnInitDialog runs before this returns.
    // FALSE when the window exists already or cannot be created.
    BOOL Create(UINT templateId, HWND parent = NULL);
    BOOL DestroyWindow();
    // NULL before Create and after the window is destroyed.
    HWND GetSafeHwnd() const { return m_hWnd; }

protected:
    // Called on WM_INITDIALOG; the base exchanges data and returns TRUE (focus to the
    // first control). A hidden, unowned window whose template sits at 0, 0 without a
    // centring style, and that OnInitDialog leaves where it is, is then centred on the
    // work area.
    virtual BOOL OnInitDialog();
    // Binds controls to their wrappers; the base binds nothing.
    virtual void DoDataExchange();
    // TRUE when the message was handled, with its result in result; FALSE hands it to the
    // default dialog processing. The base handles nothing.
    virtual BOOL OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // The default dialog processing (DefDlgProc) of the message being handled, for a
    // handler that wants it before or after its own work; 0 outside a handler.
    LRESULT Default();

private:
    struct CMessage
    {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };

    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    bool IsUnplaced(const RECT& before) const;
    void CenterOnWorkArea();

    HWND m_hWnd;
    UINT m_nTemplateId;
    const CMessage* m_pCurrent;
    bool m_bDefaultPending;
};
