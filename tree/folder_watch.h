// Watching the notes folder for changes made by other programs: a thread
// waits on the platform's change notifications and tells the main window
// which entries changed; the window has the tree look at each of them
// again, and list again only the folders where more changed than a
// notification could hold, a slice of work at a time.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "notes/folder_listing.h"

// A folder's entries, read on a thread of its own, and the time the window
// gives the refresh at a turn (folder_refresh.cpp).
struct FolderReading;
struct Slice;

class FolderWatch {
public:
    FolderWatch();
    ~FolderWatch();

    // Starts watching the host folder and everything in it; each batch of
    // changes posts message to window once, until TakeChanges is called.
    // Under Wine a watch sees into the folders made after it started, and
    // into those opened while it runs: each folder that exists already
    // (given by its host path) is opened once.
    bool Start(const std::wstring& hostFolder, const std::vector<std::wstring>& subfolders,
               HWND window, UINT message);
    void Stop();
    bool Running() const { return thread != nullptr; }

    // Whether the watch is to be started again, and everything listed
    // once: its thread ended (the system gave up waiting), another program
    // renamed a folder (the platform then reports what changes inside it
    // under the old name, or nothing), or, when checkFolder is set, the
    // watched folder is no longer the one the watch started on (renamed
    // away or deleted, and another made in its place: the watch would
    // follow the old one without an error). checkFolder opens the folder:
    // about half a millisecond.
    bool NeedsRestart(bool checkFolder);

    // The entries that changed, relative to the watched one (names
    // separated by "\"), and the folders ("" for the watched one) under
    // which more changed than a notification could hold, to be listed again
    // with all they hold.
    void TakeChanges(std::set<std::wstring>* entries, std::set<std::wstring>* overflowed);

    // Brings the tree in step with what changed, for about budget
    // milliseconds; true when work is left for another turn. Each entry
    // named by a notification is read on its own; a folder is listed again
    // only where notifications overflowed, at the start, or when a folder
    // is new: read on a thread of the system's pool, its items brought in
    // step a few at a time.
    bool RefreshChangedFolders(DWORD budget);

    // An item whose entry a command found gone or no longer the one
    // chosen: at the next refresh it goes (even while selected) when its
    // entry is gone, and its folder is listed again. Asks the window
    // for that refresh at once (message with wParam 1); never changes the
    // tree itself, since the command may be inside a box, a menu or a
    // label edit that holds the item.
    void LetGo(HTREEITEM item);
    // A folder to be listed again at the next refresh, asked for at once.
    void RelistSoon(HTREEITEM folder);

    // Whether the selected item holds what is not yet safe on disk (text
    // typed into the open note): only then do it and the folders on its
    // way up stay in the tree after another program removed them, until
    // that text is saved. Set by the window that owns the editor.
    bool (*selectionUnsaved)() = nullptr;

private:
    static DWORD WINAPI ThreadProc(void* self);
    void Run();
    void Note(const std::wstring& path, bool overflowed);
    void NoteRename(const std::wstring& name);

    std::wstring root;
    // A handle of the watched folder as the thread opened it, to compare
    // with a fresh open of its path; null until then.
    HANDLE watched = nullptr;
    bool folderRenamed = false;
    std::vector<std::wstring> subfolders;
    HANDLE stopEvent;
    HANDLE thread;
    HWND window;
    UINT message;
    CRITICAL_SECTION lock;
    std::set<std::wstring> changed;
    std::set<std::wstring> overflow;
    bool posted;

    // The rest belongs to the main window's thread.
    struct GoneItem {
        HTREEITEM item;
        HTREEITEM parent;
        std::wstring label;
    };
    std::vector<GoneItem> gone;   // from LetGo

    // A folder being listed again: its entries read away from the window
    // (under Wine the first answer of a listing holds the whole folder's
    // work: 70 to 90 ms at 40,000 notes), then the items brought in step
    // with them a few at a time. When the tree changed in between (a
    // command, a sort), what is to be done is worked out again from the
    // entries read.
    struct Relisting {
        HTREEITEM folder = nullptr;
        std::shared_ptr<FolderReading> reading;
        bool planned = false;
        bool waiting = false;          // for the reading's thread
        uint32_t edits = 0;           // the tree's edit count after the last turn
        std::vector<HTREEITEM> remove;
        std::vector<size_t> add;       // in reading's entries, in the order of insertion
        bool append = false;           // the folder was empty: each goes at its end
        size_t next = 0;               // in remove, then in add
    };
    void QueueFolder(HTREEITEM folder);
    void QueueSubtree(HTREEITEM top);
    void QueueEntry(const std::wstring& path);
    void LetGoNow();
    // The relisting's work until the slice is over; true when it is
    // finished.
    bool Relist(Relisting& job, const Slice& slice);
    void PlanRelisting(Relisting& job);
    // Looks at one changed entry of the notes folder (its path as the
    // platform reported it).
    void CheckEntry(const std::wstring& path);
    // Looks at the entry of that name in the folder item; false when the
    // tree already showed it as it is (or showed nothing, and there is none).
    bool CheckEntryIn(HTREEITEM folder, const std::wstring& name);
    // Puts an entry's item at its place in the order in force; a folder
    // is listed after.
    void InsertEntry(HTREEITEM folder, const ListedEntry& entry, bool atEnd);

    std::deque<HTREEITEM> folderQueue;
    std::unordered_set<HTREEITEM> queuedFolders;
    std::unique_ptr<Relisting> relisting;
    std::deque<std::wstring> entryQueue;
    std::unordered_set<std::wstring> queuedEntries;
    // Folder items their folder's listing found in their place (as the
    // entry of this index), since the last change the watch reported: a
    // relisting of one needs no look at its place of its own.
    std::unordered_map<HTREEITEM, uint64_t> placesConfirmed;
};

extern FolderWatch folderWatch;

// The call the watch waits on: ReadDirectoryChangesW, unless a test puts in
// one that fails, as the system's may.
typedef BOOL(WINAPI* ChangeReader)(HANDLE, void*, DWORD, BOOL, DWORD, DWORD*, OVERLAPPED*,
                                   LPOVERLAPPED_COMPLETION_ROUTINE);
void SetChangeReader(ChangeReader reader);
