// Colour-keyed drawing (the handheld's TransparentImage).
#pragma once

#include <windows.h>

// Stretches the source rectangle into the destination, leaving out the
// pixels of the key colour.
BOOL TransparentImage(HDC target, int x, int y, int width, int height,
                      HDC source, int sourceX, int sourceY, int sourceWidth,
                      int sourceHeight, COLORREF key);
