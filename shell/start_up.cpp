#include "shell/start_up.h"

#include "base/shell_services.h"
#include "resources/resource.h"
#include "shell/app_state.h"
#include "shell/main_window.h"

#include <cwchar>

bool IsPocketPc()
{
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    if (!GetVersionExW(&version))
        return true;
    wchar_t platform[130] = {0};
    if (!GetPlatformType(platform, sizeof(platform)))
        return true;
    return wcscmp(platform, L"SmartPhone") != 0;
}

ATOM RegisterMainClass(HINSTANCE instance, const wchar_t* className)
{
    WNDCLASSW wc = {};
    // The whole window is repainted on every size change; it paints every
    // pixel itself, so it has no background brush.
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_ZEPHNOTES));
    wc.lpszClassName = className;
    return RegisterClassW(&wc);
}

bool StartInstance(HINSTANCE instance, int showCommand)
{
    app.instance = instance;
    app.isPocketPc = IsPocketPc();
    SHInitExtraControls();

    wchar_t title[100] = {0};
    wchar_t className[100] = {0};
    LoadStringW(instance, IDS_TITLE, title, 100);
    LoadStringW(instance, IDS_CLASS_NAME, className, 100);

    // One instance only: a second start raises the first and ends.
    HWND running = FindWindowW(className, title);
    if (running) {
        SetForegroundWindow(reinterpret_cast<HWND>(reinterpret_cast<ULONG_PTR>(running) | 1));
        return false;
    }

    if (!RegisterMainClass(instance, className))
        return false;

    app.mainWindow = CreateWindowExW(0, className, title, WS_VISIBLE, CW_USEDEFAULT,
                                     CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                                     nullptr, instance, nullptr);
    if (!app.mainWindow)
        return false;

    if (app.menuBar) {
        RECT window;
        RECT bar;
        GetWindowRect(app.mainWindow, &window);
        GetWindowRect(app.menuBar, &bar);
        if (app.isPocketPc)
            window.bottom -= bar.bottom - bar.top;
        app.clientHeight = window.bottom - window.top;
        app.clientWidth = window.right - window.left;
        MoveWindow(app.mainWindow, window.left, window.top, window.right - window.left,
                   window.bottom - window.top, FALSE);
    }

    InitContent();

    ShowWindow(app.mainWindow, showCommand);
    UpdateWindow(app.mainWindow);
    return true;
}

void InitContent()
{
}

int RunMessageLoop()
{
    HACCEL accelerators = LoadAcceleratorsW(app.instance, MAKEINTRESOURCEW(IDA_MAIN));
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (TranslateAcceleratorW(app.mainWindow, accelerators, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
