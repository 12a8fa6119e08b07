#include "editor/note_editor.h"

#include "base/device_files.h"
#include "shell/app_state.h"

#include <cstring>
#include <cwchar>
#include <string>

namespace {

const WORD NoteMark = 0xFEFF;                       // stored as the bytes FF FE
const DWORD NoteFileLimit = 2 + 2 * NoteTextLimit;  // mark and 1023 units
const wchar_t TempSuffix[] = L".zephtmp";
const int TempNameCount = 10;

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

void NoteEditor::LoadNote(const wchar_t* path)
{
    modified = false;
    readOnlyNote = false;
    readOnlyReason = 0;
    readOnlyExplained = false;
    if (control)
        SendMessageW(control, EM_SETREADONLY, FALSE, 0);

    HANDLE file = DeviceCreateFile(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL);
    DWORD problem = 0;
    if (file == INVALID_HANDLE_VALUE) {
        // A missing note is an empty one; one that exists but cannot be read
        // must not be overwritten by an empty editor.
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
            problem = error;
    } else {
        DWORD sizeHigh = 0;
        const DWORD size = DeviceGetFileSize(file, &sizeHigh);
        WORD mark = 0;
        DWORD got = 0;
        if (size == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) {
            problem = GetLastError();
        } else if (size == 0 && sizeHigh == 0) {
            // An empty file holds nothing to lose: it loads as an empty note.
        } else if (!DeviceReadFile(file, &mark, 2, &got)) {
            problem = GetLastError();
        } else if (got != 2 || mark != NoteMark || (size % 2) != 0) {
            // Not a note this program wrote: nothing is shown, nothing overwritten.
            problem = ERROR_INVALID_DATA;
        } else {
            const bool whole = sizeHigh == 0 && size <= NoteFileLimit;
            const DWORD bytes = (whole ? size : NoteFileLimit) - 2;
            memset(text, 0, sizeof(text));
            got = 0;
            const bool read = DeviceReadFile(file, text, bytes, &got) != FALSE;
            if (!read || got != bytes) {
                // The file shrank or could not be read: show nothing of it.
                problem = read ? ERROR_READ_FAULT : GetLastError();
                memset(text, 0, sizeof(text));
            } else {
                if (!whole)
                    problem = ERROR_FILE_TOO_LARGE;
                else if (wcslen(text) != bytes / 2)
                    // A zero unit ends the control's text: what comes before
                    // it is shown, and the box says a character of the note
                    // cannot be kept.
                    problem = ERROR_NO_UNICODE_TRANSLATION;
                if (control)
                    SetWindowTextW(control, text);
            }
        }
        DeviceCloseFile(file);
    }

    if (problem != 0) {
        readOnlyNote = true;
        readOnlyReason = problem;
        if (control)
            SendMessageW(control, EM_SETREADONLY, TRUE, 0);
    }
}

bool NoteEditor::SaveNote(const wchar_t* path)
{
    if (!modified)
        return false;

    if (readOnlyNote) {
        // Writing would cut or overwrite a note the editor cannot hold whole;
        // the editor shows the note as it is on disk again.
        ExplainReadOnlyNote();
        LoadNote(path);
        readOnlyExplained = true;
        return false;
    }

    const DWORD attributes = DeviceGetFileAttributes(path);
    const bool noteExists = attributes != INVALID_FILE_ATTRIBUTES;
    if (noteExists && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
        SetLastError(ERROR_ACCESS_DENIED);
        ReportLastError();
        return false;
    }

    // The note on disk stays whole until the new text is written in full.
    std::wstring tempPath;
    HANDLE file = CreateTempBeside(path, &tempPath);
    if (file == INVALID_HANDLE_VALUE) {
        ReportLastError();
        return false;
    }
    if (!WriteAndClose(file, text) || !PutInPlace(path, tempPath.c_str(), noteExists)) {
        const DWORD error = GetLastError();
        // The temporary file goes only while the note itself is still there.
        if (DeviceGetFileAttributes(path) != INVALID_FILE_ATTRIBUTES || !noteExists)
            DeviceDeleteFile(tempPath.c_str());
        SetLastError(error);
        ReportLastError();
        return false;
    }
    modified = false;
    return true;
}

bool NoteEditor::CreateNote(const wchar_t* path)
{
    if (!modified)
        return false;

    // The editor's text now belongs to the new note.
    readOnlyNote = false;
    readOnlyReason = 0;
    readOnlyExplained = false;
    if (control)
        SendMessageW(control, EM_SETREADONLY, FALSE, 0);

    HANDLE file = DeviceCreateFile(path, GENERIC_WRITE, FILE_SHARE_READ, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL);
    if (file == INVALID_HANDLE_VALUE) {
        ReportLastError();
        modified = false;
        return false;
    }
    if (!WriteAndClose(file, text)) {
        // A half-made new file holds nothing of the user's: it goes.
        const DWORD error = GetLastError();
        DeviceDeleteFile(path);
        SetLastError(error);
        ReportLastError();
        modified = false;
        return false;
    }
    modified = false;
    return true;
}
