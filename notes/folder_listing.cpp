#include "notes/folder_listing.h"

#include "base/device_files.h"

#include <winternl.h>

#include <cstring>

// The directory query of the NT layer: the only listing that carries each
// entry's file index (Win32's own listing gives none).
extern "C" NTSTATUS NTAPI NtQueryDirectoryFile(HANDLE folder, HANDLE event, PVOID apcRoutine,
                                               PVOID apcContext, PIO_STATUS_BLOCK status,
                                               PVOID buffer, ULONG length,
                                               FILE_INFORMATION_CLASS informationClass,
                                               BOOLEAN singleEntry, PUNICODE_STRING mask,
                                               BOOLEAN restart);

namespace {

const NTSTATUS kNoMoreFiles = static_cast<NTSTATUS>(0x80000006);
const NTSTATUS kNoSuchFile = static_cast<NTSTATUS>(0xC000000F);
const size_t kBatchBytes = 64 * 1024;

HANDLE OpenFolderForListing(const std::wstring& hostFolder)
{
    return CreateFileW(LongFormPath(hostFolder).c_str(), FILE_LIST_DIRECTORY | SYNCHRONIZE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

DWORD ErrorOfStatus(NTSTATUS status)
{
    if (status == kNoSuchFile || status == kNoMoreFiles)
        return ERROR_FILE_NOT_FOUND;
    const DWORD error = RtlNtStatusToDosError(status);
    return error ? error : ERROR_GEN_FAILURE;
}

FILETIME FileTimeOf(const LARGE_INTEGER& time)
{
    FILETIME result;
    result.dwLowDateTime = static_cast<DWORD>(time.QuadPart);
    result.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(time.QuadPart) >> 32);
    return result;
}

bool IsDotName(const wchar_t* name, size_t length)
{
    return (length == 1 && name[0] == L'.') || (length == 2 && name[0] == L'.' && name[1] == L'.');
}

// Walks the records of one answer of the directory query.
template <typename Record, typename Visit>
void ForEachRecord(const unsigned char* bytes, Visit visit)
{
    for (;;) {
        const Record* record = reinterpret_cast<const Record*>(bytes);
        const size_t length = record->FileNameLength / sizeof(wchar_t);
        if (!IsDotName(record->FileName, length))
            visit(*record, std::wstring(record->FileName, length));
        if (record->NextEntryOffset == 0)
            break;
        bytes += record->NextEntryOffset;
    }
}

ListedEntry EntryOf(const FILE_ID_FULL_DIR_INFORMATION& record, std::wstring name)
{
    ListedEntry entry;
    entry.name = std::move(name);
    entry.id.index = static_cast<uint64_t>(record.FileId.QuadPart);
    entry.id.created = record.CreationTime.QuadPart;
    entry.attributes = record.FileAttributes;
    entry.lastWrite = FileTimeOf(record.LastWriteTime);
    entry.size = static_cast<uint64_t>(record.EndOfFile.QuadPart);
    return entry;
}

// Asks a fresh folder handle for the entries matching name as a mask (the
// mask's wildcards may match others too) and hands each record with the
// exact name to found. Answers 0, ERROR_FILE_NOT_FOUND or the error.
template <typename Record, typename Found>
DWORD QueryByName(const std::wstring& hostFolder, const std::wstring& name,
                  FILE_INFORMATION_CLASS informationClass, Found found)
{
    HANDLE folder = OpenFolderForListing(hostFolder);
    if (folder == INVALID_HANDLE_VALUE)
        return GetLastError();
    UNICODE_STRING mask;
    mask.Buffer = const_cast<wchar_t*>(name.c_str());
    mask.Length = mask.MaximumLength = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    std::vector<unsigned char> buffer(kBatchBytes);
    DWORD result = ERROR_FILE_NOT_FOUND;
    for (BOOLEAN restart = TRUE; result == ERROR_FILE_NOT_FOUND; restart = FALSE) {
        IO_STATUS_BLOCK io = {};
        const NTSTATUS status =
            NtQueryDirectoryFile(folder, nullptr, nullptr, nullptr, &io, buffer.data(),
                                 static_cast<ULONG>(buffer.size()), informationClass, FALSE,
                                 &mask, restart);
        if (status < 0 || status == kNoMoreFiles) {
            if (status != kNoMoreFiles && status != kNoSuchFile)
                result = ErrorOfStatus(status);
            break;
        }
        ForEachRecord<Record>(buffer.data(), [&](const Record& record, std::wstring listed) {
            if (result == ERROR_FILE_NOT_FOUND && listed == name) {
                found(record, std::move(listed));
                result = 0;
            }
        });
    }
    CloseHandle(folder);
    return result;
}

}  // namespace

std::wstring LongFormPath(const std::wstring& hostPath)
{
    if (hostPath.compare(0, 4, L"\\\\?\\") == 0)
        return hostPath;
    std::wstring path = hostPath;
    for (wchar_t& c : path)
        if (c == L'/')
            c = L'\\';
    const bool driveAbsolute = path.size() >= 3 && path[1] == L':' && path[2] == L'\\';
    const bool plain = path.find(L"\\.\\") == std::wstring::npos &&
                       path.find(L"\\..\\") == std::wstring::npos &&
                       path.find(L"\\\\", 2) == std::wstring::npos;
    if (!driveAbsolute || !plain) {
        // Only relative or untidy paths are made whole by the platform, which
        // would also drop the dots and spaces that end names.
        wchar_t full[32768];
        const DWORD length = GetFullPathNameW(path.c_str(), 32768, full, nullptr);
        if (length == 0 || length >= 32768)
            return hostPath;
        path.assign(full, length);
    }
    if (path.compare(0, 2, L"\\\\") == 0)
        return L"\\\\?\\UNC\\" + path.substr(2);
    return L"\\\\?\\" + path;
}

FolderListing::FolderListing(const std::wstring& hostFolder)
    : folder(OpenFolderForListing(hostFolder)), error(0), first(true), buffer(kBatchBytes)
{
    if (folder == INVALID_HANDLE_VALUE)
        error = GetLastError();
}

FolderListing::~FolderListing()
{
    if (folder != INVALID_HANDLE_VALUE)
        CloseHandle(folder);
}

bool FolderListing::NextBatch(std::vector<ListedEntry>* batch)
{
    batch->clear();
    while (batch->empty()) {
        if (folder == INVALID_HANDLE_VALUE || error != 0)
            return false;
        IO_STATUS_BLOCK io = {};
        const NTSTATUS status = NtQueryDirectoryFile(
            folder, nullptr, nullptr, nullptr, &io, buffer.data(),
            static_cast<ULONG>(buffer.size()), FileIdFullDirectoryInformation, FALSE, nullptr,
            first ? TRUE : FALSE);
        first = false;
        if (status == kNoMoreFiles || status == kNoSuchFile) {
            CloseHandle(folder);
            folder = INVALID_HANDLE_VALUE;
            return false;
        }
        if (status < 0) {
            error = ErrorOfStatus(status);
            return false;
        }
        ForEachRecord<FILE_ID_FULL_DIR_INFORMATION>(
            buffer.data(), [batch](const FILE_ID_FULL_DIR_INFORMATION& record, std::wstring name) {
                batch->push_back(EntryOf(record, std::move(name)));
            });
    }
    return true;
}

bool FolderListing::ReadAll(std::vector<ListedEntry>* entries)
{
    std::vector<ListedEntry> batch;
    while (NextBatch(&batch))
        entries->insert(entries->end(), std::make_move_iterator(batch.begin()),
                        std::make_move_iterator(batch.end()));
    return error == 0;
}

DWORD ReadListedEntry(const std::wstring& hostFolder, const std::wstring& name,
                      ListedEntry* entry)
{
    if (HostEntryCertainlyMissing(LongFormPath(hostFolder), name))
        return ERROR_FILE_NOT_FOUND;
    return QueryByName<FILE_ID_FULL_DIR_INFORMATION>(
        hostFolder, name, FileIdFullDirectoryInformation,
        [entry](const FILE_ID_FULL_DIR_INFORMATION& record, std::wstring listed) {
            *entry = EntryOf(record, std::move(listed));
        });
}

std::wstring ListedShortName(const std::wstring& hostFolder, const std::wstring& name)
{
    std::wstring shortName;
    QueryByName<FILE_ID_BOTH_DIR_INFORMATION>(
        hostFolder, name, FileIdBothDirectoryInformation,
        [&shortName](const FILE_ID_BOTH_DIR_INFORMATION& record, std::wstring) {
            shortName.assign(record.ShortName, record.ShortNameLength / sizeof(wchar_t));
        });
    return shortName;
}

FolderListing::FolderListing(const NoteEntry& folder) : FolderListing(NotesHostPath(folder)) {}

DWORD ReadListedEntry(const NoteEntry& folder, const std::wstring& name, ListedEntry* entry)
{
    return ReadListedEntry(NotesHostPath(folder), name, entry);
}
