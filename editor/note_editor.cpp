#include "editor/note_editor.h"

#include "shell/app_state.h"

#include <cwchar>

NoteEditor noteEditor;

// The page scrolls down as the caret goes past its last line
// (ES_AUTOVSCROLL): without it the control refuses every key once a note is
// taller than the page, so such a note could not be edited at all.
NoteEditor::NoteEditor()
    : className(L"edit"), text{}, style(0x52011044), designX(0), designY(0), x(0), y(0),
      designWidth(0), designHeight(0), width(0), height(0), parent(nullptr), control(nullptr),
      instance(nullptr), controlId(0), designSpaceWidth(240), designSpaceHeight(268),
      modified(false), readOnlyNote(false), readOnlyReason(0), readOnlyExplained(false)
{
}

HWND NoteEditor::Create(int designX, int designY, int designWidth, int designHeight,
                        HWND parent, int controlId, HINSTANCE instance,
                        const wchar_t* initialText)
{
    this->designX = designX;
    this->designY = designY;
    this->designWidth = designWidth;
    this->designHeight = designHeight;
    this->parent = parent;
    this->controlId = static_cast<uint32_t>(controlId);
    this->instance = instance;

    if (!initialText)
        initialText = L"";
    wcsncpy(text, initialText, NoteTextLimit);
    text[NoteTextLimit] = 0;

    // The control starts with the text as kept, so it never shows more than
    // a save would write.
    control = CreateWindowExW(0, className, text, style, static_cast<int>(x),
                              static_cast<int>(y), static_cast<int>(width),
                              static_cast<int>(height), parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)), instance,
                              nullptr);
    // What the user types or pastes must fit the buffer, or a save would drop it.
    if (control)
        SendMessageW(control, EM_SETLIMITTEXT, NoteTextLimit, 0);
    return control;
}

void NoteEditor::Layout(int width, int height)
{
    if (designSpaceWidth == 0 || designSpaceHeight == 0)
        return;
    const int64_t w = width;
    const int64_t h = height;
    this->width = static_cast<uint32_t>(designWidth * w / designSpaceWidth);
    this->height = static_cast<uint32_t>(designHeight * h / designSpaceHeight);
    x = static_cast<uint32_t>(designX * w / designSpaceWidth);
    y = static_cast<uint32_t>(designY * h / designSpaceHeight);
    if (control)
        MoveWindow(control, static_cast<int>(x), static_cast<int>(y),
                   static_cast<int>(this->width), static_cast<int>(this->height), FALSE);
}

void NoteEditor::SetDesignSize(int w, int h)
{
    designSpaceWidth = static_cast<uint32_t>(w);
    designSpaceHeight = static_cast<uint32_t>(h);
}

void NoteEditor::Show(int command)
{
    if (control)
        ShowWindow(control, command);
}

void NoteEditor::Focus()
{
    if (control)
        SetFocus(control);
}

void NoteEditor::OnCommand(int id, int code)
{
    if (!control)
        return;
    if (static_cast<uint32_t>(id) == controlId && code == EN_CHANGE) {
        modified = true;
        GetDlgItemTextW(parent, static_cast<int>(controlId), text, NoteTextLimit + 1);
    }
    InvalidateRect(parent, nullptr, FALSE);
}

void NoteEditor::Clear()
{
    modified = true;
    text[0] = 0;
    if (control)
        SetWindowTextW(control, L"");
}

namespace {

// The edit commands repaint the whole page so the lined paper stays whole.
void SendEditCommand(HWND control, UINT message)
{
    SendMessageW(control, message, 0, 0);
    InvalidateRect(control, nullptr, TRUE);
}

}  // namespace

void NoteEditor::Cut()
{
    if (!control)
        return;
    if (readOnlyNote) {
        ExplainReadOnlyNote();
        return;
    }
    SendEditCommand(control, WM_CUT);
}

void NoteEditor::Copy()
{
    if (control)
        SendEditCommand(control, WM_COPY);
}

void NoteEditor::Paste()
{
    if (!control)
        return;
    if (readOnlyNote) {
        ExplainReadOnlyNote();
        return;
    }
    SendEditCommand(control, WM_PASTE);
}

void NoteEditor::Undo()
{
    if (!control)
        return;
    if (readOnlyNote) {
        ExplainReadOnlyNote();
        return;
    }
    SendEditCommand(control, WM_UNDO);
}

void NoteEditor::ExplainReadOnlyNote()
{
    if (!readOnlyNote || readOnlyExplained)
        return;
    readOnlyExplained = true;
    SetLastError(readOnlyReason);
    ReportLastError();
}
