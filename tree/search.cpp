#include "tree/note_tree.h"

#include <algorithm>

void NoteTree::CollectItems(HTREEITEM start, bool emptyFirst)
{
    if (emptyFirst) {
        searchList.clear();
        // Room for every item at once: growing would copy every label again.
        searchList.reserve(records.size());
    }
    // The start item, its following siblings and all their descendants, in
    // the order the control shows them, read from the tree's own record.
    const ItemRecord* first = Record(start);
    const ItemRecord* parent = first ? Record(first->parent) : nullptr;
    if (!parent)
        return;
    const std::vector<HTREEITEM>& siblings = parent->children;
    auto at = std::find(siblings.begin(), siblings.end(), start);
    for (auto sibling = siblings.end(); sibling != at;)
        searchStack.push_back(*--sibling);
    while (!searchStack.empty()) {
        HTREEITEM item = searchStack.back();
        searchStack.pop_back();
        const ItemRecord* record = Record(item);
        if (!record)
            continue;
        searchList.push_back(SearchEntry{record->label, item, 0});
        for (auto child = record->children.rbegin(); child != record->children.rend(); ++child)
            searchStack.push_back(*child);
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
        // them; one the tree no longer holds is passed over too).
        if (!Record(entry.item))
            continue;
        return entry.item;
    }
    return nullptr;
}
