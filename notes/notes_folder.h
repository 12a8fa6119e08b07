// The notes folder on disk, and every change the program makes in it.
//
// Each entry is known by where the tree found it (its folder below the
// notes folder and its name) and by its identity as listed or made. Every
// operation opens the entry the user chose once, checks that it is still
// that entry and that the place it really is at lies inside the notes
// folder, where it was found, and only then acts; an entry that is no
// longer what was chosen is left alone and the operation says so. Results
// are Outcomes: this layer shows nothing itself.
#pragma once

#include <windows.h>

#include "base/outcome.h"
#include "notes/entry_identity.h"

#include <string>
#include <vector>

// An entry of the notes folder as the user chose it: its address is the
// list of names from the notes folder down, each name whole (a name made
// on another system may hold a "\"), never a path to be split.
struct NoteEntry {
    std::vector<std::wstring> folders;   // the folders that hold it, the outermost first
    std::wstring name;     // its own name; empty for the notes folder itself
    EntryId id;            // as listed or made; not known: only its place is checked
    EntryId folderId;      // the identity of the folder that holds it, likewise

    // Where it is, for a person to read: the names from the notes folder
    // down joined with "\"; never taken apart again.
    std::wstring ShownPath() const;
    // The folder that holds it, as an entry of its own.
    NoteEntry Folder() const;
    // An entry of this folder.
    NoteEntry Child(const std::wstring& childName, EntryId childId = EntryId()) const;
    // The same place (the identities aside).
    bool SamePlaceAs(const NoteEntry& other) const
    {
        return folders == other.folders && name == other.name;
    }
};

// The entry a device path under "\My Documents\ZephNotes" names; identity not known.
NoteEntry NoteEntryAt(const wchar_t* devicePath);

// Makes the notes folder when it is missing; what a failure came to.
Outcome EnsureNotesFolder();

// An entry opened and found to be the one chosen; closes its handle.
struct OpenedEntry {
    HANDLE handle = INVALID_HANDLE_VALUE;
    std::wstring hostPath;     // the path it was opened by, in the long form
    EntryId id;
    DWORD attributes = 0;

    OpenedEntry() = default;
    OpenedEntry(const OpenedEntry&) = delete;
    OpenedEntry& operator=(const OpenedEntry&) = delete;
    ~OpenedEntry() { Close(); }
    void Close();
    bool IsFolder() const { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
};

// The notes folder's host path, resolved: where it really is, every link on
// the way followed. A notes folder that is a link is the notes folder;
// containment is measured below where it leads. Empty while it cannot be
// opened.
std::wstring ResolvedNotesFolder();
// The notes folder's host path for a new watch; where it really is is
// looked up anew from now on (it may have been replaced, or its link may
// lead elsewhere now).
std::wstring NotesFolderAnew();
// The host path reaching an entry, in the long form; a name Windows cannot
// use goes by its short name when it has one. The one place an address
// becomes a path, at the moment of the call.
std::wstring NotesHostPath(const NoteEntry& entry);
// Whether an entry of that exact name is in its folder now.
bool EntryPresent(const NoteEntry& entry);
// Whether the platform's calls take a name as it stands (after "\\?\").
bool NameReachableByPath(const std::wstring& name);

// Opens the chosen entry (access as CreateFileW takes it) and checks it:
// done with it open; a refusal when it is gone (IDS_REFUSED_ENTRY_GONE),
// is another entry now (IDS_REFUSED_ENTRY_CHANGED), lies outside the notes
// folder or elsewhere than chosen (IDS_REFUSED_ENTRY_OUTSIDE), or can be
// reached only by a short name that leads to another entry
// (IDS_REFUSED_NAME_SHARED); or the system's error.
Outcome OpenEntry(const NoteEntry& entry, DWORD access, OpenedEntry* opened);

// The identity of the entry now at the chosen place, read from its folder.
Outcome CurrentIdentity(const NoteEntry& entry, EntryId* id);

// Makes a folder in the chosen folder; *made is the new folder's identity.
// A folder gone fails as the system does (ERROR_PATH_NOT_FOUND).
Outcome CreateFolderEntry(const NoteEntry& folder, const std::wstring& name, EntryId* made);
// Renames the chosen entry within its folder, without replacing anything;
// a change of letter case goes through a name of the program's own and
// back to the old name when the new one is refused. *now is the identity
// after the rename.
Outcome RenameEntry(const NoteEntry& entry, const std::wstring& newName, EntryId* now);
// Deletes the chosen note, or folder with everything in it. Everything is
// checked before anything is deleted; a link is never followed.
Outcome DeleteEntry(const NoteEntry& entry);

// Whether the file a handle holds lies at the entry's place in the notes
// folder: what was made by path is looked at before it takes anything.
bool HandleLiesAt(HANDLE handle, const NoteEntry& entry);
// Removes the file of a handle opened with DELETE access, and closes it.
void DropMadeFile(HANDLE handle);

// Checks the chosen folder to make something in it (see CreateFolderEntry).
Outcome CheckFolder(const NoteEntry& folder);
