// The main window's side of the watch: the tree brought in step with what
// other programs changed, a slice of work at a time, so the window keeps
// answering in between. One changed entry costs a read of that entry; a
// folder is listed again (read on another thread) only when it is new, at
// the watch's start, and where notifications overflowed or named many of
// its entries at once.
#include "tree/folder_watch.h"

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

// The folder part of a path the watch reported. Names from other systems
// may hold a "\" too: used only to group what changed together.
std::wstring FolderOf(const std::wstring& path)
{
    const size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator);
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

// The tree shows the disk, but for the open note with text not yet saved:
// it and every folder on its way up stay while it is chosen (an open note
// renamed away keeps its text until the save puts it somewhere safe).
std::unordered_set<HTREEITEM> HeldItems()
{
    std::unordered_set<HTREEITEM> held;
    if (!folderWatch.selectionUnsaved || !folderWatch.selectionUnsaved())
        return held;
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
    if (ReadListedEntry(noteTree.EntryOf(record->parent), record->label.Text(), &entry) != 0)
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

// The deepest folder item on the way of a path the watch reported.
HTREEITEM DeepestFolderItem(const std::wstring& path)
{
    HTREEITEM folder = noteTree.rootItem;
    for (size_t start = 0; start < path.size();) {
        size_t end = path.find_first_of(L"\\/", start);
        if (end == std::wstring::npos)
            end = path.size();
        const ItemRecord* record = noteTree.Record(folder);
        const ItemRecord* child =
            record ? ChildNamed(*record, path.substr(start, end - start)) : nullptr;
        if (!child || child->kind != kKindFolder)
            break;
        folder = child->item;
        start = end + 1;
    }
    return folder;
}

}  // namespace

double Milliseconds()
{
    static LARGE_INTEGER frequency = {};
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

struct Slice {
    double started;
    DWORD budget;
    bool Over() const { return Milliseconds() - started >= budget; }
};

struct FolderReading {
    NoteEntry folder;
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
    FolderListing listing(reading.folder);
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
        if (!EntryPresent(noteTree.EntryOf(each.item)))
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
    // The watch overflows as a whole: everything is listed again.
    if (!overflowed.empty())
        QueueSubtree(noteTree.rootItem);
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
        QueueFolder(DeepestFolderItem(folder.first));
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
        job.reading->folder = noteTree.EntryOf(job.folder);
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
    if (!isFolder)
        return;
    if (IsLink(entry))
        noteTree.SetClosed(item);
    else
        QueueFolder(item);
}

void FolderWatch::CheckEntry(const std::wstring& path)
{
    // The folders of the path the tree shows, from the root down. The
    // platform joins names with "\\", and a name made on another system may
    // hold one too: "back\\slash" is a note in folder "back" or a note of
    // that name beside it. The deepest reading is looked at first; a
    // shallower one when the deeper showed nothing new, or the folder shows
    // an item of that name.
    std::vector<std::wstring> names;
    for (size_t start = 0;;) {
        const size_t end = path.find_first_of(L"\\/", start);
        names.push_back(path.substr(start, end == std::wstring::npos ? std::wstring::npos
                                                                     : end - start));
        if (end == std::wstring::npos)
            break;
        start = end + 1;
    }
    std::vector<HTREEITEM> folders{noteTree.rootItem};
    for (size_t i = 0; i + 1 < names.size(); ++i) {
        const ItemRecord* record = noteTree.Record(folders.back());
        const ItemRecord* child = record ? ChildNamed(*record, names[i]) : nullptr;
        if (!child || child->kind != kKindFolder || child->closed)
            break;
        folders.push_back(child->item);
    }
    bool seenNew = false;
    for (size_t depth = folders.size(); depth-- > 0;) {
        std::wstring name = names[depth];
        for (size_t i = depth + 1; i < names.size(); ++i)
            name += L"\\" + names[i];
        const ItemRecord* record = noteTree.Record(folders[depth]);
        if (!record)
            continue;
        if (seenNew && !ChildNamed(*record, name))
            continue;
        // A folder new to the tree comes with everything in it.
        if (depth + 1 == folders.size() && depth + 1 < names.size() &&
            CheckEntryIn(folders[depth], names[depth])) {
            seenNew = true;
            continue;
        }
        seenNew = CheckEntryIn(folders[depth], name) || seenNew;
    }
}

bool FolderWatch::CheckEntryIn(HTREEITEM folder, const std::wstring& name)
{
    const ItemRecord* record = noteTree.Record(folder);
    if (name.empty() || !record || record->closed)
        return false;
    if (!FolderStillAtItsPlace(folder)) {
        QueueFolder(record->parent);
        return true;
    }
    ListedEntry entry;
    const DWORD error = ReadListedEntry(noteTree.EntryOf(folder), name, &entry);
    const ItemRecord* child = ChildNamed(*record, name);
    const bool held = child && HeldItems().count(child->item);
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
        if (child && !held)
            noteTree.DeleteItem(child->item);
        return child != nullptr;
    }
    if (error) {
        QueueFolder(folder);
        return true;
    }
    if (child && FolderSwapped(*child, entry)) {
        if (held)
            return true;
        noteTree.DeleteItem(child->item);
        InsertEntry(folder, entry, false);
        return true;
    }
    if (child && (child->kind == kKindFolder) == IsFolder(entry)) {
        const bool same = child->id == entry.id;
        noteTree.SetEntryId(child->item, entry.id);
        return !same;
    }
    if (held)
        return true;
    if (child)
        noteTree.DeleteItem(child->item);
    InsertEntry(folder, entry, false);
    return true;
}
