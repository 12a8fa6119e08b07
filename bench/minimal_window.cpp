// The smallest Win32 program with ZephNotes' window class and title: a
// visible window, painted once, and a message loop. The tree benchmark
// times its start against ZephNotes' own. Started with "tree-view" it also
// loads the common controls and puts an empty tree view in the window: the
// least a program showing a tree needs.
#include <windows.h>
#include <commctrl.h>

#include <cwchar>

namespace {

LRESULT CALLBACK MinimalProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int showCommand)
{
    HMODULE controls = nullptr;
    if (commandLine && wcsstr(commandLine, L"tree-view")) {
        controls = LoadLibraryW(L"comctl32.dll");
        typedef BOOL(WINAPI * InitProc)(const INITCOMMONCONTROLSEX*);
        auto init = controls ? reinterpret_cast<InitProc>(reinterpret_cast<void*>(
                                   GetProcAddress(controls, "InitCommonControlsEx")))
                             : nullptr;
        INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_TREEVIEW_CLASSES};
        if (!init || !init(&classes))
            return 1;
    }
    WNDCLASSW wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = MinimalProc;
    wc.hInstance = instance;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"ZEPHNOTES";
    RegisterClassW(&wc);
    HWND window = CreateWindowExW(0, wc.lpszClassName, L"ZephNotes", WS_VISIBLE, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                  instance, nullptr);
    if (!window)
        return 1;
    if (controls) {
        RECT client;
        GetClientRect(window, &client);
        if (!CreateWindowExW(0, WC_TREEVIEWW, L"", WS_CHILD | WS_VISIBLE, 0, 0, client.right,
                             client.bottom, window, nullptr, instance, nullptr))
            return 1;
    }
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
