#include "base/drawing.h"

#include <cwchar>
#include <initializer_list>

BOOL TransparentImage(HDC target, int x, int y, int width, int height,
                      HDC source, int sourceX, int sourceY, int sourceWidth,
                      int sourceHeight, COLORREF key)
{
    // gdi32's own colour-keyed copy: the same as msimg32's TransparentBlt,
    // without loading another library at every start.
    return GdiTransparentBlt(target, x, y, width, height, source, sourceX, sourceY,
                             sourceWidth, sourceHeight, key);
}

namespace {

HFONT MakeFont(const wchar_t* face, int logicalHeight)
{
    LOGFONTW font = {};
    font.lfHeight = logicalHeight;
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = DEFAULT_QUALITY;
    wcsncpy(font.lfFaceName, face, LF_FACESIZE - 1);
    return CreateFontIndirectW(&font);
}

int CellOf(HDC dc, HFONT font)
{
    HGDIOBJ previous = SelectObject(dc, font);
    TEXTMETRICW metrics = {};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, previous);
    return metrics.tmHeight;
}

}  // namespace

HFONT CreateFontWithCell(const wchar_t* face, int cellHeight)
{
    if (cellHeight < 1)
        cellHeight = 1;
    HDC screen = GetDC(nullptr);
    HFONT best = nullptr;
    int bestCell = 0;
    // A positive height asks for the cell, a negative one for the em; the
    // rounding of either may miss by a pixel, so try both downwards.
    for (int step = 0; step <= cellHeight / 2 && bestCell != cellHeight; ++step) {
        for (int sign : {1, -1}) {
            HFONT candidate = MakeFont(face, sign * (cellHeight - step));
            if (!candidate)
                continue;
            const int cell = CellOf(screen, candidate);
            if (cell <= cellHeight && cell > bestCell) {
                if (best)
                    DeleteObject(best);
                best = candidate;
                bestCell = cell;
                if (cell == cellHeight)
                    break;
            } else {
                DeleteObject(candidate);
            }
        }
    }
    ReleaseDC(nullptr, screen);
    return best ? best : MakeFont(face, cellHeight);
}

int ScreenDpi()
{
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen)
        ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}
