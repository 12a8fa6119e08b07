// Watching the notes folder for changes made by other programs: a thread
// waits on the platform's change notifications and tells the main window
// which folders changed; the window has the tree list those folders again.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

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
    // away and another made in its place: the watch would follow the old
    // one without an error). checkFolder opens the folder: about half a
    // millisecond.
    bool NeedsRestart(bool checkFolder);

    // The folders that changed, relative to the watched one ("" for itself,
    // names separated by "\"), and those under which more changed than a
    // notification could hold, to be listed again with all they hold.
    void TakeChanges(std::set<std::wstring>* folders, std::set<std::wstring>* overflowed);

    // Brings the tree in step with the folders that changed, for about
    // budget milliseconds; true when folders are left for another turn.
    bool RefreshChangedFolders(DWORD budget);

    // An item whose entry a command found gone: at the next refresh it goes
    // (even while selected) and its folder is listed again. Asks the window
    // for that refresh at once (message with wParam 1); never changes the
    // tree itself, since the command may be inside a box, a menu or a
    // label edit that holds the item.
    void LetGo(HTREEITEM item);

private:
    static DWORD WINAPI ThreadProc(void* self);
    void Run();
    void Note(const std::wstring& folder, bool overflowed);
    void NoteRename(const std::wstring& name);

    std::wstring root;
    // The watched folder's file index and creation time, as the thread
    // opened it; 0 until then.
    uint64_t rootIndex = 0;
    uint64_t rootCreated = 0;
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
    std::vector<HTREEITEM> pendingFolders;   // the main window's, left to refresh
    struct GoneItem {
        HTREEITEM item;
        HTREEITEM parent;
        std::wstring label;
    };
    std::vector<GoneItem> gone;   // the main window's, from LetGo
};

extern FolderWatch folderWatch;

// The call the watch waits on: ReadDirectoryChangesW, unless a test puts in
// one that fails, as the system's may.
typedef BOOL(WINAPI* ChangeReader)(HANDLE, void*, DWORD, BOOL, DWORD, DWORD*, OVERLAPPED*,
                                   LPOVERLAPPED_COMPLETION_ROUTINE);
void SetChangeReader(ChangeReader reader);
