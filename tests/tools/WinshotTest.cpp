// winshot, which saves the demo's picture of the progress window: a window of one colour is
// no picture of it, and is refused; a window with more to show is written as PNG.
#include "tests/support/ProgramRun.h"
#include "tests/support/TestFiles.h"
#include "tests/ui/WindowPixels.h"
#include "tools/winshot/PngFile.h"

#include <gtest/gtest.h>

#include <windows.h>

TEST(Winshot, RefusesAPictureOfOneColourAndWritesOneWithMore)
{
    CTempFolder folder("shot");
    std::string path = folder / "window.png";
    // A top-level static control: a black rectangle, then a line of text on its background,
    // taken once and, followed while it stays visible, again and again for 300 ms.
    const struct
    {
        DWORD style;
        const char* options;
        DWORD exitCode;
    } windows[] = {{SS_BLACKRECT, "", 3}, {SS_LEFT, "", 0}, {SS_LEFT, "--follow 300 ", 0}};
    for (const auto& w : windows)
    {
        HWND window = CreateWindowExA(0, "Static", "Norvane Connect", WS_POPUP | w.style, 100, 100,
                                      120, 40, NULL, NULL, GetModuleHandleA(NULL), NULL);
        ASSERT_TRUE(window != NULL);
        ShowWindow(window, SW_SHOWNOACTIVATE);
        UpdateWindow(window);
        CProgramResult run =
            RunProgram(ProgramCommand("winshot.exe", std::string(w.options) +
                                                         "--class Static --out " + Quoted(path)),
                       30000);
        DestroyWindow(window);
        EXPECT_EQ(w.exitCode, run.dwExitCode) << run.strOutput;
        if (w.exitCode == 3)
        {
            EXPECT_NE(std::string::npos, run.strOutput.find("single colour")) << run.strOutput;
            EXPECT_FALSE(PathExists(path));
        }
        else
        {
            EXPECT_EQ(0u, ReadTextFile(path).find(std::string("\x89PNG\r\n\x1a\n", 8)));
            DeleteFileA(path.c_str());
        }
    }
}

namespace
{
// Four quarters of four colours: a picture of another place, with red and blue swapped or
// with its rows upside down, shows them elsewhere.
const COLORREF kQuarters[] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 255)};

LRESULT CALLBACK PaintQuarters(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_PAINT)
        return DefWindowProcA(window, message, wParam, lParam);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    for (int i = 0; i < 4; ++i)
    {
        RECT quarter = {(i % 2) * client.right / 2, (i / 2) * client.bottom / 2,
                        (i % 2 + 1) * client.right / 2, (i / 2 + 1) * client.bottom / 2};
        HBRUSH brush = CreateSolidBrush(kQuarters[i]);
        FillRect(dc, &quarter, brush);
        DeleteObject(brush);
    }
    EndPaint(window, &paint);
    return 0;
}
} // namespace

TEST(Winshot, WritesTheWindowItselfRowsAndColoursInPlace)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = PaintQuarters;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.lpszClassName = "WinshotQuarters";
    ASSERT_TRUE(RegisterClassA(&windowClass));
    HWND window = CreateWindowExA(WS_EX_TOPMOST, "WinshotQuarters", "", WS_POPUP, 170, 130, 80, 60,
                                  NULL, NULL, GetModuleHandleA(NULL), NULL);
    ASSERT_TRUE(window != NULL);
    ShowWindow(window, SW_SHOWNOACTIVATE);
    UpdateWindow(window);
    CTempFolder folder("shot");
    std::string path = folder / "quarters.png";
    CProgramResult run = RunProgram(
        ProgramCommand("winshot.exe", "--class WinshotQuarters --out " + Quoted(path)), 30000);
    DestroyWindow(window);
    UnregisterClassA("WinshotQuarters", GetModuleHandleA(NULL));
    ASSERT_EQ(0u, run.dwExitCode) << run.strOutput;
    CWindowPixels picture;
    ASSERT_TRUE(picture.ReadPicture(path));
    ASSERT_EQ(80, picture.Width());
    ASSERT_EQ(60, picture.Height());
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(kQuarters[i], picture.At((i % 2) * 40 + 20, (i / 2) * 30 + 15))
            << "quarter " << i;
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
