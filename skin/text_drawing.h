// One line of text in a skinned window, in the device context's current
// font, text colour and background mode (the callers set them).
#pragma once

#include <windows.h>

// Draws into the window's client rectangle moved in by dx at the left and dy
// at the top; count -1 means up to the terminating zero.
void DrawTextAt(HWND window, HDC dc, int dx, int dy, const wchar_t* text, int count);

// Centres the line on the given width (not the window's own), at y; a line
// wider than that starts left of the client edge and is clipped there.
void DrawTextCentred(HWND window, HDC dc, int width, int y, const wchar_t* text);
