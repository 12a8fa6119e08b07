#include "tree/folder_watch.h"

#include "base/device_files.h"
#include "tree/note_tree.h"

#include <algorithm>

FolderWatch folderWatch;

namespace {

const DWORD kWanted = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME;

std::atomic<ChangeReader> changeReader{ReadDirectoryChangesW};

// A folder's file index and creation time, from a handle open on it.
bool FolderIdentity(HANDLE folder, uint64_t* index, uint64_t* created)
{
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(folder, &information))
        return false;
    *index = (static_cast<uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow;
    *created = (static_cast<uint64_t>(information.ftCreationTime.dwHighDateTime) << 32) |
               information.ftCreationTime.dwLowDateTime;
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
    rootIndex = rootCreated = 0;
    pendingFolders.clear();
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
}

bool FolderWatch::NeedsRestart(bool checkFolder)
{
    if (!thread || WaitForSingleObject(thread, 0) == WAIT_OBJECT_0)
        return true;
    EnterCriticalSection(&lock);
    const bool renamed = folderRenamed;
    const uint64_t index = rootIndex;
    const uint64_t created = rootCreated;
    LeaveCriticalSection(&lock);
    if (renamed)
        return true;
    if (!checkFolder || index == 0)
        return false;
    // A folder gone for now is waited for; one made in its place is new.
    HANDLE folder = OpenFolder(root, 0);
    if (folder == INVALID_HANDLE_VALUE)
        return false;
    uint64_t nowIndex = 0, nowCreated = 0;
    const bool known = FolderIdentity(folder, &nowIndex, &nowCreated);
    CloseHandle(folder);
    return known && (nowIndex != index || nowCreated != created);
}

void FolderWatch::TakeChanges(std::set<std::wstring>* folders, std::set<std::wstring>* overflowed)
{
    EnterCriticalSection(&lock);
    folders->swap(changed);
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

void FolderWatch::Note(const std::wstring& folder, bool overflowed)
{
    EnterCriticalSection(&lock);
    (overflowed ? overflow : changed).insert(folder);
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
    const DWORD attributes = GetFileAttributesW((root + L"\\" + name).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return;
    EnterCriticalSection(&lock);
    folderRenamed = true;
    LeaveCriticalSection(&lock);
}

void FolderWatch::Run()
{
    HANDLE directory = OpenFolder(root, FILE_FLAG_OVERLAPPED);
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    uint64_t index = 0, created = 0;
    if (directory == INVALID_HANDLE_VALUE || !done || !FolderIdentity(directory, &index, &created)) {
        if (directory != INVALID_HANDLE_VALUE)
            CloseHandle(directory);
        if (done)
            CloseHandle(done);
        return;
    }
    EnterCriticalSection(&lock);
    rootIndex = index;
    rootCreated = created;
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
            const size_t separator = name.find_last_of(L"\\/");
            Note(separator == std::wstring::npos ? std::wstring() : name.substr(0, separator), false);
            if (record->NextEntryOffset == 0)
                break;
            at += record->NextEntryOffset;
        }
    }
    CloseHandle(done);
    CloseHandle(directory);
}

void FolderWatch::LetGo(HTREEITEM item)
{
    const ItemRecord* record = noteTree.Record(item);
    if (!record)
        return;
    gone.push_back(GoneItem{item, record->parent, record->label.Text()});
    if (window)
        PostMessageW(window, message, 1, 0);
}

bool FolderWatch::RefreshChangedFolders(DWORD budget)
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
        noteTree.RefreshFolder(each.parent, true);
    }
    std::set<std::wstring> folders;
    std::set<std::wstring> overflowed;
    TakeChanges(&folders, &overflowed);
    auto queue = [this](HTREEITEM item) {
        if (item && std::find(pendingFolders.begin(), pendingFolders.end(), item) ==
                        pendingFolders.end())
            pendingFolders.push_back(item);
    };
    // Where a notification overflowed, every folder in it is listed again.
    for (const std::wstring& folder : overflowed) {
        const HTREEITEM top = noteTree.FolderItemFor(folder);
        for (HTREEITEM item : noteTree.FolderItems()) {
            for (HTREEITEM up = item; up; up = noteTree.Record(up) ? noteTree.Record(up)->parent : nullptr) {
                if (up == top) {
                    queue(item);
                    break;
                }
            }
        }
    }
    // A folder the tree does not show yet comes with the refresh of the one
    // that holds it.
    for (const std::wstring& folder : folders)
        queue(noteTree.FolderItemFor(folder));
    const DWORD started = GetTickCount();
    while (!pendingFolders.empty()) {
        HTREEITEM folder = pendingFolders.front();
        pendingFolders.erase(pendingFolders.begin());
        if (noteTree.Record(folder))
            noteTree.RefreshFolder(folder, true);
        if (GetTickCount() - started >= budget)
            break;
    }
    return !pendingFolders.empty();
}
