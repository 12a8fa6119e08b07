// The tree's expand boxes, in proportion to the tree.
#pragma once

#include <windows.h>
#include <commctrl.h>

// The design's indent of the tree's levels, which the control's own boxes
// fit.
const int kDesignTreeIndent = 19;

// The answer to the tree's NM_CUSTOMDRAW: its labels in a face that has
// their letters (see label_faces.h), and its expand boxes as large as its
// icons. The control draws its boxes at the theme's one size, however far
// the window, the icons and the indent have grown: past the indent the
// boxes were made for, each folder's box is drawn again over the control's,
// in proportion to the indent, centred where the control put it. A tap
// anywhere in the indent's column opens or closes the folder, as before.
LRESULT DrawTreeItem(NMTVCUSTOMDRAW* draw);
// Where the box of an item is drawn, in the tree's client coordinates; empty
// for an item with nothing to open, or while the control's own box is kept.
RECT ExpandBoxRect(HWND tree, HTREEITEM item);
