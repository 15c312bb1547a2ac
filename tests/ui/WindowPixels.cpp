#include "tests/ui/WindowPixels.h"

#include "fw/Gdi.h"

#include <cstdio>

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

unsigned long Crc32(const unsigned char* data, size_t size, unsigned long crc)
{
    crc = ~crc & 0xFFFFFFFFUL;
    for (size_t i = 0; i < size; ++i)
    {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320UL & (0UL - (crc & 1)));
    }
    return ~crc & 0xFFFFFFFFUL;
}

unsigned long Adler32(const unsigned char* data, size_t size)
{
    unsigned long a = 1, b = 0;
    for (size_t i = 0; i < size; ++i)
    {
        a = (a + data[i]) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

namespace
{
void PutBigEndian(std::string& out, unsigned long value)
{
    out += static_cast<char>((value >> 24) & 0xFF);
    out += static_cast<char>((value >> 16) & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
    out += static_cast<char>(value & 0xFF);
}

void PutChunk(std::string& out, const char* type, const std::string& data)
{
    PutBigEndian(out, static_cast<unsigned long>(data.size()));
    std::string body = std::string(type, 4) + data;
    out += body;
    PutBigEndian(out, Crc32(reinterpret_cast<const unsigned char*>(body.data()), body.size()));
}
} // namespace

bool CWindowPixels::WritePng(const std::string& path) const
{
    if (m_pixels.empty())
        return false;
    // Scanlines with filter type 0, then zlib with stored blocks of at most 65535 bytes.
    std::string raw;
    for (int y = 0; y < m_nHeight; ++y)
    {
        raw += '\0';
        for (int x = 0; x < m_nWidth; ++x)
        {
            COLORREF c = At(x, y);
            raw += static_cast<char>(GetRValue(c));
            raw += static_cast<char>(GetGValue(c));
            raw += static_cast<char>(GetBValue(c));
        }
    }
    std::string zlib("\x78\x01", 2);
    size_t offset = 0;
    do
    {
        size_t length = raw.size() - offset;
        if (length > 65535)
            length = 65535;
        bool last = offset + length == raw.size();
        zlib += static_cast<char>(last ? 1 : 0);
        zlib += static_cast<char>(length & 0xFF);
        zlib += static_cast<char>((length >> 8) & 0xFF);
        zlib += static_cast<char>(~length & 0xFF);
        zlib += static_cast<char>((~length >> 8) & 0xFF);
        zlib.append(raw, offset, length);
        offset += length;
    } while (offset < raw.size());
    PutBigEndian(zlib, Adler32(reinterpret_cast<const unsigned char*>(raw.data()), raw.size()));

    std::string header;
    PutBigEndian(header, static_cast<unsigned long>(m_nWidth));
    PutBigEndian(header, static_cast<unsigned long>(m_nHeight));
    header +=
        std::string("\x08\x02\x00\x00\x00", 5); // 8 bits, RGB, deflate, no filter, no interlace

    std::string png("\x89PNG\r\n\x1a\n", 8);
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", zlib);
    PutChunk(png, "IEND", std::string());

    FILE* file = fopen(path.c_str(), "wb");
    if (!file)
        return false;
    bool ok = fwrite(png.data(), 1, png.size(), file) == png.size();
    return fclose(file) == 0 && ok;
}
