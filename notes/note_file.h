// The note file: the mark FF FE, then the text in UTF-16LE, no terminator;
// reading it, saving over it without losing another program's change, and
// the conflict notes that take the user's text when one happened.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "base/outcome.h"
#include "notes/note_encoding.h"
#include "notes/notes_folder.h"

// Units the editor keeps of a text, the terminating zero excluded.
constexpr int NoteTextLimit = 1023;

// A note's file as it was last read or written: whether it was there, its
// size, last-write time and a hash of its bytes (as far as a note is read),
// and which file it was. Another program's change shows as different
// bytes; a file only touched, or rewritten with the same bytes, is still
// the same note.
struct NoteFileState {
    enum Presence { Missing, Present, Unreadable };
    Presence presence = Missing;
    uint64_t size = 0;
    FILETIME lastWrite = {};
    uint64_t hash = 0;
    EntryId id;
    NoteEncoding encoding;   // what a save writes the text back in
    uint64_t textHash = 0;   // of the text as the editor was given it

    bool SameNoteAs(const NoteFileState& other) const;
};

// Where the last save put the user's text when the note on disk was no
// longer the one that was loaded.
enum class SaveDetour {
    None,
    Recreated,   // another program deleted the note: the save made it again
    Conflict,    // another program changed it or its folder: the text went to a new note
};

// What a load found. The text is written only when shown is set; problem
// says why the note is shown read-only (a read's failure or a refusal).
struct LoadedNote {
    Outcome problem;
    bool shown = false;
    NoteFileState state;
};
// Loads the chosen note into text (NoteTextLimit + 1 units). A note not
// there is an empty one, unless it was known (listed with its identity):
// then the load is refused (IDS_NOTE_GONE) and nothing is shown.
LoadedNote LoadNoteText(const NoteEntry& note, wchar_t* text);

// What the note is on disk now, read as a save or a reload must.
NoteFileState NoteStateNow(const NoteEntry& note);

struct SavedNote {
    Outcome outcome;
    SaveDetour detour = SaveDetour::None;
    // After a Conflict: the new note's name, or its path below the notes
    // folder when it went to another folder than the note's.
    std::wstring elsewhere;
    NoteEntry conflictNote;       // where it is, with its identity
    NoteFileState state;          // the note's file after the save
};
// Saves text over the chosen note when its file is still the one loaded;
// otherwise into a conflict note beside it or, when the note's folder is
// gone or another now, in the nearest folder of the notes folder that is
// still there. Nothing outside the notes folder is ever written.
SavedNote SaveNoteText(const NoteEntry& note, const NoteFileState& loaded, const wchar_t* text);

// Makes a new note in the chosen folder with text; *state describes it.
Outcome CreateNoteText(const NoteEntry& folder, const std::wstring& name, const wchar_t* text,
                       NoteFileState* state);
