#include "fw/Gdi.h"

HFONT CreatePointFont(int tenthsOfPoint, const char* face)
{
    LOGFONTA font;
    ZeroMemory(&font, sizeof(font));
    font.lfCharSet = DEFAULT_CHARSET;
    if (face)
        lstrcpynA(font.lfFaceName, face, LF_FACESIZE);
    HDC screen = GetDC(NULL);
    if (!screen)
        return NULL;
    font.lfHeight = -MulDiv(tenthsOfPoint, GetDeviceCaps(screen, LOGPIXELSY), 720);
    ReleaseDC(NULL, screen);
    return CreateFontIndirectA(&font);
}
