// Bitmap pixels and window regions cut from them: the shape of skinned windows.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace ui {

// The pixels of a bitmap as 0x00RRGGBB, rows top down; false when it cannot be read.
bool ReadBitmapPixels(HBITMAP bitmap, std::vector<uint32_t>& pixels, int& width, int& height);

// A COLORREF in the same 0x00RRGGBB form.
inline uint32_t PixelOf(COLORREF colour) {
    return (static_cast<uint32_t>(GetRValue(colour)) << 16) |
           (static_cast<uint32_t>(GetGValue(colour)) << 8) | GetBValue(colour);
}

// The bitmap's pixels that differ from the transparent colour, as a region: one rectangle per
// run of such pixels in each row, only the first `columns` columns and `rows` rows (both clipped
// to the bitmap), shifted by (dx, dy). nullptr when the bitmap cannot be read.
HRGN OpaqueRegion(HBITMAP bitmap, COLORREF transparent, int columns, int rows, int dx = 0,
                  int dy = 0);

}  // namespace ui
