// winshot: saves a window of another program as a PNG picture, as it is on the screen.
//
//   winshot --class NAME [--wait-visible MS] [--delay MS] [--follow MS] --out FILE.png
//   winshot --screen --out FILE.png
//
// --class         window class of the top-level window to take (e.g. NorvaneSetup)
// --wait-visible  wait up to MS milliseconds for such a window to be visible (default 0)
// --delay         wait MS milliseconds more before taking it, so that it has painted
// --follow        keep taking it for up to MS milliseconds while it stays visible, and
//                 write the last picture: a window shown for a moment, still painting
// --screen        take the whole screen instead
// A window is taken only while it is visible: a picture read back after it was hidden
// shows what lies behind it, or nothing. A picture of one colour alone is no picture of a
// window and is not written. Exit code 0 when the picture was written, 1 when no visible
// window was found or it was hidden before it could be taken, 2 for bad usage or a file
// that cannot be written, 3 when the picture came out a single colour.
#include "handles/UniqueHandle.h"
#include "tools/winshot/PngFile.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace
{
// A rectangle of the screen, read back from the screen.
bool CaptureRect(const RECT& rect, int& width, int& height, std::vector<unsigned char>& rgb)
{
    width = rect.right - rect.left;
    height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0)
        return false;

    HDC screen = GetDC(NULL);
    if (!screen)
        return false;
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info;
    ZeroMemory(&info, sizeof(info));
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = NULL;
    CUniqueBitmap bitmap(CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, NULL, 0));
    bool ok = false;
    if (memory && bitmap && bits)
    {
        HGDIOBJ previous = SelectObject(memory, bitmap.Get());
        ok = BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY) != FALSE;
        SelectObject(memory, previous);
        GdiFlush();
        const unsigned char* bgra = static_cast<const unsigned char*>(bits);
        rgb.resize(static_cast<size_t>(width) * height * 3);
        for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i)
        {
            rgb[i * 3] = bgra[i * 4 + 2];
            rgb[i * 3 + 1] = bgra[i * 4 + 1];
            rgb[i * 3 + 2] = bgra[i * 4];
        }
    }
    if (memory)
        DeleteDC(memory);
    ReleaseDC(NULL, screen);
    return ok;
}

const DWORD kRetakeMs = 2000;

bool IsOneColour(const std::vector<unsigned char>& rgb)
{
    for (size_t i = 3; i < rgb.size(); ++i)
        if (rgb[i] != rgb[i % 3])
            return false;
    return true;
}
} // namespace

int main(int argc, char** argv)
{
    std::string className;
    std::string outPath;
    DWORD waitMs = 0;
    DWORD delayMs = 0;
    DWORD followMs = 0;
    bool wholeScreen = false;
    for (int i = 1; i < argc; ++i)
    {
        if (strcmp(argv[i], "--screen") == 0)
        {
            wholeScreen = true;
            continue;
        }
        if (i + 1 == argc)
            break;
        if (strcmp(argv[i], "--class") == 0)
            className = argv[i + 1];
        else if (strcmp(argv[i], "--out") == 0)
            outPath = argv[i + 1];
        else if (strcmp(argv[i], "--wait-visible") == 0)
            waitMs = static_cast<DWORD>(strtoul(argv[i + 1], NULL, 10));
        else if (strcmp(argv[i], "--delay") == 0)
            delayMs = static_cast<DWORD>(strtoul(argv[i + 1], NULL, 10));
        else if (strcmp(argv[i], "--follow") == 0)
            followMs = static_cast<DWORD>(strtoul(argv[i + 1], NULL, 10));
        ++i;
    }
    if ((className.empty() && !wholeScreen) || outPath.empty())
    {
        fputs("usage: winshot --class NAME [--wait-visible MS] [--delay MS] [--follow MS] "
              "--out FILE.png\n"
              "       winshot --screen --out FILE.png\n",
              stderr);
        return 2;
    }

    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;
    DWORD takenAt = GetTickCount();
    if (wholeScreen)
    {
        RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        if (!CaptureRect(screen, width, height, rgb))
        {
            fprintf(stderr, "winshot: cannot read the screen back\n");
            return 1;
        }
    }
    else
    {
        HWND window = NULL;
        DWORD start = GetTickCount();
        for (;;)
        {
            window = FindWindowA(className.c_str(), NULL);
            if (window && IsWindowVisible(window))
                break;
            if (GetTickCount() - start >= waitMs)
            {
                fprintf(stderr, "winshot: no visible window of class %s\n", className.c_str());
                return 1;
            }
            Sleep(10);
        }
        Sleep(delayMs);
        // Taken again, for two seconds at the most, until a picture shows more than one
        // colour, and with --follow for as long as the window stays visible; only a
        // picture read while the window stayed visible counts, and one of several colours
        // is never replaced by one of a single colour.
        RECT rect;
        bool taken = false;
        DWORD first = GetTickCount();
        for (;;)
        {
            int takenWidth = 0;
            int takenHeight = 0;
            std::vector<unsigned char> picture;
            if (!IsWindowVisible(window) || !GetWindowRect(window, &rect) ||
                !CaptureRect(rect, takenWidth, takenHeight, picture) || !IsWindowVisible(window))
                break;
            if (!taken || IsOneColour(rgb) || !IsOneColour(picture))
            {
                width = takenWidth;
                height = takenHeight;
                rgb.swap(picture);
                takenAt = GetTickCount();
            }
            taken = true;
            DWORD elapsed = GetTickCount() - first;
            if (elapsed >= (IsOneColour(rgb) ? kRetakeMs : followMs))
                break;
            Sleep(10);
        }
        if (!taken)
        {
            fprintf(stderr, "winshot: the window was hidden before a picture of it could be "
                            "taken\n");
            return 1;
        }
    }
    if (IsOneColour(rgb))
    {
        fprintf(stderr, "winshot: the picture is a single colour: no picture written\n");
        return 3;
    }
    if (!WritePngFile(outPath, width, height, rgb))
    {
        fprintf(stderr, "winshot: cannot write %s\n", outPath.c_str());
        return 2;
    }
    printf("winshot: %d x %d written to %s, taken at tick %lu\n", width, height, outPath.c_str(),
           static_cast<unsigned long>(takenAt));
    return 0;
}
