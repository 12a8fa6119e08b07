#include "tree/expand_boxes.h"

#include "tree/label_faces.h"
#include "tree/note_tree.h"

#include <algorithm>

namespace {

// The side of the control's box, and the length of its sign, at the
// design's indent.
const int kDesignBoxSide = 9;
const int kDesignSignLength = 5;

void Fill(HDC dc, int left, int top, int right, int bottom, COLORREF colour)
{
    const RECT area = {left, top, right, bottom};
    SetBkColor(dc, colour);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &area, nullptr, 0, nullptr);
}

int Indent(HWND tree)
{
    return static_cast<int>(SendMessageW(tree, TVM_GETINDENT, 0, 0));
}

// Whether the tree has grown past the indent the control's boxes fit.
bool Outgrown(HWND tree)
{
    return Indent(tree) > kDesignTreeIndent;
}

void DrawExpandBoxInProportion(const NMTVCUSTOMDRAW* draw)
{
    const HWND tree = draw->nmcd.hdr.hwndFrom;
    const HTREEITEM item = reinterpret_cast<HTREEITEM>(draw->nmcd.dwItemSpec);
    const RECT box = ExpandBoxRect(tree, item);
    if (IsRectEmpty(&box))
        return;
    const int side = box.right - box.left;
    const int bar = std::max(1, side / kDesignBoxSide);
    const int reach = kDesignSignLength * side / kDesignBoxSide / 2;
    const int centreX = (box.left + box.right) / 2, centreY = (box.top + box.bottom) / 2;
    const HDC dc = draw->nmcd.hdc;
    const COLORREF oldBack = GetBkColor(dc);
    Fill(dc, box.left, box.top, box.right, box.bottom, GetSysColor(COLOR_GRAYTEXT));
    const COLORREF back = static_cast<COLORREF>(SendMessageW(tree, TVM_GETBKCOLOR, 0, 0));
    Fill(dc, box.left + bar, box.top + bar, box.right - bar, box.bottom - bar,
         back == CLR_NONE ? GetSysColor(COLOR_WINDOW) : back);
    const COLORREF sign = GetSysColor(COLOR_WINDOWTEXT);
    const int first = bar / 2;
    Fill(dc, centreX - reach, centreY - first, centreX + reach + 1, centreY - first + bar, sign);
    if (!ItemExpanded(tree, item))
        Fill(dc, centreX - first, centreY - reach, centreX - first + bar, centreY + reach + 1,
             sign);
    SetBkColor(dc, oldBack);
}

}  // namespace

RECT ExpandBoxRect(HWND tree, HTREEITEM item)
{
    const RECT none = {0, 0, 0, 0};
    const int indent = Indent(tree);
    TVITEMW state = {};
    state.mask = TVIF_CHILDREN;
    state.hItem = item;
    if (indent <= kDesignTreeIndent ||
        !SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&state)) ||
        state.cChildren == 0)
        return none;
    RECT label;
    if (!ItemLabelRect(tree, item, &label))
        return none;
    int iconWidth = 0, iconHeight = 0;
    const HIMAGELIST icons =
        reinterpret_cast<HIMAGELIST>(SendMessageW(tree, TVM_GETIMAGELIST, TVSIL_NORMAL, 0));
    if (icons)
        ImageList_GetIconSize(icons, &iconWidth, &iconHeight);
    // The indent's column lies left of the icon, the box in its middle.
    const int centreX = label.left - iconWidth - indent / 2;
    const int centreY = (label.top + label.bottom) / 2;
    const int half = kDesignBoxSide * indent / kDesignTreeIndent / 2;
    return {centreX - half, centreY - half, centreX + half + 1, centreY + half + 1};
}

LRESULT DrawTreeItem(NMTVCUSTOMDRAW* draw)
{
    switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return DrawLabelInItsFace(draw) |
               (Outgrown(draw->nmcd.hdr.hwndFrom) ? CDRF_NOTIFYITEMDRAW : 0);
    case CDDS_ITEMPREPAINT:
        return DrawLabelInItsFace(draw) |
               (Outgrown(draw->nmcd.hdr.hwndFrom) ? CDRF_NOTIFYPOSTPAINT : 0);
    case CDDS_ITEMPOSTPAINT:
        DrawExpandBoxInProportion(draw);
        return CDRF_DODEFAULT;
    default:
        return CDRF_DODEFAULT;
    }
}
