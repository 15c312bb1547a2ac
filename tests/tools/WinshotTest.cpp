// winshot, which saves the demo's picture of the progress window: a window of one colour is
// no picture of it, and is refused; a window with more to show is written as PNG.
#include "tests/support/ProgramRun.h"
#include "tests/support/TestFiles.h"
#include "tools/winshot/PngFile.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace
{
const char kClass[] = "NorvaneWinshotTest";

// A window that paints itself black, with a white square when asked.
LRESULT CALLBACK PaintProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_PAINT)
        return DefWindowProcA(hwnd, message, wParam, lParam);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd, &paint);
    RECT client;
    GetClientRect(hwnd, &client);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    if (GetWindowLongPtrA(hwnd, GWLP_USERDATA))
    {
        RECT square = {10, 10, 30, 30};
        FillRect(dc, &square, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }
    EndPaint(hwnd, &paint);
    return 0;
}

class CPaintedWindow
{
public:
    explicit CPaintedWindow(bool square)
    {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = PaintProc;
        windowClass.hInstance = GetModuleHandleA(NULL);
        windowClass.lpszClassName = kClass;
        RegisterClassA(&windowClass);
        m_hWnd = CreateWindowExA(0, kClass, "", WS_POPUP, 100, 100, 80, 60, NULL, NULL,
                                 GetModuleHandleA(NULL), NULL);
        SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, square ? 1 : 0);
        ShowWindow(m_hWnd, SW_SHOWNOACTIVATE);
        UpdateWindow(m_hWnd);
        GdiFlush();
    }
    ~CPaintedWindow() { DestroyWindow(m_hWnd); }
    CPaintedWindow(const CPaintedWindow&) = delete;
    CPaintedWindow& operator=(const CPaintedWindow&) = delete;

    HWND m_hWnd;
};
} // namespace

TEST(Winshot, RefusesAPictureOfOneColourAndWritesOneWithMore)
{
    CTempFolder folder("shot");
    std::string path = folder / "window.png";
    std::string arguments = std::string("--class ") + kClass + " --out " + Quoted(path);
    {
        CPaintedWindow black(false);
        ASSERT_TRUE(black.m_hWnd != NULL);
        CProgramResult run = RunProgram(ProgramCommand("winshot.exe", arguments), 30000);
        EXPECT_EQ(3u, run.dwExitCode) << run.strOutput;
        EXPECT_NE(std::string::npos, run.strOutput.find("single colour")) << run.strOutput;
        EXPECT_FALSE(PathExists(path));
    }
    CPaintedWindow square(true);
    ASSERT_TRUE(square.m_hWnd != NULL);
    CProgramResult run = RunProgram(ProgramCommand("winshot.exe", arguments), 30000);
    EXPECT_EQ(0u, run.dwExitCode) << run.strOutput;
    std::string png = ReadTextFile(path);
    EXPECT_EQ(0u, png.find(std::string("\x89PNG\r\n\x1a\n", 8))) << "no PNG file written";
}

TEST(PngFile, ChecksumsMatchTheirReferenceValues)
{
    const unsigned char digits[] = "123456789";
    EXPECT_EQ(0xCBF43926UL, PngCrc32(digits, 9));
    const unsigned char word[] = "Wikipedia";
    EXPECT_EQ(0x11E60398UL, ZlibAdler32(word, 9));
    const unsigned char iend[] = "IEND";
    EXPECT_EQ(0xAE426082UL, PngCrc32(iend, 4));
}
