#include "tree/note_tree.h"

#include "base/device_files.h"
#include "shell/app_state.h"

#include <algorithm>
#include <deque>
#include <string>

namespace {

struct FolderEntry {
    std::wstring name;
    DWORD attributes;
    uint32_t time;   // high 32 bits of the creation time
    std::wstring alias;  // the short name, for a name paths cannot carry
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

// Puts a folder's entries, given in enumeration order, into the order that
// inserting them one by one with TVI_SORT leaves: the control's collation
// (lstrcmpW, compared here through the same locale's sort keys), and within
// a run it calls equal, the first one inserted first and every later one
// straight after it, so the rest in reverse. Inserting them at the end in
// this order costs nothing per sibling, where sorted insertion walks all
// siblings for every item.
void OrderAsSortedInsertion(std::vector<FolderEntry>& entries)
{
    const LCID locale = GetThreadLocale();
    std::vector<std::string> keys(entries.size());
    std::vector<size_t> order(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        order[i] = i;
        const wchar_t* name = entries[i].name.c_str();
        int size = LCMapStringW(locale, LCMAP_SORTKEY, name, -1, nullptr, 0);
        keys[i].resize(size > 0 ? size : 0);
        if (size > 0)
            LCMapStringW(locale, LCMAP_SORTKEY, name, -1,
                         reinterpret_cast<wchar_t*>(&keys[i][0]), size);
    }
    std::stable_sort(order.begin(), order.end(),
                     [&keys](size_t a, size_t b) { return keys[a] < keys[b]; });
    std::vector<FolderEntry> sorted;
    sorted.reserve(entries.size());
    size_t start = 0;
    while (start < order.size()) {
        size_t end = start + 1;
        while (end < order.size() && keys[order[start]] == keys[order[end]])
            ++end;
        sorted.push_back(std::move(entries[order[start]]));
        for (size_t i = end; i > start + 1; --i)
            sorted.push_back(std::move(entries[order[i - 1]]));
        start = end;
    }
    entries.swap(sorted);
}

}  // namespace

void EnsureNotesFolder()
{
    WideString folder = noteTree.documentsPrefix + noteTree.folderName;
    if (DeviceGetFileAttributes(folder.Text()) == INVALID_FILE_ATTRIBUTES) {
        if (!DeviceCreateDirectory(folder.Text()))
            ReportLastError();
    }
}

void NoteTree::ScanFolder(const WideString& pattern, HTREEITEM parent)
{
    if (scanStack.empty()) {
        rootItem = InsertItem(TVI_ROOT, folderName.Text(), TVI_FIRST, kKindFolder, 1, 0);
        parent = rootItem;
    }
    // Folders are listed breadth first: the control checks every parent
    // handle by searching its items in the order they were made, so parents
    // made early keep each insertion cheap. Each folder's entries still go
    // in at once, in their final order, so the tree is the same.
    std::deque<PendingFolder> pending;
    pending.push_back(PendingFolder{pattern, parent});
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
    WIN32_FIND_DATAW found;
    HANDLE search = DeviceFindFirstFile(current.pattern.Text(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    std::vector<FolderEntry> entries;
    do {
        entries.push_back(FolderEntry{found.cFileName, found.dwFileAttributes,
                                      found.ftCreationTime.dwHighDateTime,
                                      NameWorksInPaths(found.cFileName) ? L"" : found.cAlternateFileName});
    } while (DeviceFindNextFile(search, &found));
    DeviceFindClose(search);

    OrderAsSortedInsertion(entries);
    const WideString folder = current.pattern.DirectoryPart();
    const HTREEITEM parent = current.parent;
    // Without an item to hold them (the control refused the root) entries
    // would name paths outside the notes folder: none is shown.
    if (!parent)
        return;
    const HTREEITEM insertAfter = TVI_LAST;
    for (const FolderEntry& entry : entries) {
        if (IsFolder(entry)) {
            HTREEITEM item = InsertItem(parent, entry.name.c_str(), insertAfter, kKindFolder, 1,
                                        entry.time);
            // A folder the control refused has no item to hold its entries;
            // put beside the root they would name paths outside the notes
            // folder, so its contents stay out of the tree.
            if (!item) {
                ReportLastError();
                continue;
            }
            if (!entry.alias.empty())
                SetAlias(item, entry.alias.c_str());
            // A folder whose name paths cannot carry is entered through
            // its short name; without one it shows empty.
            const std::wstring pathName = entry.alias.empty() ? entry.name : entry.alias;
            if (!IsLink(entry) && NameWorksInPaths(pathName.c_str()))
                pending->push_back(
                    PendingFolder{folder + WideString(pathName.c_str()) + patternSuffix, item});
        } else {
            HTREEITEM item = InsertItem(parent, entry.name.c_str(), insertAfter, kKindNote, 3, entry.time);
            if (item && !entry.alias.empty())
                SetAlias(item, entry.alias.c_str());
        }
    }
}
