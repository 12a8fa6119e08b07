#include "skin/paint_font.h"

#include <cwchar>

PaintFont::PaintFont()
    : logicalFont(), deviceContext(nullptr), face(nullptr), width(10), height(10), escapement(0),
      orientation(0), italic(0), underline(0), strikeOut(0), pitchAndFamily(0),
      charSet(RUSSIAN_CHARSET), font(nullptr), previousFont(nullptr)
{
}

HFONT PaintFont::Create(const wchar_t* faceName)
{
    face = faceName;
    logicalFont = LOGFONTW();
    logicalFont.lfHeight = height;
    logicalFont.lfWidth = width;
    logicalFont.lfEscapement = escapement;
    logicalFont.lfOrientation = orientation;
    logicalFont.lfWeight = FW_NORMAL;
    logicalFont.lfItalic = italic;
    logicalFont.lfUnderline = underline;
    logicalFont.lfStrikeOut = strikeOut;
    logicalFont.lfCharSet = charSet;
    logicalFont.lfOutPrecision = 0;
    logicalFont.lfClipPrecision = 0;
    logicalFont.lfQuality = 0;
    logicalFont.lfPitchAndFamily = pitchAndFamily;
    if (face)
        wcsncpy(logicalFont.lfFaceName, face, LF_FACESIZE - 1);
    font = CreateFontIndirectW(&logicalFont);
    return font;
}

void PaintFont::Select(HDC dc)
{
    deviceContext = dc;
    previousFont = static_cast<HFONT>(SelectObject(dc, font));
}

void PaintFont::Release()
{
    if (previousFont && deviceContext)
        SelectObject(deviceContext, previousFont);
    if (font) {
        DeleteObject(font);
        font = nullptr;
    }
}
