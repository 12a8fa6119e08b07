#include "base/shell_services.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <vector>

namespace {

struct Recorded {
    std::vector<UINT> commands;
    std::vector<UINT> popupItems;   // ids of the pop-up that opened
    std::vector<DWORD> gestures;    // recognizer answers for left presses
    bool chooseFromMenu = false;
};

Recorded* recorded = nullptr;

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        recorded->commands.push_back(LOWORD(wParam));
        return 0;
    case WM_INITMENUPOPUP: {
        HMENU menu = reinterpret_cast<HMENU>(wParam);
        for (int i = 0; i < GetMenuItemCount(menu); ++i)
            recorded->popupItems.push_back(GetMenuItemID(menu, i));
        return 0;
    }
    case WM_ENTERIDLE:
        if (wParam == MSGF_MENU) {
            HWND menuWindow = reinterpret_cast<HWND>(lParam);
            if (recorded->chooseFromMenu && menuWindow) {
                recorded->chooseFromMenu = false;
                PostMessageW(menuWindow, WM_KEYDOWN, VK_DOWN, 0);
                PostMessageW(menuWindow, WM_KEYDOWN, VK_RETURN, 0);
            } else if (!recorded->chooseFromMenu) {
                EndMenu();
            }
        }
        return 0;
    case WM_LBUTTONDOWN: {
        SHRGINFO info = {sizeof(info), window, {LOWORD(lParam), HIWORD(lParam)}, SHRG_RETURNCMD};
        recorded->gestures.push_back(SHRecognizeGesture(&info));
        return 0;
    }
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

HWND MakeParent()
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = ParentProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ShellServicesTestParent";
    RegisterClassW(&wc);
    return CreateWindowExW(0, wc.lpszClassName, L"parent", WS_VISIBLE, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                           wc.hInstance, nullptr);
}

void Pump()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

HWND CreateBar(HWND parent, UINT id)
{
    SHMENUBARINFO info = {};
    info.cbSize = sizeof(info);
    info.hwndParent = parent;
    info.nToolBarId = id;
    info.hInstRes = GetModuleHandleW(nullptr);
    EXPECT_TRUE(SHCreateMenuBar(&info));
    return info.hwndMB;
}

class ShellServices : public ::testing::Test {
protected:
    void SetUp() override
    {
        recorded = &record;
        SHInitExtraControls();
        parent = MakeParent();
        ASSERT_NE(nullptr, parent);
    }
    void TearDown() override
    {
        DestroyWindow(parent);
        Pump();
        recorded = nullptr;
    }
    Recorded record;
    HWND parent = nullptr;
};

}  // namespace

namespace {

RECT ClientOnScreen(HWND window)
{
    RECT client;
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    return client;
}

}  // namespace

TEST_F(ShellServices, MenuBarSitsAlongTheBottomOfAWorkAreaSizedParent)
{
    HWND bar = CreateBar(parent, IDMB_MAIN);
    ASSERT_NE(nullptr, bar);
    EXPECT_TRUE(IsChild(parent, bar)) << "inside its parent, moving with it";
    RECT client = ClientOnScreen(parent);
    EXPECT_EQ(240, client.right - client.left);
    EXPECT_EQ(294, client.bottom - client.top);
    RECT barRect;
    GetWindowRect(bar, &barRect);
    EXPECT_EQ(MenuBarHeight(), barRect.bottom - barRect.top);
    EXPECT_EQ(MenuBarHeight(), MenuBarSpace(parent));
    EXPECT_EQ(client.bottom, barRect.bottom) << "along the client area's bottom";
    EXPECT_EQ(client.left, barRect.left) << "across the client area's whole width";
    EXPECT_EQ(client.right, barRect.right);
}

TEST_F(ShellServices, MenuBarFollowsEverySizeAndPlaceOfItsParentAndGrowsWithIt)
{
    HWND bar = CreateBar(parent, IDMB_MAIN);
    ASSERT_NE(nullptr, bar);
    const int places[][4] = {{30, 20, 480, 536}, {90, 40, 333, 401}, {0, 0, 960, 1072},
                             {300, 200, 240, 268}};
    for (const auto& place : places) {
        RECT frame = {0, 0, place[2], place[3]};
        AdjustWindowRectEx(&frame, GetWindowLongW(parent, GWL_STYLE), FALSE,
                           GetWindowLongW(parent, GWL_EXSTYLE));
        SetWindowPos(parent, nullptr, place[0], place[1], frame.right - frame.left,
                     frame.bottom - frame.top, SWP_NOZORDER | SWP_NOACTIVATE);
        const RECT client = ClientOnScreen(parent);
        RECT barRect;
        GetWindowRect(bar, &barRect);
        EXPECT_EQ(client.bottom, barRect.bottom) << place[2] << " x " << place[3];
        EXPECT_EQ(client.left, barRect.left);
        EXPECT_EQ(client.right, barRect.right);
        // 26 below the design's 268, in proportion above it, as the skin.
        const int whole = client.bottom - client.top;
        const int height = std::max(MenuBarHeight(), whole * 26 / 294);
        EXPECT_EQ(height, barRect.bottom - barRect.top);
        EXPECT_EQ(height, MenuBarSpace(parent));
        EXPECT_EQ(height, MenuBarHeightAbove(whole - height)) << "the two agree";
        EXPECT_TRUE(IsWindowVisible(bar));
    }
    ShowWindow(parent, SW_MINIMIZE);
    Pump();
    ShowWindow(parent, SW_RESTORE);
    Pump();
    RECT barRect;
    GetWindowRect(bar, &barRect);
    EXPECT_EQ(ClientOnScreen(parent).bottom, barRect.bottom) << "back in place when restored";
}

TEST_F(ShellServices, TheMenuBarIsInProportionToTheScreensDpi)
{
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(MulDiv(26, dpi, 96), MenuBarHeight());
}

TEST_F(ShellServices, ADestroyedBarNoLongerFollowsItsParent)
{
    const LONG_PTR own = GetWindowLongPtrW(parent, GWLP_WNDPROC);
    HWND bar = CreateBar(parent, IDMB_MAIN);
    ASSERT_NE(nullptr, bar);
    EXPECT_NE(own, GetWindowLongPtrW(parent, GWLP_WNDPROC)) << "the bar follows its parent";
    DestroyWindow(bar);
    // With the bar's record gone, nothing of the bar may stay in the
    // parent's procedure chain: a later move would read the freed record.
    EXPECT_EQ(own, GetWindowLongPtrW(parent, GWLP_WNDPROC));
    RECT window;
    GetWindowRect(parent, &window);
    MoveWindow(parent, window.left + 1, window.top, 200, 200, FALSE);
}

TEST_F(ShellServices, MenuBarButtonSendsItsCommandToTheParent)
{
    HWND bar = CreateBar(parent, IDMB_MAIN);
    ASSERT_NE(nullptr, bar);
    // "Выход" is the first button, at the bar's left end.
    SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 12));
    Pump();
    ASSERT_EQ(1u, record.commands.size());
    EXPECT_EQ(static_cast<UINT>(IDM_EXIT), record.commands[0]);
}

TEST_F(ShellServices, HelpButtonDropsDownItsMenuAndTheChosenItemReachesTheParent)
{
    HWND bar = CreateBar(parent, IDMB_MAIN);
    ASSERT_NE(nullptr, bar);
    RECT barRect;
    GetClientRect(bar, &barRect);
    // The second button is the rightmost: walk in from the right end until a
    // press opens a menu.
    record.chooseFromMenu = true;
    for (int x = barRect.right - 1; x > 0 && record.popupItems.empty(); x -= 8)
        SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, 12));
    Pump();
    ASSERT_EQ(1u, record.popupItems.size());
    EXPECT_EQ(static_cast<UINT>(IDM_ABOUT), record.popupItems[0]);
    ASSERT_FALSE(record.commands.empty());
    EXPECT_EQ(static_cast<UINT>(IDM_ABOUT), record.commands.back())
        << "the drop-down's own button sends no command";
    EXPECT_EQ(1u, record.commands.size());
}

TEST_F(ShellServices, AboutMenuBarHasTheOkSoftKey)
{
    HWND bar = CreateBar(parent, IDMB_ABOUT);
    ASSERT_NE(nullptr, bar);
    SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 12));
    Pump();
    ASSERT_EQ(1u, record.commands.size());
    EXPECT_EQ(40000u, record.commands[0]);
}

TEST_F(ShellServices, MissingMenuBarRecordFails)
{
    SHMENUBARINFO info = {};
    info.cbSize = sizeof(info);
    info.hwndParent = parent;
    info.nToolBarId = 999;
    info.hInstRes = GetModuleHandleW(nullptr);
    SetLastError(0);
    EXPECT_FALSE(SHCreateMenuBar(&info));
    EXPECT_EQ(nullptr, info.hwndMB);
    EXPECT_NE(0u, GetLastError());
}

TEST_F(ShellServices, RightClickCountsAsATapAndHold)
{
    PostMessageW(parent, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(20, 30));
    PostMessageW(parent, WM_RBUTTONUP, 0, MAKELPARAM(20, 30));
    Pump();
    ASSERT_EQ(1u, record.gestures.size()) << "the right press arrives as a left press";
    EXPECT_EQ(static_cast<DWORD>(GN_CONTEXTMENU), record.gestures[0]);
}

TEST_F(ShellServices, ALeftPressReleasedAtOnceIsATap)
{
    PostMessageW(parent, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 30));
    PostMessageW(parent, WM_LBUTTONUP, 0, MAKELPARAM(20, 30));
    Pump();
    ASSERT_EQ(1u, record.gestures.size());
    EXPECT_EQ(0u, record.gestures[0]);
}

namespace {
DWORD AlwaysHeld(const SHRGINFO*) { return GN_CONTEXTMENU; }
}

TEST_F(ShellServices, TestsCanDecideGesturesThroughTheSeam)
{
    SetGestureDecider(AlwaysHeld);
    PostMessageW(parent, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 30));
    PostMessageW(parent, WM_LBUTTONUP, 0, MAKELPARAM(20, 30));
    Pump();
    SetGestureDecider(nullptr);
    ASSERT_EQ(1u, record.gestures.size());
    EXPECT_EQ(static_cast<DWORD>(GN_CONTEXTMENU), record.gestures[0]);
}

TEST(PlatformType, ADesktopReportsAPocketPc)
{
    wchar_t type[130] = {0};
    ASSERT_TRUE(GetPlatformType(type, sizeof(type)));
    EXPECT_STREQ(L"PocketPC", type);
    SetLastError(0);
    EXPECT_FALSE(GetPlatformType(type, 4));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
}

TEST(ActivationHandlers, RecordWhetherTheWindowIsActive)
{
    SHACTIVATEINFO info = {};
    info.cbSize = sizeof(info);
    EXPECT_TRUE(SHHandleWMActivate(nullptr, WA_ACTIVE, 0, &info, 0));
    EXPECT_EQ(1u, info.fActive);
    EXPECT_TRUE(SHHandleWMActivate(nullptr, WA_INACTIVE, 0, &info, 0));
    EXPECT_EQ(0u, info.fActive);
    EXPECT_TRUE(SHHandleWMSettingChange(nullptr, 0, 0, &info));
}
