// The main window's side of the watch: the tree brought in step with what
// other programs changed, a slice of work at a time, so the window keeps
// answering in between. One changed entry costs a read of that entry; a
// folder is listed again (read on another thread) only when it is new, at
// the watch's start, and where notifications overflowed or named many of
// its entries at once.
#include "tree/folder_watch.h"

#include "base/device_files.h"
#include "tree/note_tree.h"

#include <atomic>
#include <map>
#include <unordered_map>

namespace {

// More entries than this changed in one folder at once (a sync writing a
// burst): the folder is listed again instead, away from the window. Under
// Wine reading one entry that is gone costs a pass over its whole folder
// (15 ms at 40,000 notes).
const size_t kEntriesBeforeListing = 8;

// A folder of at most this many items is read without leaving the window's
// thread (about 1.5 ms under Wine).
const size_t kReadAtOnce = 200;

std::wstring FolderOf(const std::wstring& path)
{
    const size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator);
}

// Milliseconds of the performance counter: GetTickCount moves in steps of
// 15.6 ms under Wine, a third of a slice.
double Milliseconds()
{
    static LARGE_INTEGER frequency = {};
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

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

// A folder item whose entry is now another folder (another program moved
// it away and put a new one, or a link, in its place): what the item shows
// is not what that place holds, so it is not listed through it. A folder's
// identity is its index alone; its time changes with what it holds.
bool FolderSwapped(const ItemRecord& item, const ListedEntry& entry)
{
    if (item.kind != kKindFolder || item.closed)
        return false;
    if (IsLink(entry))
        return true;
    return item.id.Known() && entry.id.Known() && item.id.index != entry.id.index;
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

// Whether a folder item's place still holds the folder it was listed as
// (not a link, not another folder): only then is anything listed through it.
bool FolderStillAtItsPlace(HTREEITEM folder)
{
    const ItemRecord* record = noteTree.Record(folder);
    if (!record || folder == noteTree.rootItem || !record->parent)
        return true;
    const ItemRecord* parent = noteTree.Record(record->parent);
    if (!parent || record->parent == TVI_ROOT)
        return true;
    ListedEntry entry;
    if (ReadListedEntry(HostFolder(record->parent), record->label.Text(), &entry) != 0)
        return false;
    return !FolderSwapped(*record, entry);
}

// Whether the entry goes before the item in the order in force.
bool ComesBefore(const ListedEntry& entry, const ItemRecord& item)
{
    if (noteTree.sortOrder == 1)
        return CompareTimes(TimeOf(entry), item.param, 0) < 0;
    return lstrcmpiW(entry.name.c_str(), item.label.Text()) < 0;
}

}  // namespace

struct Slice {
    double started;
    DWORD budget;
    bool Over() const { return Milliseconds() - started >= budget; }
};

struct FolderReading {
    std::wstring host;
    bool inOrder = false;   // the folder was empty: the order of insertion is wanted
    HWND window = nullptr;
    UINT message = 0;
    // Filled by the reading's thread; the window's reads them once done.
    std::vector<ListedEntry> entries;
    std::unordered_map<std::wstring, size_t> byName;
    std::vector<size_t> order;
    DWORD error = 0;
    std::atomic<bool> done{false};
};

namespace {

// Reads the folder, away from the window, and asks the window to go on.
DWORD WINAPI ReadFolderAway(void* parameter)
{
    std::unique_ptr<std::shared_ptr<FolderReading>> held(
        static_cast<std::shared_ptr<FolderReading>*>(parameter));
    FolderReading& reading = **held;
    FolderListing listing(reading.host);
    if (!listing.ReadAll(&reading.entries))
        reading.error = listing.Error() ? listing.Error() : ERROR_READ_FAULT;
    reading.byName.reserve(reading.entries.size());
    for (size_t i = 0; i < reading.entries.size(); ++i)
        reading.byName.emplace(reading.entries[i].name, i);
    if (reading.inOrder) {
        std::vector<const wchar_t*> names(reading.entries.size());
        for (size_t i = 0; i < names.size(); ++i)
            names[i] = reading.entries[i].name.c_str();
        reading.order = SortedInsertionOrder(names);
    }
    reading.done = true;
    if (reading.window)
        PostMessageW(reading.window, reading.message, 1, 0);
    return 0;
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

void FolderWatch::RelistSoon(HTREEITEM folder)
{
    QueueFolder(folder);
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
        if (DeviceGetFileAttributes(path.Text()) == INVALID_FILE_ATTRIBUTES)
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
    const Slice slice = {Milliseconds(), budget};
    if (!gone.empty())
        placesConfirmed.clear();
    LetGoNow();
    std::set<std::wstring> entries;
    std::set<std::wstring> overflowed;
    TakeChanges(&entries, &overflowed);
    // What changed since may be a folder in another's place.
    if (!entries.empty() || !overflowed.empty())
        placesConfirmed.clear();
    for (const std::wstring& folder : overflowed)
        QueueSubtree(noteTree.FolderItemFor(folder));
    std::map<std::wstring, std::vector<const std::wstring*>> byFolder;
    for (const std::wstring& path : entries)
        byFolder[FolderOf(path)].push_back(&path);
    for (const auto& folder : byFolder) {
        if (folder.second.size() <= kEntriesBeforeListing) {
            for (const std::wstring* path : folder.second)
                QueueEntry(*path);
            continue;
        }
        // What is queued for the folder already comes with its listing.
        std::deque<std::wstring> rest;
        for (std::wstring& path : entryQueue) {
            if (FolderOf(path) == folder.first)
                queuedEntries.erase(path);
            else
                rest.push_back(std::move(path));
        }
        entryQueue.swap(rest);
        QueueFolder(noteTree.FolderItemFor(folder.first));
    }
    // Folders first: an entry that changed while its folder was being read
    // is looked at after the listing is in.
    while (!slice.Over()) {
        if (relisting) {
            if (Relist(*relisting, slice))
                relisting.reset();
            else if (relisting->waiting)
                return false;   // the reading's thread asks for the next turn
            else
                break;          // the rest starts a turn of its own
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

bool FolderWatch::Relist(Relisting& job, const Slice& slice)
{
    const ItemRecord* record = noteTree.Record(job.folder);
    if (!record || record->kind != kKindFolder || record->closed)
        return true;
    if (!job.reading) {
        job.reading = std::make_shared<FolderReading>();
        job.reading->host = HostFolder(job.folder);
        job.reading->inOrder = record->children.empty();
        // A folder known to be small is read at once: a trip through
        // another thread would cost more. What a new folder holds is not
        // known.
        auto* held = new std::shared_ptr<FolderReading>(job.reading);
        if (record->children.empty() || record->children.size() > kReadAtOnce) {
            job.reading->window = window;
            job.reading->message = message;
            if (QueueUserWorkItem(ReadFolderAway, held, WT_EXECUTEDEFAULT))
                held = nullptr;
            else
                job.reading->window = nullptr;
        }
        if (held)
            ReadFolderAway(held);
    }
    if (!job.reading->done) {
        job.waiting = true;
        return false;
    }
    job.waiting = false;
    // A folder that is gone itself is left to its own folder.
    if (job.reading->error)
        return true;
    if (!job.planned || job.edits != noteTree.edits) {
        // Working it out takes up to half a slice in a large folder: it
        // starts a slice of its own.
        if (Milliseconds() - slice.started >= slice.budget / 2.0)
            return false;
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
        InsertEntry(job.folder, job.reading->entries[job.add[job.next - job.remove.size()]],
                    job.append);
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
    const FolderReading& reading = *job.reading;
    job.planned = true;
    job.next = 0;
    job.remove.clear();
    job.add.clear();
    // A folder swapped for another (or a link) is not listed through; the
    // change in its own folder replaces its item. Its folder's listing,
    // with nothing reported since, has shown it in its place already.
    auto confirmed = placesConfirmed.find(job.folder);
    const bool inPlace = confirmed != placesConfirmed.end() && record.id.Known() &&
                         confirmed->second == record.id.index;
    if (!inPlace && !FolderStillAtItsPlace(job.folder)) {
        job.edits = noteTree.edits;
        return;
    }
    // Items whose entry is still there, same name and same kind, stay; the
    // selected item and what holds it stay too, and an entry of the same
    // name is not shown twice.
    std::vector<bool> shown(reading.entries.size(), false);
    const std::unordered_set<HTREEITEM> held = HeldItems();
    std::wstring label;
    for (const ItemRecord* child : record.children) {
        label = child->label.Text();
        auto found = reading.byName.find(label);
        const ListedEntry* entry = found != reading.byName.end() ? &reading.entries[found->second] : nullptr;
        // A second item of one name (there is one entry of each) goes.
        if (entry && shown[found->second])
            entry = nullptr;
        if (entry && FolderSwapped(*child, *entry)) {
            if (held.count(child->item)) {
                // Kept, with the identity it was listed with, for what the
                // user has open; it is replaced once let go.
                shown[found->second] = true;
                continue;
            }
            entry = nullptr;
        }
        if (entry && (child->kind == kKindFolder) == IsFolder(*entry)) {
            shown[found->second] = true;
            noteTree.SetEntryId(child->item, entry->id);
            if (child->kind == kKindFolder && entry->id.Known())
                placesConfirmed[child->item] = entry->id.index;
            if (!NameWorksInPaths(entry->name.c_str()))
                noteTree.SetAlias(child->item, ListedShortName(reading.host, entry->name).c_str());
            continue;
        }
        if (held.count(child->item)) {
            // Kept as it is: an entry of the same name is not shown twice.
            if (entry)
                shown[found->second] = true;
            continue;
        }
        job.remove.push_back(child->item);
    }
    // Into an empty folder everything goes at the end, in the order sorted
    // insertion leaves; elsewhere each goes at its place.
    job.append = record.children.empty() && reading.inOrder;
    if (job.append) {
        for (size_t i : reading.order)
            if (!shown[i])
                job.add.push_back(i);
    } else {
        for (size_t i = 0; i < reading.entries.size(); ++i)
            if (!shown[i])
                job.add.push_back(i);
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
    // A folder the control refused has no item to hold its entries; the
    // shell says why.
    if (!item) {
        if (isFolder)
            noteTree.failures.push_back(Outcome::LastError());
        return;
    }
    noteTree.SetEntryId(item, entry.id);
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
    if (!FolderStillAtItsPlace(folder)) {
        QueueFolder(record->parent);
        return;
    }
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
    if (child && FolderSwapped(*child, entry)) {
        if (held)
            return;
        noteTree.DeleteItem(child->item);
        InsertEntry(folder, entry, false);
        return;
    }
    if (child && (child->kind == kKindFolder) == IsFolder(entry)) {
        noteTree.SetEntryId(child->item, entry.id);
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
