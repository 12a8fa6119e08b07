// Colour-keyed drawing (the handheld's TransparentImage).
#pragma once

#include <windows.h>

// Stretches the source rectangle into the destination, leaving out the
// pixels of the key colour.
BOOL TransparentImage(HDC target, int x, int y, int width, int height,
                      HDC source, int sourceX, int sourceY, int sourceWidth,
                      int sourceHeight, COLORREF key);

// The face of the tree, the notes and the name field: Tahoma, the handheld's
// system face, on Windows; under Wine a copy of Wine's Tahoma the program
// carries (text_faces.cpp says why), registered on the first call.
const wchar_t* NoteFontFace();
// The face for letters NoteFontFace lacks: under Wine the program's second
// face, which Uniscribe takes by itself; null on Windows, where the
// system's font links do that.
const wchar_t* NoteFallbackFace();
// Under Wine the first call of NoteFontFace also points Uniscribe's
// fallback face of every script (HKCU\Software\Wine\Uniscribe\Fallback)
// at the program's second face for as long as it runs; this puts back what
// each value held, so other programs of a prefix it shares keep theirs.
// Called at exit.
void RestoreFallbacks();

// A font of the face whose cell (ascent plus descent) is cellHeight pixels,
// or the tallest the face has below it, so that lines of text keep a pitch
// the caller chose; null when no font could be made.
HFONT CreateFontWithCell(const wchar_t* face, int cellHeight);

// Pixels per logical inch of the screen: 96 at the usual scale, more on a
// high-DPI screen (the program declares itself DPI-aware, so it sees them).
int ScreenDpi();
