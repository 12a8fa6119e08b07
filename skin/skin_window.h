// A window whose face is a SkinStrip drawn to its size with a caption on top,
// and the owner-drawn button whose three faces are the frames of a strip.
#pragma once

#include <windows.h>

#include <cstdint>

#include "skin/skin_strip.h"

class SkinWindow {
public:
    SkinWindow();
    ~SkinWindow();

    // False when the class cannot be registered or the window cannot be
    // made; no face exists then.
    bool Create(int32_t x, int32_t y, int32_t width, int32_t height, HWND parent, int iconId,
                int bitmapId, int32_t frameWidth, int32_t frameHeight, HINSTANCE instance,
                const wchar_t* caption, const wchar_t* className, WNDPROC procedure);
    void Show(int showCommand);
    void Paint();
    void Unregister();

    int32_t x;                  // screen coordinates for a pop-up, parent client ones for a button
    int32_t y;
    int32_t width;              // border included
    int32_t height;
    HWND parent;
    HWND window;                // null until created
    HINSTANCE instance;
    WNDCLASSW windowClass;
    WNDPROC procedure;          // null for a button
    UINT classStyle;
    DWORD windowStyle;
    const wchar_t* caption;     // not owned
    SkinStrip* background;      // the face, owned
    int32_t frameWidth;
    int32_t frameHeight;
    int32_t frameCount;
    int32_t currentFrame;
    Outcome faceOutcome;        // what loading the face came to, for the shell to show

protected:
    // The face: the frame fills the window exactly whatever its size.
    void CreateFace(int bitmapId);

private:
    SkinWindow(const SkinWindow&) = delete;
    SkinWindow& operator=(const SkinWindow&) = delete;
};

class SkinButton : public SkinWindow {
public:
    SkinButton();

    bool Create(int32_t x, int32_t y, int32_t width, int32_t height, HWND parent,
                int32_t controlId, int bitmapId, int32_t frameWidth, int32_t frameHeight,
                HINSTANCE instance, const wchar_t* caption, WNDPROC procedure);
    // Called by the parent for every WM_DRAWITEM; draws only its own button.
    void OnDrawItem(int32_t id, const DRAWITEMSTRUCT* item);

    int32_t controlId;          // also the command id it sends to its parent
};
