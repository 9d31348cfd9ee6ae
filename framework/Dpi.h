#pragma once

#include <windows.h>

class TBitmap;

// Layouts, fonts and pictures are made for 96 pixels per inch; on a screen with another resolution
// they are scaled from it. The program declares itself per-monitor aware (its manifest), so nothing
// stretches its windows as pictures: each form lays itself out for the resolution of the monitor its
// window is on, and again when the window moves to a monitor with another one (WM_DPICHANGED).
inline constexpr int kDesignDpi = 96;

// Pixels at `fromDpi` as pixels at `toDpi`, rounded to the nearest (halves away from zero).
inline int ScaleValue(int value, int toDpi, int fromDpi = kDesignDpi) {
    return MulDiv(value, toDpi, fromDpi);
}

// The system's resolution: the primary monitor's for a per-monitor aware program.
int SystemDpi();
// The resolution of the monitor a window is on; the system's on platforms before per-monitor
// resolutions (they came with Windows 10 version 1607).
int WindowDpi(HWND window);

// A picture resampled to `width` x `height` by nearest neighbour: every pixel of the result is a pixel
// of the source, so the colours stay exact (the transparent colour of a glyph strip included) and the
// edges sharp. At a whole factor each source pixel becomes a square block; at 125 %, 150 % or 175 %
// some source rows and columns are one pixel wider than others.
TBitmap ScaleBitmap(const TBitmap& source, int width, int height);
