#include "editor/note_editor.h"

#include "base/device_files.h"
#include "notes/note_names.h"
#include "resources/resource.h"

#include <cstring>
#include <cwchar>
#include <string>

namespace {

const WORD NoteMark = 0xFEFF;                       // stored as the bytes FF FE
const DWORD NoteFileLimit = 2 + 2 * NoteTextLimit;  // mark and 1023 units
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

// Reads a note's file as far as a note goes (NoteFileLimit bytes) and says
// what the file is now. Answers 0, or the error that kept it from being
// read; a missing file is no error.
DWORD ReadNoteFile(const wchar_t* path, DWORD shareMode, unsigned char* bytes, DWORD* got,
                   NoteFileState* state)
{
    *state = NoteFileState();
    *got = 0;
    HANDLE file = DeviceCreateFile(path, GENERIC_READ, shareMode, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return 0;
        state->presence = NoteFileState::Unreadable;
        return error;
    }
    DWORD problem = 0;
    DWORD sizeHigh = 0;
    const DWORD size = DeviceGetFileSize(file, &sizeHigh);
    if (size == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) {
        problem = GetLastError();
    } else {
        state->size = (static_cast<uint64_t>(sizeHigh) << 32) | size;
        GetFileTime(file, nullptr, nullptr, &state->lastWrite);
        const DWORD wanted = state->size < NoteFileLimit ? size : NoteFileLimit;
        if (wanted > 0 && !DeviceReadFile(file, bytes, wanted, got))
            problem = GetLastError();
    }
    DeviceCloseFile(file);
    if (problem != 0) {
        state->presence = NoteFileState::Unreadable;
        *got = 0;
        return problem;
    }
    state->presence = NoteFileState::Present;
    state->hash = HashBytes(bytes, *got);
    return 0;
}

// What the note's file is now, read as a save or a reload must: while
// another program may hold it open for writing.
NoteFileState CurrentState(const wchar_t* path)
{
    unsigned char bytes[NoteFileLimit];
    DWORD got = 0;
    NoteFileState state;
    ReadNoteFile(path, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, bytes, &got,
                 &state);
    return state;
}

// The state of a note this program has just written with text.
NoteFileState WrittenState(const wchar_t* path, const wchar_t* text)
{
    NoteFileState state;
    state.presence = NoteFileState::Present;
    const size_t units = wcslen(text);
    state.size = 2 + 2 * units;
    state.hash = HashBytes(text, 2 * units, HashBytes(&NoteMark, 2));
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (DeviceGetFileAttributesEx(path, &data))
        state.lastWrite = data.ftLastWriteTime;
    return state;
}

// The name of the note beside name that takes the user's text when another
// program changed the note: "<name> (conflict YYYY-MM-DD HH-MM)", numbered
// from 2 when taken. Characters no file name may hold become "_", and a
// long name is cut so that the whole fits the folder.
std::wstring ConflictName(const std::wstring& folder, const std::wstring& name,
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
    for (;;) {
        const std::wstring candidate = base + suffix;
        if (EntryNameRefusal(folder.c_str(), candidate.c_str()) == 0)
            return candidate;
        if (base.empty())
            return std::wstring();
        base.pop_back();
        // Never half of a character made of two units.
        if (!base.empty() && base.back() >= 0xD800 && base.back() <= 0xDBFF)
            base.pop_back();
    }
}

// Writes the mark and the text, then flushes. Every step is checked: a
// refused or short write (a full disk) leaves the thread's last error set.
bool WriteNoteBody(HANDLE file, const wchar_t* text)
{
    DWORD written = 0;
    if (!DeviceWriteFile(file, &NoteMark, 2, &written))
        return false;
    if (written != 2) {
        SetLastError(ERROR_DISK_FULL);
        return false;
    }
    const DWORD bytes = static_cast<DWORD>(2 * wcslen(text));
    if (bytes > 0) {
        written = 0;
        if (!DeviceWriteFile(file, text, bytes, &written))
            return false;
        if (written != bytes) {
            SetLastError(ERROR_DISK_FULL);
            return false;
        }
    }
    return DeviceFlushFile(file) != FALSE;
}

// Writes a whole note into a file that is already open, and closes it.
bool WriteAndClose(HANDLE file, const wchar_t* text)
{
    bool ok = WriteNoteBody(file, text);
    const DWORD error = GetLastError();
    const bool closed = DeviceCloseFile(file) != FALSE;
    if (!ok) {
        SetLastError(error);
        return false;
    }
    return closed;
}

// The folder part of a note's path, its last separator included.
std::wstring FolderOf(const wchar_t* path)
{
    const std::wstring whole(path);
    const size_t separator = whole.find_last_of(L"\\/");
    return separator == std::wstring::npos ? std::wstring() : whole.substr(0, separator + 1);
}

// Makes the temporary file beside the note. Its name is short and the
// program's own ("zephnotes-<process>-<n>.zephtmp"), so it fits the file
// system whenever the note's name does, and it is made only where no file
// is: a file already there, whoever made it, is never removed or reused.
HANDLE CreateTempBeside(const wchar_t* path, std::wstring* tempPath)
{
    static unsigned saves = 0;
    const std::wstring folder = FolderOf(path);
    wchar_t name[64];
    for (int i = 0; i < TempNameCount; ++i) {
        swprintf(name, 64, L"zephnotes-%lx-%u%ls", GetCurrentProcessId(), ++saves, TempSuffix);
        const std::wstring candidate = folder + name;
        HANDLE file = DeviceCreateFile(candidate.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                       CREATE_NEW, FILE_ATTRIBUTE_NORMAL);
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
bool PutInPlace(const wchar_t* path, const wchar_t* tempPath, bool noteExists)
{
    if (!noteExists)
        return DeviceMoveFile(tempPath, path, MOVEFILE_WRITE_THROUGH) != FALSE;
    // A note another program holds without sharing deletion cannot be
    // replaced; asking first spares the replace call's own clean-up, which
    // on some systems leaves an empty stray file beside the note.
    HANDLE probe = DeviceCreateFile(path, DELETE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
    if (probe == INVALID_HANDLE_VALUE)
        return false;
    DeviceCloseFile(probe);
    if (DeviceReplaceFile(path, tempPath))
        return true;
    const DWORD error = GetLastError();
    if (DeviceMoveFile(tempPath, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    SetLastError(error);
    return false;
}

}  // namespace

bool NoteFileState::SameNoteAs(const NoteFileState& other) const
{
    if (presence != other.presence)
        return false;
    return presence != Present || (size == other.size && hash == other.hash);
}

void NoteEditor::LoadNote(const wchar_t* path)
{
    modified = false;
    readOnlyNote = false;
    readOnlyReason = Outcome::Success();
    readOnlyExplained = false;
    if (control)
        SendMessageW(control, EM_SETREADONLY, FALSE, 0);

    // The note is read once, whole as far as the editor holds it: what is
    // shown and what a save later checks the file against are the same bytes.
    unsigned char bytes[NoteFileLimit];
    DWORD got = 0;
    const DWORD readError = ReadNoteFile(path, FILE_SHARE_READ, bytes, &got, &loadedFile);
    Outcome problem = readError ? Outcome::Failure(readError) : Outcome::Success();
    const uint64_t size = loadedFile.size;
    WORD mark = 0;
    if (got >= 2)
        memcpy(&mark, bytes, 2);
    if (!problem.Done() || loadedFile.presence == NoteFileState::Missing) {
        // A missing note is an empty one; one that exists but cannot be read
        // must not be overwritten by an empty editor.
    } else if (size == 0) {
        // An empty file holds nothing to lose: it loads as an empty note.
    } else if (got < 2 || mark != NoteMark || (size % 2) != 0) {
        // Not a note this program wrote: nothing is shown, nothing overwritten.
        problem = Outcome::Refusal(IDS_READ_ONLY_NOT_A_NOTE);
    } else {
        const bool whole = size <= NoteFileLimit;
        const DWORD expected = whole ? static_cast<DWORD>(size) : NoteFileLimit;
        memset(text, 0, sizeof(text));
        if (got != expected) {
            // The file shrank while it was read: show nothing of it.
            problem = Outcome::Refusal(IDS_READ_ONLY_CHANGED);
        } else {
            memcpy(text, bytes + 2, got - 2);
            if (!whole)
                problem = Outcome::Refusal(IDS_READ_ONLY_TOO_LONG);
            else if (wcslen(text) != (got - 2) / 2)
                // A zero unit ends the control's text: what comes before
                // it is shown, and the box says a character of the note
                // cannot be kept.
                problem = Outcome::Refusal(IDS_READ_ONLY_ZERO);
            if (control)
                SetWindowTextW(control, text);
        }
    }

    if (!problem.Done()) {
        readOnlyNote = true;
        readOnlyReason = problem;
        if (control)
            SendMessageW(control, EM_SETREADONLY, TRUE, 0);
    }
}

bool NoteEditor::ReloadIfChangedElsewhere(const wchar_t* path)
{
    if (modified)
        return false;
    const NoteFileState now = CurrentState(path);
    // A note deleted elsewhere goes on showing its text (a save makes it
    // again); one that cannot be read just now is looked at next time.
    if (now.presence != NoteFileState::Present || now.SameNoteAs(loadedFile))
        return false;
    text[0] = 0;
    if (control)
        SetWindowTextW(control, L"");
    LoadNote(path);
    return true;
}

bool NoteEditor::SaveNote(const wchar_t* path, const wchar_t* noteName, Outcome* failure)
{
    *failure = Outcome::Success();
    if (!modified)
        return false;
    lastSaveDetour = SaveDetour::None;
    savedElsewhereName.clear();

    if (readOnlyNote) {
        // Writing would cut or overwrite a note the editor cannot hold whole;
        // the editor shows the note as it is on disk again.
        *failure = ExplainReadOnlyNote();
        LoadNote(path);
        readOnlyExplained = true;
        return false;
    }

    const DWORD attributes = DeviceGetFileAttributes(path);
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
        *failure = Outcome::Refusal((attributes & FILE_ATTRIBUTE_DIRECTORY)
                                        ? IDS_REFUSED_SAVE_FOLDER
                                        : IDS_REFUSED_SAVE_READ_ONLY);
        return false;
    }

    // The note on disk stays whole until the new text is written in full.
    std::wstring tempPath;
    HANDLE file = CreateTempBeside(path, &tempPath);
    if (file == INVALID_HANDLE_VALUE) {
        *failure = Outcome::LastError();
        return false;
    }
    const bool written = WriteAndClose(file, text);
    // Looked at only now, just before the note is replaced: another
    // program's change is never overwritten. Its note stays as it is and
    // the text written goes to a new note beside it.
    const NoteFileState onDisk = CurrentState(path);
    const bool noteExists = onDisk.presence != NoteFileState::Missing;
    if (written && !onDisk.SameNoteAs(loadedFile)) {
        if (onDisk.presence != NoteFileState::Missing ||
            loadedFile.presence != NoteFileState::Present)
            return KeepAsConflictNote(path, noteName, tempPath, failure);
        lastSaveDetour = SaveDetour::Recreated;
    }
    if (!written || !PutInPlace(path, tempPath.c_str(), noteExists)) {
        const DWORD error = GetLastError();
        lastSaveDetour = SaveDetour::None;
        // The temporary file goes only while the note itself is still there.
        if (DeviceGetFileAttributes(path) != INVALID_FILE_ATTRIBUTES || !noteExists)
            DeviceDeleteFile(tempPath.c_str());
        *failure = Outcome::Failure(error);
        return false;
    }
    loadedFile = WrittenState(path, text);
    modified = false;
    return true;
}

bool NoteEditor::KeepAsConflictNote(const wchar_t* path, const wchar_t* noteName,
                                    const std::wstring& tempPath, Outcome* failure)
{
    const std::wstring folder = FolderOf(path);
    const std::wstring name = noteName ? noteName : std::wstring(path).substr(folder.size());
    SYSTEMTIME now;
    GetLocalTime(&now);
    Outcome refused = Outcome::Failure(ERROR_FILE_EXISTS);
    for (int number = 1; number <= ConflictNameCount; ++number) {
        const std::wstring conflict = ConflictName(folder, name, now, number);
        if (conflict.empty()) {
            refused = Outcome::Refusal(IDS_REFUSED_SAVE_NO_NAME);
            break;
        }
        // Moved only where no file is: nothing else is ever replaced.
        if (DeviceMoveFile(tempPath.c_str(), (folder + conflict).c_str(),
                           MOVEFILE_WRITE_THROUGH)) {
            lastSaveDetour = SaveDetour::Conflict;
            savedElsewhereName = conflict;
            modified = false;
            // The editor now shows the note as the other program left it.
            text[0] = 0;
            if (control)
                SetWindowTextW(control, L"");
            LoadNote(path);
            return true;
        }
        refused = Outcome::LastError();
        if (refused.error != ERROR_FILE_EXISTS && refused.error != ERROR_ALREADY_EXISTS)
            break;
    }
    DeviceDeleteFile(tempPath.c_str());
    *failure = refused;
    return false;
}

bool NoteEditor::CreateNote(const wchar_t* path, Outcome* failure)
{
    *failure = Outcome::Success();
    if (!modified)
        return false;

    // The editor's text now belongs to the new note.
    readOnlyNote = false;
    readOnlyReason = Outcome::Success();
    readOnlyExplained = false;
    if (control)
        SendMessageW(control, EM_SETREADONLY, FALSE, 0);

    HANDLE file = DeviceCreateFile(path, GENERIC_WRITE, FILE_SHARE_READ, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL);
    if (file == INVALID_HANDLE_VALUE) {
        *failure = Outcome::LastError();
        modified = false;
        return false;
    }
    if (!WriteAndClose(file, text)) {
        // A half-made new file holds nothing of the user's: it goes.
        const DWORD error = GetLastError();
        DeviceDeleteFile(path);
        *failure = Outcome::Failure(error);
        modified = false;
        return false;
    }
    loadedFile = WrittenState(path, text);
    modified = false;
    return true;
}
