#include "ui/WindowClass.h"

bool RegisterSetupWindowClass(HINSTANCE instance)
{
    WNDCLASSA existing;
    if (GetClassInfoA(instance, SETUP_WINDOW_CLASS, &existing))
        return true;

    // A copy of the dialog class keeps DefDlgProc as window procedure and the dialog's
    // extra window bytes, so that a template naming this class makes an ordinary dialog.
    WNDCLASSA dialogClass;
    if (!GetClassInfoA(instance, "#32770", &dialogClass) &&
        !GetClassInfoA(NULL, "#32770", &dialogClass))
        return false;
    dialogClass.hInstance = instance;
    dialogClass.lpszClassName = SETUP_WINDOW_CLASS;
    return RegisterClassA(&dialogClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}
