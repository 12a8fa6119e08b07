#include "skin/skin_window.h"

#include "skin/text_drawing.h"

namespace {

const int kCaptionTop = 10;

}  // namespace

SkinWindow::SkinWindow()
    : x(0), y(0), width(0), height(0), parent(nullptr), window(nullptr), instance(nullptr),
      windowClass(), procedure(nullptr), classStyle(CS_HREDRAW | CS_VREDRAW),
      windowStyle(WS_CHILD | WS_VISIBLE | WS_BORDER), caption(nullptr), background(nullptr),
      frameWidth(0), frameHeight(0), frameCount(1), currentFrame(0)
{
}

SkinWindow::~SkinWindow()
{
    if (background) {
        background->Release();
        delete background;
        background = nullptr;
    }
}

bool SkinWindow::Create(int32_t x, int32_t y, int32_t width, int32_t height, HWND parent,
                        int iconId, int bitmapId, int32_t frameWidth, int32_t frameHeight,
                        HINSTANCE instance, const wchar_t* caption, const wchar_t* className,
                        WNDPROC procedure)
{
    this->caption = caption;
    this->frameWidth = frameWidth;
    this->frameHeight = frameHeight;
    this->parent = parent;
    this->instance = instance;
    this->procedure = procedure;
    this->x = x;
    this->y = y;
    this->width = width;
    this->height = height;

    // No background brush: the face comes only from Paint.
    windowClass = WNDCLASSW();
    windowClass.style = classStyle;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(iconId));
    windowClass.lpszClassName = className;
    if (!RegisterClassW(&windowClass))
        return false;

    window = CreateWindowExW(0, className, caption, windowStyle, x, y, width, height, parent,
                             nullptr, instance, nullptr);
    if (!window)
        return false;
    CreateFace(bitmapId);
    return true;
}

void SkinWindow::CreateFace(int bitmapId)
{
    if (bitmapId == 0)
        return;
    background = new SkinStrip();
    faceOutcome = background->Load(instance, bitmapId, 0, 0, frameWidth, frameHeight, frameCount,
                     currentFrame);
    background->SetDesignSize(frameWidth, frameHeight);
    background->Rescale(width, height);
}

void SkinWindow::Show(int showCommand)
{
    ShowWindow(window, showCommand);
    UpdateWindow(window);
}

void SkinWindow::Paint()
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    if (dc) {
        RECT client = {0, 0, 0, 0};
        GetClientRect(window, &client);
        if (background)
            background->DrawAt(dc, SRCCOPY, 0, 0, width, height);
        SetBkMode(dc, TRANSPARENT);
        DrawTextCentred(window, dc, client.right, kCaptionTop, caption);
    }
    EndPaint(window, &ps);
}

void SkinWindow::Unregister()
{
    UnregisterClassW(windowClass.lpszClassName, instance);
}

SkinButton::SkinButton() : controlId(0)
{
    frameCount = 3;
    windowStyle = WS_CHILD | WS_VISIBLE | BS_OWNERDRAW;
}

bool SkinButton::Create(int32_t x, int32_t y, int32_t width, int32_t height, HWND parent,
                        int32_t controlId, int bitmapId, int32_t frameWidth,
                        int32_t frameHeight, HINSTANCE instance, const wchar_t* caption,
                        WNDPROC procedure)
{
    this->procedure = procedure;
    this->frameWidth = frameWidth;
    this->frameHeight = frameHeight;
    this->x = x;
    this->y = y;
    this->width = width;
    this->height = height;
    this->parent = parent;
    this->instance = instance;
    this->controlId = controlId;
    this->caption = caption;

    window = CreateWindowExW(0, L"button", caption, windowStyle, x, y, width, height, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)), instance,
                             nullptr);
    CreateFace(bitmapId);
    return true;
}

// Three independent tests: a pressed button with the focus is drawn twice
// and ends on the pressed face; a state of other bits only draws nothing.
void SkinButton::OnDrawItem(int32_t id, const DRAWITEMSTRUCT* item)
{
    if (id != controlId || !item || !background)
        return;
    const UINT state = item->itemState;
    HDC dc = item->hDC;
    if (state == 0) {
        background->currentFrame = 0;
        background->DrawAt(dc, SRCCOPY, 0, 0, width, height);
    }
    if (state & ODS_FOCUS) {
        background->currentFrame = 1;
        background->DrawAt(dc, SRCCOPY, 0, 0, width, height);
    }
    if (state & ODS_SELECTED) {
        background->currentFrame = 2;
        background->DrawAt(dc, SRCCOPY, 0, 0, width, height);
    }
}
