#include "tests/ui/WindowPixels.h"

#include "handles/GdiOwners.h"
#include "tools/winshot/PngFile.h"

#include <gdiplus.h>

CWindowPixels::CWindowPixels(HWND hwnd, bool wholeWindow) : m_nWidth(0), m_nHeight(0)
{
    RECT area;
    if (wholeWindow)
    {
        GetWindowRect(hwnd, &area);
        OffsetRect(&area, -area.left, -area.top);
    }
    else
    {
        GetClientRect(hwnd, &area);
    }
    int width = area.right;
    int height = area.bottom;
    if (width <= 0 || height <= 0)
        return;

    BITMAPINFO info;
    ZeroMemory(&info, sizeof(info));
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = NULL;
    CUniqueBitmap section(CreateDIBSection(NULL, &info, DIB_RGB_COLORS, &bits, NULL, 0));
    CUniqueMemoryDC memory(CreateCompatibleDC(NULL));
    if (!section || !memory)
        return;
    {
        HDC source = wholeWindow ? GetWindowDC(hwnd) : GetDC(hwnd);
        CSelectObject select(memory.Get(), section.Get());
        BOOL copied = BitBlt(memory.Get(), 0, 0, width, height, source, 0, 0, SRCCOPY);
        ReleaseDC(hwnd, source);
        if (!copied)
            return;
    }
    GdiFlush();
    const DWORD* pixels = static_cast<const DWORD*>(bits);
    m_pixels.resize(static_cast<size_t>(width) * height);
    for (size_t i = 0; i < m_pixels.size(); ++i)
    {
        DWORD p = pixels[i]; // 0x00RRGGBB
        m_pixels[i] = RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    m_nWidth = width;
    m_nHeight = height;
}

COLORREF CWindowPixels::At(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_nWidth || y >= m_nHeight)
        return CLR_INVALID;
    return m_pixels[static_cast<size_t>(y) * m_nWidth + x];
}

int CWindowPixels::Count(const RECT& area, COLORREF colour) const
{
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            if (At(x, y) == colour)
                ++count;
    return count;
}

bool CWindowPixels::WritePng(const std::string& path) const
{
    std::vector<unsigned char> rgb;
    rgb.reserve(m_pixels.size() * 3);
    for (COLORREF pixel : m_pixels)
    {
        rgb.push_back(GetRValue(pixel));
        rgb.push_back(GetGValue(pixel));
        rgb.push_back(GetBValue(pixel));
    }
    return WritePngFile(path, m_nWidth, m_nHeight, rgb);
}

bool CWindowPixels::ReadPicture(const std::string& path)
{
    using namespace Gdiplus;
    m_nWidth = m_nHeight = 0;
    m_pixels.clear();
    ULONG_PTR token = 0;
    GdiplusStartupInput input;
    if (GdiplusStartup(&token, &input, NULL) != Ok)
        return false;
    std::wstring wide(path.begin(), path.end());
    GpBitmap* bitmap = NULL;
    UINT width = 0, height = 0;
    if (DllExports::GdipCreateBitmapFromFile(wide.c_str(), &bitmap) == Ok &&
        DllExports::GdipGetImageWidth(bitmap, &width) == Ok &&
        DllExports::GdipGetImageHeight(bitmap, &height) == Ok)
    {
        for (UINT y = 0; y < height; ++y)
            for (UINT x = 0; x < width; ++x)
            {
                ARGB argb = 0;
                DllExports::GdipBitmapGetPixel(bitmap, x, y, &argb);
                m_pixels.push_back(RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF));
            }
        m_nWidth = static_cast<int>(width);
        m_nHeight = static_cast<int>(height);
    }
    if (bitmap)
        DllExports::GdipDisposeImage(bitmap);
    GdiplusShutdown(token);
    return m_nWidth > 0;
}
