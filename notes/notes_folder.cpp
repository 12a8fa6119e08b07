#include "notes/notes_folder.h"

#include "base/device_files.h"
#include "base/shell_services.h"
#include "notes/folder_listing.h"
#include "resources/resource.h"

#include <cwchar>
#include <vector>

namespace {

const wchar_t kNotesDevicePath[] = L"\\My Documents\\ZephNotes";

std::wstring WithoutTrailingSeparators(std::wstring path)
{
    while (!path.empty() && (path.back() == L'\\' || path.back() == L'/'))
        path.pop_back();
    return path;
}

std::wstring Joined(const std::wstring& folder, const std::wstring& name)
{
    if (folder.empty())
        return name;
    if (name.empty())
        return folder;
    return folder + L"\\" + name;
}

// Where an open handle really is, every link on the way resolved.
std::wstring FinalPathOf(HANDLE handle)
{
    std::vector<wchar_t> buffer(32768);
    const DWORD length = GetFinalPathNameByHandleW(handle, buffer.data(),
                                                   static_cast<DWORD>(buffer.size()),
                                                   FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0 || length >= buffer.size())
        return std::wstring();
    return WithoutTrailingSeparators(std::wstring(buffer.data(), length));
}

// The path without the dots and spaces that end its names: the platform
// reports the place of a file named "a." as "a".
std::wstring WithoutNameEndings(const std::wstring& path)
{
    std::wstring result;
    for (wchar_t c : path) {
        if (c == L'\\')
            while (!result.empty() && (result.back() == L'.' || result.back() == L' '))
                result.pop_back();
        result += c;
    }
    while (!result.empty() && (result.back() == L'.' || result.back() == L' '))
        result.pop_back();
    return result;
}

bool SamePlace(const std::wstring& found, const std::wstring& expected)
{
    return WithoutNameEndings(found) == WithoutNameEndings(expected);
}

// A folder's identity is its index alone: under Wine the time given as its
// creation time is the time its contents last changed.
bool SameEntry(const EntryId& chosen, const EntryId& found, bool isFolder)
{
    if (!chosen.Known())
        return true;
    return isFolder ? chosen.index == found.index : chosen == found;
}

// Splits a path below the notes folder into its folder and its last name.
void SplitRelative(const std::wstring& path, NoteEntry* entry)
{
    const size_t separator = path.find_last_of(L'\\');
    if (separator == std::wstring::npos) {
        entry->name = path;
    } else {
        entry->folder = path.substr(0, separator);
        entry->name = path.substr(separator + 1);
    }
}

struct ResolvedFolder {
    std::wstring host;
    std::wstring resolved;
};

ResolvedFolder& NotesFolderCache()
{
    static ResolvedFolder cache;
    return cache;
}

}  // namespace

std::wstring NoteEntry::Relative() const
{
    return Joined(folder, name);
}

NoteEntry NoteEntry::Folder() const
{
    NoteEntry parent;
    SplitRelative(folder, &parent);
    parent.id = folderId;
    return parent;
}

NoteEntry NoteEntry::Child(const std::wstring& childName, EntryId childId) const
{
    NoteEntry child;
    child.folder = Relative();
    child.name = childName;
    child.id = childId;
    child.folderId = id;
    return child;
}

NoteEntry NoteEntryAt(const wchar_t* devicePath)
{
    NoteEntry entry;
    std::wstring path = WithoutTrailingSeparators(devicePath ? devicePath : L"");
    const size_t rootLength = wcslen(kNotesDevicePath);
    if (path.size() <= rootLength + 1 || _wcsnicmp(path.c_str(), kNotesDevicePath, rootLength) != 0)
        return entry;
    path = path.substr(rootLength + 1);
    for (wchar_t& c : path)
        if (c == L'/')
            c = L'\\';
    SplitRelative(path, &entry);
    return entry;
}

void OpenedEntry::Close()
{
    if (handle != INVALID_HANDLE_VALUE)
        CloseHandle(handle);
    handle = INVALID_HANDLE_VALUE;
}

bool NameReachableByPath(const std::wstring& name)
{
    return !name.empty() && name.find_first_of(L"?*\"<>|\\") == std::wstring::npos;
}

std::wstring ResolvedNotesFolder()
{
    ResolvedFolder& cache = NotesFolderCache();
    const std::wstring host = LongFormPath(TranslateDevicePath(kNotesDevicePath));
    if (host == cache.host && !cache.resolved.empty())
        return cache.resolved;
    cache.host = host;
    cache.resolved.clear();
    HANDLE folder = CreateFileW(host.c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (folder == INVALID_HANDLE_VALUE)
        return std::wstring();
    cache.resolved = FinalPathOf(folder);
    CloseHandle(folder);
    return cache.resolved;
}

std::wstring NotesHostPath(const std::wstring& relative)
{
    std::wstring path = WithoutTrailingSeparators(LongFormPath(TranslateDevicePath(kNotesDevicePath)));
    size_t start = 0;
    while (start < relative.size()) {
        size_t end = relative.find(L'\\', start);
        if (end == std::wstring::npos)
            end = relative.size();
        const std::wstring name = relative.substr(start, end - start);
        std::wstring pathName = name;
        if (!NameReachableByPath(name)) {
            const std::wstring shortName = ListedShortName(path, name);
            if (!shortName.empty())
                pathName = shortName;
        }
        path += L"\\" + pathName;
        start = end + 1;
    }
    return path;
}

Outcome OpenEntry(const NoteEntry& entry, DWORD access, OpenedEntry* opened)
{
    opened->Close();
    const std::wstring root = ResolvedNotesFolder();
    if (root.empty())
        return Outcome::LastError();
    const std::wstring relative = entry.Relative();
    opened->hostPath = NotesHostPath(relative);
    opened->handle = CreateFileW(opened->hostPath.c_str(), access,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (opened->handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        // A name with no short name the platform's calls take: listed, and
        // out of reach.
        ListedEntry listed;
        if (!NameReachableByPath(entry.name) &&
            ReadListedEntry(NotesHostPath(entry.folder), entry.name, &listed) == 0)
            return Outcome::Refusal(IDS_REFUSED_NAME_UNREACHABLE);
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
            error == ERROR_INVALID_NAME)
            return Outcome::Refusal(IDS_REFUSED_ENTRY_GONE);
        return Outcome::Failure(error);
    }
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(opened->handle, &information)) {
        const Outcome failure = Outcome::LastError();
        opened->Close();
        return failure;
    }
    opened->id.index = (static_cast<uint64_t>(information.nFileIndexHigh) << 32) |
                       information.nFileIndexLow;
    opened->id.created = (static_cast<int64_t>(information.ftCreationTime.dwHighDateTime) << 32) |
                         information.ftCreationTime.dwLowDateTime;
    opened->attributes = information.dwFileAttributes;
    // Where it really is: a folder on the way swapped for a link, a link in
    // the note's place, a short name that reached another entry all show
    // here.
    const std::wstring found = FinalPathOf(opened->handle);
    const std::wstring expected = relative.empty() ? root : root + L"\\" + relative;
    if (!SamePlace(found, expected)) {
        opened->Close();
        const std::wstring expectedFolder = Joined(root, entry.folder);
        const size_t separator = found.find_last_of(L'\\');
        const bool sameFolder = separator != std::wstring::npos &&
                                SamePlace(found.substr(0, separator), expectedFolder);
        if (sameFolder && !NameReachableByPath(entry.name))
            return Outcome::Refusal(IDS_REFUSED_NAME_SHARED);
        return Outcome::Refusal(IDS_REFUSED_ENTRY_OUTSIDE);
    }
    if (!SameEntry(entry.id, opened->id, opened->IsFolder())) {
        opened->Close();
        return Outcome::Refusal(IDS_REFUSED_ENTRY_CHANGED);
    }
    return Outcome::Success();
}

Outcome CurrentIdentity(const NoteEntry& entry, EntryId* id)
{
    ListedEntry listed;
    const DWORD error = ReadListedEntry(NotesHostPath(entry.folder), entry.name, &listed);
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
        return Outcome::Refusal(IDS_REFUSED_ENTRY_GONE);
    if (error)
        return Outcome::Failure(error);
    *id = listed.id;
    return Outcome::Success();
}

// A folder reached through a link takes nothing.
Outcome CheckFolder(const NoteEntry& folder)
{
    OpenedEntry opened;
    Outcome outcome = OpenEntry(folder, FILE_READ_ATTRIBUTES, &opened);
    // A folder gone is the system's own "path not found".
    if (outcome.refusal == IDS_REFUSED_ENTRY_GONE)
        return Outcome::Failure(ERROR_PATH_NOT_FOUND);
    if (outcome.refusal == IDS_REFUSED_ENTRY_OUTSIDE)
        return Outcome::Refusal(IDS_REFUSED_LINK_INSIDE);
    if (outcome.Done() && !opened.IsFolder())
        return Outcome::Refusal(IDS_REFUSED_ENTRY_CHANGED);
    return outcome;
}

namespace {

// The identity of what now stands at the chosen place, checked like any
// chosen entry: the confirmation that an action arrived where it should.
Outcome ConfirmMade(const NoteEntry& made, EntryId* id)
{
    OpenedEntry opened;
    const Outcome outcome = OpenEntry(made, FILE_READ_ATTRIBUTES, &opened);
    if (outcome.Done())
        *id = opened.id;
    return outcome;
}

}  // namespace

Outcome CreateFolderEntry(const NoteEntry& folder, const std::wstring& name, EntryId* made)
{
    Outcome outcome = CheckFolder(folder);
    if (!outcome.Done())
        return outcome;
    if (!CreateDirectoryW((NotesHostPath(folder.Relative()) + L"\\" + name).c_str(), nullptr))
        return Outcome::LastError();
    return ConfirmMade(folder.Child(name), made);
}

Outcome RenameEntry(const NoteEntry& entry, const std::wstring& newName, EntryId* now)
{
    OpenedEntry opened;
    Outcome outcome = OpenEntry(entry, FILE_READ_ATTRIBUTES, &opened);
    if (outcome.refusal == IDS_REFUSED_ENTRY_OUTSIDE)
        return Outcome::Refusal(IDS_REFUSED_LINK_RENAME);
    if (!outcome.Done())
        return outcome;
    const EntryId chosen = opened.id;
    const std::wstring source = opened.hostPath;
    opened.Close();
    const std::wstring folderPath = NotesHostPath(entry.folder);
    const std::wstring target = folderPath + L"\\" + newName;
    const bool caseOnly = entry.name != newName &&
                          CompareStringOrdinal(entry.name.c_str(), -1, newName.c_str(), -1,
                                               TRUE) == CSTR_EQUAL;
    if (!caseOnly) {
        if (!MoveFileExW(source.c_str(), target.c_str(), 0))
            return Outcome::LastError();
    } else {
        // Another entry under the new name in some other case would take
        // the second step and then the way back: refused before anything
        // moves.
        FolderListing listing(folderPath);
        std::vector<ListedEntry> siblings;
        listing.ReadAll(&siblings);
        for (const ListedEntry& sibling : siblings) {
            if (sibling.name != entry.name &&
                CompareStringOrdinal(sibling.name.c_str(), -1, newName.c_str(), -1, TRUE) ==
                    CSTR_EQUAL)
                return Outcome::Failure(ERROR_ALREADY_EXISTS);
        }
        // By way of a name of the program's own, so that the file system
        // cannot take the new name for the old one.
        static unsigned renames = 0;
        wchar_t aside[64];
        swprintf(aside, 64, L"zephnotes-%lx-r%u", GetCurrentProcessId(), ++renames);
        const std::wstring middle = folderPath + L"\\" + aside;
        if (!MoveFileExW(source.c_str(), middle.c_str(), 0))
            return Outcome::LastError();
        if (!MoveFileExW(middle.c_str(), target.c_str(), 0)) {
            const Outcome failure = Outcome::LastError();
            MoveFileExW(middle.c_str(), source.c_str(), 0);
            return failure;
        }
    }
    ListedEntry listed;
    if (ReadListedEntry(folderPath, newName, &listed) != 0 || listed.id.index != chosen.index)
        return Outcome::Refusal(IDS_REFUSED_RENAME_NOT_TAKEN);
    *now = listed.id;
    return Outcome::Success();
}

namespace {

// An entry a delete will remove, checked; a folder link goes as itself.
struct PlannedDelete {
    NoteEntry entry;
    bool folderLink;
};

// Every entry a delete will remove, the deepest first, each checked before
// anything goes.
Outcome PlanDelete(const NoteEntry& entry, const ListedEntry& listed,
                   std::vector<PlannedDelete>* plan)
{
    // A folder link cannot be removed under Wine without reaching its target.
    const bool folderLink = (listed.attributes & FILE_ATTRIBUTE_DIRECTORY) &&
                            (listed.attributes & FILE_ATTRIBUTE_REPARSE_POINT);
    if (folderLink && RunningUnderWine())
        return Outcome::Refusal(IDS_REFUSED_LINK_REMOVE);
    OpenedEntry opened;
    Outcome outcome = folderLink ? Outcome::Success()
                                 : OpenEntry(entry, FILE_READ_ATTRIBUTES, &opened);
    if (outcome.refusal == IDS_REFUSED_ENTRY_OUTSIDE)
        return Outcome::Refusal(IDS_REFUSED_LINK_DELETE);
    if (!outcome.Done())
        return outcome;
    NoteEntry checked = entry;
    checked.id = folderLink ? listed.id : opened.id;
    if (!folderLink && opened.IsFolder()) {
        opened.Close();
        FolderListing listing(NotesHostPath(entry.Relative()));
        std::vector<ListedEntry> children;
        if (!listing.ReadAll(&children))
            return Outcome::Failure(listing.Error());
        for (const ListedEntry& child : children) {
            outcome = PlanDelete(checked.Child(child.name, child.id), child, plan);
            if (!outcome.Done())
                return outcome;
        }
    }
    plan->push_back(PlannedDelete{checked, folderLink});
    return Outcome::Success();
}

// Deletes one checked entry by the handle that checked it again, then
// looks that it is gone: under Wine a delete by handle answers success and
// does nothing when the entry was moved in the meantime.
Outcome DeleteChecked(const NoteEntry& entry)
{
    OpenedEntry opened;
    Outcome outcome = OpenEntry(entry, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                &opened);
    if (outcome.refusal == IDS_REFUSED_ENTRY_OUTSIDE)
        return Outcome::Refusal(IDS_REFUSED_LINK_DELETE);
    if (!outcome.Done())
        return outcome;
    if (opened.attributes & FILE_ATTRIBUTE_READONLY) {
        FILE_BASIC_INFO basic = {};
        basic.FileAttributes = (opened.attributes & ~FILE_ATTRIBUTE_READONLY) |
                               ((opened.attributes & ~FILE_ATTRIBUTE_READONLY) ? 0
                                                                               : FILE_ATTRIBUTE_NORMAL);
        SetFileInformationByHandle(opened.handle, FileBasicInfo, &basic, sizeof(basic));
    }
    FILE_DISPOSITION_INFO disposition = {TRUE};
    if (!SetFileInformationByHandle(opened.handle, FileDispositionInfo, &disposition,
                                    sizeof(disposition)))
        return Outcome::LastError();
    opened.Close();
    ListedEntry listed;
    if (ReadListedEntry(NotesHostPath(entry.folder), entry.name, &listed) == 0 &&
        listed.id.index == entry.id.index)
        return Outcome::Failure(ERROR_ACCESS_DENIED);
    return Outcome::Success();
}

}  // namespace

Outcome DeleteEntry(const NoteEntry& entry)
{
    if (entry.name.empty())
        return Outcome::Refusal(IDS_REFUSED_ENTRY_CHANGED);
    ListedEntry listed;
    const DWORD error = ReadListedEntry(NotesHostPath(entry.folder), entry.name, &listed);
    if (error == ERROR_FILE_NOT_FOUND)
        return Outcome::Refusal(IDS_REFUSED_ENTRY_GONE);
    if (error)
        return Outcome::Failure(error);
    std::vector<PlannedDelete> plan;
    Outcome outcome = PlanDelete(entry, listed, &plan);
    for (const PlannedDelete& planned : plan) {
        if (!outcome.Done())
            break;
        if (planned.folderLink)
            outcome = RemoveDirectoryW(NotesHostPath(planned.entry.Relative()).c_str())
                          ? Outcome::Success()
                          : Outcome::LastError();
        else
            outcome = DeleteChecked(planned.entry);
    }
    return outcome;
}
