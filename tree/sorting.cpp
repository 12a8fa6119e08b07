#include "tree/note_tree.h"


#include <algorithm>

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

bool MakeSortKey(const wchar_t* text, DWORD flags, std::string* key)
{
    // Most keys fit the buffer: one call of the collation instead of two
    // (one for the size), which costs as much again.
    const LCID locale = GetThreadLocale();
    flags |= LCMAP_SORTKEY;
    alignas(wchar_t) char buffer[512];
    int size = LCMapStringW(locale, flags, text, -1, reinterpret_cast<wchar_t*>(buffer),
                            sizeof(buffer));
    if (size > 0) {
        key->assign(buffer, static_cast<size_t>(size));
        return true;
    }
    size = LCMapStringW(locale, flags, text, -1, nullptr, 0);
    key->assign(size > 0 ? static_cast<size_t>(size) : 0, '\0');
    if (size <= 0 ||
        LCMapStringW(locale, flags, text, -1, reinterpret_cast<wchar_t*>(&(*key)[0]), size) != size) {
        key->clear();
        return false;
    }
    return true;
}

namespace {

// The record's key of its label, made when missing: comparing two keys
// orders as lstrcmpiW orders the labels, at the cost of a byte comparison
// instead of the collation's work at every step. False when the platform
// gives no key.
bool HasNameKey(ItemRecord* record)
{
    return !record->nameKey.empty() ||
           MakeSortKey(record->label.Text(), NORM_IGNORECASE, &record->nameKey);
}

void SortByTime(HWND control, HTREEITEM parent)
{
    TVSORTCB sort = {};
    sort.hParent = parent;
    sort.lpfnCompare = CompareTimes;
    sort.lParam = 0;
    SendMessageW(control, TVM_SORTCHILDRENCB, 0, reinterpret_cast<LPARAM>(&sort));
}

}  // namespace

bool NoteTree::OrderRecordedChildren(HTREEITEM parent, int32_t mode)
{
    ItemRecord* found = records.Find(parent);
    if (!found || found->children.size() < 2)
        return false;
    std::vector<ItemRecord*>& children = found->children;
    // The control's sort is a stable merge: it keeps the order of the items
    // its comparison calls equal, as a stable sort by the same comparison
    // does. By name it compares labels with lstrcmpiW, by date the params.
    auto sortBy = [&children](auto before) {
        if (std::is_sorted(children.begin(), children.end(), before))
            return false;
        std::stable_sort(children.begin(), children.end(), before);
        return true;
    };
    if (mode != 0) {
        return sortBy([](const ItemRecord* a, const ItemRecord* b) {
            return CompareTimes(a->param, b->param, 0) < 0;
        });
    }
    // Keys compare as the labels do, in a fraction of the time; a label
    // without one has the level compared label by label.
    bool keyed = true;
    for (ItemRecord* child : children)
        keyed = HasNameKey(child) && keyed;
    if (keyed) {
        return sortBy([](const ItemRecord* a, const ItemRecord* b) {
            return a->nameKey < b->nameKey;
        });
    }
    return sortBy([](const ItemRecord* a, const ItemRecord* b) {
        return lstrcmpiW(a->label.Text(), b->label.Text()) < 0;
    });
}

void NoteTree::SortChildrenBy(HTREEITEM item, int32_t mode)
{
    topLevelOrdered = false;
    ++edits;
    // A level already in order is left alone: the control's sort would
    // leave it as it is, at the cost of a search of all its items.
    if (Record(item) && !OrderRecordedChildren(item, mode))
        return;
    if (mode != 0)
        SortByTime(controlWindow, item);
    else
        SendMessageW(controlWindow, TVM_SORTCHILDREN, 0, reinterpret_cast<LPARAM>(item));
}

void NoteTree::SortChildren(HTREEITEM item)
{
    SortChildrenBy(item, sortMode);
}

void NoteTree::SortTree(HTREEITEM start)
{
    // Each level is ordered before the walk descends into it; the walk
    // reads the tree's own record of the items.
    const ItemRecord* first = Record(start);
    const ItemRecord* parent = first ? Record(first->parent) : nullptr;
    if (!parent)
        return;
    const std::vector<ItemRecord*> siblings = parent->children;
    auto at = std::find(siblings.begin(), siblings.end(), first);
    for (auto sibling = siblings.end(); sibling != at;)
        sortStack.push_back(*--sibling);
    while (!sortStack.empty()) {
        const ItemRecord* record = sortStack.back();
        sortStack.pop_back();
        if (record->kind != kKindFolder)
            continue;
        SortChildren(record->item);
        for (auto child = record->children.rbegin(); child != record->children.rend(); ++child)
            sortStack.push_back(*child);
    }
}

bool NoteTree::MakeNameKeys(DWORD budget)
{
    const double started = Milliseconds();
    for (size_t made = 1; !keylessItems.empty(); ++made) {
        if (ItemRecord* record = records.Find(keylessItems.back()))
            HasNameKey(record);
        keylessItems.pop_back();
        // A key takes about 0.3 us: the clock is read every few hundred.
        if (made % 256 == 0 && Milliseconds() - started >= budget)
            break;
    }
    return !keylessItems.empty();
}

void NoteTree::ApplySortOrder()
{
    // Only the top level: deeper levels keep their order until SortTree.
    // Every command asks for it, each typed character twice: when nothing
    // moved since the last time, the order is already there.
    if (topLevelOrdered && topLevelOrder == sortOrder)
        return;
    if (sortOrder == 0 || sortOrder == 1)
        SortChildrenBy(rootItem, static_cast<int32_t>(sortOrder));
    topLevelOrdered = true;
    topLevelOrder = sortOrder;
}
