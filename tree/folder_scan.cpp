#include "tree/note_tree.h"

#include "tree/folder_watch.h"
#include "notes/folder_listing.h"

#include <algorithm>
#include <deque>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace {

struct FolderEntry {
    std::wstring name;
    DWORD attributes;
    uint32_t time;   // high 32 bits of the creation time
    EntryId id;
};

bool IsFolder(const FolderEntry& entry)
{
    return (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// A link to a folder (a junction, or a Unix symlink under Wine) may lead
// back up the tree or out of the notes folder: it is shown, never entered.
bool IsLink(const FolderEntry& entry)
{
    return (entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

void OrderAsSortedInsertion(std::vector<FolderEntry>& entries)
{
    std::vector<const wchar_t*> names(entries.size());
    for (size_t i = 0; i < entries.size(); ++i)
        names[i] = entries[i].name.c_str();
    const std::vector<size_t> order = SortedInsertionOrder(names);
    std::vector<FolderEntry> sorted;
    sorted.reserve(entries.size());
    for (size_t i : order)
        sorted.push_back(std::move(entries[i]));
    entries.swap(sorted);
}

// A folder's entries in the order the platform lists them, each with its
// identity; false when the folder cannot be listed.
bool ReadFolder(const NoteEntry& folder, std::vector<FolderEntry>* entries)
{
    FolderListing listing(folder);
    std::vector<ListedEntry> batch;
    while (listing.NextBatch(&batch)) {
        for (ListedEntry& listed : batch) {
            entries->push_back(FolderEntry{std::move(listed.name), listed.attributes,
                                           static_cast<uint32_t>(
                                               static_cast<uint64_t>(listed.id.created) >> 32),
                                           listed.id});
        }
    }
    const DWORD error = listing.Error();
    return error == 0 || error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES;
}

}  // namespace

std::vector<size_t> SortedInsertionOrder(const std::vector<const wchar_t*>& names)
{
    std::vector<std::string> keys(names.size());
    std::vector<size_t> order(names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        order[i] = i;
        MakeSortKey(names[i], 0, &keys[i]);
    }
    std::stable_sort(order.begin(), order.end(),
                     [&keys](size_t a, size_t b) { return keys[a] < keys[b]; });
    std::vector<size_t> inserted;
    inserted.reserve(order.size());
    size_t start = 0;
    while (start < order.size()) {
        size_t end = start + 1;
        while (end < order.size() && keys[order[start]] == keys[order[end]])
            ++end;
        inserted.push_back(order[start]);
        for (size_t i = end; i > start + 1; --i)
            inserted.push_back(order[i - 1]);
        start = end;
    }
    return inserted;
}

void NoteTree::ScanFolder(HTREEITEM parent)
{
    if (scanStack.empty()) {
        rootItem = InsertItem(TVI_ROOT, folderName.Text(), TVI_FIRST, kKindFolder, 1, 0);
        parent = rootItem;
        OpenedEntry root;
        if (OpenEntry(NoteEntry(), FILE_READ_ATTRIBUTES, &root).Done())
            SetEntryId(rootItem, root.id);
    }
    ScanInto(parent);
}

std::vector<Outcome> NoteTree::TakeFailures()
{
    std::vector<Outcome> taken;
    taken.swap(failures);
    return taken;
}

void NoteTree::ScanInto(HTREEITEM parent)
{
    // Folders are listed breadth first: the control checks every parent
    // handle by searching its items in the order they were made, so parents
    // made early keep each insertion cheap. Each folder's entries still go
    // in at once, in their final order, so the tree is the same.
    std::deque<PendingFolder> pending;
    pending.push_back(PendingFolder{parent});
    while (!pending.empty()) {
        const PendingFolder current = pending.front();
        pending.pop_front();
        scanStack.push_back(current.parent);
        ListFolder(current, &pending);
        scanStack.pop_back();
    }
}

void NoteTree::ListFolder(const PendingFolder& current, std::deque<PendingFolder>* pending)
{
    const HTREEITEM parent = current.parent;
    // Without an item to hold them (the control refused the root) nothing
    // is shown.
    if (!parent)
        return;
    std::vector<FolderEntry> entries;
    if (!ReadFolder(EntryOf(parent), &entries))
        return;
    OrderAsSortedInsertion(entries);
    const HTREEITEM insertAfter = TVI_LAST;
    for (const FolderEntry& entry : entries) {
        if (IsFolder(entry)) {
            HTREEITEM item = InsertItem(parent, entry.name.c_str(), insertAfter, kKindFolder, 1,
                                        entry.time);
            // A folder the control refused has no item to hold its entries;
            // put beside the root they would name paths outside the notes
            // folder, so its contents stay out of the tree.
            if (!item) {
                failures.push_back(Outcome::LastError());
                continue;
            }
            SetEntryId(item, entry.id);
            // A folder whose name no path can carry (made on another system,
            // with no short name) lists as empty.
            if (IsLink(entry))
                SetClosed(item);
            else
                pending->push_back(PendingFolder{item});
        } else {
            HTREEITEM item = InsertItem(parent, entry.name.c_str(), insertAfter, kKindNote, 3, entry.time);
            if (item)
                SetEntryId(item, entry.id);
        }
    }
}

HTREEITEM NoteTree::FolderItemFor(const NoteEntry& address)
{
    std::vector<std::wstring> names = address.folders;
    if (!address.name.empty())
        names.push_back(address.name);
    HTREEITEM folder = rootItem;
    for (const std::wstring& name : names) {
        const ItemRecord* record = Record(folder);
        if (!record)
            break;
        HTREEITEM next = nullptr;
        for (const ItemRecord* own : record->children) {
            if (own->kind == kKindFolder && name == own->label.Text()) {
                next = own->item;
                break;
            }
        }
        if (!next)
            break;
        folder = next;
    }
    return folder;
}

std::vector<HTREEITEM> NoteTree::FolderItems()
{
    std::vector<HTREEITEM> folders;
    if (Record(rootItem))
        folders.push_back(rootItem);
    for (size_t i = 0; i < folders.size(); ++i) {
        for (const ItemRecord* record : Record(folders[i])->children) {
            if (record->kind == kKindFolder && !record->closed)
                folders.push_back(record->item);
        }
    }
    return folders;
}

void NoteTree::RefreshIfGone(HTREEITEM item)
{
    const ItemRecord* record = Record(item);
    if (!record || item == rootItem)
        return;
    if (!EntryPresent(EntryOf(item)))
        folderWatch.LetGo(item);
}
