// The heartbeat: while a data connection is up, a page is fetched now and then to keep it active.
#include "net/Heartbeat.h"

#include "framework/Thread.h"

namespace net {

namespace {

// How long Stop waits for a thread busy in a fetch before leaving it to end on its own.
constexpr DWORD kStopGraceMs = 500;

}  // namespace

// How it stops: the thread sleeps by waiting on the stop event, so setting the event wakes it at
// once and it ends without fetching again. A fetch in progress is cancelled by closing its
// handles; where WinINet still lets the call run (Wine does, up to the 60-second receive
// time-out), Stop does not wait for it. The thread's state is shared with the thread, so it lives
// as long as either of them needs it, and a new Start never shares anything with a thread that
// is still ending.
struct Heartbeat::Worker {
    explicit Worker(HttpClient::Options options) : client(options) {}
    ~Worker() {
        if (stop) CloseHandle(stop);
    }

    void Run() {
        while (WaitForSingleObject(stop, intervalMs) == WAIT_TIMEOUT) {
            std::string url = host;
            std::string body;
            client.Fetch(url, body);
        }
    }

    HttpClient client;
    std::string host;
    DWORD intervalMs = INFINITE;
    HANDLE stop = nullptr;
};

bool Heartbeat::Start(const std::string& host, DWORD intervalMs) {
    if (worker_) return false;
    auto worker = std::make_shared<Worker>(options_);
    worker->stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!worker->stop) return false;
    worker->host = host;
    worker->intervalMs = intervalMs;
    thread_ = thread::Start([worker] { worker->Run(); });
    if (!thread_) return false;
    worker_ = std::move(worker);
    return true;
}

void Heartbeat::Stop() {
    if (!worker_) return;
    SetEvent(worker_->stop);
    worker_->client.Cancel();
    WaitForSingleObject(thread_, kStopGraceMs);
    CloseHandle(thread_);
    thread_ = nullptr;
    worker_.reset();
}

Heartbeat& TheHeartbeat() {
    static Heartbeat heartbeat;
    return heartbeat;
}

}  // namespace net
