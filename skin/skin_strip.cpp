#include "skin/skin_strip.h"

#include "base/drawing.h"

namespace {

const uint32_t kDesignWidth = 240;
const uint32_t kDesignHeight = 268;

// What a strip without its picture shows: a plain face, so the paint it
// belongs to still covers its rectangle.
void FillMissingFrame(HDC dc, int left, int top, int width, int height)
{
    RECT place = {left, top, left + width, top + height};
    FillRect(dc, &place, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
}

}  // namespace

SkinStrip::SkinStrip()
    : instance(nullptr), resourceId(0), frameCount(0), bitmap(nullptr), bitmapInfo(), x(0), y(0),
      frameWidth(0), frameHeight(0), drawWidth(0), drawHeight(0), designWidth(kDesignWidth),
      designHeight(kDesignHeight), lastClientWidth(0), lastClientHeight(0), currentFrame(0),
      transparent(false), transparentColour(0x00FFFFFF), loadFailed(false)
{
}

SkinStrip::~SkinStrip()
{
    Release();
}

Outcome SkinStrip::Load(HINSTANCE instance, uint32_t resourceId, int32_t x, int32_t y,
                     int32_t frameWidth, int32_t frameHeight, uint32_t frameCount,
                     int32_t currentFrame)
{
    this->instance = instance;
    this->resourceId = resourceId;
    this->x = x;
    this->y = y;
    this->frameWidth = frameWidth;
    this->frameHeight = frameHeight;
    this->frameCount = frameCount;
    this->currentFrame = currentFrame;
    designWidth = kDesignWidth;
    designHeight = kDesignHeight;

    bitmap = LoadBitmapW(instance, MAKEINTRESOURCEW(LOWORD(resourceId)));
    if (!bitmap) {
        loadFailed = true;
        return Outcome::LastError();
    }
    GetObjectW(bitmap, sizeof(bitmapInfo), &bitmapInfo);
    loadFailed = false;
    return Outcome::Success();
}

void SkinStrip::SetDesignSize(uint32_t width, uint32_t height)
{
    designWidth = width;
    designHeight = height;
}

void SkinStrip::Rescale(int32_t clientWidth, int32_t clientHeight)
{
    lastClientWidth = clientWidth;
    lastClientHeight = clientHeight;
    drawWidth = frameWidth * clientWidth / static_cast<int32_t>(designWidth);
    drawHeight = frameHeight * clientHeight / static_cast<int32_t>(designHeight);
}

void SkinStrip::Draw(HDC dc, DWORD rasterOperation, int32_t clientWidth, int32_t clientHeight)
{
    DrawAt(dc, rasterOperation, x, y, clientWidth, clientHeight);
}

void SkinStrip::DrawAt(HDC dc, DWORD rasterOperation, int32_t px, int32_t py,
                       int32_t clientWidth, int32_t clientHeight)
{
    Rescale(clientWidth, clientHeight);
    if (!bitmap) {
        if (!transparent)
            FillMissingFrame(dc, px, py, drawWidth, drawHeight);
        return;
    }
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(source, bitmap);
    const int sourceX = currentFrame * frameWidth;
    if (!transparent) {
        StretchBlt(dc, px, py, drawWidth, drawHeight, source, sourceX, 0, frameWidth,
                   frameHeight, rasterOperation);
    } else {
        TransparentImage(dc, px, py, drawWidth, drawHeight, source, sourceX, 0, frameWidth,
                         frameHeight, transparentColour);
    }
    SelectObject(source, previous);
    DeleteDC(source);
}

void SkinStrip::Release()
{
    if (bitmap) {
        DeleteObject(bitmap);
        bitmap = nullptr;
    }
}
