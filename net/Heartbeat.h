// The heartbeat: while a data connection is up, a page is fetched now and then to keep it active.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "net/HttpClient.h"

namespace net {

// The page the connection manager has fetched after a successful dial (every 300000 ms).
inline constexpr char kHeartbeatHost[] = "www.baidu.com";

// A worker thread that waits an interval, fetches the host's page, and again, until stopped.
// The page and any error are dropped: the requests only exist to move traffic. Start and Stop
// are called from one thread (the main thread).
class Heartbeat {
public:
    Heartbeat() = default;
    explicit Heartbeat(HttpClient::Options options) : options_(options) {}
    ~Heartbeat() { Stop(); }
    Heartbeat(const Heartbeat&) = delete;
    Heartbeat& operator=(const Heartbeat&) = delete;

    // Starts the thread; the first fetch comes one interval later. False when it runs already
    // (it keeps its host and interval) or cannot be started.
    bool Start(const std::string& host, DWORD intervalMs);
    // Ends the heartbeat: no fetch starts after it, and it returns within about half a second.
    // A waiting thread is woken and joined; a fetch in progress is cancelled, and when the
    // platform lets it run on, the thread is left to end by itself after that fetch.
    void Stop();
    bool Running() const { return worker_ != nullptr; }

private:
    struct Worker;

    HttpClient::Options options_;
    std::shared_ptr<Worker> worker_;
    HANDLE thread_ = nullptr;
};

// The process-wide heartbeat, made on first use and stopped at exit.
Heartbeat& TheHeartbeat();

}  // namespace net
