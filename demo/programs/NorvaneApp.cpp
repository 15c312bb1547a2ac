// NorvaneApp: the demo card's application, the program setup.exe starts at the end of a
// run. It shows a small window with one line of text for a few seconds and then ends by
// itself, so that a demo run leaves nothing behind.
//
//   NorvaneApp.exe [--seconds N]     N: how long the window stays; default 4
#include "DemoValues.h"
#include "sys/Language.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace
{
const char kClassName[] = "NorvaneConnectDemo";
const char kCaption[] = "Norvane Connect";
const UINT_PTR kCloseTimer = 1;
const UINT kDefaultSeconds = 4;
const int kWidth = 380;
const int kHeight = 120;

std::string g_strMessage;

UINT ShowSeconds()
{
    for (int i = 1; i + 1 < __argc; ++i)
    {
        if (strcmp(__argv[i], "--seconds") == 0)
            return static_cast<UINT>(strtoul(__argv[i + 1], NULL, 10));
    }
    return kDefaultSeconds;
}

void OnPaint(HWND window)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    // A stock object: selected, never deleted.
    HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    DrawTextA(dc, g_strMessage.c_str(), -1, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectObject(dc, oldFont);
    EndPaint(window, &paint);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_PAINT:
        OnPaint(window);
        return 0;
    case WM_TIMER:
        if (wParam == kCloseTimer)
            DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        KillTimer(window, kCloseTimer);
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}
} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    g_strMessage = IsChineseSystem()
                       ? "Norvane Connect " DEMO_APP_VERSION " 已启动，上网卡可以使用了。"
                       : "Norvane Connect " DEMO_APP_VERSION " is running: the card is ready.";

    WNDCLASSA windowClass;
    ZeroMemory(&windowClass, sizeof(windowClass));
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(NULL, IDC_ARROW);
    windowClass.hIcon = LoadIcon(NULL, IDI_APPLICATION);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kClassName;
    if (!RegisterClassA(&windowClass))
        return 1;

    int x = (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2;
    HWND window = CreateWindowExA(0, kClassName, kCaption,
                                  WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, x, y,
                                  kWidth, kHeight, NULL, NULL, instance, NULL);
    if (!window)
        return 1;
    SetTimer(window, kCloseTimer, ShowSeconds() * 1000, NULL);
    ShowWindow(window, showCommand);
    UpdateWindow(window);

    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0)
    {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
