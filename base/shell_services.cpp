#include "base/shell_services.h"

#include "base/drawing.h"
#include "resources/resource.h"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>
#include <vector>

namespace {

const wchar_t kMenuBarClass[] = L"ZephMenuBar";
const int kMenuBarHeight = 26;     // at 96 DPI; in proportion to the screen's DPI
const int kDesignAboveBar = 268;   // the client area the skin is drawn for, above the bar
const int kWorkAreaWidth = 240;    // the handheld's screen less its task bar
const int kWorkAreaHeight = 294;
const DWORD kHoldMilliseconds = 500;
const int kHoldTolerance = 4;

struct MenuBarButton {
    WORD command;
    WORD stringId;
    WORD flags;
    WORD popupIndex;
    wchar_t text[64];
    RECT place;
};

struct MenuBar {
    HWND window;
    HWND parent;
    HINSTANCE instance;
    WORD menuId;
    std::vector<MenuBarButton> buttons;
    int pressed;
};

GestureDecider gestureDecider = nullptr;
HHOOK rightClickHook = nullptr;
bool rightClickPressed = false;     // the current left press was a right click
LONG lastDecisionTime = 0;
DWORD lastDecisionPos = 0;
DWORD lastDecision = 0;
bool haveDecision = false;
// The first top-level window given a menu bar: the device's screen.
HWND deviceWindow = nullptr;

// A length of the bar's design at 96 DPI, in the screen's pixels.
int Scaled(int length)
{
    return MulDiv(length, ScreenDpi(), 96);
}

// A length of the bar's design, in a bar of the given height: the bar, its
// buttons and their text grow with it.
int ScaledIn(int barHeight, int length)
{
    return MulDiv(length, barHeight, kMenuBarHeight);
}

// The bar's text: the system's font at the smallest bar, larger in
// proportion in a larger one. One font is kept, for the last height asked.
HFONT BarFont(int barHeight)
{
    static HFONT made = nullptr;
    static int madeFor = 0;
    HFONT system = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    if (barHeight <= MenuBarHeight())
        return system;
    if (made && madeFor == barHeight)
        return made;
    LOGFONTW face = {};
    if (!GetObjectW(system, sizeof(face), &face))
        return system;
    face.lfHeight = MulDiv(face.lfHeight, barHeight, MenuBarHeight());
    face.lfWidth = 0;
    HFONT larger = CreateFontIndirectW(&face);
    if (!larger)
        return system;
    if (made)
        DeleteObject(made);
    made = larger;
    madeFor = barHeight;
    return made;
}

// A right click counts as a tap-and-hold: it reaches the windows as a left
// press that the recognizer then reports as held at once.
LRESULT CALLBACK RightClickProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && wParam == PM_REMOVE) {
        MSG* msg = reinterpret_cast<MSG*>(lParam);
        if (msg->message == WM_RBUTTONDOWN) {
            msg->message = WM_LBUTTONDOWN;
            msg->wParam = (msg->wParam & ~MK_RBUTTON) | MK_LBUTTON;
            rightClickPressed = true;
        } else if (msg->message == WM_LBUTTONDOWN) {
            rightClickPressed = false;
        } else if (msg->message == WM_RBUTTONUP) {
            msg->message = WM_NULL;   // the hold's menu has taken the release
        }
    }
    return CallNextHookEx(rightClickHook, code, wParam, lParam);
}

bool ReleaseQueued()
{
    MSG msg;
    return PeekMessageW(&msg, nullptr, WM_LBUTTONUP, WM_LBUTTONUP, PM_NOREMOVE) != 0;
}

DWORD WaitForHold(const SHRGINFO* info)
{
    POINT start = info->ptDown;
    if (info->hwndClient)
        ClientToScreen(info->hwndClient, &start);
    const DWORD began = GetTickCount();
    for (;;) {
        if (ReleaseQueued())
            return 0;
        if (!(GetAsyncKeyState(VK_LBUTTON) & 0x8000) && !(GetKeyState(VK_LBUTTON) & 0x8000))
            return 0;
        POINT now;
        if (GetCursorPos(&now) &&
            (abs(now.x - start.x) > kHoldTolerance || abs(now.y - start.y) > kHoldTolerance))
            return 0;
        DWORD elapsed = GetTickCount() - began;
        if (elapsed >= kHoldMilliseconds)
            return GN_CONTEXTMENU;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_MOUSEBUTTON);
    }
}

MenuBar* BarOf(HWND window)
{
    return reinterpret_cast<MenuBar*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

void LayOutButtons(MenuBar* bar, int height)
{
    HDC dc = GetDC(bar->window);
    HGDIOBJ oldFont = SelectObject(dc, BarFont(height));
    int left = ScaledIn(height, 4);
    for (MenuBarButton& button : bar->buttons) {
        SIZE size = {0, 0};
        GetTextExtentPoint32W(dc, button.text, static_cast<int>(wcslen(button.text)), &size);
        int width = size.cx + ScaledIn(height, 24);
        SetRect(&button.place, left, ScaledIn(height, 2), left + width,
                height - ScaledIn(height, 2));
        left += width + ScaledIn(height, 4);
    }
    SelectObject(dc, oldFont);
    ReleaseDC(bar->window, dc);
}

// The bar is a strip along the bottom of the parent's client area, across
// its whole width: inside the window, it moves with it wherever it goes,
// whoever moves it, and the frame around the window stays whole.
void PlaceAtParentBottom(MenuBar* bar)
{
    RECT client;
    GetClientRect(bar->parent, &client);
    const int height = MenuBarHeightFor(client.bottom);
    LayOutButtons(bar, height);
    SetWindowPos(bar->window, nullptr, 0, client.bottom - height, client.right, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(bar->window, nullptr, FALSE);
}

void PaintBar(MenuBar* bar)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(bar->window, &ps);
    if (!dc)
        return;
    RECT client;
    GetClientRect(bar->window, &client);
    HBRUSH background = CreateSolidBrush(RGB(28, 58, 118));
    FillRect(dc, &client, background);
    DeleteObject(background);
    HFONT oldFont = static_cast<HFONT>(SelectObject(dc, BarFont(client.bottom)));
    SetBkMode(dc, TRANSPARENT);
    for (size_t i = 0; i < bar->buttons.size(); ++i) {
        MenuBarButton& button = bar->buttons[i];
        if (static_cast<int>(i) == bar->pressed) {
            HBRUSH pressed = CreateSolidBrush(RGB(70, 110, 190));
            FillRect(dc, &button.place, pressed);
            DeleteObject(pressed);
        }
        SetTextColor(dc, RGB(255, 255, 255));
        DrawTextW(dc, button.text, -1, &button.place, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        if (button.flags & MENUBAR_DROPDOWN) {
            // a small arrow tells that the button drops a menu
            const int unit = std::max(1, ScaledIn(client.bottom, 1) * 96 / ScreenDpi());
            int cx = button.place.right - 8 * unit;
            int cy = (button.place.top + button.place.bottom) / 2 - 3 * unit;
            POINT arrow[3] = {{cx - 3 * unit, cy}, {cx + 4 * unit, cy}, {cx, cy + 4 * unit}};
            HBRUSH white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
            HBRUSH oldBrush = static_cast<HBRUSH>(SelectObject(dc, white));
            HPEN oldPen = static_cast<HPEN>(SelectObject(dc, GetStockObject(WHITE_PEN)));
            Polygon(dc, arrow, 3);
            SelectObject(dc, oldPen);
            SelectObject(dc, oldBrush);
        }
    }
    SelectObject(dc, oldFont);
    EndPaint(bar->window, &ps);
}

int ButtonAt(MenuBar* bar, int x, int y)
{
    POINT point = {x, y};
    for (size_t i = 0; i < bar->buttons.size(); ++i) {
        if (PtInRect(&bar->buttons[i].place, point))
            return static_cast<int>(i);
    }
    return -1;
}

void PressButton(MenuBar* bar, int index)
{
    const MenuBarButton& button = bar->buttons[index];
    if (!(button.flags & MENUBAR_DROPDOWN)) {
        PostMessageW(bar->parent, WM_COMMAND, MAKEWPARAM(button.command, 0),
                     reinterpret_cast<LPARAM>(bar->window));
        return;
    }
    HMENU menu = LoadMenuW(bar->instance, MAKEINTRESOURCEW(bar->menuId));
    if (!menu)
        return;
    HMENU popup = GetSubMenu(menu, button.popupIndex);
    if (popup) {
        POINT corner = {button.place.left, 0};
        ClientToScreen(bar->window, &corner);
        bar->pressed = index;
        InvalidateRect(bar->window, nullptr, FALSE);
        TrackPopupMenuEx(popup, TPM_LEFTALIGN | TPM_BOTTOMALIGN | TPM_LEFTBUTTON,
                         corner.x, corner.y, bar->parent, nullptr);
        bar->pressed = -1;
        InvalidateRect(bar->window, nullptr, FALSE);
    }
    DestroyMenu(menu);
}

LRESULT CALLBACK FollowParentProc(HWND window, UINT message, WPARAM wParam,
                                  LPARAM lParam, UINT_PTR, DWORD_PTR data);

LRESULT CALLBACK MenuBarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    MenuBar* bar = BarOf(window);
    switch (message) {
    case WM_PAINT:
        if (bar) {
            PaintBar(bar);
            return 0;
        }
        break;
    case WM_LBUTTONDOWN:
        if (bar) {
            int index = ButtonAt(bar, static_cast<short>(LOWORD(lParam)),
                                 static_cast<short>(HIWORD(lParam)));
            if (index >= 0)
                PressButton(bar, index);
        }
        return 0;
    case WM_NCDESTROY:
        if (bar) {
            // A subclass is known by its procedure and id: the parent must
            // not call into the bar's record once it is gone.
            RemoveWindowSubclass(bar->parent, FollowParentProc, 1);
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            delete bar;
        }
        break;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// The bar keeps to the bottom of its parent's client area at every size.
LRESULT CALLBACK FollowParentProc(HWND window, UINT message, WPARAM wParam,
                                  LPARAM lParam, UINT_PTR, DWORD_PTR data)
{
    MenuBar* bar = reinterpret_cast<MenuBar*>(data);
    LRESULT result = DefSubclassProc(window, message, wParam, lParam);
    if (message == WM_SIZE && wParam != SIZE_MINIMIZED && IsWindow(bar->window)) {
        PlaceAtParentBottom(bar);
    } else if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(window, FollowParentProc, 1);
    }
    return result;
}

bool RegisterMenuBarClass(HINSTANCE instance)
{
    WNDCLASSW existing;
    if (GetClassInfoW(instance, kMenuBarClass, &existing))
        return true;
    WNDCLASSW wc = {};
    wc.lpfnWndProc = MenuBarProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    wc.lpszClassName = kMenuBarClass;
    return RegisterClassW(&wc) != 0;
}

// Gives a top-level window the device's work area: the handheld's
// 240 x 294 as its client area (the bar's room at its bottom) for the first
// such window, where the system placed it; every later one (the About
// window) covers the first one's client area, whatever its size now, as
// the full-screen windows of the device cover each other.
void FitToWorkArea(HWND window)
{
    const DWORD style = static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE));
    if (style & WS_CHILD)
        return;
    RECT client = {0, 0, kWorkAreaWidth, kWorkAreaHeight};
    RECT deviceClient = {0, 0, 0, 0};
    if (deviceWindow && deviceWindow != window && IsWindow(deviceWindow))
        GetClientRect(deviceWindow, &deviceClient);
    if (deviceClient.right > 0 && deviceClient.bottom > 0) {
        client = deviceClient;
        MapWindowPoints(deviceWindow, nullptr, reinterpret_cast<POINT*>(&client), 2);
    } else {
        deviceWindow = window;
    }
    RECT frame = client;
    AdjustWindowRectEx(&frame, style, FALSE, static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE)));
    RECT now;
    GetWindowRect(window, &now);
    const bool first = deviceWindow == window;
    SetWindowPos(window, nullptr, first ? now.left : frame.left, first ? now.top : frame.top,
                 frame.right - frame.left, frame.bottom - frame.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

BOOL SHCreateMenuBar(SHMENUBARINFO* info)
{
    if (!info || !info->hwndParent || !IsWindow(info->hwndParent)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    HRSRC found = FindResourceW(info->hInstRes, MAKEINTRESOURCEW(info->nToolBarId),
                                MAKEINTRESOURCEW(RT_MENUBAR_RECORD));
    HGLOBAL loaded = found ? LoadResource(info->hInstRes, found) : nullptr;
    const WORD* record = loaded ? static_cast<const WORD*>(LockResource(loaded)) : nullptr;
    DWORD recordBytes = found ? SizeofResource(info->hInstRes, found) : 0;
    if (!record || recordBytes < 4) {
        if (GetLastError() == ERROR_SUCCESS)
            SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return FALSE;
    }
    WORD count = record[1];
    if (recordBytes < 4u + count * 8u) {
        SetLastError(ERROR_INVALID_DATA);
        return FALSE;
    }
    if (!RegisterMenuBarClass(info->hInstRes))
        return FALSE;

    MenuBar* bar = new MenuBar();
    bar->parent = info->hwndParent;
    bar->instance = info->hInstRes;
    bar->menuId = record[0];
    bar->pressed = -1;
    for (WORD i = 0; i < count; ++i) {
        const WORD* entry = record + 2 + i * 4;
        MenuBarButton button = {};
        button.command = entry[0];
        button.stringId = entry[1];
        button.flags = entry[2];
        button.popupIndex = entry[3];
        LoadStringW(info->hInstRes, button.stringId, button.text, 64);
        bar->buttons.push_back(button);
    }

    FitToWorkArea(info->hwndParent);
    bar->window = CreateWindowExW(0, kMenuBarClass, L"", WS_CHILD | WS_CLIPSIBLINGS, 0, 0, 0, 0,
                                  info->hwndParent, nullptr, info->hInstRes, nullptr);
    if (!bar->window) {
        delete bar;
        return FALSE;
    }
    SetWindowLongPtrW(bar->window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(bar));
    PlaceAtParentBottom(bar);
    // Above the parent's other children, which are laid out above it.
    SetWindowPos(bar->window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ShowWindow(bar->window, SW_SHOWNOACTIVATE);
    SetWindowSubclass(info->hwndParent, FollowParentProc, 1, reinterpret_cast<DWORD_PTR>(bar));
    info->hwndMB = bar->window;
    return TRUE;
}

DWORD SHRecognizeGesture(SHRGINFO* info)
{
    if (!info)
        return 0;
    if (gestureDecider)
        return gestureDecider(info);
    // A control and then the main window ask about the same press: answer
    // both alike without waiting twice.
    LONG time = GetMessageTime();
    DWORD pos = GetMessagePos();
    if (haveDecision && time == lastDecisionTime && pos == lastDecisionPos)
        return lastDecision;
    DWORD decision = rightClickPressed ? GN_CONTEXTMENU : WaitForHold(info);
    haveDecision = true;
    lastDecisionTime = time;
    lastDecisionPos = pos;
    lastDecision = decision;
    return decision;
}

bool IsTapAndHold(HWND control, LPARAM pressPoint)
{
    SHRGINFO gesture = {};
    gesture.cbSize = sizeof(gesture);
    gesture.hwndClient = control;
    gesture.ptDown.x = LOWORD(pressPoint);
    gesture.ptDown.y = HIWORD(pressPoint);
    gesture.dwFlags = SHRG_RETURNCMD | SHRG_NOTIFYPARENT | SHRG_NOANIMATION;
    return SHRecognizeGesture(&gesture) == GN_CONTEXTMENU;
}

BOOL SHHandleWMActivate(HWND, WPARAM wParam, LPARAM, SHACTIVATEINFO* info, DWORD)
{
    if (info)
        info->fActive = LOWORD(wParam) != WA_INACTIVE;
    return TRUE;
}

BOOL SHHandleWMSettingChange(HWND, WPARAM, LPARAM, SHACTIVATEINFO*)
{
    // No input panel on a desktop: nothing to make room for.
    return TRUE;
}

BOOL SHInitExtraControls()
{
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_TREEVIEW_CLASSES | ICC_STANDARD_CLASSES};
    BOOL ok = InitCommonControlsEx(&controls);
    if (!rightClickHook)
        rightClickHook = SetWindowsHookExW(WH_GETMESSAGE, RightClickProc, nullptr,
                                           GetCurrentThreadId());
    return ok;
}

BOOL GetPlatformType(wchar_t* buffer, UINT bufferBytes)
{
#ifdef _WIN32_WCE
    return SystemParametersInfoW(SPI_GETPLATFORMTYPE, bufferBytes, buffer, 0);
#else
    const wchar_t type[] = L"PocketPC";
    if (!buffer || bufferBytes < sizeof(type)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    wmemcpy(buffer, type, sizeof(type) / sizeof(wchar_t));
    return TRUE;
#endif
}

void SetGestureDecider(GestureDecider decider)
{
    gestureDecider = decider;
}

int MenuBarHeight()
{
    return Scaled(kMenuBarHeight);
}

int MenuBarHeightFor(int parentClientHeight)
{
    return std::max(MenuBarHeight(),
                    parentClientHeight * kMenuBarHeight / (kDesignAboveBar + kMenuBarHeight));
}

int MenuBarHeightAbove(int clientHeightAboveBar)
{
    return std::max(MenuBarHeight(), clientHeightAboveBar * kMenuBarHeight / kDesignAboveBar);
}

int MenuBarSpace(HWND parent)
{
    HWND bar = parent ? FindWindowExW(parent, nullptr, kMenuBarClass, nullptr) : nullptr;
    if (!bar)
        return 0;
    // Reckoned from the parent's size, not read from the bar: the parent
    // lays its content out before the bar has followed a change of size.
    RECT client;
    GetClientRect(parent, &client);
    return MenuBarHeightFor(client.bottom);
}

bool RunningUnderWine()
{
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}
