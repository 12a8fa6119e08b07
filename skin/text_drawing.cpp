#include "skin/text_drawing.h"

#include <cwchar>

void DrawTextAt(HWND window, HDC dc, int dx, int dy, const wchar_t* text, int count)
{
    if (!text)
        return;
    RECT place = {0, 0, 0, 0};
    GetClientRect(window, &place);
    place.left += dx;
    place.top += dy;
    DrawTextW(dc, text, count, &place, DT_SINGLELINE);
}

void DrawTextCentred(HWND window, HDC dc, int width, int y, const wchar_t* text)
{
    if (!text)
        return;
    SIZE size = {0, 0};
    GetTextExtentExPointW(dc, text, static_cast<int>(wcslen(text)), 0, nullptr, nullptr, &size);
    DrawTextAt(window, dc, (width - size.cx) / 2, y, text, -1);
}
