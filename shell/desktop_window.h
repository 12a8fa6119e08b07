// The main window on a desktop: a frame the user can resize that keeps the
// handheld's proportions, the size of a first start, and the place and size
// kept from the last run. The handheld has none of this: there the window
// is the screen, and nothing here is built for it.
#pragma once

#include <windows.h>

#include <cstdint>

// The design's client size, which every skin position is drawn for.
constexpr int kDesignClientWidth = 240;
constexpr int kDesignClientHeight = 268;

// Style of the main window: visible only on the handheld; on a desktop also
// a caption, a resizable frame, the window menu and the minimise and
// maximise boxes.
DWORD MainWindowStyle();

// The program's client area, in the window's client coordinates: the part
// the skin and the content are drawn in. On a desktop the menu bar lies in
// the window's own client area, along its bottom, and this is what is
// above it; on the handheld the bar is the shell's, outside the window.
RECT ClientAboveBar(HWND window);

// What the window adds on each side of the program's client area (left,
// top, right and bottom thickness): its frame and caption, and the menu bar
// at the bottom; and in all (width, height).
RECT NonClientEdges(HWND window);
SIZE NonClientSize(HWND window);
// The same for a client area of the given height above the bar: the bar
// grows with the window (MenuBarHeightAbove), so a window sized for another
// client height has another bar.
RECT NonClientEdgesFor(HWND window, int clientHeight);

// The client height in the design's proportions for a client width, and
// the width for a height, to the nearest pixel.
int ProportionalHeight(int width);
int ProportionalWidth(int height);

// WM_SIZING: *frame, dragged by the given edge (WMSZ_*), becomes the frame
// whose client area keeps the design's 240 : 268, at least 240 x 268; the
// edges the user does not drag stay where they are. nonClient is what the
// frame adds to the client area (NonClientSize).
void KeepDesignProportions(WPARAM edge, SIZE nonClient, RECT* frame);

// The user's drag of the frame, for the window's procedure. The system's
// size loop (WM_ENTERSIZEMOVE, WM_SIZING..., WM_EXITSIZEMOVE) proposes each
// step from the last rectangle the window answered, so a drag that went
// through proportional sizes would end where its path led, not where the
// pointer is; the proposal is therefore made again from the frame at the
// start and the pointer's whole way, as if nothing had been adjusted, and
// only then kept in proportion. The platform's own limit on the pointer
// (one frame short of the minimum from some edges) then no longer stops a
// drag above 240 x 268. A loop that sized the window without WM_SIZING on
// the way is put in proportion when it ends, from the edges it moved; a
// loop that only moved it leaves its size alone, whatever its proportions.
void BeginFrameDrag(HWND window);
void FollowFrameDrag(HWND window, WPARAM edge, RECT* frame);
void EndFrameDrag(HWND window);

// The smallest client area: the design size in proportion to the screen's
// DPI (96 DPI: 240 x 268), never below the design size.
SIZE SmallestClientSize(int dpi);

// The client size a window takes for a size asked of it: the largest of
// the design's proportions that the asked size holds (never larger than
// asked in either direction), and at least smallest.
SIZE FitInsideAskedSize(SIZE asked, SIZE smallest);

// A size change the program did not make: a window manager's drag, another
// program's request, a restore from maximised. Under Wine such a change
// arrives as nothing but size changes, the same for openbox and xfwm4, for
// a drag of any grip and for `xdotool windowsize`: per step
// WM_WINDOWPOSCHANGING (SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE, or
// with a move for a left or top grip), WM_GETMINMAXINFO, WM_NCCALCSIZE,
// WM_WINDOWPOSCHANGED and WM_SIZE; no WM_ENTERSIZEMOVE, WM_SIZING or
// WM_EXITSIZEMOVE, no sign of where a drag ends, nothing that tells a drag
// from a request. The size must be taken as it comes: a different answer
// (a minimum included) changes the window's idea of its size but never
// reaches the screen. So each step is followed as it is, and once nothing
// has changed for kManagerSettleDelay the window takes the design's
// proportions fitted inside the size it was given, at least the smallest
// size, on its screen's work area, from the edges that stayed. A manager
// that gives its own size back at once (a tiling one) keeps it: the window
// is laid out for that size. The window's own sizing, the system's size
// loop (WM_SIZING does that work) and a maximised or minimised window are
// left alone; a move is only a move. True when the step waits to be put in
// proportion: then ApplyManagerSizing once the window is quiet.
constexpr UINT kManagerSettleDelay = 200;
bool FollowManagerSizing(HWND window, const WINDOWPOS* position);
void ApplyManagerSizing(HWND window);
// The screens changed (WM_DISPLAYCHANGE): the window is put on its screen
// the same way once that is quiet.
void FollowScreenChange(HWND window);

// WM_GETMINMAXINFO: a client area of at least the smallest size, any size
// above it that another program sets; no limit for a step that
// FollowManagerSizing takes as it comes.
void LimitTrackSize(HWND window, MINMAXINFO* info);

// The client size of a first start: twice the design size in proportion to
// dpi (96 DPI: 480 x 536) when room holds it, else the design size in
// proportion to dpi (96 DPI: 240 x 268) when room holds that, else the
// largest size of the design's proportions that room holds; never below
// 240 x 268. room is the client size that the screen's work area leaves
// beside the frame and the menu bar.
SIZE StartClientSize(int dpi, SIZE room);

// The main window's place and size as kept across runs: the client area of
// the restored (neither maximised nor minimised) window in screen
// coordinates, and whether the window was maximised.
struct KeptPlacement {
    RECT client;
    bool maximized;
};

// Values of the program's settings key that hold it, REG_DWORD
// each: left and top as signed numbers, width, height, and 0 or 1.
extern const wchar_t kClientLeftValue[];    // "ClientLeft"
extern const wchar_t kClientTopValue[];     // "ClientTop"
extern const wchar_t kClientWidthValue[];   // "ClientWidth"
extern const wchar_t kClientHeightValue[];  // "ClientHeight"
extern const wchar_t kMaximizedValue[];     // "Maximized"

// The numbers as stored, before they are trusted.
struct StoredNumbers {
    int64_t left, top, width, height, maximized;
};

// Whether stored numbers can be a placement at all: a width and height from
// 240 x 268 up to 16384, a corner within 32767 of the origin, a maximised
// flag of 0 or 1.
bool SensiblePlacement(const StoredNumbers& numbers);

// Reads the kept placement; false when a value is missing, is not a
// REG_DWORD of four bytes, or the numbers are not sensible. Reads quietly:
// the key is made and reported by the sort order's read.
bool ReadKeptPlacement(KeptPlacement* kept);
// Writes the placement, quietly: a key that cannot be written keeps the old.
void WriteKeptPlacement(const KeptPlacement& kept);

// Fits a client rectangle to the screens that exist now: false when it lies
// on none of them (nothing of it on any screen). Otherwise it is made
// smaller, in its own proportions, until the window with its frame and bar
// (edges, NonClientEdges) fits the work area of the screen that holds most
// of it (never below 240 x 268), then moved onto that work area as far as it
// must; true.
bool FitToScreen(RECT edges, RECT* client);

// Start-up on a desktop: gives the window the kept placement when one is
// stored and lies on a screen, else the size of a first start where the
// system placed it, moved onto the screen. A kept maximised window is shown
// maximised: *showCommand becomes SW_SHOWMAXIMIZED unless it asks for a
// minimised or hidden window.
void PlaceMainWindowAtStart(HWND window, int* showCommand);

// Keeps the window's placement for the next run: the restored client area
// and whether it is maximised (a minimised window keeps what it will come
// back to).
void KeepMainWindowPlacement(HWND window);
