// Pictures of the pop-ups as a person sees them, written as BMP files into
// the folder named by ZEPH_SCREENSHOT_DIR; skipped when it is not set. Run
// under a real display (Xvfb), where the screen can be read back.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "resources/resource.h"
#include "shell/app_state.h"
#include "shell/main_window.h"
#include "shell/name_entry_window.h"
#include "skin/about_window.h"
#include "skin/skin_strip.h"
#include "support/skin_canvas.h"
#include "support/skin_windows.h"

namespace {

std::wstring ScreenshotFolder()
{
    const wchar_t* folder = _wgetenv(L"ZEPH_SCREENSHOT_DIR");
    return folder ? folder : L"";
}

void Settle()
{
    for (int i = 0; i < 10; ++i) {
        PumpSkinMessages();
        Sleep(30);
    }
    GdiFlush();
}

bool CaptureScreen(const RECT& place, const std::wstring& name)
{
    const int width = place.right - place.left;
    const int height = place.bottom - place.top;
    SkinCanvas canvas(width, height);
    HDC screen = GetDC(nullptr);
    BitBlt(canvas.Dc(), 0, 0, width, height, screen, place.left, place.top, SRCCOPY);
    ReleaseDC(nullptr, screen);
    return canvas.SaveBmp(ScreenshotFolder() + L"\\" + name + L".bmp");
}

struct Shot {
    RECT place;
    std::wstring name;
    bool saved;
};
Shot shot;

void CALLBACK CaptureAndCancel(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    Settle();
    shot.saved = CaptureScreen(shot.place, shot.name);
    PostMessageW(app.activeNameEntry->cancelButton->window, BM_CLICK, 0, 0);
}

struct Use {
    const wchar_t* caption;
    const wchar_t* initial;
    int okBitmap;
    const wchar_t* name;
};

TEST(SkinScreenshots, NameEntryWindowForEachUseAndSize)
{
    if (ScreenshotFolder().empty())
        GTEST_SKIP() << "ZEPH_SCREENSHOT_DIR is not set";
    const Use uses[] = {{L"Каталог:", L"Каталог", IDB_BUTTON_OK, L"folder"},
                        {L"Файл:", L"Файл", IDB_BUTTON_OK, L"note"},
                        {L"Поиск:", L"рецепт", IDB_BUTTON_SEARCH, L"search"}};
    const int sizes[][2] = {{240, 268}, {480, 536}};
    for (const auto& size : sizes) {
        for (const Use& use : uses) {
            TestMainWindow main(size[0], size[1]);
            Settle();
            NameEntryRequest request(main.Handle(), use.caption, use.initial, use.okBitmap);
            ASSERT_TRUE(request.Created());
            shot.place = {0, 0, size[0], size[1]};
            shot.name = std::wstring(L"name_entry_") + use.name + L"_" +
                        std::to_wstring(size[0]) + L"x" + std::to_wstring(size[1]);
            shot.saved = false;
            SetTimer(nullptr, 0, 100, CaptureAndCancel);
            EXPECT_EQ(2, request.Entry().RunModal());
            EXPECT_TRUE(shot.saved);
        }
    }
}

TEST(SkinScreenshots, AboutWindowAtBothSizes)
{
    if (ScreenshotFolder().empty())
        GTEST_SKIP() << "ZEPH_SCREENSHOT_DIR is not set";
    const int sizes[][2] = {{240, 268}, {480, 536}};
    for (const auto& size : sizes) {
        TestMainWindow main(size[0], size[1]);
        editBackgroundStrip.Load(GetModuleHandleW(nullptr), IDB_PAPER, 0, 0, 207, 221, 1, 0);
        ASSERT_TRUE(AboutWindow::Open(AboutHost()));
        // A handheld with a doubled screen gives the window the same area
        // as the main window.
        RECT window;
        GetWindowRect(aboutWindow, &window);
        RECT client;
        GetClientRect(aboutWindow, &client);
        MoveWindow(aboutWindow, window.left, window.top,
                   window.right - window.left + size[0] - client.right,
                   window.bottom - window.top + size[1] - client.bottom, TRUE);
        Settle();
        GetWindowRect(aboutWindow, &window);
        RECT bar = window;
        if (aboutMenuBar)
            GetWindowRect(aboutMenuBar, &bar);
        UnionRect(&window, &window, &bar);
        EXPECT_TRUE(CaptureScreen(window, L"about_" + std::to_wstring(size[0]) + L"x" +
                                              std::to_wstring(size[1])));
        SendMessageW(aboutWindow, WM_CLOSE, 0, 0);
        editBackgroundStrip.Release();
    }
}

}  // namespace
