#include "skin/about_window.h"

#include "base/resource_text.h"
#include "resources/resource.h"
#include "skin/paint_font.h"
#include "skin/skin_strip.h"
#include "skin/text_drawing.h"

HWND aboutWindow = nullptr;
HWND aboutMenuBar = nullptr;
SHACTIVATEINFO aboutActivateInfo = {};

namespace {

const wchar_t kClassName[] = L"AboutZeph";
const wchar_t kFontFace[] = L"Times New Roman Cyr";
const COLORREF kTextColour = 0x00551919;
const int kMinimumFontHeight = 13;

// Product name and version, copyright, support contact.
const UINT kLineStrings[3] = {IDS_ABOUT_NAME, IDS_ABOUT_COPYRIGHT, IDS_ABOUT_CONTACT};

WNDCLASSW aboutClass;
AboutWindow::Host host;

LRESULT OnCreate(HWND window)
{
    SHMENUBARINFO info = {};
    info.cbSize = sizeof(info);
    info.hwndParent = window;
    info.dwFlags = 0;
    info.nToolBarId = IDMB_ABOUT;
    info.hInstRes = host.instance;
    aboutMenuBar = SHCreateMenuBar(&info) ? info.hwndMB : nullptr;
    aboutActivateInfo = SHACTIVATEINFO{};
    aboutActivateInfo.cbSize = sizeof(SHACTIVATEINFO);
    return 0;
}

// Cleared before the window goes, so the deactivation that its destruction
// brings sends no second close.
LRESULT Close(HWND window)
{
    aboutWindow = nullptr;
    if (aboutMenuBar) {
        DestroyWindow(aboutMenuBar);
        aboutMenuBar = nullptr;
    }
    DestroyWindow(window);
    UnregisterClassW(kClassName, host.instance);
    return 0;
}

LRESULT OnActivate(HWND window, WPARAM wParam, LPARAM lParam)
{
    SHHandleWMActivate(window, wParam, lParam, &aboutActivateInfo, 0);
    if (LOWORD(wParam) == WA_INACTIVE && aboutWindow)
        SendMessageW(window, WM_CLOSE, 0, 0);
    return 0;
}

LRESULT OnCommand(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (LOWORD(wParam) == IDM_EXIT) {
        SendMessageW(window, WM_CLOSE, 0, 0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

namespace AboutWindow {

bool Open(const Host& opener)
{
    // A second request while one is open changes nothing of it.
    if (!aboutWindow)
        host = opener;
    aboutClass = WNDCLASSW();
    aboutClass.style = CS_HREDRAW | CS_VREDRAW;
    aboutClass.lpfnWndProc = Procedure;
    aboutClass.hInstance = host.instance;
    aboutClass.hIcon = LoadIconW(host.instance, MAKEINTRESOURCEW(IDI_ZEPHNOTES));
    aboutClass.lpszClassName = kClassName;
    if (!RegisterClassW(&aboutClass))
        return false;

    const std::wstring title = ResourceText(IDS_ABOUT_TITLE);
    aboutWindow = CreateWindowExW(0, kClassName, title.c_str(), WS_VISIBLE, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                  host.instance, nullptr);
    if (!aboutWindow) {
        // A class left registered would keep every later About window out.
        UnregisterClassW(kClassName, host.instance);
        return false;
    }
#ifdef _WIN32_WCE
    // The shell sized the window to the work area, its bar's room included:
    // the window ends above the bar. (On a desktop the bar lies inside the
    // window, which covers the main window's client area as it is.)
    if (!aboutMenuBar)
        return true;

    RECT window;
    RECT bar;
    GetWindowRect(aboutWindow, &window);
    GetWindowRect(aboutMenuBar, &bar);
    if (host.isPocketPc)
        window.bottom -= bar.bottom - bar.top;
    MoveWindow(aboutWindow, window.left, window.top, window.right - window.left,
               window.bottom - window.top, FALSE);
#endif
    return true;
}

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return OnCreate(window);
    case WM_ACTIVATE:
        return OnActivate(window, wParam, lParam);
    case WM_PAINT:
        Paint(window);
        return 0;
    case WM_CLOSE:
    case WM_KEYDOWN:
    case WM_LBUTTONDOWN:
        return Close(window);
    case WM_SETTINGCHANGE:
        SHHandleWMSettingChange(window, wParam, lParam, &aboutActivateInfo);
        return 0;
    case WM_COMMAND:
        return OnCommand(window, message, wParam, lParam);
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

int FontHeight(int clientHeight)
{
    const int height = clientHeight / 12 - 4;
    return height < kMinimumFontHeight ? kMinimumFontHeight : height;
}

int LineTop(int clientHeight, int line)
{
    return (line + 2) * clientHeight / 7;
}

void DrawPicture(HWND window, HDC dc, int width, int height)
{
    // The paper is drawn whole into the window's size, whatever that is.
    const uint32_t savedDesignWidth = editBackgroundStrip.designWidth;
    const uint32_t savedDesignHeight = editBackgroundStrip.designHeight;
    editBackgroundStrip.SetDesignSize(editBackgroundStrip.frameWidth,
                                      editBackgroundStrip.frameHeight);
    editBackgroundStrip.Draw(dc, SRCCOPY, width, height);
    editBackgroundStrip.SetDesignSize(savedDesignWidth, savedDesignHeight);

    SetBkMode(dc, TRANSPARENT);
    PaintFont font;
    font.height = FontHeight(height);
    font.width = 0;
    font.Create(kFontFace);
    font.Select(dc);
    SetTextColor(dc, kTextColour);
    for (int line = 0; line < 3; ++line) {
        wchar_t text[100] = {};
        LoadStringW(host.instance, kLineStrings[line], text, 100);
        DrawTextCentred(window, dc, width, LineTop(height, line), text);
    }
    font.Release();
}

void Paint(HWND window)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    if (!dc) {
        EndPaint(window, &ps);
        return;
    }
    // Both windows cover the same area: the main window's client size.
    const int width = host.clientWidth ? *host.clientWidth : 0;
    const int height = host.clientHeight ? *host.clientHeight : 0;
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP picture = CreateCompatibleBitmap(dc, width, height);
    HGDIOBJ previous = SelectObject(memory, picture);
    DrawPicture(window, memory, width, height);
    BitBlt(dc, 0, 0, width, height, memory, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
    DeleteDC(memory);
    DeleteObject(picture);
    EndPaint(window, &ps);
}

}  // namespace AboutWindow
