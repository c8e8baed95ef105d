#pragma once
// Cutting a part of a shared (cached) bitmap into a widget's own bitmap object.

#include "platform/framework/CGdiObject.h"

// Replaces target's bitmap by a copy of the rectangle (x, y)-(right, bottom) of source, made
// compatible with a DC of window (the screen when window is null). Nothing changes without a
// source or when the rectangle is empty.
void CutBitmapSection(CBitmap& target, HWND window, HBITMAP source, int x, int y, int right,
                      int bottom);

// Width and height of a bitmap; 0, 0 for none.
SIZE BitmapSize(HBITMAP bitmap);
