// The process-wide list of skinned controls.
#include "skin/ControlList.h"

#include <mutex>
#include <vector>

#include "skin/BitmapButton.h"

namespace ui {
namespace {

std::mutex g_lock;
std::vector<std::unique_ptr<BitmapButton>> g_controls;

}  // namespace

BitmapButton* RegisterControl(std::unique_ptr<BitmapButton> control) {
    if (!control) return nullptr;
    std::vector<std::unique_ptr<BitmapButton>> gone;  // deleted outside the lock
    BitmapButton* raw = control.get();
    {
        std::lock_guard<std::mutex> guard(g_lock);
        for (auto& entry : g_controls)
            if (!entry->Hwnd()) gone.push_back(std::move(entry));
        std::erase(g_controls, nullptr);
        g_controls.push_back(std::move(control));
    }
    return raw;
}

std::size_t RegisteredControlCount() {
    std::lock_guard<std::mutex> guard(g_lock);
    return g_controls.size();
}

void DestroyRegisteredControls() {
    // Taken out first: destroying a control may send messages that come back here.
    std::vector<std::unique_ptr<BitmapButton>> all;
    {
        std::lock_guard<std::mutex> guard(g_lock);
        all.swap(g_controls);
    }
    all.clear();
}

}  // namespace ui
