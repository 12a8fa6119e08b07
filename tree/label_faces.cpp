#include "tree/label_faces.h"

#include "base/drawing.h"

#include <cwchar>
#include <vector>

namespace {

// The second face at the size of the labels' font, made again when that
// font changes (it grows with the window).
HFONT secondFont = nullptr;
HFONT secondMadeFor = nullptr;

HFONT SecondFaceLike(HFONT labelFont)
{
    if (labelFont == secondMadeFor && secondFont)
        return secondFont;
    LOGFONTW face = {};
    if (!labelFont || !GetObjectW(labelFont, sizeof(face), &face))
        return nullptr;
    wcsncpy(face.lfFaceName, NoteFallbackFace(), LF_FACESIZE - 1);
    face.lfFaceName[LF_FACESIZE - 1] = L'\0';
    HFONT made = CreateFontIndirectW(&face);
    if (!made)
        return nullptr;
    if (secondFont)
        DeleteObject(secondFont);
    secondFont = made;
    secondMadeFor = labelFont;
    return made;
}

// Whether the font selected into dc lacks a letter of text; controls and
// joiners, which no face draws, do not count.
bool LacksALetter(HDC dc, const wchar_t* text, int length)
{
    if (length <= 0)
        return false;
    std::vector<WORD> glyphs(static_cast<size_t>(length));
    if (GetGlyphIndicesW(dc, text, length, glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS) ==
        GDI_ERROR)
        return false;
    for (int i = 0; i < length; ++i) {
        const wchar_t unit = text[i];
        const bool invisible = unit < 0x20 || (unit >= 0x200B && unit <= 0x200F);
        if (glyphs[static_cast<size_t>(i)] == 0xFFFF && !invisible)
            return true;
    }
    return false;
}

}  // namespace

LRESULT DrawLabelInItsFace(NMTVCUSTOMDRAW* draw)
{
    if (draw->nmcd.dwDrawStage == CDDS_PREPAINT)
        return NoteFallbackFace() ? CDRF_NOTIFYITEMDRAW : CDRF_DODEFAULT;
    if (draw->nmcd.dwDrawStage != CDDS_ITEMPREPAINT)
        return CDRF_DODEFAULT;
    const HWND tree = draw->nmcd.hdr.hwndFrom;
    wchar_t label[1024] = {};
    TVITEMW item = {};
    item.mask = TVIF_TEXT;
    item.hItem = reinterpret_cast<HTREEITEM>(draw->nmcd.dwItemSpec);
    item.pszText = label;
    item.cchTextMax = 1024;
    if (!SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)))
        return CDRF_DODEFAULT;
    const HFONT labelFont = reinterpret_cast<HFONT>(SendMessageW(tree, WM_GETFONT, 0, 0));
    if (labelFont)
        SelectObject(draw->nmcd.hdc, labelFont);
    if (!LacksALetter(draw->nmcd.hdc, label, static_cast<int>(wcslen(label))))
        return CDRF_DODEFAULT;
    const HFONT second = SecondFaceLike(labelFont);
    if (!second)
        return CDRF_DODEFAULT;
    SelectObject(draw->nmcd.hdc, second);
    return CDRF_NEWFONT;
}
