// The note editor: a wrapper around one multi-line edit control that keeps a
// copy of the control's text, knows whether it changed, lays the control out
// in the 240 x 268 design space and moves a note's text to and from its file.
#pragma once

#include <windows.h>

#include <cstdint>

#include "base/outcome.h"
#include "notes/note_file.h"

#include <string>

class NoteEditor {
public:
    NoteEditor();
    ~NoteEditor();

    HWND Create(int designX, int designY, int designWidth, int designHeight,
                HWND parent, int controlId, HINSTANCE instance,
                const wchar_t* initialText);
    void Layout(int width, int height);
    void SetDesignSize(int w, int h);
    // Writing on the lined page: the text rows are lineHeight apart and the
    // first stands on the rule at firstRule, from textLeft (right of the
    // page's margin line) to textRight before the right edge; design pixels.
    // Without a page the text takes a font that fits a one-line field.
    void SetPageLines(int lineHeight, int firstRule, int textLeft, int textRight);
    void Show(int command);
    void Focus();
    void OnCommand(int id, int code);

    void Clear();
    // Each answers why nothing changed when the note is read-only (the
    // first time only), for the shell to show.
    Outcome Cut();
    void Copy();
    Outcome Paste();
    Outcome Undo();

    // A note the editor cannot hold whole is shown read-only; the first
    // attempt to change it is told why (once per loaded note): the reason
    // the first time, then Success.
    Outcome ExplainReadOnlyNote();
    // Shows the note read-only from now on, for the given reason (the text
    // of a refusal), whatever the load found.
    void HoldReadOnly(UINT refusal);

    // The chosen note's text to and from its file (notes/note_file.h);
    // a device path under the notes folder names a note of unknown identity.
    void LoadNote(const NoteEntry& note);
    void LoadNote(const wchar_t* path);
    // True when the text was written; failure receives what the user must
    // be told (Success when nothing), for the shell to show.
    bool SaveNote(const NoteEntry& note, Outcome* failure);
    bool SaveNote(const wchar_t* path, Outcome* failure);
    bool CreateNote(const NoteEntry& folder, const std::wstring& name, Outcome* failure);
    bool CreateNote(const wchar_t* path, Outcome* failure);
    // Shows the note again when another program changed it on disk while
    // nothing was typed here; answers whether it did.
    bool ReloadIfChangedElsewhere(const NoteEntry& note);
    bool ReloadIfChangedElsewhere(const wchar_t* path);

    const wchar_t* className;
    wchar_t text[NoteTextLimit + 1];   // zero-terminated copy of the control's text
    uint32_t style;
    int32_t designX;
    int32_t designY;
    uint32_t x;
    uint32_t y;
    int32_t designWidth;
    int32_t designHeight;
    uint32_t width;
    uint32_t height;
    HWND parent;
    HWND control;                      // null until Create
    HINSTANCE instance;
    uint32_t controlId;
    uint32_t designSpaceWidth;
    uint32_t designSpaceHeight;
    bool modified;                     // the text changed since the last load or save
    // The loaded file cannot be shown whole (longer than the editor holds,
    // not in the note format, unreadable): it is shown read-only and never
    // written back, so no save can cut or overwrite it.
    bool readOnlyNote;
    Outcome readOnlyReason;            // what tells the user why: a read's failure or a refusal
    bool readOnlyExplained;            // the reason was shown for this note
    NoteFileState loadedFile;          // the note's file as last loaded or saved
    SaveDetour lastSaveDetour;         // set by every save that wrote
    std::wstring savedElsewhereName;   // the new note's name after a Conflict
    NoteEntry conflictNote;            // and where it is, with its identity
    HFONT font;                        // the control's font, owned; made by Layout
    int32_t fontCell;                  // the cell height the font was made for
    int32_t designLineHeight;          // the page's rule spacing; 0 without a page
    int32_t designFirstRule;
    int32_t designTextLeft;
    int32_t designTextRight;

private:
    // Empties the editor and shows the note at the chosen place as it is.
    void ShowAsOnDisk(const NoteEntry& note);
    void ApplyFont(int cellHeight);
    void PlaceTextOnPage(int width, int height);
};

// The note editor of the main window (control id 400).
extern NoteEditor noteEditor;

// The note editor control's own procedure: paints the lined page behind the
// text and hands a tap-and-hold to the main window.
LRESULT CALLBACK EditControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// What the shell gives the note editor's control when it makes it.
struct EditControlLinks {
    WNDPROC defaultProc = nullptr;   // the control's own, kept when EditControlProc replaces it
    HBRUSH pageBrush = nullptr;      // the lined page behind the text
    HWND menuWindow = nullptr;       // where a tap-and-hold goes: the main window, for its menu
    // Shows why a key cannot change a read-only note.
    void (*showOutcome)(const Outcome& outcome) = nullptr;
};

extern EditControlLinks editControl;

// Where the page's lines may wrap and where the caret stops when it moves by
// words (an EditWordBreakProc).
int CALLBACK PageWordBreak(wchar_t* text, int index, int count, int action);
