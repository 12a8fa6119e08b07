#include "skin/skin_window.h"

#include <gtest/gtest.h>

#include <memory>

#include "resources/resource.h"
#include "support/skin_canvas.h"
#include "support/skin_windows.h"

namespace {

const COLORREF kMarker = RGB(1, 2, 3);

class SkinButtonFaces : public ::testing::Test {
protected:
    SkinButtonFaces()
        : main(240, 268), source(LoadResourceCanvas(IDB_BUTTON_OK)), canvas(72, 20, kMarker)
    {
        button.Create(8, 58, 72, 20, main.Handle(), 402, IDB_BUTTON_OK, 72, 20,
                      GetModuleHandleW(nullptr), L"", nullptr);
    }

    void DrawState(UINT state, int id = 402)
    {
        canvas.Fill(kMarker);
        DRAWITEMSTRUCT item = {};
        item.CtlType = ODT_BUTTON;
        item.CtlID = id;
        item.itemAction = ODA_DRAWENTIRE;
        item.itemState = state;
        item.hwndItem = button.window;
        item.hDC = canvas.Dc();
        SetRect(&item.rcItem, 0, 0, 72, 20);
        button.OnDrawItem(id, &item);
    }

    bool ShowsFrame(int frame)
    {
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 72; ++x)
                if (canvas.Pixel(x, y) != source->Pixel(frame * 72 + x, y))
                    return false;
        return true;
    }

    TestMainWindow main;
    std::unique_ptr<SkinCanvas> source;
    SkinCanvas canvas;
    SkinButton button;
};

TEST_F(SkinButtonFaces, ConstructionGivesAnOwnerDrawnChildWithThreeFrames)
{
    SkinButton fresh;
    EXPECT_EQ(3, fresh.frameCount);
    EXPECT_EQ(static_cast<DWORD>(WS_CHILD | WS_VISIBLE | BS_OWNERDRAW), fresh.windowStyle);
    EXPECT_EQ(nullptr, fresh.window);

    ASSERT_NE(nullptr, button.window);
    wchar_t className[32] = {0};
    GetClassNameW(button.window, className, 32);
    EXPECT_EQ(0, lstrcmpiW(L"button", className));
    EXPECT_EQ(main.Handle(), GetParent(button.window));
    EXPECT_EQ(402, GetDlgCtrlID(button.window));
    ASSERT_NE(nullptr, button.background);
    EXPECT_EQ(72u, button.background->designWidth);
    EXPECT_EQ(20u, button.background->designHeight);
    // The three faces differ: normal, focused and the pressed one.
    int focusedDiffers = 0;
    int pressedDiffers = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 72; ++x) {
            focusedDiffers += source->Pixel(x, y) != source->Pixel(72 + x, y);
            pressedDiffers += source->Pixel(x, y) != source->Pixel(144 + x, y);
        }
    EXPECT_GT(focusedDiffers, 0);
    EXPECT_GT(pressedDiffers, 0);
}

TEST_F(SkinButtonFaces, FaceFollowsTheItemState)
{
    DrawState(0);
    EXPECT_TRUE(ShowsFrame(0));
    EXPECT_EQ(0, button.background->currentFrame);

    DrawState(ODS_FOCUS);
    EXPECT_TRUE(ShowsFrame(1));
    EXPECT_EQ(1, button.background->currentFrame);

    DrawState(ODS_SELECTED);
    EXPECT_TRUE(ShowsFrame(2));
    EXPECT_EQ(2, button.background->currentFrame);
}

TEST_F(SkinButtonFaces, PressedWithFocusEndsOnThePressedFace)
{
    DrawState(ODS_SELECTED | ODS_FOCUS);
    EXPECT_TRUE(ShowsFrame(2));
    EXPECT_EQ(2, button.background->currentFrame);
}

TEST_F(SkinButtonFaces, DisabledOnlyDrawsNothing)
{
    DrawState(0);
    DrawState(ODS_DISABLED);
    EXPECT_EQ(72 * 20, canvas.Count(kMarker, 0, 0, 72, 20));
    EXPECT_EQ(0, button.background->currentFrame);
}

TEST_F(SkinButtonFaces, AnotherButtonsIdDrawsNothing)
{
    DrawState(0, 403);
    EXPECT_EQ(72 * 20, canvas.Count(kMarker, 0, 0, 72, 20));
}

TEST(SkinWindowConstruction, DefaultsOfAChildWithOneFrame)
{
    SkinWindow window;
    EXPECT_EQ(3u, window.classStyle);
    EXPECT_EQ(0x50800000u, window.windowStyle);
    EXPECT_EQ(1, window.frameCount);
    EXPECT_EQ(0, window.currentFrame);
    EXPECT_EQ(nullptr, window.window);
    EXPECT_EQ(nullptr, window.background);
    EXPECT_EQ(nullptr, window.caption);
}

}  // namespace
