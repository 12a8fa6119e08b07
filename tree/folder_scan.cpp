#include "tree/note_tree.h"

#include "base/device_files.h"
#include "shell/app_state.h"

#include <algorithm>
#include <string>

namespace {

struct FolderEntry {
    std::wstring name;
    DWORD attributes;
    uint32_t time;   // high 32 bits of the creation time
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
// (lstrcmpW), and within a run it calls equal, the first one inserted first
// and every later one straight after it, so the rest in reverse. Inserting
// them at the end in this order costs nothing per sibling, where sorted
// insertion walks all siblings for every item.
void OrderAsSortedInsertion(std::vector<FolderEntry>& entries)
{
    std::stable_sort(entries.begin(), entries.end(),
                     [](const FolderEntry& a, const FolderEntry& b) {
                         return lstrcmpW(a.name.c_str(), b.name.c_str()) < 0;
                     });
    size_t start = 0;
    while (start < entries.size()) {
        size_t end = start + 1;
        while (end < entries.size() &&
               lstrcmpW(entries[start].name.c_str(), entries[end].name.c_str()) == 0)
            ++end;
        if (end - start > 2)
            std::reverse(entries.begin() + start + 1, entries.begin() + end);
        start = end;
    }
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
    const WideString folder = pattern.DirectoryPart();
    if (scanStack.empty()) {
        rootItem = InsertItem(TVI_ROOT, folderName.Text(), TVI_FIRST, kKindFolder, 1, 0);
        parent = rootItem;
    }

    WIN32_FIND_DATAW found;
    HANDLE search = DeviceFindFirstFile(pattern.Text(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    std::vector<FolderEntry> entries;
    do {
        entries.push_back(
            FolderEntry{found.cFileName, found.dwFileAttributes, found.ftCreationTime.dwHighDateTime});
    } while (DeviceFindNextFile(search, &found));
    DeviceFindClose(search);

    OrderAsSortedInsertion(entries);
    // Entries of a folder the control refused land beside the root, at
    // their sorted place there.
    HTREEITEM insertAfter = parent ? TVI_LAST : TVI_SORT;
    for (const FolderEntry& entry : entries) {
        if (IsFolder(entry)) {
            scanStack.push_back(parent);
            HTREEITEM item = InsertItem(parent, entry.name.c_str(), insertAfter, kKindFolder, 1,
                                        entry.time);
            if (!item)
                ReportLastError();
            if (!IsLink(entry))
                ScanFolder(folder + WideString(entry.name.c_str()) + patternSuffix, item);
            parent = scanStack.back();
            scanStack.pop_back();
        } else {
            InsertItem(parent, entry.name.c_str(), insertAfter, kKindNote, 3, entry.time);
        }
    }
}
