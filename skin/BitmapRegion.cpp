// Reading bitmap pixels and building window regions from their opaque runs.
#include "skin/BitmapRegion.h"

#include <algorithm>
#include <cstring>

namespace ui {
namespace {

// ExtCreateRegion is happier with modest batches of rectangles.
constexpr std::size_t kRectsPerPart = 2000;

void AddRects(HRGN region, const std::vector<RECT>& rects) {
    std::vector<BYTE> buffer(sizeof(RGNDATAHEADER) + rects.size() * sizeof(RECT));
    RGNDATAHEADER header{};
    header.dwSize = sizeof(RGNDATAHEADER);
    header.iType = RDH_RECTANGLES;
    header.nCount = static_cast<DWORD>(rects.size());
    header.nRgnSize = static_cast<DWORD>(rects.size() * sizeof(RECT));
    RECT bounds{0, 0, 0, 0};
    for (const RECT& r : rects) UnionRect(&bounds, &bounds, &r);
    header.rcBound = bounds;
    std::memcpy(buffer.data(), &header, sizeof header);
    std::memcpy(buffer.data() + sizeof header, rects.data(), rects.size() * sizeof(RECT));
    HRGN part = ExtCreateRegion(nullptr, static_cast<DWORD>(buffer.size()),
                                reinterpret_cast<const RGNDATA*>(buffer.data()));
    if (!part) return;
    CombineRgn(region, region, part, RGN_OR);
    DeleteObject(part);
}

}  // namespace

bool ReadBitmapPixels(HBITMAP bitmap, std::vector<uint32_t>& pixels, int& width, int& height) {
    BITMAP info{};
    if (!bitmap || !GetObjectW(bitmap, sizeof(info), &info)) return false;
    // Skin bitmaps are a few hundred pixels a side; anything far larger is not one of ours.
    constexpr LONG kMaxSide = 8192;
    if (info.bmWidth <= 0 || info.bmHeight == 0 || info.bmWidth > kMaxSide ||
        info.bmHeight > kMaxSide || -info.bmHeight > kMaxSide)
        return false;
    width = info.bmWidth;
    height = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof(format.bmiHeader);
    format.bmiHeader.biWidth = width;
    format.bmiHeader.biHeight = -height;  // top-down rows
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    pixels.assign(static_cast<size_t>(width) * height, 0);
    HDC dc = GetDC(nullptr);
    const int rows = GetDIBits(dc, bitmap, 0, height, pixels.data(), &format, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    return rows == height;
}

HRGN OpaqueRegion(HBITMAP bitmap, COLORREF transparent, int columns, int rows, int dx, int dy) {
    std::vector<uint32_t> pixels;
    int width = 0, height = 0;
    if (!ReadBitmapPixels(bitmap, pixels, width, height)) return nullptr;
    columns = std::clamp(columns, 0, width);
    rows = std::clamp(rows, 0, height);
    const uint32_t key = PixelOf(transparent);
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    std::vector<RECT> rects;
    for (int y = 0; y < rows; ++y) {
        const uint32_t* row = &pixels[static_cast<size_t>(y) * width];
        int x = 0;
        while (x < columns) {
            while (x < columns && (row[x] & 0xFFFFFF) == key) ++x;
            const int start = x;
            while (x < columns && (row[x] & 0xFFFFFF) != key) ++x;
            if (x > start) rects.push_back(RECT{dx + start, dy + y, dx + x, dy + y + 1});
        }
        if (rects.size() >= kRectsPerPart) {
            AddRects(region, rects);
            rects.clear();
        }
    }
    if (!rects.empty()) AddRects(region, rects);
    return region;
}

}  // namespace ui
