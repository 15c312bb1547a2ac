#include "tests/ui/WindowPixels.h"

#include "handles/GdiOwners.h"
#include "tests/support/TestFiles.h"
#include "tools/winshot/PngFile.h"

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

namespace
{
unsigned long BigEndian32(const std::string& bytes, size_t at)
{
    const unsigned char* b = reinterpret_cast<const unsigned char*>(bytes.data()) + at;
    return (static_cast<unsigned long>(b[0]) << 24) | (b[1] << 16) | (b[2] << 8) | b[3];
}
} // namespace

bool CWindowPixels::ReadPng(const std::string& path)
{
    m_nWidth = m_nHeight = 0;
    m_pixels.clear();
    std::string png = ReadTextFile(path);
    if (png.compare(0, 8, std::string("\x89PNG\r\n\x1a\n", 8)) != 0)
        return false;
    std::string header;
    std::string zlib;
    for (size_t at = 8; at + 12 <= png.size();)
    {
        size_t length = BigEndian32(png, at);
        if (at + 12 + length > png.size())
            return false;
        const unsigned char* typed = reinterpret_cast<const unsigned char*>(png.data()) + at + 4;
        if (PngCrc32(typed, length + 4) != BigEndian32(png, at + 8 + length))
            return false;
        std::string type = png.substr(at + 4, 4);
        if (type == "IHDR")
            header = png.substr(at + 8, length);
        else if (type == "IDAT")
            zlib += png.substr(at + 8, length);
        at += 12 + length;
    }
    if (header.size() != 13 || header.compare(8, 5, std::string("\x08\x02\0\0\0", 5)) != 0)
        return false;
    int width = static_cast<int>(BigEndian32(header, 0));
    int height = static_cast<int>(BigEndian32(header, 4));
    // Stored blocks: a header byte, the length and its complement, the bytes.
    std::string raw;
    for (size_t at = 2; at + 5 <= zlib.size();)
    {
        bool last = zlib[at] & 1;
        size_t length = static_cast<unsigned char>(zlib[at + 1]) |
                        (static_cast<unsigned char>(zlib[at + 2]) << 8);
        raw += zlib.substr(at + 5, length);
        at += 5 + length;
        if (last)
            break;
    }
    size_t row = static_cast<size_t>(width) * 3 + 1;
    if (width <= 0 || height <= 0 || raw.size() != row * height || zlib.size() < 4 ||
        ZlibAdler32(reinterpret_cast<const unsigned char*>(raw.data()), raw.size()) !=
            BigEndian32(zlib, zlib.size() - 4))
        return false;
    for (int y = 0; y < height; ++y)
    {
        if (raw[y * row] != 0)
        {
            m_pixels.clear();
            return false;
        }
        const unsigned char* p = reinterpret_cast<const unsigned char*>(raw.data()) + y * row + 1;
        for (int x = 0; x < width; ++x, p += 3)
            m_pixels.push_back(RGB(p[0], p[1], p[2]));
    }
    m_nWidth = width;
    m_nHeight = height;
    return true;
}
