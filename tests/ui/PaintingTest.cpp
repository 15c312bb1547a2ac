// What the progress window paints, read back from its pixels.
#include "tests/ui/ProgressWindowFixture.h"
#include "tests/ui/WindowPixels.h"

#include "fw/Gdi.h"
#include "handles/GdiOwners.h"
#include "sys/SystemPaths.h"
#include "tests/support/TestFiles.h"

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

namespace
{
const COLORREF kFrame = RGB(1, 37, 35);
const COLORREF kWhite = RGB(255, 255, 255);

// The pixels of a bitmap as 0xAARRGGBB, top row first; empty when they cannot be read.
std::vector<DWORD> BitmapPixels(HBITMAP bitmap, int& width, int& height)
{
    BITMAP size;
    std::vector<DWORD> pixels;
    if (!GetObjectA(bitmap, sizeof(size), &size))
        return pixels;
    width = size.bmWidth;
    height = size.bmHeight;
    BITMAPINFO info;
    ZeroMemory(&info, sizeof(info));
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    pixels.resize(static_cast<size_t>(width) * height);
    HDC screen = GetDC(NULL);
    int rows = GetDIBits(screen, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(NULL, screen);
    if (rows != height)
        pixels.clear();
    return pixels;
}

COLORREF ToColorRef(DWORD argb)
{
    return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}

// The colours of bitmap 131, top row first.
std::vector<COLORREF> BackgroundRows()
{
    CUniqueBitmap bitmap(LoadBitmapA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(131)));
    int width = 0, height = 0;
    std::vector<COLORREF> rows;
    for (DWORD p : BitmapPixels(bitmap.Get(), width, height))
        rows.push_back(ToColorRef(p));
    return rows;
}

// Rectangle [left, right) x [top, bottom) as a RECT.
RECT Area(LONG left, LONG top, LONG right, LONG bottom)
{
    RECT area = {left, top, right, bottom};
    return area;
}

// The bounding box of the pixels of colour in area; empty when there are none.
RECT Extent(const CWindowPixels& pixels, const RECT& area, COLORREF colour)
{
    RECT box = {LONG_MAX, LONG_MAX, LONG_MIN, LONG_MIN};
    for (LONG y = area.top; y < area.bottom; ++y)
        for (LONG x = area.left; x < area.right; ++x)
            if (pixels.At(x, y) == colour)
            {
                box.left = std::min(box.left, x);
                box.top = std::min(box.top, y);
                box.right = std::max(box.right, x + 1);
                box.bottom = std::max(box.bottom, y + 1);
            }
    if (box.left == LONG_MAX)
        SetRectEmpty(&box);
    return box;
}
} // namespace

class PaintingTest : public ProgressWindowTest
{
protected:
    // Sets the texts, shows the window and reads its client area back.
    CWindowPixels Paint(const char* caption, const char* status)
    {
        if (caption)
            m_dialog.SetCaption(caption);
        if (status)
            m_dialog.SetStatusText(status);
        ShowAndPaint();
        RedrawWindow(m_hWnd, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        PumpMessagesFor(50); // the progress bar repaints itself after its parent
        return CWindowPixels(m_hWnd);
    }

    // A status text in this run's language, as the worker would set it.
    static std::string StatusInLanguage(size_t repeat = 1)
    {
        bool chinese = TestLanguage() == "zh";
        std::string text;
        for (size_t i = 0; i < repeat; ++i)
            text += chinese ? "无线上网卡准备中" : "WAN card is preparing";
        return text;
    }

    // False where the status line's font has no Latin letters, as under a Chinese Wine
    // without a Chinese font that has them: "Message" is then drawn invisibly.
    bool StatusFontHasLatinLetters() const
    {
        CUniqueFont font(CreatePointFont(105, "宋体"));
        CClientDC dc(m_hWnd);
        CSelectObject select(dc.Get(), font.Get());
        WORD glyphs[2] = {0, 0};
        GetGlyphIndicesA(dc.Get(), "Ms", 2, glyphs, GGI_MARK_NONEXISTING_GLYPHS);
        return glyphs[0] != 0xFFFF && glyphs[1] != 0xFFFF;
    }

    // The client rectangle of the progress bar.
    RECT ProgressBarArea() const
    {
        RECT bar;
        GetWindowRect(GetDlgItem(m_hWnd, IDC_PROGRESS), &bar);
        MapWindowPoints(NULL, m_hWnd, reinterpret_cast<POINT*>(&bar), 2);
        return bar;
    }
};

TEST_F(PaintingTest, FrameSurroundsTheStretchedBackground)
{
    CWindowPixels pixels = Paint(NULL, "");
    ASSERT_GT(pixels.Width(), 100);
    int w = pixels.Width(), h = pixels.Height();
    std::vector<COLORREF> rows = BackgroundRows();
    ASSERT_EQ(96u, rows.size());

    // One pixel of frame colour along every edge (the pen is two wide, half outside).
    for (int y : {1, h / 2, h - 2})
    {
        EXPECT_EQ(kFrame, pixels.At(0, y)) << "left edge, y " << y;
        EXPECT_EQ(kFrame, pixels.At(w - 1, y)) << "right edge, y " << y;
    }
    for (int x : {1, w / 2, w - 2})
    {
        EXPECT_EQ(kFrame, pixels.At(x, 0)) << "top edge, x " << x;
        EXPECT_EQ(kFrame, pixels.At(x, h - 1)) << "bottom edge, x " << x;
    }

    // Inside, every row shows a row of the strip, in order and from edge to edge, the
    // strip's first row at the top and its last at the bottom.
    EXPECT_EQ(rows.front(), pixels.At(w - 2, 1));
    EXPECT_EQ(rows.back(), pixels.At(w - 2, h - 2));
    size_t row = 0;
    for (int y = 1; y < h - 1; ++y)
    {
        COLORREF colour = pixels.At(w - 2, y);
        while (row < rows.size() && rows[row] != colour)
            ++row;
        ASSERT_LT(row, rows.size()) << "y " << y << " shows no later row of the strip";
        EXPECT_EQ(colour, pixels.At(1, y)) << "y " << y;
    }
}

TEST_F(PaintingTest, IconIsDrawnAtTenTwentyEight)
{
    CWindowPixels pixels = Paint(NULL, "");
    ICONINFO info;
    HICON icon = LoadIconA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(128));
    ASSERT_TRUE(GetIconInfo(icon, &info));
    CUniqueBitmap colour(info.hbmColor), mask(info.hbmMask);
    int width = 0, height = 0;
    std::vector<DWORD> iconPixels = BitmapPixels(colour.Get(), width, height);
    ASSERT_EQ(32, width);
    ASSERT_EQ(32, height);
    int opaque = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
        {
            DWORD p = iconPixels[y * 32 + x];
            if ((p >> 24) != 0xFF)
                continue;
            ++opaque;
            EXPECT_EQ(ToColorRef(p), pixels.At(10 + x, 28 + y)) << x << ", " << y;
        }
    EXPECT_GT(opaque, 500);
}

TEST_F(PaintingTest, CaptionAndStatusAreWhiteAtTheirPlaces)
{
    CWindowPixels blank = Paint("", "");
    int w = blank.Width();
    RECT captionArea = Area(0, 0, w, 22);
    RECT statusArea = Area(44, 36, w, 60);
    EXPECT_EQ(0, blank.Count(captionArea, kWhite));
    EXPECT_EQ(0, blank.Count(statusArea, kWhite));

    CWindowPixels texts = Paint("NorvaneSetup", StatusInLanguage().c_str());
    RECT caption = Extent(texts, captionArea, kWhite);
    RECT status = Extent(texts, statusArea, kWhite);
    ASSERT_FALSE(IsRectEmpty(&caption)) << "no white caption";
    ASSERT_FALSE(IsRectEmpty(&status)) << "no white status text";
    // Where the first letter's ink starts depends on the letter and the font.
    EXPECT_GE(caption.left, 5);
    EXPECT_LE(caption.left, 5 + 6);
    EXPECT_GE(caption.top, 4);
    EXPECT_LE(caption.top, 4 + 8);
    EXPECT_GE(status.left, 50);
    EXPECT_LE(status.left, 50 + 6);
    EXPECT_GE(status.top, 40);
    EXPECT_LE(status.top, 40 + 8);
}

TEST_F(PaintingTest, TemplateStatusTextShowsBeforeAnythingIsSet)
{
    CWindowPixels pixels = Paint(NULL, NULL);
    EXPECT_EQ(0, pixels.Count(Area(0, 0, pixels.Width(), 22), kWhite)) << "the caption is empty";
    ASSERT_TRUE(StatusFontHasLatinLetters())
        << "the status font draws no Latin letters: harness/install-deps.sh installs "
           "fonts-wqy-microhei, which Wine takes for it";
    RECT status = Extent(pixels, Area(44, 36, pixels.Width(), 60), kWhite);
    EXPECT_FALSE(IsRectEmpty(&status)) << "\"Message\" is painted";
}

TEST_F(PaintingTest, LongStatusTextIsCutAtTheRightEdgeNotWrapped)
{
    CWindowPixels pixels = Paint("", StatusInLanguage(20).c_str());
    int w = pixels.Width();
    EXPECT_GT(pixels.Count(Area(w - 12, 40, w - 1, 60), kWhite), 0) << "runs to the edge";
    RECT bar = ProgressBarArea();
    EXPECT_EQ(0, pixels.Count(Area(44, 60, w, bar.top - 1), kWhite)) << "no second line";
}

// Wine, like current Windows, gives a minimised top-level window no client area to paint.
// The style alone marks this one minimised, so that the iconic paint shows what it draws.
TEST_F(PaintingTest, MinimisedWindowPaintsOnlyTheCentredIcon)
{
    CWindowPixels normal = Paint("NorvaneSetup", StatusInLanguage().c_str());
    SetWindowLongA(m_hWnd, GWL_STYLE, GetWindowLongA(m_hWnd, GWL_STYLE) | WS_MINIMIZE);
    ASSERT_TRUE(IsIconic(m_hWnd));
    RedrawWindow(m_hWnd, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    CWindowPixels pixels(m_hWnd);
    SetWindowLongA(m_hWnd, GWL_STYLE, GetWindowLongA(m_hWnd, GWL_STYLE) & ~WS_MINIMIZE);

    int w = pixels.Width(), h = pixels.Height();
    int iconWidth = GetSystemMetrics(SM_CXICON), iconHeight = GetSystemMetrics(SM_CYICON);
    RECT centred = Area((w - iconWidth + 1) / 2, (h - iconHeight + 1) / 2, 0, 0);
    centred.right = centred.left + iconWidth;
    centred.bottom = centred.top + iconHeight;
    RECT background = Area(10, 28, 10 + iconWidth, 28 + iconHeight); // erased with its icon

    int iconWhite = normal.Count(background, kWhite);
    ASSERT_GT(iconWhite, 0);
    EXPECT_EQ(iconWhite, pixels.Count(centred, kWhite)) << "the icon, centred";
    EXPECT_EQ(pixels.Count(Area(0, 0, w, h), kWhite),
              pixels.Count(centred, kWhite) + pixels.Count(background, kWhite))
        << "no text: white only where an icon is";
}

// For people to look at: the visible window in this run's language, under
// <build>/screenshots. The picture read back must show the window as it is, with its frame,
// icon and caption.
TEST_F(PaintingTest, WritesAScreenshot)
{
    Paint("NorvaneSetup程序", StatusInLanguage().c_str());
    std::string folder = GetModuleDir() + "\\..\\screenshots";
    ASSERT_TRUE(MakeDirectory(folder));
    std::string path = folder + "\\progress-window-" + TestLanguage() + ".png";
    CWindowPixels window(m_hWnd, true);
    ASSERT_TRUE(window.WritePng(path));

    CWindowPixels picture;
    ASSERT_TRUE(picture.ReadPicture(path)) << path << " cannot be read as a picture";
    ASSERT_EQ(window.Width(), picture.Width());
    ASSERT_EQ(window.Height(), picture.Height());
    CWindowPixels client(m_hWnd);
    int border = (picture.Width() - client.Width()) / 2;
    int differing = 0;
    for (int y = 0; y < client.Height(); ++y)
        for (int x = 0; x < client.Width(); ++x)
            differing += picture.At(border + x, border + y) != client.At(x, y);
    EXPECT_EQ(0, differing) << "pixels of the picture that the window does not show";
    EXPECT_EQ(kFrame, picture.At(border, border + client.Height() / 2)) << "frame";
    RECT icon = Area(border + 10, border + 28, border + 42, border + 60);
    EXPECT_LT(picture.Count(icon, picture.At(border + 10, border + 28)), 32 * 32) << "icon";
    EXPECT_GT(picture.Count(Area(border, border, border + client.Width(), border + 22), kWhite), 0)
        << "caption";
}
