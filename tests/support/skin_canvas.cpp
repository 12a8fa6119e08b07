#include "support/skin_canvas.h"

#include <cstdio>
#include <vector>

SkinCanvas::SkinCanvas(int width, int height, COLORREF fill)
    : width(width), height(height), dc(nullptr), bitmap(nullptr), previous(nullptr),
      bits(nullptr)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    void* pixels = nullptr;
    bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    bits = static_cast<uint32_t*>(pixels);
    previous = SelectObject(dc, bitmap);
    Fill(fill);
}

SkinCanvas::~SkinCanvas()
{
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

COLORREF SkinCanvas::Pixel(int x, int y) const
{
    GdiFlush();
    const uint32_t value = bits[y * width + x];
    return RGB((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
}

void SkinCanvas::Fill(COLORREF colour)
{
    GdiFlush();
    const uint32_t value = (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
    for (int i = 0; i < width * height; ++i)
        bits[i] = value;
}

int SkinCanvas::Count(COLORREF colour, int left, int top, int right, int bottom) const
{
    int count = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            if (Pixel(x, y) == colour)
                ++count;
    return count;
}

bool SkinCanvas::SameAs(const SkinCanvas& other, int left, int top, int right, int bottom) const
{
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            if (Pixel(x, y) != other.Pixel(x, y))
                return false;
    return true;
}

bool SkinCanvas::SaveBmp(const std::wstring& path) const
{
    const int rowBytes = (width * 3 + 3) & ~3;
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof(header);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = rowBytes * height;
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(header);
    file.bfSize = file.bfOffBits + header.biSizeImage;
    std::vector<unsigned char> rows(header.biSizeImage, 0);
    for (int y = 0; y < height; ++y) {
        unsigned char* row = &rows[(height - 1 - y) * rowBytes];
        for (int x = 0; x < width; ++x) {
            COLORREF pixel = Pixel(x, y);
            row[x * 3] = GetBValue(pixel);
            row[x * 3 + 1] = GetGValue(pixel);
            row[x * 3 + 2] = GetRValue(pixel);
        }
    }
    FILE* out = _wfopen(path.c_str(), L"wb");
    if (!out)
        return false;
    fwrite(&file, sizeof(file), 1, out);
    fwrite(&header, sizeof(header), 1, out);
    fwrite(rows.data(), 1, rows.size(), out);
    fclose(out);
    return true;
}

SkinCanvas* LoadResourceCanvas(int bitmapId)
{
    HBITMAP bitmap = LoadBitmapW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(bitmapId));
    if (!bitmap)
        return nullptr;
    BITMAP info = {};
    GetObjectW(bitmap, sizeof(info), &info);
    SkinCanvas* canvas = new SkinCanvas(info.bmWidth, info.bmHeight);
    HDC source = CreateCompatibleDC(canvas->Dc());
    HGDIOBJ previous = SelectObject(source, bitmap);
    BitBlt(canvas->Dc(), 0, 0, info.bmWidth, info.bmHeight, source, 0, 0, SRCCOPY);
    SelectObject(source, previous);
    DeleteDC(source);
    DeleteObject(bitmap);
    return canvas;
}
