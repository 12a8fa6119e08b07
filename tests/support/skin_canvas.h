// A 32-bit top-down memory bitmap selected into its own device context, for
// drawing skin parts off-screen and reading their pixels back.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

class SkinCanvas {
public:
    SkinCanvas(int width, int height, COLORREF fill = RGB(1, 2, 3));
    ~SkinCanvas();

    HDC Dc() const { return dc; }
    int Width() const { return width; }
    int Height() const { return height; }
    COLORREF Pixel(int x, int y) const;
    void Fill(COLORREF colour);
    // Pixels of this colour in the rectangle [left, right) x [top, bottom).
    int Count(COLORREF colour, int left, int top, int right, int bottom) const;
    // True when every pixel of the rectangle equals the other canvas's.
    bool SameAs(const SkinCanvas& other, int left, int top, int right, int bottom) const;
    // Writes the pixels as a 24-bit BMP file.
    bool SaveBmp(const std::wstring& path) const;

private:
    SkinCanvas(const SkinCanvas&) = delete;
    SkinCanvas& operator=(const SkinCanvas&) = delete;

    int width;
    int height;
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ previous;
    uint32_t* bits;
};

// A bitmap resource of the program copied unscaled onto a canvas of its size.
SkinCanvas* LoadResourceCanvas(int bitmapId);
