// The pixels a window shows, read back from its device context, and a PNG file of them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class CWindowPixels
{
public:
    // Reads the client area (or, with wholeWindow, the window with its border); empty
    // when it cannot be read.
    explicit CWindowPixels(HWND hwnd, bool wholeWindow = false);
    // An empty picture.
    CWindowPixels() : m_nWidth(0), m_nHeight(0) {}

    int Width() const { return m_nWidth; }
    int Height() const { return m_nHeight; }
    // RGB of a pixel; CLR_INVALID outside the picture.
    COLORREF At(int x, int y) const;
    // How many pixels of the rectangle [left, right) x [top, bottom) have exactly colour.
    int Count(const RECT& area, COLORREF colour) const;

    // The picture as a PNG file (WritePngFile).
    bool WritePng(const std::string& path) const;
    // The picture of an image file, read by GDI+ (as a viewer reads it); false, and an
    // empty picture, when it cannot be read.
    bool ReadPicture(const std::string& path);

private:
    int m_nWidth;
    int m_nHeight;
    std::vector<COLORREF> m_pixels;
};
