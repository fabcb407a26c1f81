// Per-window message filters run from a thread's WH_GETMESSAGE hook.
#include "framework/MessageFilter.h"

#include <commctrl.h>

#include <map>
#include <memory>
#include <mutex>

namespace ui {
namespace {

constexpr UINT_PTR kSubclassId = 0x4D46;  // "MF": ends the registration with the window
constexpr int kMaxDepth = 64;             // window nesting is far shallower; guards odd chains

struct Registration {
    DWORD thread = 0;
    std::shared_ptr<const MessageFilter> filter;
};

struct ThreadHook {
    HHOOK hook = nullptr;
    int count = 0;
};

std::mutex g_lock;
std::map<HWND, Registration> g_filters;
std::map<DWORD, ThreadHook> g_hooks;

std::shared_ptr<const MessageFilter> FilterOf(HWND window) {
    std::lock_guard<std::mutex> guard(g_lock);
    auto it = g_filters.find(window);
    if (it == g_filters.end()) return nullptr;
    return it->second.filter;
}

LRESULT CALLBACK GetMessageHook(int code, WPARAM wParam, LPARAM lParam) {
    MSG* msg = reinterpret_cast<MSG*>(lParam);
    // Only messages really leaving the queue: a peek without removal would see them twice.
    if (code == HC_ACTION && wParam == PM_REMOVE && msg && msg->hwnd && msg->message != WM_NULL) {
        const HWND desktop = GetDesktopWindow();
        int depth = 0;
        for (HWND h = msg->hwnd; h && h != desktop && depth < kMaxDepth;
             h = GetAncestor(h, GA_PARENT), ++depth) {
            auto filter = FilterOf(h);
            if (filter && *filter && (*filter)(*msg)) {
                msg->message = WM_NULL;
                msg->wParam = 0;
                msg->lParam = 0;
                break;
            }
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK EndWithWindow(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                               DWORD_PTR) {
    if (msg == WM_NCDESTROY) UnregisterMessageFilter(hwnd);
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

}  // namespace

bool RegisterMessageFilter(HWND window, MessageFilter filter) {
    const DWORD thread = GetCurrentThreadId();
    if (!window || GetWindowThreadProcessId(window, nullptr) != thread) return false;
    auto shared = std::make_shared<const MessageFilter>(std::move(filter));

    std::lock_guard<std::mutex> guard(g_lock);
    auto existing = g_filters.find(window);
    if (existing != g_filters.end()) {
        existing->second.filter = std::move(shared);
        return true;
    }
    ThreadHook& hook = g_hooks[thread];
    if (!hook.hook) {
        hook.hook = SetWindowsHookExW(WH_GETMESSAGE, GetMessageHook, nullptr, thread);
        if (!hook.hook) {
            g_hooks.erase(thread);
            return false;
        }
    }
    if (!SetWindowSubclass(window, EndWithWindow, kSubclassId, 0)) {
        if (hook.count == 0) {
            UnhookWindowsHookEx(hook.hook);
            g_hooks.erase(thread);
        }
        return false;
    }
    ++hook.count;
    g_filters[window] = Registration{thread, std::move(shared)};
    return true;
}

void UnregisterMessageFilter(HWND window) {
    std::shared_ptr<const MessageFilter> doomed;  // released outside the lock
    {
        std::lock_guard<std::mutex> guard(g_lock);
        auto it = g_filters.find(window);
        if (it == g_filters.end()) return;
        const DWORD thread = it->second.thread;
        doomed = std::move(it->second.filter);
        g_filters.erase(it);
        auto hook = g_hooks.find(thread);
        if (hook != g_hooks.end() && --hook->second.count <= 0) {
            UnhookWindowsHookEx(hook->second.hook);
            g_hooks.erase(hook);
        }
    }
    // Registrations are made on the window's thread; the subclass can only be removed there.
    if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId())
        RemoveWindowSubclass(window, EndWithWindow, kSubclassId);
}

int MessageFilterCount() {
    const DWORD thread = GetCurrentThreadId();
    std::lock_guard<std::mutex> guard(g_lock);
    int count = 0;
    for (const auto& entry : g_filters)
        if (entry.second.thread == thread) ++count;
    return count;
}

}  // namespace ui
