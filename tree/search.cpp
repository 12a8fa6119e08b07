#include "tree/note_tree.h"

void NoteTree::CollectItems(HTREEITEM start, bool emptyFirst)
{
    if (emptyFirst)
        searchList.clear();
    HTREEITEM item = start;
    while (item) {
        GetLabel(item);
        searchList.push_back(SearchEntry{WideString(textBuffer), item, 0});
        searchStack.push_back(item);
        HTREEITEM child = NextItem(item, TVGN_CHILD);
        if (child)
            CollectItems(child, false);
        item = searchStack.back();
        searchStack.pop_back();
        item = NextItem(item, TVGN_NEXT);
    }
}

HTREEITEM NoteTree::FindNext(HTREEITEM start, const WideString& text, bool rebuild)
{
    if (rebuild)
        CollectItems(start, true);
    for (SearchEntry& entry : searchList) {
        if (entry.visited)
            continue;
        entry.visited = 1;
        if (!entry.label.Contains(text))
            continue;
        // An item deleted since the snapshot is passed over (DeleteItem marks
        // them; the control's own check catches any other removal).
        TVITEMW probe = {};
        probe.mask = TVIF_HANDLE;
        probe.hItem = entry.item;
        if (!SendMessageW(controlWindow, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&probe)))
            continue;
        return entry.item;
    }
    return nullptr;
}
