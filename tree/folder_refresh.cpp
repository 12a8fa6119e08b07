// The main window's side of the watch: the tree brought in step with what
// other programs changed, a slice of work at a time, so the window keeps
// answering in between. One changed entry costs a read of that entry; a
// folder is listed again, a batch at a time, only when it is new, at the
// watch's start and where notifications overflowed.
#include "tree/folder_watch.h"

#include "base/device_files.h"
#include "shell/app_state.h"
#include "tree/note_tree.h"

#include <algorithm>
#include <unordered_map>

namespace {

struct Slice {
    DWORD started;
    DWORD budget;
    bool Over() const { return GetTickCount() - started >= budget; }
};

bool IsFolder(const ListedEntry& entry)
{
    return (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// A link to a folder may lead back up the tree or out of the notes folder:
// it is shown, never entered.
bool IsLink(const ListedEntry& entry)
{
    return (entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// The by-date order's key, as the scan keeps it: the creation time's high
// 32 bits.
uint32_t TimeOf(const ListedEntry& entry)
{
    return static_cast<uint32_t>(static_cast<uint64_t>(entry.id.created) >> 32);
}

std::wstring HostFolder(HTREEITEM folder)
{
    std::wstring path = TranslateDevicePath(noteTree.FolderPath(folder).Text());
    if (!path.empty() && (path.back() == L'\\' || path.back() == L'/'))
        path.pop_back();
    return path;
}

// The selected item and every folder on its way up stay while it is chosen
// (an open note renamed away keeps its text).
std::unordered_set<HTREEITEM> HeldItems()
{
    std::unordered_set<HTREEITEM> held;
    for (HTREEITEM item = noteTree.GetSelected(); item && noteTree.Record(item);
         item = noteTree.Record(item)->parent)
        held.insert(item);
    return held;
}

const ItemRecord* ChildNamed(const ItemRecord& folder, const std::wstring& name)
{
    for (const ItemRecord* child : folder.children)
        if (name == child->label.Text())
            return child;
    return nullptr;
}

// Whether the entry goes before the item in the order in force.
bool ComesBefore(const ListedEntry& entry, const ItemRecord& item)
{
    if (app.sortOrder == 1)
        return CompareTimes(TimeOf(entry), item.param, 0) < 0;
    return lstrcmpiW(entry.name.c_str(), item.label.Text()) < 0;
}

}  // namespace

void FolderWatch::LetGo(HTREEITEM item)
{
    const ItemRecord* record = noteTree.Record(item);
    if (!record)
        return;
    gone.push_back(GoneItem{item, record->parent, record->label.Text()});
    if (window)
        PostMessageW(window, message, 1, 0);
}

void FolderWatch::LetGoNow()
{
    // An item handle may have been reused since: only the same item, still
    // gone from disk, is let go.
    std::vector<GoneItem> letGo;
    letGo.swap(gone);
    for (const GoneItem& each : letGo) {
        const ItemRecord* record = noteTree.Record(each.item);
        if (!record || record->parent != each.parent || each.label != record->label.Text())
            continue;
        const WideString path = noteTree.FolderPath(each.parent) + record->PathName();
        if (DeviceGetFileAttributes(path.Text()) != INVALID_FILE_ATTRIBUTES)
            continue;
        noteTree.DeleteItem(each.item);
        QueueFolder(each.parent);
    }
}

void FolderWatch::QueueFolder(HTREEITEM folder)
{
    if (folder && queuedFolders.insert(folder).second)
        folderQueue.push_back(folder);
}

void FolderWatch::QueueSubtree(HTREEITEM top)
{
    std::vector<HTREEITEM> folders;
    if (noteTree.Record(top))
        folders.push_back(top);
    for (size_t i = 0; i < folders.size(); ++i) {
        QueueFolder(folders[i]);
        for (const ItemRecord* child : noteTree.Record(folders[i])->children)
            if (child->kind == kKindFolder && !child->closed)
                folders.push_back(child->item);
    }
}

void FolderWatch::QueueEntry(const std::wstring& path)
{
    if (queuedEntries.insert(path).second)
        entryQueue.push_back(path);
}

bool FolderWatch::RefreshChangedFolders(DWORD budget)
{
    const Slice slice = {GetTickCount(), budget};
    LetGoNow();
    std::set<std::wstring> entries;
    std::set<std::wstring> overflowed;
    TakeChanges(&entries, &overflowed);
    for (const std::wstring& folder : overflowed)
        QueueSubtree(noteTree.FolderItemFor(folder));
    for (const std::wstring& path : entries)
        QueueEntry(path);
    // Folders first: an entry that changed while its folder was being read
    // is looked at after the listing is in.
    while (!slice.Over()) {
        if (relisting) {
            if (Relist(*relisting, slice.started, slice.budget))
                relisting.reset();
        } else if (!folderQueue.empty()) {
            relisting.reset(new Relisting);
            relisting->folder = folderQueue.front();
            folderQueue.pop_front();
            queuedFolders.erase(relisting->folder);
        } else if (!entryQueue.empty()) {
            const std::wstring path = entryQueue.front();
            entryQueue.pop_front();
            queuedEntries.erase(path);
            CheckEntry(path);
        } else {
            break;
        }
    }
    return relisting || !folderQueue.empty() || !entryQueue.empty();
}

bool FolderWatch::Relist(Relisting& job, DWORD started, DWORD budget)
{
    const Slice slice = {started, budget};
    const ItemRecord* record = noteTree.Record(job.folder);
    if (!record || record->kind != kKindFolder || record->closed)
        return true;
    if (!job.read) {
        if (!job.listing)
            job.listing.reset(new FolderListing(HostFolder(job.folder)));
        std::vector<ListedEntry> batch;
        while (job.listing->NextBatch(&batch)) {
            for (ListedEntry& entry : batch)
                job.entries.push_back(std::move(entry));
            if (slice.Over())
                return false;
        }
        // A folder that is gone itself is left to its own folder.
        if (job.listing->Error())
            return true;
        job.read = true;
        job.listing.reset();
        // Working out what to do takes a good part of a slice in a large
        // folder: it starts a slice of its own.
        if (GetTickCount() - started >= budget / 2)
            return false;
    }
    if (!job.planned || job.edits != noteTree.edits) {
        PlanRelisting(job);
        if (slice.Over()) {
            job.edits = noteTree.edits;
            return false;
        }
    }
    const std::unordered_set<HTREEITEM> held = HeldItems();
    for (; job.next < job.remove.size(); ++job.next) {
        const HTREEITEM item = job.remove[job.next];
        const ItemRecord* child = noteTree.Record(item);
        if (child && child->parent == job.folder && !held.count(item))
            noteTree.DeleteItem(item);
        if (slice.Over()) {
            ++job.next;
            job.edits = noteTree.edits;
            return false;
        }
    }
    for (; job.next < job.remove.size() + job.add.size(); ++job.next) {
        InsertEntry(job.folder, job.add[job.next - job.remove.size()], job.append);
        if (slice.Over()) {
            ++job.next;
            job.edits = noteTree.edits;
            return false;
        }
    }
    return true;
}

void FolderWatch::PlanRelisting(Relisting& job)
{
    const ItemRecord& record = *noteTree.Record(job.folder);
    job.planned = true;
    job.next = 0;
    job.remove.clear();
    job.add.clear();
    // Items whose entry is still there, same name and same kind, stay.
    std::unordered_map<std::wstring, const ItemRecord*> byLabel;
    for (const ItemRecord* child : record.children)
        byLabel.emplace(child->label.Text(), child);
    std::unordered_set<HTREEITEM> present;
    std::wstring host;
    for (const ListedEntry& entry : job.entries) {
        auto found = byLabel.find(entry.name);
        if (found != byLabel.end() && (found->second->kind == kKindFolder) == IsFolder(entry)) {
            present.insert(found->second->item);
            if (!NameWorksInPaths(entry.name.c_str())) {
                if (host.empty())
                    host = HostFolder(job.folder);
                noteTree.SetAlias(found->second->item, ListedShortName(host, entry.name).c_str());
            }
        } else {
            job.add.push_back(entry);
        }
    }
    const std::unordered_set<HTREEITEM> held = HeldItems();
    for (const ItemRecord* child : record.children) {
        if (present.count(child->item))
            continue;
        if (held.count(child->item)) {
            // Kept as it is: an entry of the same name is not shown twice.
            const std::wstring label = child->label.Text();
            job.add.erase(std::remove_if(job.add.begin(), job.add.end(),
                                         [&label](const ListedEntry& e) { return e.name == label; }),
                          job.add.end());
            continue;
        }
        job.remove.push_back(child->item);
    }
    // Into an empty folder everything goes at the end, in the order sorted
    // insertion leaves; elsewhere each goes at its place.
    job.append = record.children.empty();
    if (job.append) {
        std::vector<const wchar_t*> names(job.add.size());
        for (size_t i = 0; i < job.add.size(); ++i)
            names[i] = job.add[i].name.c_str();
        std::vector<ListedEntry> ordered;
        ordered.reserve(job.add.size());
        for (size_t i : SortedInsertionOrder(names))
            ordered.push_back(std::move(job.add[i]));
        job.add.swap(ordered);
    }
    job.edits = noteTree.edits;
}

void FolderWatch::InsertEntry(HTREEITEM folder, const ListedEntry& entry, bool atEnd)
{
    const ItemRecord* record = noteTree.Record(folder);
    if (!record)
        return;
    HTREEITEM after = TVI_LAST;
    if (!atEnd) {
        // The first child the entry comes before, found by halving: the
        // children are in the order in force.
        const std::vector<ItemRecord*>& children = record->children;
        size_t low = 0, high = children.size();
        while (low < high) {
            const size_t middle = (low + high) / 2;
            if (ComesBefore(entry, *children[middle]))
                high = middle;
            else
                low = middle + 1;
        }
        after = low == 0 ? TVI_FIRST : children[low - 1]->item;
    }
    const bool isFolder = IsFolder(entry);
    const HTREEITEM item = noteTree.InsertItem(folder, entry.name.c_str(), after,
                                               isFolder ? kKindFolder : kKindNote,
                                               isFolder ? 1 : 3, TimeOf(entry));
    if (!item)
        return;
    std::wstring pathName = entry.name;
    if (!NameWorksInPaths(entry.name.c_str())) {
        const std::wstring alias = ListedShortName(HostFolder(folder), entry.name);
        if (!alias.empty()) {
            noteTree.SetAlias(item, alias.c_str());
            pathName = alias;
        }
    }
    if (!isFolder)
        return;
    if (IsLink(entry) || !NameWorksInPaths(pathName.c_str()))
        noteTree.SetClosed(item);
    else
        QueueFolder(item);
}

void FolderWatch::CheckEntry(const std::wstring& path)
{
    // The deepest folder of the path the tree shows; the first name it
    // does not show is the entry looked at (a folder new to the tree comes
    // with everything in it).
    HTREEITEM folder = noteTree.rootItem;
    std::wstring name;
    for (size_t start = 0;;) {
        const size_t end = path.find_first_of(L"\\/", start);
        name = path.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        if (end == std::wstring::npos)
            break;
        const ItemRecord* record = noteTree.Record(folder);
        const ItemRecord* child = record ? ChildNamed(*record, name) : nullptr;
        if (!child || child->kind != kKindFolder || child->closed)
            break;
        folder = child->item;
        start = end + 1;
    }
    const ItemRecord* record = noteTree.Record(folder);
    if (name.empty() || !record || record->closed)
        return;
    const std::wstring host = HostFolder(folder);
    ListedEntry entry;
    const DWORD error = ReadListedEntry(host, name, &entry);
    const ItemRecord* child = ChildNamed(*record, name);
    const bool held = child && HeldItems().count(child->item);
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
        if (child && !held)
            noteTree.DeleteItem(child->item);
        return;
    }
    if (error) {
        QueueFolder(folder);
        return;
    }
    if (child && (child->kind == kKindFolder) == IsFolder(entry)) {
        if (!NameWorksInPaths(name.c_str()))
            noteTree.SetAlias(child->item, ListedShortName(host, name).c_str());
        return;
    }
    if (held)
        return;
    if (child)
        noteTree.DeleteItem(child->item);
    InsertEntry(folder, entry, false);
}
