#include "notes/note_file.h"

#include "base/device_files.h"
#include "notes/folder_listing.h"
#include "resources/resource.h"
#include "notes/note_names.h"

#include <cstring>
#include <cwchar>
#include <vector>

namespace {

// Read of a note at most: more than any note this program writes takes in
// any encoding (1023 units of UTF-8 are at most 3,072 bytes with the mark).
const DWORD NoteReadLimit = 4096;
const wchar_t TempSuffix[] = L".zephtmp";
const int TempNameCount = 10;
const int ConflictNameCount = 99;

// FNV-1a over a note's bytes: enough to tell another program's change from
// the note that was read, without keeping the bytes themselves.
const uint64_t HashStart = 14695981039346656037ull;

uint64_t HashBytes(const void* data, size_t count, uint64_t hash = HashStart)
{
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < count; ++i) {
        hash ^= bytes[i];
        hash *= 1099511628211ull;
    }
    return hash;
}

uint64_t TextHash(const wchar_t* text)
{
    return HashBytes(text, wcslen(text) * sizeof(wchar_t));
}

// Reads a note's file as far as a note goes (NoteReadLimit bytes) and says
// what the file is now. A note not there is no problem: it is Missing. The
// place is checked, not the identity: a note rewritten by another program
// since it was listed is read as it is now.
Outcome ReadNoteFile(const NoteEntry& note, unsigned char* bytes, DWORD* got,
                     NoteFileState* state)
{
    *state = NoteFileState();
    *got = 0;
    NoteEntry place = note;
    place.id = EntryId();
    OpenedEntry opened;
    Outcome outcome = OpenEntry(place, GENERIC_READ, &opened);
    if (outcome.refusal == IDS_REFUSED_ENTRY_GONE)
        return Outcome::Success();
    // A note that is itself a link to a file is read where it leads while
    // its folder is in place: a save replaces the link with a note of its
    // own, and never writes where it leads.
    if (outcome.refusal == IDS_REFUSED_ENTRY_OUTSIDE && NameReachableByPath(note.name) &&
        CheckFolder(note.Folder()).Done()) {
        opened.hostPath = NotesHostPath(note);
        opened.handle = CreateFileW(opened.hostPath.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
        outcome = opened.handle == INVALID_HANDLE_VALUE ? Outcome::LastError() : Outcome::Success();
    }
    if (outcome.Done() && opened.IsFolder())
        outcome = Outcome::Failure(ERROR_ACCESS_DENIED);
    if (!outcome.Done()) {
        state->presence = NoteFileState::Unreadable;
        return outcome;
    }
    state->id = opened.id;
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(opened.handle, &size)) {
        state->presence = NoteFileState::Unreadable;
        return Outcome::LastError();
    }
    state->size = static_cast<uint64_t>(size.QuadPart);
    GetFileTime(opened.handle, nullptr, nullptr, &state->lastWrite);
    const DWORD wanted =
        state->size < NoteReadLimit ? static_cast<DWORD>(state->size) : NoteReadLimit;
    if (wanted > 0 && !ReadFile(opened.handle, bytes, wanted, got, nullptr)) {
        state->presence = NoteFileState::Unreadable;
        *got = 0;
        return Outcome::LastError();
    }
    state->presence = NoteFileState::Present;
    state->hash = HashBytes(bytes, *got);
    return Outcome::Success();
}

// The state of a note this program has just written with these bytes.
NoteFileState WrittenState(const NoteEntry& note, const wchar_t* text, const std::string& body,
                           const NoteEncoding& encoding)
{
    NoteFileState state;
    state.presence = NoteFileState::Present;
    state.size = body.size();
    state.hash = HashBytes(body.data(), body.size());
    state.encoding = encoding;
    state.textHash = TextHash(text);
    ListedEntry listed;
    if (ReadListedEntry(NotesHostPath(note.Folder()), note.name, &listed) == 0) {
        state.lastWrite = listed.lastWrite;
        state.id = listed.id;
    }
    return state;
}

// The name of the note that takes the user's text when another program
// changed the note: "<name> (conflict YYYY-MM-DD HH-MM)", numbered from 2
// when taken. Characters no file name may hold become "_", and a long name
// is cut so that the whole fits the folder.
std::wstring ConflictName(const NoteEntry& folder, const std::wstring& name,
                          const SYSTEMTIME& now, int number)
{
    wchar_t suffix[64];
    if (number > 1)
        swprintf(suffix, 64, L" (conflict %04u-%02u-%02u %02u-%02u %d)", now.wYear, now.wMonth,
                 now.wDay, now.wHour, now.wMinute, number);
    else
        swprintf(suffix, 64, L" (conflict %04u-%02u-%02u %02u-%02u)", now.wYear, now.wMonth,
                 now.wDay, now.wHour, now.wMinute);
    std::wstring base = name;
    for (wchar_t& c : base) {
        if (c < 32 || wcschr(L"\\/:*?\"<>|", c))
            c = L'_';
    }
    const std::wstring shown = folder.ShownPath();
    const std::wstring deviceFolder =
        L"\\My Documents\\ZephNotes\\" + (shown.empty() ? shown : shown + L"\\");
    for (;;) {
        const std::wstring candidate = base + suffix;
        if (EntryNameRefusal(deviceFolder.c_str(), candidate.c_str()) == 0)
            return candidate;
        if (base.empty())
            return std::wstring();
        base.pop_back();
        // Never half of a character made of two units.
        if (!base.empty() && base.back() >= 0xD800 && base.back() <= 0xDBFF)
            base.pop_back();
    }
}

// Writes a note's bytes, then flushes. Every step is checked: a refused or
// short write (a full disk) leaves the thread's last error set.
bool WriteNoteBody(HANDLE file, const std::string& body)
{
    const DWORD bytes = static_cast<DWORD>(body.size());
    if (bytes > 0) {
        DWORD written = 0;
        if (!WriteFile(file, body.data(), bytes, &written, nullptr))
            return false;
        if (written != bytes) {
            SetLastError(ERROR_DISK_FULL);
            return false;
        }
    }
    return FlushFileBuffers(file) != FALSE;
}

// Writes a whole note into a file that is already open, and closes it.
bool WriteAndClose(HANDLE file, const std::string& body)
{
    bool ok = WriteNoteBody(file, body);
    const DWORD error = GetLastError();
    const bool closed = CloseHandle(file) != FALSE;
    if (!ok) {
        SetLastError(error);
        return false;
    }
    return closed;
}

// Makes the temporary file in a folder. Its name is short and the
// program's own ("zephnotes-<process>-<n>.zephtmp"), so it fits the file
// system whenever the note's name does, and it is made only where no file
// is: a file already there, whoever made it, is never removed or reused.
HANDLE CreateTempIn(const NoteEntry& folder, std::wstring* tempPath)
{
    const std::wstring folderPath = NotesHostPath(folder);
    static unsigned saves = 0;
    wchar_t name[64];
    for (int i = 0; i < TempNameCount; ++i) {
        swprintf(name, 64, L"zephnotes-%lx-%u%ls", GetCurrentProcessId(), ++saves, TempSuffix);
        const std::wstring candidate = folderPath + L"\\" + name;
        HANDLE file = CreateFileW(candidate.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ,
                                  nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE && !HandleLiesAt(file, folder.Child(name))) {
            // The folder was swapped for a link since it was checked.
            DropMadeFile(file);
            SetLastError(ERROR_PATH_NOT_FOUND);
            return INVALID_HANDLE_VALUE;
        }
        if (file != INVALID_HANDLE_VALUE) {
            *tempPath = candidate;
            return file;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            return INVALID_HANDLE_VALUE;
    }
    SetLastError(ERROR_FILE_EXISTS);
    return INVALID_HANDLE_VALUE;
}

// Puts the written temporary file in place of the note. Replacing keeps
// the note's creation time, which the by-date order uses; a plain rename is
// the fallback where replacing is not possible.
bool PutInPlace(const std::wstring& path, const std::wstring& tempPath, bool noteExists)
{
    if (!noteExists)
        return MoveFileExW(tempPath.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH) != FALSE;
    // A note another program holds without sharing deletion cannot be
    // replaced; asking first spares the replace call's own clean-up, which
    // on some systems leaves an empty stray file beside the note.
    HANDLE probe = CreateFileW(path.c_str(), DELETE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(probe);
    if (DeviceReplaceFile(path.c_str(), tempPath.c_str()))
        return true;
    const DWORD error = GetLastError();
    if (MoveFileExW(tempPath.c_str(), path.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    SetLastError(error);
    return false;
}

// The nearest folder on the note's way up that is still where it was
// found, inside the notes folder; each one is checked. The notes folder
// itself when none below it is.
NoteEntry NearestFolder(const NoteEntry& note)
{
    NoteEntry folder = note.Folder();
    folder.id = EntryId();
    while (!folder.name.empty()) {
        OpenedEntry opened;
        if (OpenEntry(folder, FILE_READ_ATTRIBUTES, &opened).Done() && opened.IsFolder())
            return folder;
        folder = folder.Folder();
    }
    return NoteEntry();
}

// Moves the written temporary file into the folder under a conflict name;
// only where no file is, so nothing else is ever replaced.
SavedNote KeepAsConflictNote(const NoteEntry& note, const NoteEntry& folder,
                             const std::wstring& tempPath, const wchar_t* text,
                             const std::string& body, const NoteEncoding& encoding)
{
    SavedNote saved;
    const std::wstring folderPath = NotesHostPath(folder);
    SYSTEMTIME now;
    GetLocalTime(&now);
    saved.outcome = Outcome::Failure(ERROR_FILE_EXISTS);
    for (int number = 1; number <= ConflictNameCount; ++number) {
        const std::wstring conflict = ConflictName(folder, note.name, now, number);
        if (conflict.empty()) {
            saved.outcome = Outcome::Refusal(IDS_REFUSED_SAVE_NO_NAME);
            break;
        }
        if (MoveFileExW(tempPath.c_str(), (folderPath + L"\\" + conflict).c_str(),
                        MOVEFILE_WRITE_THROUGH)) {
            saved.outcome = Outcome::Success();
            saved.detour = SaveDetour::Conflict;
            saved.conflictNote = folder.Child(conflict);
            saved.conflictNote.id = WrittenState(saved.conflictNote, text, body, encoding).id;
            saved.elsewhere = folder.SamePlaceAs(note.Folder()) ? conflict
                                                                : saved.conflictNote.ShownPath();
            return saved;
        }
        saved.outcome = Outcome::LastError();
        if (saved.outcome.error != ERROR_FILE_EXISTS && saved.outcome.error != ERROR_ALREADY_EXISTS)
            break;
    }
    DeleteFileW(tempPath.c_str());
    return saved;
}

}  // namespace

bool NoteFileState::SameNoteAs(const NoteFileState& other) const
{
    if (presence != other.presence)
        return false;
    return presence != Present || (size == other.size && hash == other.hash);
}

LoadedNote LoadNoteText(const NoteEntry& note, wchar_t* text)
{
    LoadedNote loaded;
    // The note is read once, whole as far as a note goes: what is shown and
    // what a save later checks the file against are the same bytes.
    std::vector<unsigned char> bytes(NoteReadLimit);
    DWORD got = 0;
    loaded.problem = ReadNoteFile(note, bytes.data(), &got, &loaded.state);
    const uint64_t size = loaded.state.size;
    if (!loaded.problem.Done()) {
        // One that exists but cannot be read must not be overwritten by an
        // empty editor; one that only a short name shared with another
        // reaches is not shown at all.
        if (loaded.problem.refusal == IDS_REFUSED_NAME_SHARED)
            loaded.problem = Outcome::Refusal(IDS_READ_ONLY_NAME_SHARED);
        else if (loaded.problem.refusal == IDS_REFUSED_NAME_UNREACHABLE)
            loaded.problem = Outcome::Refusal(IDS_READ_ONLY_NAME);
    } else if (loaded.state.presence == NoteFileState::Missing) {
        // A missing note is an empty one, unless it was listed a moment ago.
        if (note.id.Known())
            loaded.problem = Outcome::Refusal(IDS_NOTE_GONE);
    } else if (got != (size < NoteReadLimit ? size : NoteReadLimit)) {
        // The file shrank while it was read: show nothing of it.
        loaded.problem = Outcome::Refusal(IDS_READ_ONLY_CHANGED);
    } else {
        // Every file is text of some kind: shown as far as the editor holds
        // it, editable when it can be written back as it came.
        const DecodedNote decoded = DecodeNote(bytes.data(), got, size == got, NoteTextLimit);
        memset(text, 0, (NoteTextLimit + 1) * sizeof(wchar_t));
        memcpy(text, decoded.text.data(), decoded.text.size() * sizeof(wchar_t));
        loaded.state.encoding = decoded.encoding;
        loaded.state.textHash = TextHash(decoded.text.c_str());
        loaded.shown = true;
        if (decoded.readOnly)
            loaded.problem = Outcome::Refusal(decoded.readOnly);
    }
    return loaded;
}

NoteFileState NoteStateNow(const NoteEntry& note)
{
    std::vector<unsigned char> bytes(NoteReadLimit);
    DWORD got = 0;
    NoteFileState state;
    ReadNoteFile(note, bytes.data(), &got, &state);
    return state;
}

SavedNote SaveNoteText(const NoteEntry& note, const NoteFileState& loaded, const wchar_t* text)
{
    SavedNote saved;
    // Written back as the note came: its encoding, mark and line ends.
    std::string body;
    if (!EncodeNote(text, loaded.encoding, &body)) {
        saved.outcome = Outcome::Refusal(IDS_REFUSED_SAVE_ENCODING);
        return saved;
    }
    // The note's folder first: gone, another one now, or reached through a
    // link, it takes nothing; the text goes to the nearest folder that is
    // still in its place.
    NoteEntry folder = note.Folder();
    bool folderInPlace = true;
    if (!folder.name.empty()) {
        OpenedEntry opened;
        const Outcome checked = OpenEntry(folder, FILE_READ_ATTRIBUTES, &opened);
        if (checked.Done() && !opened.IsFolder()) {
            folderInPlace = false;
        } else if (!checked.Done()) {
            if (!checked.refusal) {
                saved.outcome = checked;
                return saved;
            }
            folderInPlace = false;
        }
    }
    // A note that was never there has no text of another program's to
    // keep: with no folder for it, nothing is written.
    const bool hadNote = loaded.presence == NoteFileState::Present;
    if (!folderInPlace && !hadNote) {
        saved.outcome = Outcome::Failure(ERROR_PATH_NOT_FOUND);
        return saved;
    }
    if (!folderInPlace)
        folder = NearestFolder(note);
    const std::wstring folderPath = NotesHostPath(folder);

    NoteFileState onDisk = folderInPlace ? NoteStateNow(note) : NoteFileState();
    // The text as it was read (an edit undone) over the same file: nothing
    // is written, so no other program sees a change where there is none.
    if (hadNote && onDisk.SameNoteAs(loaded) && TextHash(text) == loaded.textHash) {
        saved.state = loaded;
        saved.state.lastWrite = onDisk.lastWrite;
        saved.state.id = onDisk.id;
        return saved;
    }
    const DWORD attributes =
        folderInPlace ? GetFileAttributesW(NotesHostPath(note).c_str())
                      : INVALID_FILE_ATTRIBUTES;
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
        !hadNote) {
        saved.outcome = Outcome::Refusal(IDS_REFUSED_SAVE_FOLDER);
        return saved;
    }
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
        !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        saved.outcome = Outcome::Refusal(IDS_REFUSED_SAVE_READ_ONLY);
        return saved;
    }

    // The note on disk stays whole until the new text is written in full.
    std::wstring tempPath;
    HANDLE file = CreateTempIn(folder, &tempPath);
    if (file == INVALID_HANDLE_VALUE) {
        saved.outcome = Outcome::LastError();
        return saved;
    }
    const bool written = WriteAndClose(file, body);
    const Outcome writeFailure = written ? Outcome::Success() : Outcome::LastError();
    if (written && !folderInPlace)
        return KeepAsConflictNote(note, folder, tempPath, text, body, loaded.encoding);

    // Looked at only now, just before the note is replaced: another
    // program's change is never overwritten. Its note stays as it is and
    // the text written goes to a new note beside it. A note whose name only
    // a short name reaches is never made again under that short name.
    onDisk = NoteStateNow(note);
    const bool noteExists = onDisk.presence != NoteFileState::Missing;
    if (written && !onDisk.SameNoteAs(loaded)) {
        if (noteExists || loaded.presence != NoteFileState::Present ||
            !NameReachableByPath(note.name))
            return KeepAsConflictNote(note, folder, tempPath, text, body, loaded.encoding);
        saved.detour = SaveDetour::Recreated;
    }
    const std::wstring notePath = folderPath + L"\\" + note.name;
    bool inPlace = written;
    if (inPlace && !NameReachableByPath(note.name)) {
        // Only its short name reaches it, which another entry may share:
        // written through the handle that proved it is this note.
        OpenedEntry opened;
        NoteEntry place = note;
        place.id = onDisk.id;
        inPlace = OpenEntry(place, GENERIC_WRITE, &opened).Done() &&
                  SetFilePointer(opened.handle, 0, nullptr, FILE_BEGIN) == 0 &&
                  SetEndOfFile(opened.handle) && WriteNoteBody(opened.handle, body);
        const DWORD error = GetLastError();
        DeleteFileW(tempPath.c_str());
        SetLastError(inPlace ? 0 : (error ? error : ERROR_ACCESS_DENIED));
    } else if (inPlace) {
        inPlace = PutInPlace(notePath, tempPath, noteExists);
    }
    if (!inPlace) {
        saved.outcome = written ? Outcome::LastError() : writeFailure;
        saved.detour = SaveDetour::None;
        // The temporary file goes only while the note itself is still there.
        if (NoteStateNow(note).presence != NoteFileState::Missing || !noteExists)
            DeleteFileW(tempPath.c_str());
        return saved;
    }
    saved.state = WrittenState(note, text, body, loaded.encoding);
    return saved;
}

Outcome CreateNoteText(const NoteEntry& folder, const std::wstring& name, const wchar_t* text,
                       NoteFileState* state)
{
    const Outcome outcome = CheckFolder(folder);
    if (!outcome.Done())
        return outcome;
    // A new note is UTF-16LE after FF FE, lines ending in CR LF.
    const NoteEncoding encoding;
    std::string body;
    if (!EncodeNote(text, encoding, &body))
        return Outcome::Refusal(IDS_REFUSED_SAVE_ENCODING);
    const std::wstring path = NotesHostPath(folder.Child(name));
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr,
                              CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return Outcome::LastError();
    // Made by path: where it landed is looked at before it takes the text.
    if (!HandleLiesAt(file, folder.Child(name))) {
        DropMadeFile(file);
        return Outcome::Refusal(IDS_REFUSED_LINK_INSIDE);
    }
    if (!WriteAndClose(file, body)) {
        // A half-made new file holds nothing of the user's: it goes.
        const Outcome failure = Outcome::LastError();
        DeleteFileW(path.c_str());
        return failure;
    }
    *state = WrittenState(folder.Child(name), text, body, encoding);
    return Outcome::Success();
}
