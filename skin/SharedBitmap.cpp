// Shared resource bitmaps: one weak entry per module and id, so a bitmap exists while it is held.
#include "skin/SharedBitmap.h"

#include <map>
#include <mutex>
#include <utility>

namespace ui {
namespace {

std::mutex g_lock;
std::map<std::pair<HINSTANCE, UINT>, std::weak_ptr<const SharedBitmap>>& Cache() {
    static auto* cache = new std::map<std::pair<HINSTANCE, UINT>, std::weak_ptr<const SharedBitmap>>;
    return *cache;
}

}  // namespace

SharedBitmap::~SharedBitmap() {
    if (bitmap_) DeleteObject(bitmap_);
}

std::shared_ptr<const SharedBitmap> LoadSharedBitmap(HINSTANCE module, UINT id) {
    std::lock_guard<std::mutex> hold(g_lock);
    auto& cache = Cache();
    // Entries of bitmaps nobody holds any more go on the way: the map stays as small as the set
    // of bitmaps in use.
    for (auto it = cache.begin(); it != cache.end();) it = it->second.expired() ? cache.erase(it) : std::next(it);
    const auto key = std::make_pair(module, id);
    if (auto it = cache.find(key); it != cache.end())
        if (auto held = it->second.lock()) return held;
    auto bitmap = static_cast<HBITMAP>(
        LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!bitmap) return nullptr;
    auto shared = std::make_shared<const SharedBitmap>(bitmap);
    cache[key] = shared;
    return shared;
}

}  // namespace ui
