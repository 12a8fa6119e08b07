#include "tree/folder_watch.h"

#include "notes/entry_identity.h"
#include "tree/note_tree.h"

FolderWatch folderWatch;

namespace {

const DWORD kWanted = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME;

std::atomic<ChangeReader> changeReader{ReadDirectoryChangesW};

// A folder's file index and creation time as they are now, through a
// handle open on it. Under Wine a folder's creation time is its last
// change, and a folder deleted and made again may get its index back: two
// handles on one folder agree, on two folders they do not.
bool FolderIdentity(HANDLE folder, EntryId* id)
{
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(folder, &information))
        return false;
    id->index = (static_cast<uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow;
    id->created = static_cast<int64_t>(
        (static_cast<uint64_t>(information.ftCreationTime.dwHighDateTime) << 32) |
        information.ftCreationTime.dwLowDateTime);
    return true;
}

HANDLE OpenFolder(const std::wstring& path, DWORD flags)
{
    return CreateFileW(path.c_str(), FILE_LIST_DIRECTORY,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr);
}

}  // namespace

void SetChangeReader(ChangeReader reader)
{
    changeReader = reader ? reader : ReadDirectoryChangesW;
}

FolderWatch::FolderWatch()
    : stopEvent(nullptr), thread(nullptr), window(nullptr), message(0), posted(false)
{
    InitializeCriticalSection(&lock);
}

FolderWatch::~FolderWatch()
{
    Stop();
    DeleteCriticalSection(&lock);
}

bool FolderWatch::Start(const std::wstring& hostFolder, const std::vector<std::wstring>& folders,
                        HWND target, UINT targetMessage)
{
    Stop();
    root = hostFolder;
    subfolders = folders;
    window = target;
    message = targetMessage;
    changed.clear();
    overflow.clear();
    posted = false;
    folderRenamed = false;
    // What was left to do is done again by the listing of everything.
    folderQueue.clear();
    queuedFolders.clear();
    relisting.reset();
    entryQueue.clear();
    queuedEntries.clear();
    stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    // The thread opens the folders: a start with thousands of them does not
    // wait for that.
    thread = stopEvent ? CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr) : nullptr;
    if (!thread) {
        Stop();
        return false;
    }
    return true;
}

void FolderWatch::Stop()
{
    placesConfirmed.clear();
    if (thread) {
        SetEvent(stopEvent);
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
        thread = nullptr;
    }
    if (stopEvent) {
        CloseHandle(stopEvent);
        stopEvent = nullptr;
    }
    if (watched) {
        CloseHandle(watched);
        watched = nullptr;
    }
}

bool FolderWatch::NeedsRestart(bool checkFolder)
{
    if (!thread || WaitForSingleObject(thread, 0) == WAIT_OBJECT_0)
        return true;
    EnterCriticalSection(&lock);
    const bool renamed = folderRenamed;
    const HANDLE held = watched;
    LeaveCriticalSection(&lock);
    if (renamed)
        return true;
    if (!checkFolder || !held)
        return false;
    // A folder gone for now is waited for; one made in its place is new.
    // Read around the fresh open, the watched folder's own identity shows
    // whether a change in it came in between.
    EntryId before, now, after;
    HANDLE folder = OpenFolder(root, 0);
    if (folder == INVALID_HANDLE_VALUE)
        return false;
    const bool known = FolderIdentity(held, &before) && FolderIdentity(folder, &now) &&
                       FolderIdentity(held, &after);
    CloseHandle(folder);
    return known && before == after && now != before;
}

void FolderWatch::TakeChanges(std::set<std::wstring>* entries, std::set<std::wstring>* overflowed)
{
    EnterCriticalSection(&lock);
    entries->swap(changed);
    changed.clear();
    overflowed->swap(overflow);
    overflow.clear();
    posted = false;
    LeaveCriticalSection(&lock);
}

DWORD WINAPI FolderWatch::ThreadProc(void* self)
{
    static_cast<FolderWatch*>(self)->Run();
    return 0;
}

void FolderWatch::Note(const std::wstring& path, bool overflowed)
{
    EnterCriticalSection(&lock);
    (overflowed ? overflow : changed).insert(path);
    const bool post = !posted;
    posted = true;
    LeaveCriticalSection(&lock);
    if (post)
        PostMessageW(window, message, 0, 0);
}

// After a folder is renamed, Wine reports what changes inside it under its
// old name for as long as the watch runs (and nothing at all when it was
// there before the watch began and never opened); a watch started afresh
// reports the names as they are. A rename that left no entry to look at
// may have been one too.
void FolderWatch::NoteRename(const std::wstring& name)
{
    // Read through the notes layer, a note named on another system is seen
    // to be a note too.
    const size_t separator = name.find_last_of(L"\\/");
    ListedEntry entry;
    const DWORD error =
        separator == std::wstring::npos
            ? ReadListedEntry(root, name, &entry)
            : ReadListedEntry(root + L"\\" + name.substr(0, separator), name.substr(separator + 1),
                              &entry);
    if (error == 0 && !(entry.attributes & FILE_ATTRIBUTE_DIRECTORY))
        return;
    EnterCriticalSection(&lock);
    folderRenamed = true;
    LeaveCriticalSection(&lock);
}

void FolderWatch::Run()
{
    HANDLE directory = OpenFolder(root, FILE_FLAG_OVERLAPPED);
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE copy = nullptr;
    if (directory == INVALID_HANDLE_VALUE || !done ||
        !DuplicateHandle(GetCurrentProcess(), directory, GetCurrentProcess(), &copy, 0, FALSE,
                         DUPLICATE_SAME_ACCESS)) {
        if (directory != INVALID_HANDLE_VALUE)
            CloseHandle(directory);
        if (done)
            CloseHandle(done);
        return;
    }
    EnterCriticalSection(&lock);
    watched = copy;
    LeaveCriticalSection(&lock);
    // DWORD-aligned, as the notification records require.
    std::vector<DWORD> buffer(16384);
    bool listening = false;
    for (;;) {
        OVERLAPPED overlapped = {};
        overlapped.hEvent = done;
        ResetEvent(done);
        // A watch the system gives up ends here; the window starts another.
        if (!changeReader.load()(directory, buffer.data(),
                                 static_cast<DWORD>(buffer.size() * sizeof(DWORD)), TRUE, kWanted,
                                 nullptr, &overlapped, nullptr))
            break;
        if (!listening) {
            listening = true;
            // Opened once while the watch runs, each folder is watched too
            // (no handle is kept: a folder held open could not be deleted).
            for (const std::wstring& folder : subfolders) {
                if (WaitForSingleObject(stopEvent, 0) == WAIT_OBJECT_0)
                    break;
                HANDLE opened = OpenFolder(folder, 0);
                if (opened != INVALID_HANDLE_VALUE)
                    CloseHandle(opened);
            }
            // What changed between the scan and this moment is found by
            // listing every folder once more.
            Note(std::wstring(), true);
        }
        HANDLE events[2] = {done, stopEvent};
        if (WaitForMultipleObjects(2, events, FALSE, INFINITE) != WAIT_OBJECT_0) {
            CancelIo(directory);
            DWORD ignored = 0;
            GetOverlappedResult(directory, &overlapped, &ignored, TRUE);
            break;
        }
        DWORD bytes = 0;
        if (!GetOverlappedResult(directory, &overlapped, &bytes, FALSE) || bytes == 0) {
            // More changed than the buffer could hold: everything is listed again.
            Note(std::wstring(), true);
            continue;
        }
        const BYTE* at = reinterpret_cast<const BYTE*>(buffer.data());
        for (;;) {
            const FILE_NOTIFY_INFORMATION* record =
                reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(at);
            std::wstring name(record->FileName, record->FileNameLength / sizeof(wchar_t));
            if (record->Action == FILE_ACTION_RENAMED_NEW_NAME)
                NoteRename(name);
            Note(name, false);
            if (record->NextEntryOffset == 0)
                break;
            at += record->NextEntryOffset;
        }
    }
    CloseHandle(done);
    CloseHandle(directory);
}
