#include "support/editor_test_window.h"

#include "editor/note_editor.h"
#include "shell/app_state.h"

namespace {
const wchar_t TestWindowClass[] = L"ZephEditorTestParent";
EditProcInstaller* currentInstaller = nullptr;
}  // namespace

EditorTestWindow::EditorTestWindow() : window(nullptr), routed(nullptr)
{
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = Proc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = TestWindowClass;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    RegisterClassW(&windowClass);
    window = CreateWindowExW(0, TestWindowClass, L"editor test", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                             0, 0, 300, 320, nullptr, nullptr, GetModuleHandleW(nullptr), this);
}

EditorTestWindow::~EditorTestWindow()
{
    if (window)
        DestroyWindow(window);
}

LRESULT CALLBACK EditorTestWindow::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<EditorTestWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self && (message == WM_PAINT || message == WM_ERASEBKGND))
        self->received.push_back({message, wParam, lParam});
    if (self && (message == WM_COMMAND || message == WM_LBUTTONDOWN)) {
        self->received.push_back({message, wParam, lParam});
        if (message == WM_COMMAND && self->routed)
            self->routed->OnCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

EditProcInstaller::EditProcInstaller(HWND control) : control(control), original(nullptr)
{
    currentInstaller = this;
    original = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(control, GWLP_WNDPROC));
    editControl.defaultProc = Recorder;
    // The outer recorder stands in front of EditControlProc to see what arrives.
    SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Outer));
}

size_t EditProcInstaller::CountArrived(UINT message) const
{
    size_t count = 0;
    for (const ReceivedMessage& m : arrived)
        count += m.message == message;
    return count;
}

size_t EditProcInstaller::CountPassedOn(UINT message) const
{
    size_t count = 0;
    for (const ReceivedMessage& m : passedOn)
        count += m.message == message;
    return count;
}

LRESULT CALLBACK EditProcInstaller::Outer(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    currentInstaller->arrived.push_back({message, wParam, lParam});
    return EditControlProc(window, message, wParam, lParam);
}

EditProcInstaller::~EditProcInstaller()
{
    if (IsWindow(control))
        SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
    editControl.defaultProc = nullptr;
    currentInstaller = nullptr;
}

LRESULT CALLBACK EditProcInstaller::Recorder(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam)
{
    EditProcInstaller* self = currentInstaller;
    self->passedOn.push_back({message, wParam, lParam});
    return CallWindowProcW(self->original, window, message, wParam, lParam);
}

std::string NoteFileBytes(const std::wstring& units)
{
    std::string bytes("\xFF\xFE", 2);
    for (wchar_t unit : units) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>((unit >> 8) & 0xFF));
    }
    return bytes;
}

std::wstring UnitsOf(const std::string& bytes)
{
    std::wstring units;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        units.push_back(static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                             (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    return units;
}

std::wstring ControlText(HWND control)
{
    const int length = GetWindowTextLengthW(control);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(control, &text[0], length + 1);
    text.resize(static_cast<size_t>(got));
    return text;
}

void PumpMessages()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}
