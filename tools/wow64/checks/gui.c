/* Opens a window with a common-controls 6 button, reports which comctl32 the
 * manifest got it and that the window is visible, then closes itself after
 * the milliseconds given (default 1500); exits 0 when it got version 6. */
#include <stdio.h>
#include <string.h>
#include <windows.h>
#include <commctrl.h>
#include <shlwapi.h>

static LRESULT CALLBACK wndproc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg)
    {
    case WM_TIMER: DestroyWindow(hwnd); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

int main(int argc, char **argv)
{
    INITCOMMONCONTROLSEX icc = { sizeof(icc), ICC_STANDARD_CLASSES };
    DLLVERSIONINFO ver = { sizeof(ver) };
    DLLGETVERSIONPROC getver;
    WNDCLASSA wc = { 0 };
    HWND hwnd;
    MSG msg;
    char path[MAX_PATH] = "";
    UINT ms = argc > 1 ? (UINT)atoi(argv[1]) : 1500;

    if (!InitCommonControlsEx(&icc)) { printf("InitCommonControlsEx failed\n"); return 1; }
    getver = (DLLGETVERSIONPROC)(void *)GetProcAddress(GetModuleHandleA("comctl32.dll"), "DllGetVersion");
    if (!getver || getver(&ver) != S_OK) { printf("no comctl32 version\n"); return 1; }
    GetModuleFileNameA(GetModuleHandleA("comctl32.dll"), path, sizeof(path));
    wc.lpfnWndProc = wndproc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "NorvaneWow64Check";
    wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    RegisterClassA(&wc);
    hwnd = CreateWindowA(wc.lpszClassName, "Norvane wow64 check", WS_OVERLAPPEDWINDOW, 50, 50, 320, 200,
                         NULL, NULL, wc.hInstance, NULL);
    if (!hwnd) { printf("CreateWindow failed: %lu\n", GetLastError()); return 1; }
    CreateWindowA("BUTTON", "OK", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 110, 60, 90, 30, hwnd,
                  (HMENU)1, wc.hInstance, NULL);
    ShowWindow(hwnd, SW_SHOW);
    UpdateWindow(hwnd);
    printf("comctl32 %lu.%lu (%s), window visible=%d\n", ver.dwMajorVersion, ver.dwMinorVersion, path,
           IsWindowVisible(hwnd));
    fflush(stdout);
    SetTimer(hwnd, 1, ms, NULL);
    while (GetMessageA(&msg, NULL, 0, 0) > 0)
    {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    /* Wine's DllGetVersion says 5.81 for both builds, so tell them by path. */
    return strstr(path, "common-controls_6595b64144ccf1df_6.0") ? 0 : 2;
}
