// The program's one application object and the entry that runs it.
#pragma once

#include <windows.h>

// Derive once and define one global object of the derived class; its constructor makes
// it the object RunApplication finds.
class CApplication
{
public:
    CApplication();
    virtual ~CApplication();
    CApplication(const CApplication&) = delete;
    CApplication& operator=(const CApplication&) = delete;

    // Does the program's work on the main thread; FALSE ends the process without a
    // message loop of the framework's own.
    virtual BOOL InitInstance() = 0;
    // Gives the process exit code; 0 unless overridden.
    virtual int ExitInstance();

    // The instance passed to RunApplication; the executable's module before that.
    HINSTANCE GetInstance() const;

    // The registered application object, or NULL when none was constructed.
    static CApplication* Get();

private:
    friend int RunApplication(HINSTANCE instance);

    HINSTANCE m_hInstance;
};

// Called by WinMain: InitInstance, then a plain message loop until WM_QUIT when it
// returned TRUE, then ExitInstance, whose code it returns. -1 without an application.
int RunApplication(HINSTANCE instance);
