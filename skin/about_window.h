// The About window: product name and version on the lined paper, with a
// menu bar of its own holding an "OK" soft key. It closes on that key, on
// any tap or key, and as soon as another window becomes active.
#pragma once

#include <windows.h>

#include <cstdint>

#include "base/shell_services.h"

// At most one About window exists; these are null while none does.
extern HWND aboutWindow;
extern HWND aboutMenuBar;
extern SHACTIVATEINFO aboutActivateInfo;

namespace AboutWindow {

// What the About window takes from the program when it opens: the module
// of its resources, whether the device is a Pocket PC, and the main
// window's client size, which it covers (read at each paint: the main
// window keeps it).
struct Host {
    HINSTANCE instance = nullptr;
    bool isPocketPc = true;
    const int32_t* clientWidth = nullptr;
    const int32_t* clientHeight = nullptr;
};

// Registers the class "AboutZeph" and makes the window; false when one is
// already open (its class is still registered) or the window cannot be
// made, and then nothing is left behind.
bool Open(const Host& host);

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The paint message: the picture is made off-screen and copied in one step.
void Paint(HWND window);

// The picture itself, W x H, into dc: the paper, then the three lines.
void DrawPicture(HWND window, HDC dc, int width, int height);

// Cell height of the About font for a client height (never below 13).
int FontHeight(int clientHeight);
// Top of line 0, 1 or 2 for a client height.
int LineTop(int clientHeight, int line);

}  // namespace AboutWindow
