#include "tree/note_tree.h"

#include "shell/app_state.h"

int CALLBACK CompareTimes(LPARAM first, LPARAM second, LPARAM)
{
    const uint32_t a = static_cast<uint32_t>(first);
    const uint32_t b = static_cast<uint32_t>(second);
    if (a < b)
        return -1;
    if (a > b)
        return 1;
    return 0;
}

namespace {

void SortByTime(HWND control, HTREEITEM parent)
{
    TVSORTCB sort = {};
    sort.hParent = parent;
    sort.lpfnCompare = CompareTimes;
    sort.lParam = 0;
    SendMessageW(control, TVM_SORTCHILDRENCB, 0, reinterpret_cast<LPARAM>(&sort));
}

}  // namespace

void NoteTree::SortChildren(HTREEITEM item)
{
    topLevelOrdered = false;
    if (sortMode != 0)
        SortByTime(controlWindow, item);
    else
        SendMessageW(controlWindow, TVM_SORTCHILDREN, 0, reinterpret_cast<LPARAM>(item));
}

void NoteTree::SortTree(HTREEITEM start)
{
    // Each level is ordered before the walk descends into it.
    HTREEITEM item = start;
    while (item) {
        if (GetKind(item) == kKindFolder)
            SortChildren(item);
        sortStack.push_back(item);
        HTREEITEM child = NextItem(item, TVGN_CHILD);
        if (child)
            SortTree(child);
        item = sortStack.back();
        sortStack.pop_back();
        item = NextItem(item, TVGN_NEXT);
    }
}

void NoteTree::ApplySortOrder()
{
    // Only the top level: deeper levels keep their order until SortTree.
    // Every command asks for it, each typed character twice: when nothing
    // moved since the last time, the order is already there.
    if (topLevelOrdered && topLevelOrder == app.sortOrder)
        return;
    if (app.sortOrder == 0)
        SendMessageW(controlWindow, TVM_SORTCHILDREN, 0, reinterpret_cast<LPARAM>(rootItem));
    else if (app.sortOrder == 1)
        SortByTime(controlWindow, rootItem);
    topLevelOrdered = true;
    topLevelOrder = app.sortOrder;
}
