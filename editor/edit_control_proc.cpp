#include "editor/note_editor.h"

#include "base/shell_services.h"
#include "shell/app_state.h"

namespace {

LRESULT PassOn(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return CallWindowProcW(app.editDefaultProc, window, message, wParam, lParam);
}

// The pattern brush paints the lined page behind the text.
LRESULT OnEraseBackground(HWND window, HDC dc)
{
    RECT client;
    GetClientRect(window, &client);
    FillRect(dc, &client, app.editBrush);
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
        noteEditor.ExplainReadOnlyNote();
    return PassOn(window, WM_KEYDOWN, key, lParam);
}

// Every typed character but Ctrl+C (copy) would change the text.
LRESULT OnChar(HWND window, WPARAM character, LPARAM lParam)
{
    if (window == noteEditor.control && noteEditor.readOnlyNote && character != 0x03) {
        noteEditor.ExplainReadOnlyNote();
        return 0;
    }
    return PassOn(window, WM_CHAR, character, lParam);
}

// A tap-and-hold belongs to the main window, which opens the editor menu;
// the control does not see that press.
LRESULT OnLeftButtonDown(HWND window, WPARAM wParam, LPARAM lParam)
{
    if (IsTapAndHold(window, lParam)) {
        SendMessageW(app.mainWindow, WM_LBUTTONDOWN, wParam, lParam);
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
    default:
        return PassOn(window, message, wParam, lParam);
    }
}
