// The one way work reaches the user-interface thread from any thread: a queue of tasks.
//
// How it works: Post() appends a task under a lock and posts the queue's registered message, with
// no payload, to the window the queue is attached to. That window's procedure hands the message to
// RunPending(), which takes the tasks out and runs them in order on the window's thread. Nothing
// travels inside a message, so a forged or late message can only make the queue look for work; a
// task belongs to the queue until it runs, and tasks still queued when the window goes away are
// dropped, never run against a dead window.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <mutex>

namespace ui {

class UiTaskQueue {
public:
    UiTaskQueue();
    UiTaskQueue(const UiTaskQueue&) = delete;
    UiTaskQueue& operator=(const UiTaskQueue&) = delete;

    // From now on tasks run on this window's thread. Call on that thread.
    void Attach(HWND window);
    // Drops every queued task and refuses new ones until attached again. Call on the window's
    // thread (its WM_DESTROY), so no task can be running at that moment.
    void Detach();

    // Queues a task for the attached window's thread; false (and the task dropped) when no window
    // is attached. Safe on any thread.
    bool Post(std::function<void()> task);

    // The registered message that wakes the window. True when msg is it (the tasks then ran).
    bool HandleMessage(UINT msg);
    UINT Message() const { return message_; }
    // Runs the queued tasks on the calling thread (the window's).
    void RunPending();
    std::size_t PendingCount() const;

private:
    UINT message_;
    mutable std::mutex lock_;
    HWND window_ = nullptr;
    bool wakePending_ = false;
    std::deque<std::function<void()>> tasks_;
};

// The program's queue, attached to the main window while it exists.
UiTaskQueue& UiTasks();

}  // namespace ui
