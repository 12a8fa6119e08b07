#include "editor/note_editor.h"

#include "base/drawing.h"

#include <algorithm>
#include <cwchar>

NoteEditor noteEditor;
EditControlLinks editControl;

namespace {

// The narrowest row of the page, in font cells: wider than the widest glyph
// of the faces (2.3 em) and than the first tab stop (eight average
// characters).
constexpr int64_t kRowCells = 6;

}  // namespace

// The page scrolls down as the caret goes past its last line
// (ES_AUTOVSCROLL): without it the control refuses every key once a note is
// taller than the page, so such a note could not be edited at all.
NoteEditor::NoteEditor()
    : className(L"edit"), text{}, style(0x52011044), designX(0), designY(0), x(0), y(0),
      designWidth(0), designHeight(0), width(0), height(0), parent(nullptr), control(nullptr),
      instance(nullptr), controlId(0), designSpaceWidth(240), designSpaceHeight(268),
      modified(false), readOnlyNote(false), readOnlyExplained(false),
      lastSaveDetour(SaveDetour::None),
      font(nullptr), fontCell(0), designLineHeight(0), designFirstRule(0), designTextLeft(0),
      designTextRight(0)
{
}

NoteEditor::~NoteEditor()
{
    if (control && IsWindow(control))
        SendMessageW(control, WM_SETFONT, 0, FALSE);
    if (font)
        DeleteObject(font);
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

    // A new control takes its font anew.
    if (font)
        DeleteObject(font);
    font = nullptr;
    fontCell = 0;

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
    if (control && (style & ES_MULTILINE))
        SendMessageW(control, EM_SETWORDBREAKPROC, 0, reinterpret_cast<LPARAM>(PageWordBreak));
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
    if (!control)
        return;
    MoveWindow(control, static_cast<int>(x), static_cast<int>(y),
               static_cast<int>(this->width), static_cast<int>(this->height), FALSE);
    if (designLineHeight > 0) {
        // A row of the page is always several characters wide, however the
        // window is shaped for a moment: a character wider than its row
        // would leave the control no place to wrap (see PageWordBreak).
        const int64_t row = static_cast<int64_t>(this->width) -
                            (designTextLeft + designTextRight) * w / designSpaceWidth;
        const int64_t cell = designLineHeight * h / designSpaceHeight;
        ApplyFont(static_cast<int>(std::min(cell, row / kRowCells)));
        PlaceTextOnPage(width, height);
    } else {
        // A one-line field: a font that fits it, at most the size of the
        // tree's labels on the handheld's screen.
        ApplyFont(std::min(static_cast<int>(this->height) - 4, 14));
    }
}

void NoteEditor::SetPageLines(int lineHeight, int firstRule, int textLeft, int textRight)
{
    designLineHeight = lineHeight;
    designFirstRule = firstRule;
    designTextLeft = textLeft;
    designTextRight = textRight;
}

// The control is told its font by name and size, so that every machine
// draws the same face; the font follows the layout's size.
void NoteEditor::ApplyFont(int cellHeight)
{
    if (cellHeight < 8)
        cellHeight = 8;
    if (font && cellHeight == fontCell)
        return;
    HFONT made = CreateFontWithCell(NoteFontFace(), cellHeight);
    if (!made)
        return;
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(made), TRUE);
    if (font)
        DeleteObject(font);
    font = made;
    fontCell = cellHeight;
}

// Each text row stands on a rule of the page: the rows are as far apart as
// the rules (the font's cell), the first baseline lies on the first rule,
// and the text starts right of the red margin line. A resize or a new font
// gives the control back its whole client area, so this runs after both.
void NoteEditor::PlaceTextOnPage(int width, int height)
{
    HDC dc = GetDC(control);
    HGDIOBJ previous = SelectObject(dc, font);
    TEXTMETRICW metrics = {};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, previous);
    ReleaseDC(control, dc);

    const int64_t w = width;
    const int64_t h = height;
    const int firstRule = static_cast<int>(designFirstRule * h / designSpaceHeight);
    const int lineHeight = static_cast<int>(designLineHeight * h / designSpaceHeight);
    int top = firstRule - metrics.tmAscent;
    while (top < 0)
        top += lineHeight;
    RECT text;
    text.left = static_cast<LONG>(designTextLeft * w / designSpaceWidth);
    text.top = top;
    text.right = static_cast<LONG>(this->width) -
                 static_cast<LONG>(designTextRight * w / designSpaceWidth);
    text.bottom = static_cast<LONG>(this->height);
    // Margins of the font would be added to the rectangle on some platforms.
    SendMessageW(control, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
    SendMessageW(control, EM_SETRECT, 0, reinterpret_cast<LPARAM>(&text));
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

Outcome NoteEditor::Cut()
{
    if (!control)
        return Outcome::Success();
    if (readOnlyNote)
        return ExplainReadOnlyNote();
    SendEditCommand(control, WM_CUT);
    return Outcome::Success();
}

void NoteEditor::Copy()
{
    if (control)
        SendEditCommand(control, WM_COPY);
}

Outcome NoteEditor::Paste()
{
    if (!control)
        return Outcome::Success();
    if (readOnlyNote)
        return ExplainReadOnlyNote();
    SendEditCommand(control, WM_PASTE);
    return Outcome::Success();
}

Outcome NoteEditor::Undo()
{
    if (!control)
        return Outcome::Success();
    if (readOnlyNote)
        return ExplainReadOnlyNote();
    SendEditCommand(control, WM_UNDO);
    return Outcome::Success();
}

Outcome NoteEditor::ExplainReadOnlyNote()
{
    if (!readOnlyNote || readOnlyExplained)
        return Outcome::Success();
    readOnlyExplained = true;
    return readOnlyReason;
}

void NoteEditor::HoldReadOnly(UINT refusal)
{
    modified = false;
    readOnlyNote = true;
    readOnlyReason = Outcome::Refusal(refusal);
    readOnlyExplained = false;
    if (control)
        SendMessageW(control, EM_SETREADONLY, TRUE, 0);
}
