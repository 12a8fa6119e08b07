// The Pocket PC shell services the program relies on: menu bar, tap-and-hold
// recognition, activation and setting-change handling, the extra controls
// and the platform type. Desktop Windows and Wine lack them, so this is our
// own small layer with the handheld's names and records.
#pragma once

#include <windows.h>

struct SHMENUBARINFO {
    DWORD cbSize;
    HWND hwndParent;
    DWORD dwFlags;
    UINT nToolBarId;      // menu-bar record resource
    HINSTANCE hInstRes;
    int nBmpId;
    int cBmpImages;
    HWND hwndMB;          // out: the menu bar's window
    COLORREF clrBk;
};

struct SHRGINFO {
    DWORD cbSize;
    HWND hwndClient;
    POINT ptDown;         // in the client coordinates of hwndClient
    DWORD dwFlags;
};

struct SHACTIVATEINFO {
    DWORD cbSize;
    HWND hwndLastFocus;
    UINT fSipUp : 1;
    UINT fSipOnDeactivation : 1;
    UINT fActive : 1;
    UINT fReserved : 29;
};

#define SHRG_RETURNCMD      0x00000001
#define SHRG_NOTIFYPARENT   0x00000002
#define SHRG_NOANIMATION    0x00000010
#define GN_CONTEXTMENU      1000

#ifndef SPI_GETPLATFORMTYPE
#define SPI_GETPLATFORMTYPE 257
#endif

// Creates the menu bar described by menu-bar record nToolBarId. On a desktop
// the bar is a child window, a strip along the bottom of the parent's
// client area across its whole width (the parent's content lies above it,
// MenuBarSpace), whose buttons send their command ids to the parent (a
// drop-down button opens its pop-up instead); it keeps its place at every
// size. The parent is first given the device's work area: the handheld's as
// its client size for the first window given a bar, the first window's
// client area for every later one.
BOOL SHCreateMenuBar(SHMENUBARINFO* info);

// Decides whether the press at info->ptDown is a tap-and-hold. Answers
// GN_CONTEXTMENU for a hold, 0 for a tap. On a desktop a hold is a left press
// held still for about half a second, or a right click.
DWORD SHRecognizeGesture(SHRGINFO* info);

// Whether a control's stylus-down (its WM_LBUTTONDOWN lParam) is a
// tap-and-hold, asked the way the tree and edit controls ask: return the
// gesture, notify the parent, no animation.
bool IsTapAndHold(HWND control, LPARAM pressPoint);

BOOL SHHandleWMActivate(HWND window, WPARAM wParam, LPARAM lParam,
                        SHACTIVATEINFO* info, DWORD flags);
BOOL SHHandleWMSettingChange(HWND window, WPARAM wParam, LPARAM lParam,
                             SHACTIVATEINFO* info);

// Initialises the controls the program uses (tree view) and the desktop's
// stand-ins for the handheld's stylus gestures.
BOOL SHInitExtraControls();

// Whether the program runs under Wine rather than on Windows.
bool RunningUnderWine();

// SystemParametersInfoW(SPI_GETPLATFORMTYPE): the platform type text.
// A desktop reports itself as a Pocket PC.
BOOL GetPlatformType(wchar_t* buffer, UINT bufferBytes);

// Tests decide gestures through this seam instead of waiting for a held
// press; null restores the real recognizer.
typedef DWORD (*GestureDecider)(const SHRGINFO* info);
void SetGestureDecider(GestureDecider decider);

// Height of the smallest menu bar in pixels: 26 at 96 DPI, in proportion to
// the screen's DPI.
int MenuBarHeight();
// The bar grows with its window as the skin does: 26 below a client area of
// 268 (294 with the bar), in proportion above it, never below MenuBarHeight.
// For the parent's whole client height, and for the height above the bar
// (the two agree: a client area of h above the bar and MenuBarHeightAbove(h)
// make a parent whose MenuBarHeightFor is that bar).
int MenuBarHeightFor(int parentClientHeight);
int MenuBarHeightAbove(int clientHeightAboveBar);
// The height a window's menu bar takes at the bottom of its client area;
// 0 when it has none.
int MenuBarSpace(HWND parent);
