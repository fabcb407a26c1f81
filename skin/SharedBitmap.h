// Bitmaps of the resource module that several windows draw alike (the page background): loaded
// once and shared, freed when the last window lets go of them.
#pragma once

#include <windows.h>

#include <memory>

namespace ui {

// A bitmap loaded from a resource module as a DIB section; the handle lives as long as the object.
class SharedBitmap {
public:
    explicit SharedBitmap(HBITMAP bitmap) : bitmap_(bitmap) {}
    ~SharedBitmap();
    SharedBitmap(const SharedBitmap&) = delete;
    SharedBitmap& operator=(const SharedBitmap&) = delete;

    HBITMAP Handle() const { return bitmap_; }

private:
    HBITMAP bitmap_;
};

// Bitmap `id` of `module`, the same object for every holder while any holds it; nullptr when the
// module has no such bitmap. Safe on any thread.
std::shared_ptr<const SharedBitmap> LoadSharedBitmap(HINSTANCE module, UINT id);

}  // namespace ui
