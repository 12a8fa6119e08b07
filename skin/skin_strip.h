// A bitmap resource cut into equally wide frames, drawn scaled so that the
// skin drawn for a 240 x 268 client fills any client size the same way.
#pragma once

#include <windows.h>

#include <cstdint>

#include "base/outcome.h"

class SkinStrip {
public:
    SkinStrip();
    ~SkinStrip();

    // What the load came to: a failure leaves no bitmap and loadFailed set,
    // for the shell to show.
    Outcome Load(HINSTANCE instance, uint32_t resourceId, int32_t x, int32_t y, int32_t frameWidth,
              int32_t frameHeight, uint32_t frameCount, int32_t currentFrame);
    void SetDesignSize(uint32_t width, uint32_t height);
    void Rescale(int32_t clientWidth, int32_t clientHeight);
    void Draw(HDC dc, DWORD rasterOperation, int32_t clientWidth, int32_t clientHeight);
    void DrawAt(HDC dc, DWORD rasterOperation, int32_t px, int32_t py, int32_t clientWidth,
                int32_t clientHeight);
    void Release();

    HINSTANCE instance;
    uint32_t resourceId;        // only the low 16 bits name the bitmap
    uint32_t frameCount;        // owners keep currentFrame below it
    HBITMAP bitmap;             // owned; null before loading and after a failed load
    BITMAP bitmapInfo;
    int32_t x;                  // client pixels, set by the owner, not scaled
    int32_t y;
    int32_t frameWidth;         // bitmap pixels
    int32_t frameHeight;
    int32_t drawWidth;          // from the last Rescale
    int32_t drawHeight;
    uint32_t designWidth;
    uint32_t designHeight;
    int32_t lastClientWidth;
    int32_t lastClientHeight;
    int32_t currentFrame;
    bool transparent;           // colour-keyed on transparentColour instead of a copy
    COLORREF transparentColour;
    bool loadFailed;

private:
    SkinStrip(const SkinStrip&) = delete;
    SkinStrip& operator=(const SkinStrip&) = delete;
};

// The skin of the main window and the tree's icons; start-up loads them.
extern SkinStrip sideStrip;                 // bitmap 129, 2 frames of 30 x 268
extern SkinStrip toolbarStrip;              // bitmap 130, 7 frames of 210 x 40
extern SkinStrip editBackgroundStrip;       // bitmap 131, the lined paper, 207 x 221
extern SkinStrip folderIconStrip;           // bitmap 134, 24 x 24
extern SkinStrip folderSelectedIconStrip;   // bitmap 136
extern SkinStrip noteIconStrip;             // bitmap 133
extern SkinStrip noteSelectedIconStrip;     // bitmap 132
