// The user-interface task queue: tasks handed from any thread to the window's thread.
#include "framework/UiTaskQueue.h"

#include <utility>

namespace ui {

UiTaskQueue::UiTaskQueue() : message_(RegisterWindowMessageW(L"Orvane.UiTask")) {}

void UiTaskQueue::Attach(HWND window) {
    std::lock_guard<std::mutex> guard(lock_);
    window_ = window;
}

void UiTaskQueue::Detach() {
    std::deque<std::function<void()>> dropped;
    {
        std::lock_guard<std::mutex> guard(lock_);
        window_ = nullptr;
        wakePending_ = false;
        dropped.swap(tasks_);
    }
    // Destroyed outside the lock: a task's captures may post again from their destructors.
}

bool UiTaskQueue::Post(std::function<void()> task) {
    if (!task) return false;
    HWND window;
    bool wake;
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (!window_) return false;
        window = window_;
        tasks_.push_back(std::move(task));
        wake = !wakePending_;  // one wake-up message stands for every task queued behind it
        wakePending_ = true;
    }
    if (wake && !PostMessageW(window, message_, 0, 0)) {
        // The window's message queue is full: the next Post tries to wake it again.
        std::lock_guard<std::mutex> guard(lock_);
        wakePending_ = false;
    }
    return true;
}

bool UiTaskQueue::HandleMessage(UINT msg) {
    if (msg != message_) return false;
    RunPending();
    return true;
}

void UiTaskQueue::RunPending() {
    for (;;) {
        std::function<void()> task;
        {
            std::lock_guard<std::mutex> guard(lock_);
            // A task may run a modal loop: whatever is posted meanwhile wakes that loop.
            wakePending_ = false;
            if (tasks_.empty() || !window_) return;
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        task();
    }
}

std::size_t UiTaskQueue::PendingCount() const {
    std::lock_guard<std::mutex> guard(lock_);
    return tasks_.size();
}

UiTaskQueue& UiTasks() {
    static UiTaskQueue* queue = new UiTaskQueue;  // never destroyed: module threads may post late
    return *queue;
}

}  // namespace ui
