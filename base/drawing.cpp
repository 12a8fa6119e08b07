#include "base/drawing.h"

BOOL TransparentImage(HDC target, int x, int y, int width, int height,
                      HDC source, int sourceX, int sourceY, int sourceWidth,
                      int sourceHeight, COLORREF key)
{
    return TransparentBlt(target, x, y, width, height, source, sourceX, sourceY,
                          sourceWidth, sourceHeight, key);
}
