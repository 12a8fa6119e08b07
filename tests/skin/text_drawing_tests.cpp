#include "skin/text_drawing.h"

#include <gtest/gtest.h>

#include "support/skin_canvas.h"

namespace {

const COLORREF kPaper = RGB(255, 255, 255);

// A plain window whose client rectangle bounds the drawn text.
class TextWindow {
public:
    TextWindow(int width, int height)
    {
        window = CreateWindowExW(0, L"static", L"", WS_POPUP, 0, 0, width, height, nullptr,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    ~TextWindow() { DestroyWindow(window); }
    HWND Handle() const { return window; }

private:
    HWND window;
};

void Prepare(HDC dc)
{
    SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, TRANSPARENT);
}

int TextWidth(HDC dc, const wchar_t* text)
{
    SIZE size = {0, 0};
    GetTextExtentPoint32W(dc, text, lstrlenW(text), &size);
    return size.cx;
}

// The same line drawn directly into the rectangle it should end up in.
void DrawReference(HDC dc, int left, int top, int right, int bottom, const wchar_t* text)
{
    RECT place = {left, top, right, bottom};
    DrawTextW(dc, text, -1, &place, DT_SINGLELINE);
}

TEST(DrawTextAt, DrawsOneLineMovedInFromTheClientCorner)
{
    TextWindow window(120, 40);
    SkinCanvas drawn(120, 40, kPaper);
    SkinCanvas expected(120, 40, kPaper);
    Prepare(drawn.Dc());
    Prepare(expected.Dc());
    DrawTextAt(window.Handle(), drawn.Dc(), 7, 9, L"Каталог\nвторая", -1);
    DrawReference(expected.Dc(), 7, 9, 120, 40, L"Каталог\nвторая");
    EXPECT_TRUE(drawn.SameAs(expected, 0, 0, 120, 40));
    EXPECT_EQ(120 * 9, drawn.Count(kPaper, 0, 0, 120, 9));
    EXPECT_EQ(7 * 40, drawn.Count(kPaper, 0, 0, 7, 40));
    EXPECT_LT(drawn.Count(kPaper, 0, 0, 120, 40), 120 * 40);
}

TEST(DrawTextAt, CountLimitsTheUnitsDrawn)
{
    TextWindow window(120, 40);
    SkinCanvas drawn(120, 40, kPaper);
    SkinCanvas expected(120, 40, kPaper);
    Prepare(drawn.Dc());
    Prepare(expected.Dc());
    DrawTextAt(window.Handle(), drawn.Dc(), 0, 0, L"ФайлXXXX", 4);
    DrawReference(expected.Dc(), 0, 0, 120, 40, L"Файл");
    EXPECT_TRUE(drawn.SameAs(expected, 0, 0, 120, 40));
}

TEST(DrawTextAt, TheRectangleIsClippedToTheClientArea)
{
    TextWindow window(30, 40);
    SkinCanvas drawn(120, 40, kPaper);
    Prepare(drawn.Dc());
    DrawTextAt(window.Handle(), drawn.Dc(), 0, 0, L"WWWWWWWWWWWWWW", -1);
    EXPECT_LT(drawn.Count(kPaper, 0, 0, 30, 40), 30 * 40);
    EXPECT_EQ(90 * 40, drawn.Count(kPaper, 30, 0, 120, 40));
}

TEST(DrawTextCentred, CentresOnTheGivenWidthNotTheWindows)
{
    TextWindow window(200, 40);
    SkinCanvas drawn(200, 40, kPaper);
    SkinCanvas expected(200, 40, kPaper);
    Prepare(drawn.Dc());
    Prepare(expected.Dc());
    const wchar_t text[] = L"Поиск:";
    const int width = 120;
    const int left = (width - TextWidth(drawn.Dc(), text)) / 2;
    DrawTextCentred(window.Handle(), drawn.Dc(), width, 10, text);
    DrawReference(expected.Dc(), left, 10, 200, 40, text);
    EXPECT_TRUE(drawn.SameAs(expected, 0, 0, 200, 40));
    EXPECT_EQ(200 * 10, drawn.Count(kPaper, 0, 0, 200, 10));
}

TEST(DrawTextCentred, OddDifferenceTruncatesTowardTheLeft)
{
    TextWindow window(200, 40);
    SkinCanvas probe(10, 10);
    Prepare(probe.Dc());
    const wchar_t text[] = L"Файл:";
    const int textWidth = TextWidth(probe.Dc(), text);
    const int width = textWidth + 41;   // 20.5 pixels each side
    SkinCanvas drawn(200, 40, kPaper);
    SkinCanvas at20(200, 40, kPaper);
    SkinCanvas at21(200, 40, kPaper);
    Prepare(drawn.Dc());
    Prepare(at20.Dc());
    Prepare(at21.Dc());
    DrawTextCentred(window.Handle(), drawn.Dc(), width, 0, text);
    DrawReference(at20.Dc(), 20, 0, 200, 40, text);
    DrawReference(at21.Dc(), 21, 0, 200, 40, text);
    EXPECT_TRUE(drawn.SameAs(at20, 0, 0, 200, 40));
    EXPECT_FALSE(drawn.SameAs(at21, 0, 0, 200, 40));
}

TEST(DrawTextCentred, TextWiderThanTheWidthStartsLeftOfTheEdge)
{
    TextWindow window(60, 30);
    SkinCanvas probe(10, 10);
    Prepare(probe.Dc());
    const wchar_t text[] = L"Поддержка и ещё длинная строка";
    const int textWidth = TextWidth(probe.Dc(), text);
    const int width = 60;
    ASSERT_GT(textWidth, width + 10);
    const int left = (width - textWidth) / 2;   // negative, truncated toward zero
    ASSERT_LT(left, 0);

    SkinCanvas drawn(60, 30, kPaper);
    SkinCanvas expected(60, 30, kPaper);
    SkinCanvas atEdge(60, 30, kPaper);
    Prepare(drawn.Dc());
    Prepare(expected.Dc());
    Prepare(atEdge.Dc());
    DrawTextCentred(window.Handle(), drawn.Dc(), width, 5, text);
    DrawReference(expected.Dc(), left, 5, 60, 30, text);
    DrawReference(atEdge.Dc(), 0, 5, 60, 30, text);
    EXPECT_TRUE(drawn.SameAs(expected, 0, 0, 60, 30));
    EXPECT_FALSE(drawn.SameAs(atEdge, 0, 0, 60, 30));
}

}  // namespace
