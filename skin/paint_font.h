// A font made for one paint: created from its fields, selected into a
// device context, and put back and deleted when the paint is done.
#pragma once

#include <windows.h>

#include <cstdint>

class PaintFont {
public:
    PaintFont();

    HFONT Create(const wchar_t* faceName);
    void Select(HDC dc);
    void Release();

    LOGFONTW logicalFont;
    HDC deviceContext;          // the context the font was selected into
    const wchar_t* face;        // not owned
    int32_t width;
    int32_t height;             // cell height in pixels
    int32_t escapement;
    int32_t orientation;
    uint8_t italic;
    uint8_t underline;
    uint8_t strikeOut;
    uint8_t pitchAndFamily;
    uint8_t charSet;
    HFONT font;                 // owned
    HFONT previousFont;         // what the context held before Select
};
