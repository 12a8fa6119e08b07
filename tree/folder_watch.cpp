#include "tree/folder_watch.h"

#include "tree/note_tree.h"

#include <algorithm>

FolderWatch folderWatch;

namespace {

const ULONG_PTR kStopKey = ~static_cast<ULONG_PTR>(0);
const DWORD kWanted = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME;

}  // namespace

struct FolderWatch::Watch {
    HANDLE directory = INVALID_HANDLE_VALUE;
    std::wstring prefix;          // the folder's path under the watched one
    std::vector<DWORD> buffer;    // DWORD-aligned, as the records require
    OVERLAPPED overlapped = {};
    ~Watch()
    {
        if (directory != INVALID_HANDLE_VALUE)
            CloseHandle(directory);
    }
};

FolderWatch::FolderWatch()
    : port(nullptr), thread(nullptr), window(nullptr), message(0), posted(false)
{
    InitializeCriticalSection(&lock);
}

FolderWatch::~FolderWatch()
{
    Stop();
    DeleteCriticalSection(&lock);
}

bool FolderWatch::Start(const std::wstring& hostFolder, const std::vector<Subfolder>& folders,
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
    pendingFolders.clear();
    port = CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1);
    // The thread opens the watches: a start with thousands of folders does
    // not wait for them.
    thread = port ? CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr) : nullptr;
    if (!thread) {
        Stop();
        return false;
    }
    return true;
}

void FolderWatch::Stop()
{
    if (thread) {
        PostQueuedCompletionStatus(port, 0, kStopKey, nullptr);
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
        thread = nullptr;
    }
    if (port) {
        CloseHandle(port);
        port = nullptr;
    }
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

bool FolderWatch::Listen(size_t index)
{
    Watch& watch = *watches[index];
    watch.overlapped = OVERLAPPED{};
    return ReadDirectoryChangesW(watch.directory, watch.buffer.data(),
                                 static_cast<DWORD>(watch.buffer.size() * sizeof(DWORD)), TRUE,
                                 kWanted, nullptr, &watch.overlapped, nullptr) != FALSE;
}

void FolderWatch::Run()
{
    watches.clear();
    for (size_t i = 0; i <= subfolders.size(); ++i) {
        std::unique_ptr<Watch> watch(new Watch);
        watch->prefix = i == 0 ? std::wstring() : subfolders[i - 1].second;
        const std::wstring host = i == 0 ? root : subfolders[i - 1].first;
        watch->directory = CreateFileW(host.c_str(), FILE_LIST_DIRECTORY,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING,
                                       FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
        if (watch->directory == INVALID_HANDLE_VALUE)
            continue;
        // The notes folder's own watch holds the most; a burst that
        // overflows any of them has its folders listed again.
        watch->buffer.resize(i == 0 ? 16384 : 1024);
        if (!CreateIoCompletionPort(watch->directory, port, watches.size(), 0))
            continue;
        watches.push_back(std::move(watch));
        if (!Listen(watches.size() - 1))
            Note(watches.back()->prefix, true);
    }
    for (;;) {
        DWORD bytes = 0;
        ULONG_PTR key = 0;
        OVERLAPPED* done = nullptr;
        const BOOL ok = GetQueuedCompletionStatus(port, &bytes, &key, &done, INFINITE);
        if (key == kStopKey || (!ok && !done))
            break;
        if (key >= watches.size())
            continue;
        Watch& watch = *watches[key];
        if (!ok || bytes == 0) {
            Note(watch.prefix, true);
        } else {
            const BYTE* at = reinterpret_cast<const BYTE*>(watch.buffer.data());
            for (;;) {
                const FILE_NOTIFY_INFORMATION* record =
                    reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(at);
                std::wstring name(record->FileName, record->FileNameLength / sizeof(wchar_t));
                const size_t separator = name.find_last_of(L"\\/");
                std::wstring folder = separator == std::wstring::npos ? std::wstring()
                                                                      : name.substr(0, separator);
                if (!watch.prefix.empty())
                    folder = folder.empty() ? watch.prefix : watch.prefix + L"\\" + folder;
                Note(folder, false);
                if (record->NextEntryOffset == 0)
                    break;
                at += record->NextEntryOffset;
            }
        }
        if (!Listen(key))
            Note(watch.prefix, true);
    }
    // Closing the folders ends what is still pending on them.
    for (auto& watch : watches) {
        CancelIo(watch->directory);
        CloseHandle(watch->directory);
        watch->directory = INVALID_HANDLE_VALUE;
    }
    watches.clear();
}

bool FolderWatch::RefreshChangedFolders(DWORD budget)
{
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
