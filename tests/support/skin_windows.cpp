#include "support/skin_windows.h"

#include "editor/note_editor.h"
#include "resources/resource.h"
#include "shell/app_state.h"

namespace {

const wchar_t kMainClass[] = L"SkinTestMain";
int quitCode = -1;

LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        FillRect(dc, &ps.rcPaint, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        EndPaint(window, &ps);
        return 0;
    }
    if (message == WM_DESTROY && quitCode >= 0)
        PostQuitMessage(quitCode);
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

TestMainWindow::TestMainWindow(int width, int height)
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = MainProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kMainClass;
    RegisterClassW(&wc);
    quitCode = -1;
    window = CreateWindowExW(0, kMainClass, L"ZephNotes", WS_POPUP | WS_VISIBLE, 0, 0, width,
                             height, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    app.instance = GetModuleHandleW(nullptr);
    app.mainWindow = window;
    app.clientWidth = width;
    app.clientHeight = height;
}

TestMainWindow::~TestMainWindow()
{
    quitCode = -1;
    if (IsWindow(window))
        DestroyWindow(window);
    app.mainWindow = nullptr;
    PumpSkinMessages();
}

void TestMainWindow::QuitOnDestroy(int code)
{
    quitCode = code;
}

NameEntryRequest::NameEntryRequest(HWND parent, const wchar_t* caption,
                                   const wchar_t* initialText, int okBitmap)
{
    app.activeNameEntry = &entry;
    entry.text = WideString(initialText);
    created = entry.Create((app.clientWidth - 162) / 2, (app.clientHeight - 84) / 2, 162, 84,
                           parent, IDI_ZEPHNOTES, IDB_PANEL, 162, 84, IDC_NAME_FIELD,
                           GetModuleHandleW(nullptr), caption, L"MyDirNameClass",
                           NameEntryClassProc);
    entry.CreateButtons(IDC_BUTTON_OK, IDC_BUTTON_CANCEL, okBitmap, IDB_BUTTON_EXIT);
}

NameEntryRequest::~NameEntryRequest()
{
    if (entry.window && IsWindow(entry.window))
        DestroyWindow(entry.window);
    entry.Unregister();
    PumpSkinMessages();
    app.activeNameEntry = nullptr;
}

HWND NameEntryRequest::Field() const
{
    return entry.editor ? entry.editor->control : nullptr;
}

void PumpSkinMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}
