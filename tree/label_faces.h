// The faces the tree's labels are drawn in.
#pragma once

#include <windows.h>
#include <commctrl.h>

// The tree draws its labels with GDI, which knows no link from the
// program's text face to its second face (under Wine both are the
// program's own): a label holding a letter the first face lacks (Hebrew,
// Greek...) is drawn in the second, as Uniscribe draws the same name on the
// page and in the label editor. Its part of the answer to the tree's
// NM_CUSTOMDRAW (DrawTreeItem).
LRESULT DrawLabelInItsFace(NMTVCUSTOMDRAW* draw);
