// Drawing help for dialogs: a font of a point size on the screen.
#pragma once

#include <windows.h>

// A font of tenthsOfPoint tenths of a point on the screen (height
// -MulDiv(tenths, LOGPIXELSY, 720)), DEFAULT_CHARSET, every other attribute at its
// default; NULL on failure. The caller owns it.
HFONT CreatePointFont(int tenthsOfPoint, const char* face);
