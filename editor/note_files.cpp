#include "editor/note_editor.h"

#include <cstring>
#include <cwchar>
#include <string>

namespace {

// The note at the chosen place, whatever entry it is now.
NoteEntry PlaceOf(const NoteEntry& note)
{
    NoteEntry place = note;
    place.id = EntryId();
    return place;
}

}  // namespace

void NoteEditor::ShowAsOnDisk(const NoteEntry& note)
{
    text[0] = 0;
    if (control)
        SetWindowTextW(control, L"");
    LoadNote(PlaceOf(note));
}

void NoteEditor::LoadNote(const wchar_t* path)
{
    LoadNote(NoteEntryAt(path));
}

void NoteEditor::LoadNote(const NoteEntry& note)
{
    modified = false;
    readOnlyNote = false;
    readOnlyReason = Outcome::Success();
    readOnlyExplained = false;
    if (control)
        SendMessageW(control, EM_SETREADONLY, FALSE, 0);

    const LoadedNote loaded = LoadNoteText(note, text);
    loadedFile = loaded.state;
    if (loaded.shown && control)
        SetWindowTextW(control, text);
    if (!loaded.problem.Done()) {
        readOnlyNote = true;
        readOnlyReason = loaded.problem;
        if (control)
            SendMessageW(control, EM_SETREADONLY, TRUE, 0);
    }
}

bool NoteEditor::ReloadIfChangedElsewhere(const wchar_t* path)
{
    return ReloadIfChangedElsewhere(NoteEntryAt(path));
}

bool NoteEditor::ReloadIfChangedElsewhere(const NoteEntry& note)
{
    if (modified)
        return false;
    const NoteFileState now = NoteStateNow(note);
    // A note deleted elsewhere goes on showing its text (a save makes it
    // again); one that cannot be read just now is looked at next time.
    if (now.presence != NoteFileState::Present || now.SameNoteAs(loadedFile))
        return false;
    ShowAsOnDisk(note);
    return true;
}

bool NoteEditor::SaveNote(const wchar_t* path, Outcome* failure)
{
    return SaveNote(NoteEntryAt(path), failure);
}

bool NoteEditor::SaveNote(const NoteEntry& note, Outcome* failure)
{
    *failure = Outcome::Success();
    if (!modified)
        return false;
    lastSaveDetour = SaveDetour::None;
    savedElsewhereName.clear();
    conflictNote = NoteEntry();

    if (readOnlyNote) {
        // Writing would cut or overwrite a note the editor cannot hold whole;
        // the editor shows the note as it is on disk again.
        *failure = ExplainReadOnlyNote();
        LoadNote(PlaceOf(note));
        readOnlyExplained = true;
        return false;
    }

    const SavedNote saved = SaveNoteText(note, loadedFile, text);
    if (!saved.outcome.Done()) {
        *failure = saved.outcome;
        return false;
    }
    lastSaveDetour = saved.detour;
    modified = false;
    if (saved.detour == SaveDetour::Conflict) {
        savedElsewhereName = saved.elsewhere;
        conflictNote = saved.conflictNote;
        // The editor now shows the note as the other program left it.
        ShowAsOnDisk(note);
        return true;
    }
    loadedFile = saved.state;
    return true;
}

bool NoteEditor::CreateNote(const wchar_t* path, Outcome* failure)
{
    const NoteEntry note = NoteEntryAt(path);
    return CreateNote(note.Folder(), note.name, failure);
}

bool NoteEditor::CreateNote(const NoteEntry& folder, const std::wstring& name,
                            Outcome* failure)
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

    modified = false;
    *failure = CreateNoteText(folder, name, text, &loadedFile);
    return failure->Done();
}
