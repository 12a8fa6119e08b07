#include "skin/about_window.h"

#include <gtest/gtest.h>

#include <string>

#include "resources/resource.h"
#include "shell/app_state.h"
#include "shell/main_window.h"
#include "skin/paint_font.h"
#include "skin/skin_strip.h"
#include "support/skin_canvas.h"
#include "support/skin_windows.h"

namespace {

const COLORREF kAboutInk = RGB(0x19, 0x19, 0x55);

bool AboutClassRegistered()
{
    WNDCLASSW found;
    return GetClassInfoW(GetModuleHandleW(nullptr), L"AboutZeph", &found) != FALSE;
}

// Loads the lined paper as start-up does, and releases it after.
class PaperLoaded : public ::testing::Test {
protected:
    PaperLoaded() : main(240, 268)
    {
        editBackgroundStrip.Load(GetModuleHandleW(nullptr), IDB_PAPER, 0, 0, 207, 221, 1, 0);
        editBackgroundStrip.Rescale(240, 268);
    }
    ~PaperLoaded() override
    {
        if (aboutWindow)
            SendMessageW(aboutWindow, WM_CLOSE, 0, 0);
        PumpSkinMessages();
        editBackgroundStrip.Release();
        app.isPocketPc = true;
    }
    TestMainWindow main;
};

TEST(AboutLayout, FontAndLinesFollowTheClientHeight)
{
    EXPECT_EQ(18, AboutWindow::FontHeight(268));
    EXPECT_EQ(76, AboutWindow::LineTop(268, 0));
    EXPECT_EQ(114, AboutWindow::LineTop(268, 1));
    EXPECT_EQ(153, AboutWindow::LineTop(268, 2));
    EXPECT_EQ(13, AboutWindow::FontHeight(200));   // 200 / 12 - 4 = 12, raised
    EXPECT_EQ(13, AboutWindow::FontHeight(203));
    EXPECT_EQ(14, AboutWindow::FontHeight(216));
    EXPECT_EQ(40, AboutWindow::FontHeight(536));
    EXPECT_EQ(153, AboutWindow::LineTop(536, 0));
}

// Rows where the picture differs from the bare paper.
int InkedRows(const SkinCanvas& picture, const SkinCanvas& paper, int top, int bottom)
{
    int rows = 0;
    for (int y = top; y < bottom; ++y)
        if (!picture.SameAs(paper, 0, y, picture.Width(), y + 1))
            ++rows;
    return rows;
}

// Leftmost and rightmost columns where the rows differ from the paper.
bool InkSpan(const SkinCanvas& picture, const SkinCanvas& paper, int top, int bottom, int* left,
             int* right)
{
    *left = picture.Width();
    *right = -1;
    for (int y = top; y < bottom; ++y)
        for (int x = 0; x < picture.Width(); ++x)
            if (picture.Pixel(x, y) != paper.Pixel(x, y)) {
                *left = x < *left ? x : *left;
                *right = x > *right ? x : *right;
            }
    return *right >= 0;
}

void DrawBarePaper(SkinCanvas* paper, int width, int height)
{
    const uint32_t designWidth = editBackgroundStrip.designWidth;
    const uint32_t designHeight = editBackgroundStrip.designHeight;
    editBackgroundStrip.SetDesignSize(207, 221);
    editBackgroundStrip.Draw(paper->Dc(), SRCCOPY, width, height);
    editBackgroundStrip.SetDesignSize(designWidth, designHeight);
}

TEST_F(PaperLoaded, PictureIsThePaperWithThreeCentredLines)
{
    SkinCanvas picture(240, 268);
    SkinCanvas paper(240, 268);
    DrawBarePaper(&paper, 240, 268);
    AboutWindow::DrawPicture(main.Handle(), picture.Dc(), 240, 268);

    // The paper fills the whole picture, enlarged from 207 x 221.
    std::unique_ptr<SkinCanvas> source(LoadResourceCanvas(IDB_PAPER));
    EXPECT_EQ(source->Pixel(0, 0), picture.Pixel(0, 0));
    EXPECT_EQ(source->Pixel(206, 220), picture.Pixel(239, 267));
    EXPECT_EQ(240u, editBackgroundStrip.designWidth) << "the design size is put back";
    EXPECT_EQ(268u, editBackgroundStrip.designHeight);

    // Ink only in the three 18-pixel bands starting at 76, 114 and 153.
    EXPECT_EQ(0, InkedRows(picture, paper, 0, 76));
    EXPECT_GT(InkedRows(picture, paper, 76, 94), 8);
    EXPECT_EQ(0, InkedRows(picture, paper, 94, 114));
    EXPECT_GT(InkedRows(picture, paper, 114, 132), 8);
    EXPECT_EQ(0, InkedRows(picture, paper, 132, 153));
    EXPECT_GT(InkedRows(picture, paper, 153, 171), 8);
    EXPECT_EQ(0, InkedRows(picture, paper, 171, 268));
    EXPECT_GT(picture.Count(kAboutInk, 0, 76, 240, 94), 0);

    // Each line is centred on 240 and fits: no ink at the edges.
    for (int line = 0; line < 3; ++line) {
        int left = 0;
        int right = 0;
        const int top = AboutWindow::LineTop(268, line);
        ASSERT_TRUE(InkSpan(picture, paper, top, top + 18, &left, &right));
        EXPECT_GT(left, 0) << line;
        EXPECT_LT(right, 239) << line;
        EXPECT_LE(abs(left + right + 1 - 240), 4) << line << ": " << left << ".." << right;
    }
}

TEST_F(PaperLoaded, DoubledClientDoublesTheTextAndItStillFits)
{
    SkinCanvas picture(480, 536);
    SkinCanvas paper(480, 536);
    DrawBarePaper(&paper, 480, 536);
    TestMainWindow doubled(480, 536);
    AboutWindow::DrawPicture(doubled.Handle(), picture.Dc(), 480, 536);
    EXPECT_EQ(0, InkedRows(picture, paper, 0, 153));
    for (int line = 0; line < 3; ++line) {
        int left = 0;
        int right = 0;
        const int top = AboutWindow::LineTop(536, line);
        ASSERT_TRUE(InkSpan(picture, paper, top, top + 40, &left, &right));
        EXPECT_GT(InkedRows(picture, paper, top, top + 40), 16) << line;
        EXPECT_GT(left, 0) << line;
        EXPECT_LT(right, 479) << line;
        EXPECT_LE(abs(left + right + 1 - 480), 6) << line << ": " << left << ".." << right;
    }
}

TEST_F(PaperLoaded, LowClientKeepsTheSmallestFont)
{
    SkinCanvas picture(240, 200);
    SkinCanvas paper(240, 200);
    DrawBarePaper(&paper, 240, 200);
    AboutWindow::DrawPicture(main.Handle(), picture.Dc(), 240, 200);
    const int top = AboutWindow::LineTop(200, 0);
    EXPECT_EQ(57, top);
    EXPECT_EQ(0, InkedRows(picture, paper, 0, top));
    EXPECT_GT(InkedRows(picture, paper, top, top + 13), 6);
    EXPECT_EQ(0, InkedRows(picture, paper, top + 13, AboutWindow::LineTop(200, 1)));
}

TEST_F(PaperLoaded, OpenMakesOneWindowWithItsMenuBarAboveIt)
{
    ASSERT_TRUE(AboutWindow::Open(AboutHost()));
    ASSERT_NE(nullptr, aboutWindow);
    EXPECT_TRUE(IsWindowVisible(aboutWindow));
    EXPECT_TRUE(AboutClassRegistered());
    EXPECT_EQ(nullptr, GetParent(aboutWindow));
    wchar_t title[64] = {0};
    GetWindowTextW(aboutWindow, title, 64);
    EXPECT_EQ(std::wstring(L"О программе"), title);
    EXPECT_EQ(sizeof(SHACTIVATEINFO), aboutActivateInfo.cbSize);
    ASSERT_NE(nullptr, aboutMenuBar);
    EXPECT_TRUE(IsWindow(aboutMenuBar));

    // The menu bar lies along the bottom of the window's client area, the
    // handheld's 240 x 294; the picture's 268 rows are above it.
    RECT client;
    RECT bar;
    GetClientRect(aboutWindow, &client);
    MapWindowPoints(aboutWindow, nullptr, reinterpret_cast<POINT*>(&client), 2);
    GetWindowRect(aboutMenuBar, &bar);
    EXPECT_TRUE(IsChild(aboutWindow, aboutMenuBar));
    EXPECT_EQ(client.bottom, bar.bottom);
    EXPECT_EQ(294, client.bottom - client.top);
    EXPECT_EQ(268, bar.top - client.top);

    HWND first = aboutWindow;
    EXPECT_FALSE(AboutWindow::Open(AboutHost())) << "a second About window never opens";
    EXPECT_EQ(first, aboutWindow);
}

TEST_F(PaperLoaded, OnADesktopTypeTheWindowKeepsItsSize)
{
    app.isPocketPc = false;
    ASSERT_TRUE(AboutWindow::Open(AboutHost()));
    ASSERT_NE(nullptr, aboutMenuBar);
    RECT client;
    GetClientRect(aboutWindow, &client);
    EXPECT_EQ(294, client.bottom);
}

void ExpectClosed(HWND window, HWND bar)
{
    EXPECT_EQ(nullptr, aboutWindow);
    EXPECT_EQ(nullptr, aboutMenuBar);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(IsWindow(bar));
    EXPECT_FALSE(AboutClassRegistered());
}

TEST_F(PaperLoaded, TapKeyOrCloseEndsItAndItOpensAgain)
{
    const UINT closers[] = {WM_LBUTTONDOWN, WM_KEYDOWN, WM_CLOSE};
    for (UINT message : closers) {
        ASSERT_TRUE(AboutWindow::Open(AboutHost())) << message;
        HWND window = aboutWindow;
        HWND bar = aboutMenuBar;
        EXPECT_EQ(0, SendMessageW(window, message, message == WM_KEYDOWN ? 'A' : 0, 0));
        ExpectClosed(window, bar);
    }
}

TEST_F(PaperLoaded, OkSoftKeyClosesIt)
{
    ASSERT_TRUE(AboutWindow::Open(AboutHost()));
    HWND window = aboutWindow;
    HWND bar = aboutMenuBar;
    UpdateWindow(bar);
    PostMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 12));
    PostMessageW(bar, WM_LBUTTONUP, 0, MAKELPARAM(10, 12));
    PumpSkinMessages();
    ExpectClosed(window, bar);
}

TEST_F(PaperLoaded, OtherCommandsAreLeftToTheDefault)
{
    ASSERT_TRUE(AboutWindow::Open(AboutHost()));
    SendMessageW(aboutWindow, WM_COMMAND, MAKEWPARAM(IDM_ABOUT, 0), 0);
    EXPECT_TRUE(IsWindow(aboutWindow));
    SendMessageW(aboutWindow, WM_SETTINGCHANGE, 0, 0);
    EXPECT_TRUE(IsWindow(aboutWindow));
}

TEST_F(PaperLoaded, LosingActivationClosesIt)
{
    ASSERT_TRUE(AboutWindow::Open(AboutHost()));
    HWND window = aboutWindow;
    HWND bar = aboutMenuBar;
    SetActiveWindow(window);
    ASSERT_EQ(window, GetActiveWindow());
    SetActiveWindow(main.Handle());
    PumpSkinMessages();
    ExpectClosed(window, bar);
    EXPECT_TRUE(IsWindow(main.Handle()));
}

HHOOK refusingHook = nullptr;
LRESULT CALLBACK RefuseAboutWindow(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        wchar_t className[64] = {0};
        GetClassNameW(reinterpret_cast<HWND>(wParam), className, 64);
        if (lstrcmpW(className, L"AboutZeph") == 0)
            return 1;
    }
    return CallNextHookEx(refusingHook, code, wParam, lParam);
}

TEST_F(PaperLoaded, RefusedWindowLeavesNoClassBehind)
{
    refusingHook = SetWindowsHookExW(WH_CBT, RefuseAboutWindow, nullptr, GetCurrentThreadId());
    EXPECT_FALSE(AboutWindow::Open(AboutHost()));
    UnhookWindowsHookEx(refusingHook);
    EXPECT_EQ(nullptr, aboutWindow);
    EXPECT_FALSE(AboutClassRegistered());
    EXPECT_TRUE(AboutWindow::Open(AboutHost())) << "the next request opens it";
}

TEST(PaintFontTest, ConstructionDefaults)
{
    PaintFont font;
    EXPECT_EQ(10, font.width);
    EXPECT_EQ(10, font.height);
    EXPECT_EQ(0, font.escapement);
    EXPECT_EQ(0, font.orientation);
    EXPECT_EQ(204, font.charSet);
    EXPECT_EQ(0, font.italic);
    EXPECT_EQ(nullptr, font.font);
    EXPECT_EQ(nullptr, font.previousFont);
    EXPECT_EQ(nullptr, font.deviceContext);
    EXPECT_EQ(nullptr, font.face);
}

TEST(PaintFontTest, CreateSelectAndReleaseLeaveTheContextAsItWas)
{
    SkinCanvas canvas(10, 10);
    HGDIOBJ before = GetCurrentObject(canvas.Dc(), OBJ_FONT);
    PaintFont font;
    font.height = 18;
    font.width = 0;
    HFONT made = font.Create(L"Times New Roman Cyr");
    ASSERT_NE(nullptr, made);
    EXPECT_EQ(made, font.font);
    LOGFONTW described = {};
    GetObjectW(made, sizeof(described), &described);
    EXPECT_EQ(18, described.lfHeight);
    EXPECT_EQ(0, described.lfWidth);
    EXPECT_EQ(204, described.lfCharSet);
    EXPECT_EQ(std::wstring(L"Times New Roman Cyr"), described.lfFaceName);

    font.Select(canvas.Dc());
    EXPECT_EQ(made, GetCurrentObject(canvas.Dc(), OBJ_FONT));
    EXPECT_EQ(before, font.previousFont);
    font.Release();
    EXPECT_EQ(before, GetCurrentObject(canvas.Dc(), OBJ_FONT));
    EXPECT_EQ(0u, GetObjectType(made));
    EXPECT_EQ(nullptr, font.font);
}

TEST(PaintFontTest, LongFaceNameIsCutToFit)
{
    PaintFont font;
    const wchar_t longFace[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijkl";
    ASSERT_NE(nullptr, font.Create(longFace));
    EXPECT_EQ(31u, wcslen(font.logicalFont.lfFaceName));
    font.Release();
}

}  // namespace
