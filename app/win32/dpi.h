// The resolution a window is shown at, and the message font for it. The program
// says in its manifest that it follows each monitor's resolution, so Windows no
// longer stretches its pixels: sizes and fonts follow the monitor the window is
// on, and change when it moves to another.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <initializer_list>

namespace qv::app::win32 {

// Dots per inch of the monitor `hWnd` is on (the system's before Windows 10).
int WindowDpi(HWND hWnd);
// `pixels` at the standard 96 dpi, at `hWnd`'s resolution.
int ScaledFor(HWND hWnd, int pixels);

// The system's message font at `dpi`, for the caller to delete; nullptr when the
// system names none.
HFONT MakeMessageFont(int dpi);

// The bitmap resource `nId`, drawn for 96 dpi, at `dpi`, for the caller to delete.
// Pixels are repeated, never blended, so that the magenta that marks transparent
// pixels stays exactly magenta; nullptr when it cannot be loaded.
HBITMAP LoadBitmapAtDpi(int nId, int dpi);

// An image list at `dpi` of the bitmap resources `ids`, each a row of square
// images `side` pixels high at 96 dpi, magenta transparent; for the caller to
// destroy. nullptr when no list can be made; a bitmap that cannot be loaded is
// left out.
HIMAGELIST MakeImageListAtDpi(std::initializer_list<int> ids, int side, int dpi);

}  // namespace qv::app::win32
