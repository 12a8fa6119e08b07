#include "shell/name_entry_window.h"

#include "editor/note_editor.h"
#include "shell/app_state.h"

namespace {

const int kFieldLeft = 12;
const int kFieldTop = 74;
const int kFieldWidthLess = 12;
const int kFieldHeightLess = 45;
const int kButtonTop = 58;
const int kOkLeft = 8;
const int kCancelLeft = 82;
const int kButtonWidth = 72;
const int kButtonHeight = 20;
// A name is one line: the field never takes a line break, and scrolls
// sideways under a long name.
const DWORD kFieldStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL;

// The handle with its lowest bit set brings the window and the windows it
// owns to the front; a desktop that refuses it gets the plain handle.
void BringToFront(HWND window)
{
    if (!window)
        return;
    HWND withOwned = reinterpret_cast<HWND>(reinterpret_cast<ULONG_PTR>(window) | 1);
    if (!SetForegroundWindow(withOwned))
        SetForegroundWindow(window);
}

}  // namespace

NameEntryWindow::NameEntryWindow()
    : editor(nullptr), okButton(nullptr), cancelButton(nullptr), result(0), quitPosted(false)
{
}

NameEntryWindow::~NameEntryWindow()
{
    // A pop-up whose loop never ran still has its window.
    if (window && IsWindow(window))
        DestroyWindow(window);
    delete editor;
    editor = nullptr;
    delete okButton;
    okButton = nullptr;
    delete cancelButton;
    cancelButton = nullptr;
}

bool NameEntryWindow::Create(int32_t x, int32_t y, int32_t width, int32_t height, HWND parent,
                             int iconId, int bitmapId, int32_t frameWidth, int32_t frameHeight,
                             int fieldId, HINSTANCE instance, const wchar_t* caption,
                             const wchar_t* className, WNDPROC procedure)
{
    windowStyle = WS_POPUP | WS_VISIBLE | WS_BORDER;
    if (!SkinWindow::Create(x, y, width, height, parent, iconId, bitmapId, frameWidth,
                            frameHeight, instance, caption, className, procedure))
        return false;
    ReportOutcome(faceOutcome);

    editor = new NoteEditor();
    editor->style = kFieldStyle;
    editor->Create(kFieldLeft, kFieldTop, width - kFieldWidthLess, height - kFieldHeightLess,
                   window, fieldId, instance, text.Text());
    editor->SetDesignSize(width, height);
    // The field's own size is the layout's client size: (11, 34, 138, 18)
    // on the 162 x 84 pop-up, over the white band of the panel.
    editor->Layout(width - kFieldWidthLess, height - kFieldHeightLess);
    editor->Show(SW_SHOW);
    return true;
}

void NameEntryWindow::CreateButtons(int okId, int cancelId, int okBitmapId, int cancelBitmapId)
{
    if (!window)
        return;
    okButton = new SkinButton();
    okButton->Create(kOkLeft, kButtonTop, kButtonWidth, kButtonHeight, window, okId, okBitmapId,
                     kButtonWidth, kButtonHeight, instance, L"", nullptr);
    ReportOutcome(okButton->faceOutcome);
    okButton->Show(SW_SHOW);
    cancelButton = new SkinButton();
    cancelButton->Create(kCancelLeft, kButtonTop, kButtonWidth, kButtonHeight, window, cancelId,
                         cancelBitmapId, kButtonWidth, kButtonHeight, instance, L"", nullptr);
    ReportOutcome(cancelButton->faceOutcome);
    cancelButton->Show(SW_SHOW);
    // Typing replaces the offered text; the caret keys keep it.
    if (editor && editor->control) {
        editor->Focus();
        SendMessageW(editor->control, EM_SETSEL, 0, -1);
    }
}

bool NameEntryWindow::PressButtonForKey(const MSG& msg)
{
    if (msg.message != WM_KEYDOWN || !window || (msg.hwnd != window && !IsChild(window, msg.hwnd)))
        return false;
    SkinButton* button = nullptr;
    if (msg.wParam == VK_RETURN)
        button = okButton;
    else if (msg.wParam == VK_ESCAPE)
        button = cancelButton;
    if (!button || !button->window)
        return false;
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(button->controlId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(button->window));
    return true;
}

int32_t NameEntryWindow::RunModal()
{
    // Nothing would ever post the quit that ends the loop: the request ends
    // as cancelled, with its initial text.
    if (!window || !IsWindow(window)) {
        result = 2;
        return result;
    }

    EnableWindow(parent, FALSE);
    BringToFront(window);
    Show(SW_SHOW);
    UpdateWindow(window);

    bool mainLoopQuit = false;
    WPARAM quitCode = 0;
    MSG msg;
    for (;;) {
        const BOOL fetched = GetMessageW(&msg, nullptr, 0, 0);
        if (fetched == 0) {
            // A quit the pop-up did not post belongs to the main loop.
            if (!quitPosted) {
                mainLoopQuit = true;
                quitCode = msg.wParam;
            }
            break;
        }
        if (fetched == -1)
            break;
        if (PressButtonForKey(msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
        // Gone with its parent, not by its own close: a quit the parent's
        // end posted stays queued for the main loop.
        if (!quitPosted && !IsWindow(window))
            break;
    }

    if (mainLoopQuit && IsWindow(window))
        DestroyWindow(window);
    EnableWindow(parent, TRUE);
    if (IsWindow(parent))
        BringToFront(parent);
    if (mainLoopQuit)
        PostQuitMessage(static_cast<int>(quitCode));
    return result;
}

LRESULT NameEntryWindow::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        if (this->window)
            Paint();
        else
            ValidateRect(window, nullptr);
        return 0;
    case WM_CLOSE:
        return OnClose();
    case WM_ACTIVATE:
        return OnActivate(window, wParam, lParam);
    case WM_DRAWITEM:
        return OnDrawItem(wParam, lParam);
    case WM_COMMAND:
        return OnCommand(wParam);
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

LRESULT NameEntryWindow::OnClose()
{
    // The parent takes input again before the pop-up goes, so that the
    // activation passes back to it and keys reach it without a click.
    EnableWindow(parent, TRUE);
    DestroyWindow(window);
    // A quit already waiting is the main loop's; a second one would merge
    // with it and the loop could not tell them apart.
    MSG pending;
    if (!PeekMessageW(&pending, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE)) {
        quitPosted = true;
        PostQuitMessage(0);
    }
    return 0;
}

// Activated, the pop-up hands the keyboard to its field (the default would
// keep it on the pop-up itself, where typing goes nowhere).
LRESULT NameEntryWindow::OnActivate(HWND window, WPARAM wParam, LPARAM lParam)
{
    if (LOWORD(wParam) == WA_INACTIVE || !editor || !editor->control)
        return DefWindowProcW(window, WM_ACTIVATE, wParam, lParam);
    editor->Focus();
    return 0;
}

LRESULT NameEntryWindow::OnDrawItem(WPARAM wParam, LPARAM lParam)
{
    const DRAWITEMSTRUCT* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    const int32_t id = static_cast<int32_t>(wParam);
    if (okButton)
        okButton->OnDrawItem(id, item);
    if (cancelButton)
        cancelButton->OnDrawItem(id, item);
    return 0;
}

LRESULT NameEntryWindow::OnCommand(WPARAM wParam)
{
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    if (editor)
        editor->OnCommand(id, code);
    if (okButton && id == okButton->controlId) {
        text = WideString(editor ? editor->text : text.Text());
        result = 1;
        SendMessageW(window, WM_CLOSE, 0, 0);
    }
    if (cancelButton && id == cancelButton->controlId) {
        result = 2;
        SendMessageW(window, WM_CLOSE, 0, 0);
    }
    return 0;
}

LRESULT CALLBACK NameEntryClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!app.activeNameEntry)
        return DefWindowProcW(window, message, wParam, lParam);
    return app.activeNameEntry->HandleMessage(window, message, wParam, lParam);
}
