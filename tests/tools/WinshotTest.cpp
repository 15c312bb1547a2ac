// winshot, which saves the demo's picture of the progress window: a window of one colour is
// no picture of it, and is refused; a window with more to show is written as PNG.
#include "tests/support/ProgramRun.h"
#include "tests/support/TestFiles.h"
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
        CProgramResult run = RunProgram(
            ProgramCommand("winshot.exe",
                           std::string(w.options) + "--class Static --out " + Quoted(path)),
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

TEST(PngFile, ChecksumsMatchTheirReferenceValues)
{
    const unsigned char digits[] = "123456789";
    EXPECT_EQ(0xCBF43926UL, PngCrc32(digits, 9));
    const unsigned char word[] = "Wikipedia";
    EXPECT_EQ(0x11E60398UL, ZlibAdler32(word, 9));
    const unsigned char iend[] = "IEND";
    EXPECT_EQ(0xAE426082UL, PngCrc32(iend, 4));
}
