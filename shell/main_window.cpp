#include "shell/main_window.h"

#include "resources/resource.h"
#include "shell/app_state.h"

namespace {

LRESULT OnCreate(HWND window)
{
    SHMENUBARINFO info = {};
    info.cbSize = sizeof(info);
    info.hwndParent = window;
    info.nToolBarId = IDMB_MAIN;
    info.hInstRes = app.instance;
    app.menuBar = SHCreateMenuBar(&info) ? info.hwndMB : nullptr;
    app.activateInfo = SHACTIVATEINFO{};
    app.activateInfo.cbSize = sizeof(SHACTIVATEINFO);
    return 0;
}

LRESULT OnDestroy()
{
    if (app.menuBar)
        DestroyWindow(app.menuBar);
    PostQuitMessage(0);
    return 0;
}

LRESULT OnPaint(HWND window)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    if (dc) {
        RECT client;
        GetClientRect(window, &client);
        FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }
    EndPaint(window, &ps);
    return 0;
}

LRESULT OnCommand(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (LOWORD(wParam)) {
    case IDM_EXIT:
        SendMessageW(window, WM_CLOSE, 0, 0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return OnCreate(window);
    case WM_DESTROY:
        return OnDestroy();
    case WM_PAINT:
        return OnPaint(window);
    case WM_COMMAND:
        return OnCommand(window, message, wParam, lParam);
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}
