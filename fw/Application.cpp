#include "fw/Application.h"

namespace
{
CApplication* g_pApplication = NULL;
} // namespace

CApplication::CApplication() : m_hInstance(NULL)
{
    g_pApplication = this;
}

CApplication::~CApplication()
{
    if (g_pApplication == this)
        g_pApplication = NULL;
}

int CApplication::ExitInstance()
{
    return 0;
}

HINSTANCE CApplication::GetInstance() const
{
    return m_hInstance ? m_hInstance : GetModuleHandleA(NULL);
}

CApplication* CApplication::Get()
{
    return g_pApplication;
}

int RunApplication(HINSTANCE instance)
{
    CApplication* application = CApplication::Get();
    if (!application)
        return -1;
    application->m_hInstance = instance;
    if (application->InitInstance())
    {
        MSG msg;
        // GetMessage gives -1 only for an invalid window filter, which this loop has not.
        while (GetMessageA(&msg, NULL, 0, 0) > 0)
        {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return application->ExitInstance();
}
