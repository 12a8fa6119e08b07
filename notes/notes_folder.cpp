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

// Under Wine the time given as the creation time is the last write: a note
// edited in place by another program keeps its index and is the same note,
// and a folder's time changes with what it holds. Only where the creation
// time is the real one does it tell a file made again from the one chosen.
bool SameEntry(const EntryId& chosen, const EntryId& found, bool isFolder)
{
    if (!chosen.Known())
        return true;
    return isFolder || RunningUnderWine() ? chosen.index == found.index : chosen == found;
}

// The place of an entry below the resolved notes folder, name by name.
std::wstring PlaceBelow(const std::wstring& root, const NoteEntry& entry)
{
    std::wstring place = root;
    for (const std::wstring& folder : entry.folders)
        place += L"\\" + folder;
    if (!entry.name.empty())
        place += L"\\" + entry.name;
    return place;
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

std::wstring NoteEntry::ShownPath() const
{
    std::wstring path;
    for (const std::wstring& folder : folders)
        path += folder + L"\\";
    if (name.empty() && !path.empty())
        path.pop_back();
    return path + name;
}

NoteEntry NoteEntry::Folder() const
{
    NoteEntry parent;
    if (!folders.empty()) {
        parent.folders.assign(folders.begin(), folders.end() - 1);
        parent.name = folders.back();
    }
    parent.id = folderId;
    return parent;
}

NoteEntry NoteEntry::Child(const std::wstring& childName, EntryId childId) const
{
    NoteEntry child;
    child.folders = folders;
    if (!name.empty())
        child.folders.push_back(name);
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
    // A device path is the program's own and holds no name from elsewhere.
    size_t start = 0;
    for (size_t end; (end = path.find_first_of(L"\\/", start)) != std::wstring::npos;
         start = end + 1)
        entry.folders.push_back(path.substr(start, end - start));
    entry.name = path.substr(start);
    return entry;
}

Outcome EnsureNotesFolder()
{
    const std::wstring folder = TranslateDevicePath(kNotesDevicePath);
    if (GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES &&
        !CreateDirectoryW(folder.c_str(), nullptr))
        return Outcome::LastError();
    return Outcome::Success();
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

std::wstring NotesFolderAnew()
{
    NotesFolderCache() = ResolvedFolder();
    return NotesHostPath(NoteEntry());
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

std::wstring NotesHostPath(const NoteEntry& entry)
{
    std::wstring path = WithoutTrailingSeparators(LongFormPath(TranslateDevicePath(kNotesDevicePath)));
    auto add = [&path](const std::wstring& name) {
        std::wstring pathName = name;
        if (!NameReachableByPath(name)) {
            const std::wstring shortName = ListedShortName(path, name);
            if (!shortName.empty())
                pathName = shortName;
        }
        path += L"\\" + pathName;
    };
    for (const std::wstring& folder : entry.folders)
        add(folder);
    if (!entry.name.empty())
        add(entry.name);
    return path;
}

bool EntryPresent(const NoteEntry& entry)
{
    ListedEntry listed;
    return entry.name.empty() ? !ResolvedNotesFolder().empty()
                              : ReadListedEntry(NotesHostPath(entry.Folder()), entry.name,
                                                &listed) == 0;
}

Outcome OpenEntry(const NoteEntry& entry, DWORD access, OpenedEntry* opened)
{
    opened->Close();
    const std::wstring root = ResolvedNotesFolder();
    if (root.empty())
        return Outcome::LastError();
    opened->hostPath = NotesHostPath(entry);
    opened->handle = CreateFileW(opened->hostPath.c_str(), access,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (opened->handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        // A name with no short name the platform's calls take: listed, and
        // out of reach.
        ListedEntry listed;
        if (!NameReachableByPath(entry.name) &&
            ReadListedEntry(NotesHostPath(entry.Folder()), entry.name, &listed) == 0)
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
    if (!SamePlace(found, PlaceBelow(root, entry))) {
        opened->Close();
        const std::wstring expectedFolder = WithoutNameEndings(PlaceBelow(root, entry.Folder()));
        const std::wstring foundPlace = WithoutNameEndings(found);
        const bool sameFolder = foundPlace.size() > expectedFolder.size() &&
                                foundPlace.compare(0, expectedFolder.size(), expectedFolder) == 0 &&
                                foundPlace[expectedFolder.size()] == L'\\';
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

bool HandleLiesAt(HANDLE handle, const NoteEntry& entry)
{
    const std::wstring root = ResolvedNotesFolder();
    return !root.empty() && SamePlace(FinalPathOf(handle), PlaceBelow(root, entry));
}

void DropMadeFile(HANDLE handle)
{
    FILE_DISPOSITION_INFO disposition = {TRUE};
    SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof(disposition));
    CloseHandle(handle);
}

Outcome CurrentIdentity(const NoteEntry& entry, EntryId* id)
{
    ListedEntry listed;
    const DWORD error = ReadListedEntry(NotesHostPath(entry.Folder()), entry.name, &listed);
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
    const std::wstring path = NotesHostPath(folder.Child(name));
    if (!CreateDirectoryW(path.c_str(), nullptr))
        return Outcome::LastError();
    // Made by path: a folder on the way swapped for a link in between puts
    // it elsewhere, and there the empty folder just made goes again.
    outcome = ConfirmMade(folder.Child(name), made);
    if (outcome.refusal == IDS_REFUSED_ENTRY_OUTSIDE) {
        RemoveDirectoryW(path.c_str());
        return Outcome::Refusal(IDS_REFUSED_LINK_INSIDE);
    }
    return outcome;
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
    const std::wstring folderPath = NotesHostPath(entry.Folder());
    const std::wstring target = folderPath + L"\\" + newName;
    // Which entry a name of the folder holds now (0: none).
    auto indexAt = [&folderPath](const std::wstring& name) {
        ListedEntry listed;
        return ReadListedEntry(folderPath, name, &listed) == 0 ? listed.id.index : 0;
    };
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
        // Each step is looked at: another entry that took the old name in
        // between goes back at once.
        if (indexAt(aside) != chosen.index) {
            MoveFileExW(middle.c_str(), source.c_str(), 0);
            return Outcome::Refusal(IDS_REFUSED_ENTRY_CHANGED);
        }
        if (!MoveFileExW(middle.c_str(), target.c_str(), 0)) {
            const Outcome failure = Outcome::LastError();
            if (!MoveFileExW(middle.c_str(), source.c_str(), 0) || indexAt(entry.name) != chosen.index)
                return Outcome::Refusal(IDS_REFUSED_RENAME_LEFT_ASIDE);
            return failure;
        }
    }
    ListedEntry listed;
    const bool taken = ReadListedEntry(folderPath, newName, &listed) == 0;
    if (taken && listed.id.index == chosen.index) {
        *now = listed.id;
        return Outcome::Success();
    }
    if (taken && !caseOnly) {
        // Another entry took the old name between the check and the move,
        // and it is what was renamed: it goes back.
        MoveFileExW(target.c_str(), source.c_str(), 0);
        return Outcome::Refusal(IDS_REFUSED_ENTRY_CHANGED);
    }
    // Nothing moved (the file system kept the old name), or another program
    // moved the entry away meanwhile.
    return Outcome::Refusal(indexAt(entry.name) == chosen.index ? IDS_REFUSED_RENAME_NOT_TAKEN
                                                                 : IDS_REFUSED_ENTRY_GONE);
}

namespace {

// An entry a delete will remove, checked; a folder link goes as itself.
struct PlannedDelete {
    NoteEntry entry;
    bool folderLink;
    bool folder;
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
        FolderListing listing(NotesHostPath(entry));
        std::vector<ListedEntry> children;
        if (!listing.ReadAll(&children))
            return Outcome::Failure(listing.Error());
        for (const ListedEntry& child : children) {
            outcome = PlanDelete(checked.Child(child.name, child.id), child, plan);
            if (!outcome.Done())
                return outcome;
        }
    }
    plan->push_back(PlannedDelete{checked, folderLink, folderLink || opened.IsFolder()});
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
    if (ReadListedEntry(NotesHostPath(entry.Folder()), entry.name, &listed) == 0 &&
        listed.id.index == entry.id.index)
        return Outcome::Failure(ERROR_ACCESS_DENIED);
    return Outcome::Success();
}

// A folder's notes wait here, beside it, while its folders go: under Wine a
// link that leads nowhere is not listed, and shows only when a folder that
// looks empty cannot be removed; then every note goes back where it was.
class HeldNotes {
public:
    explicit HeldNotes(const NoteEntry& folder) : place(NotesHostPath(folder.Folder()))
    {
        static unsigned deletes = 0;
        wchar_t name[64];
        swprintf(name, 64, L"\\zephnotes-%lx-d%u.zephtmp", GetCurrentProcessId(), ++deletes);
        place += name;
        made = CreateDirectoryW(place.c_str(), nullptr) != FALSE;
    }
    bool Made() const { return made; }

    // Moves the checked note aside.
    Outcome Hold(const NoteEntry& note)
    {
        OpenedEntry opened;
        Outcome outcome = OpenEntry(note, FILE_READ_ATTRIBUTES, &opened);
        if (outcome.refusal == IDS_REFUSED_ENTRY_OUTSIDE)
            return Outcome::Refusal(IDS_REFUSED_LINK_DELETE);
        if (!outcome.Done())
            return outcome;
        opened.Close();
        const std::wstring aside = place + L"\\" + std::to_wstring(held.size() + 1);
        if (!MoveFileExW(opened.hostPath.c_str(), aside.c_str(), 0))
            return Outcome::LastError();
        held.push_back({opened.hostPath, aside});
        return Outcome::Success();
    }
    // Every note back where it was, the last moved first.
    void PutBack()
    {
        for (auto note = held.rbegin(); note != held.rend(); ++note)
            MoveFileExW(note->second.c_str(), note->first.c_str(), 0);
        held.clear();
        RemoveDirectoryW(place.c_str());
    }
    // The delete went through: the notes go for good.
    void Drop()
    {
        for (const auto& note : held) {
            SetFileAttributesW(note.second.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(note.second.c_str());
        }
        held.clear();
        RemoveDirectoryW(place.c_str());
    }

private:
    std::wstring place;
    bool made = false;
    std::vector<std::pair<std::wstring, std::wstring>> held;   // from, aside
};

}  // namespace

Outcome DeleteEntry(const NoteEntry& entry)
{
    if (entry.name.empty())
        return Outcome::Refusal(IDS_REFUSED_ENTRY_CHANGED);
    ListedEntry listed;
    const DWORD error = ReadListedEntry(NotesHostPath(entry.Folder()), entry.name, &listed);
    if (error == ERROR_FILE_NOT_FOUND)
        return Outcome::Refusal(IDS_REFUSED_ENTRY_GONE);
    if (error)
        return Outcome::Failure(error);
    std::vector<PlannedDelete> plan;
    Outcome outcome = PlanDelete(entry, listed, &plan);
    if (!outcome.Done())
        return outcome;
    if (plan.size() == 1 && !plan[0].folderLink)
        return DeleteChecked(plan[0].entry);

    // A folder: its notes aside first, then its folders, the deepest first;
    // a folder that cannot go brings everything back, the folders removed
    // before it made again.
    HeldNotes notes(entry);
    if (!notes.Made())
        return Outcome::LastError();
    for (const PlannedDelete& planned : plan) {
        if (!planned.folder && !(outcome = notes.Hold(planned.entry)).Done())
            break;
    }
    std::vector<const PlannedDelete*> removed;
    for (const PlannedDelete& planned : plan) {
        if (!outcome.Done() || !planned.folder)
            continue;
        if (planned.folderLink)
            outcome = RemoveDirectoryW(NotesHostPath(planned.entry).c_str())
                          ? Outcome::Success()
                          : Outcome::LastError();
        else
            outcome = DeleteChecked(planned.entry);
        if (outcome.Done() && !planned.folderLink) {
            removed.push_back(&planned);
        } else if (!outcome.Done()) {
            // Looks empty and would not go: it holds what is not listed.
            FolderListing listing(NotesHostPath(planned.entry));
            std::vector<ListedEntry> left;
            if (listing.ReadAll(&left) && left.empty())
                outcome = Outcome::Refusal(IDS_REFUSED_DELETE_HIDDEN);
        }
    }
    if (outcome.Done()) {
        notes.Drop();
        return outcome;
    }
    for (auto folder = removed.rbegin(); folder != removed.rend(); ++folder)
        CreateDirectoryW(NotesHostPath((*folder)->entry).c_str(), nullptr);
    notes.PutBack();
    return outcome;
}
