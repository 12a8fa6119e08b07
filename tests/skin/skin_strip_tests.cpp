#include "skin/skin_strip.h"

#include <gtest/gtest.h>

#include <memory>

#include "resources/resource.h"
#include "shell/app_state.h"
#include "support/message_boxes.h"
#include "support/skin_canvas.h"

namespace {

const COLORREF kMarker = RGB(1, 2, 3);

HINSTANCE Program()
{
    return GetModuleHandleW(nullptr);
}

TEST(SkinStripConstruction, StartsEmptyOnTheDesignScreen)
{
    SkinStrip strip;
    EXPECT_EQ(nullptr, strip.bitmap);
    EXPECT_EQ(240u, strip.designWidth);
    EXPECT_EQ(268u, strip.designHeight);
    EXPECT_EQ(0x00FFFFFFu, strip.transparentColour);
    EXPECT_FALSE(strip.transparent);
    EXPECT_FALSE(strip.loadFailed);
    EXPECT_EQ(0, strip.currentFrame);
    EXPECT_EQ(0u, strip.frameCount);
    EXPECT_EQ(0, strip.drawWidth);
    EXPECT_EQ(0, strip.drawHeight);
}

TEST(SkinStripLoad, KeepsItsArgumentsAndResetsTheDesignSize)
{
    SkinStrip strip;
    strip.SetDesignSize(10, 20);
    strip.Load(Program(), 0x10000 | IDB_SIDE, 5, 6, 30, 268, 2, 1);
    ASSERT_NE(nullptr, strip.bitmap);
    EXPECT_EQ(Program(), strip.instance);
    EXPECT_EQ(0x10000u | IDB_SIDE, strip.resourceId);   // only the low 16 bits are loaded
    EXPECT_EQ(5, strip.x);
    EXPECT_EQ(6, strip.y);
    EXPECT_EQ(30, strip.frameWidth);
    EXPECT_EQ(268, strip.frameHeight);
    EXPECT_EQ(2u, strip.frameCount);
    EXPECT_EQ(1, strip.currentFrame);
    EXPECT_EQ(240u, strip.designWidth);
    EXPECT_EQ(268u, strip.designHeight);
    EXPECT_FALSE(strip.loadFailed);
    EXPECT_EQ(60, strip.bitmapInfo.bmWidth);
    EXPECT_EQ(268, strip.bitmapInfo.bmHeight);
}

TEST(SkinStripLoad, ReleaseFreesTheBitmapOnce)
{
    SkinStrip strip;
    strip.Load(Program(), IDB_PANEL, 0, 0, 162, 84, 1, 0);
    HBITMAP bitmap = strip.bitmap;
    ASSERT_NE(nullptr, bitmap);
    strip.Release();
    EXPECT_EQ(nullptr, strip.bitmap);
    EXPECT_EQ(0u, GetObjectType(bitmap));
    strip.Release();   // a second release has nothing left to free
}

TEST(SkinStripLoad, MissingBitmapIsReportedAndMarked)
{
    MessageBoxAnswerer boxes;
    SkinStrip strip;
    const Outcome missing = strip.Load(Program(), 999, 0, 0, 30, 30, 1, 0);
    EXPECT_EQ(nullptr, strip.bitmap);
    EXPECT_TRUE(strip.loadFailed);
    EXPECT_FALSE(missing.Done());
    EXPECT_EQ(0u, boxes.Count()) << "the shell shows it";
    ReportOutcome(missing);
    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ(L"Error", boxes.Shown()[0].caption);
    EXPECT_FALSE(boxes.Shown()[0].text.empty());

    // A later successful load clears the mark.
    strip.Load(Program(), IDB_PANEL, 0, 0, 162, 84, 1, 0);
    EXPECT_FALSE(strip.loadFailed);
    EXPECT_EQ(1u, boxes.Count());
}

TEST(SkinStripRescale, ScalesTheFrameWithTheClientAndTruncates)
{
    SkinStrip toolbar;
    toolbar.frameWidth = 210;
    toolbar.frameHeight = 40;
    toolbar.Rescale(240, 268);
    EXPECT_EQ(210, toolbar.drawWidth);
    EXPECT_EQ(40, toolbar.drawHeight);
    toolbar.Rescale(480, 536);
    EXPECT_EQ(420, toolbar.drawWidth);
    EXPECT_EQ(80, toolbar.drawHeight);
    toolbar.Rescale(240, 294);
    EXPECT_EQ(210, toolbar.drawWidth);
    EXPECT_EQ(43, toolbar.drawHeight);   // 40 x 294 / 268 = 43.88
    EXPECT_EQ(240, toolbar.lastClientWidth);
    EXPECT_EQ(294, toolbar.lastClientHeight);

    SkinStrip side;
    side.frameWidth = 30;
    side.frameHeight = 268;
    side.Rescale(240, 294);
    EXPECT_EQ(30, side.drawWidth);
    EXPECT_EQ(294, side.drawHeight);
}

TEST(SkinStripRescale, DesignSizeOfTheFrameFillsAnyWindow)
{
    SkinStrip panel;
    panel.frameWidth = 162;
    panel.frameHeight = 84;
    panel.SetDesignSize(162, 84);
    const int sizes[][2] = {{162, 84}, {324, 168}, {100, 50}, {401, 333}};
    for (const auto& size : sizes) {
        panel.Rescale(size[0], size[1]);
        EXPECT_EQ(size[0], panel.drawWidth);
        EXPECT_EQ(size[1], panel.drawHeight);
    }
}

TEST(SkinStripDraw, FrameOneOfTheSideStripCopiesColumns30To59)
{
    std::unique_ptr<SkinCanvas> source(LoadResourceCanvas(IDB_SIDE));
    ASSERT_TRUE(source);
    SkinStrip side;
    side.Load(Program(), IDB_SIDE, 0, 0, 30, 268, 2, 1);
    SkinCanvas canvas(240, 268, kMarker);
    side.Draw(canvas.Dc(), SRCCOPY, 240, 268);
    int different = 0;
    for (int y = 0; y < 268; ++y)
        for (int x = 0; x < 30; ++x)
            if (canvas.Pixel(x, y) != source->Pixel(30 + x, y))
                ++different;
    EXPECT_EQ(0, different);
    // Nothing is drawn beside the frame.
    EXPECT_EQ(210 * 268, canvas.Count(kMarker, 30, 0, 240, 268));

    side.currentFrame = 0;
    side.Draw(canvas.Dc(), SRCCOPY, 240, 268);
    different = 0;
    int differsFromFrameOne = 0;
    for (int y = 0; y < 268; ++y)
        for (int x = 0; x < 30; ++x) {
            if (canvas.Pixel(x, y) != source->Pixel(x, y))
                ++different;
            if (source->Pixel(x, y) != source->Pixel(30 + x, y))
                ++differsFromFrameOne;
        }
    EXPECT_EQ(0, different);
    EXPECT_GT(differsFromFrameOne, 0);
}

TEST(SkinStripDraw, DrawUsesTheFieldsAndDrawAtItsArgumentsWithoutMovingThem)
{
    std::unique_ptr<SkinCanvas> source(LoadResourceCanvas(IDB_PANEL));
    ASSERT_TRUE(source);
    SkinStrip panel;
    panel.Load(Program(), IDB_PANEL, 20, 10, 162, 84, 1, 0);
    SkinCanvas canvas(240, 268, kMarker);
    panel.Draw(canvas.Dc(), SRCCOPY, 240, 268);
    EXPECT_EQ(source->Pixel(0, 0), canvas.Pixel(20, 10));
    EXPECT_EQ(source->Pixel(161, 83), canvas.Pixel(181, 93));
    EXPECT_EQ(kMarker, canvas.Pixel(19, 10));
    EXPECT_EQ(kMarker, canvas.Pixel(182, 94));

    canvas.Fill(kMarker);
    panel.DrawAt(canvas.Dc(), SRCCOPY, 50, 100, 240, 268);
    EXPECT_EQ(source->Pixel(0, 0), canvas.Pixel(50, 100));
    EXPECT_EQ(source->Pixel(161, 83), canvas.Pixel(211, 183));
    EXPECT_EQ(kMarker, canvas.Pixel(20, 10));
    EXPECT_EQ(20, panel.x);
    EXPECT_EQ(10, panel.y);
}

TEST(SkinStripDraw, FrameSizedDesignFillsTheWindowExactly)
{
    SkinStrip panel;
    panel.Load(Program(), IDB_PANEL, 0, 0, 162, 84, 1, 0);
    panel.SetDesignSize(162, 84);
    SkinCanvas canvas(330, 180, kMarker);
    panel.DrawAt(canvas.Dc(), SRCCOPY, 0, 0, 324, 168);
    EXPECT_EQ(0, canvas.Count(kMarker, 0, 0, 324, 168));
    EXPECT_EQ(330 * 180 - 324 * 168, canvas.Count(kMarker, 0, 0, 330, 180));
}

TEST(SkinStripDraw, ColourKeyedDrawingLeavesWhiteOut)
{
    std::unique_ptr<SkinCanvas> source(LoadResourceCanvas(IDB_PANEL));
    ASSERT_TRUE(source);
    const int white = source->Count(RGB(255, 255, 255), 0, 0, 162, 84);
    ASSERT_GT(white, 0);
    SkinStrip panel;
    panel.Load(Program(), IDB_PANEL, 0, 0, 162, 84, 1, 0);
    panel.transparent = true;
    SkinCanvas canvas(162, 84, kMarker);
    panel.Draw(canvas.Dc(), SRCCOPY, 240, 268);
    EXPECT_EQ(white, canvas.Count(kMarker, 0, 0, 162, 84));
    EXPECT_EQ(0, canvas.Count(RGB(255, 255, 255), 0, 0, 162, 84));
    EXPECT_EQ(source->Pixel(0, 0), canvas.Pixel(0, 0));
}

TEST(SkinStripDraw, StripWithoutItsBitmapDrawsAPlainFaceAndThePaintGoesOn)
{
    MessageBoxAnswerer boxes;
    SkinStrip missing;
    missing.Load(Program(), 999, 0, 0, 30, 268, 2, 1);
    ASSERT_EQ(nullptr, missing.bitmap);
    SkinStrip side;
    side.Load(Program(), IDB_SIDE, 210, 0, 30, 268, 2, 0);
    std::unique_ptr<SkinCanvas> source(LoadResourceCanvas(IDB_SIDE));

    SkinCanvas canvas(240, 268, kMarker);
    missing.Draw(canvas.Dc(), SRCCOPY, 240, 268);
    side.Draw(canvas.Dc(), SRCCOPY, 240, 268);

    const COLORREF face = canvas.Pixel(0, 0);
    EXPECT_NE(kMarker, face);
    EXPECT_EQ(30 * 268, canvas.Count(face, 0, 0, 30, 268));
    EXPECT_EQ(kMarker, canvas.Pixel(30, 0));
    EXPECT_EQ(source->Pixel(0, 0), canvas.Pixel(210, 0));
    EXPECT_EQ(30, missing.drawWidth);
    EXPECT_EQ(268, missing.drawHeight);

    // A colour-keyed strip without its picture leaves the place untouched.
    canvas.Fill(kMarker);
    missing.transparent = true;
    missing.Draw(canvas.Dc(), SRCCOPY, 240, 268);
    EXPECT_EQ(240 * 268, canvas.Count(kMarker, 0, 0, 240, 268));
}

}  // namespace
