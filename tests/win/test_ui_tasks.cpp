// The user-interface task queue: work from any thread runs on the window's thread, in order;
// nothing a message carries is trusted, and tasks left when the window goes are dropped.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "framework/UiTaskQueue.h"
#include "tests/win/WinTestSupport.h"

namespace {

// A plain window whose procedure hands the queue's message to the queue.
struct QueueWindow {
    explicit QueueWindow(ui::UiTaskQueue& queue) {
        static ui::UiTaskQueue* current = nullptr;
        current = &queue;
        WNDCLASSW wc{};
        wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) CALLBACK -> LRESULT {
            if (current && current->HandleMessage(m)) return 0;
            return DefWindowProcW(h, m, w, l);
        };
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"OrvaneTaskQueueTest";
        RegisterClassW(&wc);
        hwnd = CreateWindowW(wc.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                             wc.hInstance, nullptr);
    }
    ~QueueWindow() { DestroyWindow(hwnd); }
    HWND hwnd;
};

TEST(UiTaskQueue, TasksFromManyThreadsRunOnTheWindowThreadInTheirOrder) {
    ui::UiTaskQueue queue;
    QueueWindow window(queue);
    ASSERT_NE(window.hwnd, nullptr);
    EXPECT_FALSE(queue.Post([] {})) << "nothing runs before a window is attached";
    queue.Attach(window.hwnd);

    const DWORD uiThread = GetCurrentThreadId();
    std::vector<std::vector<int>> seen(4);
    std::atomic<int> wrongThread{0};
    std::vector<std::thread> posters;
    for (int t = 0; t < 4; ++t)
        posters.emplace_back([&, t] {
            for (int i = 0; i < 250; ++i)
                queue.Post([&, t, i] {
                    if (GetCurrentThreadId() != uiThread) ++wrongThread;
                    seen[t].push_back(i);
                });
        });
    for (auto& p : posters) p.join();
    // Forged wake-ups, with or without payload, only make the queue look for work.
    for (int i = 0; i < 100; ++i) PostMessageW(window.hwnd, queue.Message(), i, 0xDEAD0000 + i);
    wintest::PumpUntil([&] { return queue.PendingCount() == 0; }, 5000);
    wintest::Pump(20);
    EXPECT_EQ(wrongThread, 0);
    for (int t = 0; t < 4; ++t) {
        ASSERT_EQ(seen[t].size(), 250u) << t;
        for (int i = 0; i < 250; ++i) EXPECT_EQ(seen[t][i], i);
    }
    queue.Detach();
}

TEST(UiTaskQueue, TasksLeftWhenTheWindowGoesAreDroppedAndFreed) {
    ui::UiTaskQueue queue;
    QueueWindow window(queue);
    queue.Attach(window.hwnd);
    auto token = std::make_shared<int>(7);
    std::weak_ptr<int> watch = token;
    int ran = 0;
    for (int i = 0; i < 10; ++i) queue.Post([token, &ran] { ran += *token; });
    token.reset();
    EXPECT_FALSE(watch.expired()) << "the queue holds the tasks";
    queue.Detach();  // the window's WM_DESTROY does this
    EXPECT_TRUE(watch.expired()) << "dropped tasks are freed with what they hold";
    wintest::Pump(50);
    EXPECT_EQ(ran, 0) << "and never run";
    EXPECT_FALSE(queue.Post([&ran] { ++ran; }));
}

}  // namespace
