#include "editor/note_editor.h"

#include "base/shell_services.h"

#include <usp10.h>

#include <algorithm>
#include <vector>

namespace {

// Set while the control moves the caret or a selection by words, when it
// asks for the start of a word and not for a place to wrap.
bool movingByWords = false;

// A change tried on a read-only note: the first one shows why.
void ExplainReadOnly()
{
    const Outcome reason = noteEditor.ExplainReadOnlyNote();
    if (!reason.Done() && editControl.showOutcome)
        editControl.showOutcome(reason);
}

LRESULT PassOn(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return CallWindowProcW(editControl.defaultProc, window, message, wParam, lParam);
}

// The pattern brush paints the lined page behind the text.
LRESULT OnEraseBackground(HWND window, HDC dc)
{
    RECT client;
    GetClientRect(window, &client);
    FillRect(dc, &client, editControl.pageBrush);
    return 1;
}

bool IsArrowKey(WPARAM key)
{
    return key == VK_LEFT || key == VK_UP || key == VK_RIGHT || key == VK_DOWN;
}

// Typing redraws text over the page without erasing it, which smears the
// ruled lines; a full repaint with erasing keeps the page intact.
LRESULT OnKeyDown(HWND window, WPARAM key, LPARAM lParam)
{
    if (!IsArrowKey(key))
        InvalidateRect(window, nullptr, TRUE);
    // Delete, and Shift+Insert (paste), would change a note shown read-only.
    const bool changesText = key == VK_DELETE || (key == VK_INSERT && GetKeyState(VK_SHIFT) < 0);
    if (changesText && window == noteEditor.control)
        ExplainReadOnly();
    movingByWords = (key == VK_LEFT || key == VK_RIGHT) && GetKeyState(VK_CONTROL) < 0;
    const LRESULT result = PassOn(window, WM_KEYDOWN, key, lParam);
    movingByWords = false;
    return result;
}

// A double tap selects the word under it.
LRESULT OnDoubleClick(HWND window, WPARAM wParam, LPARAM lParam)
{
    movingByWords = true;
    const LRESULT result = PassOn(window, WM_LBUTTONDBLCLK, wParam, lParam);
    movingByWords = false;
    return result;
}

// Every typed character but Ctrl+C (copy) would change the text.
LRESULT OnChar(HWND window, WPARAM character, LPARAM lParam)
{
    if (window == noteEditor.control && noteEditor.readOnlyNote && character != 0x03) {
        ExplainReadOnly();
        return 0;
    }
    return PassOn(window, WM_CHAR, character, lParam);
}

// A tap-and-hold belongs to the main window, which opens the editor menu;
// the control does not see that press.
LRESULT OnLeftButtonDown(HWND window, WPARAM wParam, LPARAM lParam)
{
    if (IsTapAndHold(window, lParam)) {
        SendMessageW(editControl.menuWindow, WM_LBUTTONDOWN, wParam, lParam);
        return 1;
    }
    return PassOn(window, WM_LBUTTONDOWN, wParam, lParam);
}

}  // namespace

LRESULT CALLBACK EditControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ERASEBKGND:
        return OnEraseBackground(window, reinterpret_cast<HDC>(wParam));
    case WM_KEYDOWN:
        return OnKeyDown(window, wParam, lParam);
    case WM_CHAR:
        return OnChar(window, wParam, lParam);
    case WM_LBUTTONDOWN:
        return OnLeftButtonDown(window, wParam, lParam);
    case WM_LBUTTONDBLCLK:
        return OnDoubleClick(window, wParam, lParam);
    case WM_CONTEXTMENU:
        // The editor's menu is the main window's, from the keyboard too.
        return SendMessageW(editControl.menuWindow, WM_CONTEXTMENU, wParam, lParam);
    default:
        return PassOn(window, message, wParam, lParam);
    }
}

// The same places to break as the control's own (Uniscribe's line breaks),
// with one difference while a line wraps: a line with no place to break
// before the end of the row is broken at the last character that fits, never
// left to the control. Wine's edit control measures such a line by the
// widths of its characters and, when the line holds a right-to-left cluster
// (a Hebrew letter with its point), writes past the end of that array: a
// corrupt heap and a crash later. Windows breaks such a line at a character
// too. The control passes the text from the start of the line.
int CALLBACK PageWordBreak(wchar_t* text, int index, int count, int action)
{
    if (!text || count <= 0)
        return 0;
    std::vector<SCRIPT_LOGATTR> breaks(static_cast<size_t>(count));
    SCRIPT_ANALYSIS analysis = {};
    analysis.eScript = SCRIPT_UNDEFINED;
    if (FAILED(ScriptBreak(text, count, &analysis, breaks.data())))
        return action == WB_ISDELIMITER ? 0 : index;
    index = std::clamp(index, 0, count);
    switch (action) {
    case WB_LEFT: {
        int at = index > 0 ? index - 1 : 0;
        while (at > 0 && !breaks[at].fSoftBreak)
            --at;
        if (at > 0 || index == 0 || movingByWords)
            return at;
        // Wrapping a word longer than the row: at the last character stop
        // before the index, and always after at least one character.
        at = std::min(index, count - 1);
        while (at > 1 && !breaks[at].fCharStop)
            --at;
        return std::max(at, 1);
    }
    case WB_RIGHT:
        while (index < count && text[index] && !breaks[index].fSoftBreak)
            ++index;
        return index;
    case WB_ISDELIMITER:
        return index < count && breaks[index].fWhiteSpace;
    default:
        return 0;
    }
}
