#include "tree/note_tree.h"

#include <algorithm>

void NoteTree::CollectItems(HTREEITEM start, bool emptyFirst)
{
    if (emptyFirst) {
        searchList.clear();
        searchText.clear();
        // Room for every item at once: growing would copy everything again.
        searchList.reserve(records.size());
    }
    // The start item, its following siblings and all their descendants, in
    // the order the control shows them, read from the tree's own record.
    const ItemRecord* first = Record(start);
    const ItemRecord* parent = first ? Record(first->parent) : nullptr;
    if (!parent)
        return;
    const std::vector<ItemRecord*>& siblings = parent->children;
    auto at = std::find(siblings.begin(), siblings.end(), first);
    for (auto sibling = siblings.end(); sibling != at;)
        searchStack.push_back(*--sibling);
    while (!searchStack.empty()) {
        const ItemRecord* record = searchStack.back();
        searchStack.pop_back();
        const uint32_t length = static_cast<uint32_t>(record->label.Length());
        searchList.push_back(
            SearchEntry{record->item, static_cast<uint32_t>(searchText.size()), length, 0});
        searchText.insert(searchText.end(), record->label.Text(), record->label.Text() + length + 1);
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
        if (!WideString::Contains(SearchLabel(entry), static_cast<int32_t>(entry.labelLength), text))
            continue;
        // An item deleted since the snapshot is passed over (DeleteItem marks
        // them; one the tree no longer holds is passed over too).
        if (!Record(entry.item))
            continue;
        return entry.item;
    }
    return nullptr;
}
