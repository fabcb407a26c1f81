// The HTTP client and the heartbeat against a real HTTP server on 127.0.0.1 run by the test itself.
#include <gtest/gtest.h>
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "WinTestSupport.h"
#include "net/Heartbeat.h"
#include "net/HttpClient.h"
#include "net/UrlCore.h"

namespace {

// A canned HTTP answer, closing the connection after it.
std::string Answer(const std::string& statusLine, const std::string& headers,
                   const std::string& body = {}) {
    return "HTTP/1.1 " + statusLine + "\r\n" + headers + "Content-Length: " +
           std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

std::string Redirect(const std::string& location) {
    return Answer("302 Found", "Location: " + location + "\r\n");
}

// An HTTP server on an ephemeral port of 127.0.0.1, served by one thread: each request's path
// picks a canned answer; a path set to hang gets its request read and never an answer. Paths
// without an answer get 404.
class LocalServer {
public:
    LocalServer() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        int length = sizeof address;
        if (listener_ == INVALID_SOCKET ||
            bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            listen(listener_, 16) != 0 ||
            getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            return;
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }

    ~LocalServer() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        for (const Held& held : held_) closesocket(held.socket);
        if (listener_ != INVALID_SOCKET) closesocket(listener_);
        WSACleanup();
    }

    uint16_t Port() const { return port_; }
    std::string Url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }

    void On(const std::string& path, const std::string& answer) {
        std::lock_guard<std::mutex> guard(lock_);
        answers_[path] = answer;
    }
    void HangOn(const std::string& path) {
        std::lock_guard<std::mutex> guard(lock_);
        hanging_[path] = true;
    }
    int Hits(const std::string& path) {
        std::lock_guard<std::mutex> guard(lock_);
        return hits_[path];
    }
    std::string LastRequest(const std::string& path) {
        std::lock_guard<std::mutex> guard(lock_);
        return requests_[path];
    }

private:
    void Serve() {
        while (!stop_) {
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(listener_, &readable);
            timeval wait{0, 50 * 1000};
            DropOldHeld();
            if (select(0, &readable, nullptr, nullptr, &wait) <= 0) continue;
            SOCKET client = accept(listener_, nullptr, nullptr);
            if (client != INVALID_SOCKET) Handle(client);
        }
    }

    // A client that waits for ever on a hanging path fails its test instead of hanging the run.
    void DropOldHeld() {
        const DWORD now = GetTickCount();
        for (std::size_t i = 0; i < held_.size();) {
            if (now - held_[i].since > kHoldMs) {
                closesocket(held_[i].socket);
                held_.erase(held_.begin() + static_cast<std::ptrdiff_t>(i));
            } else {
                ++i;
            }
        }
    }

    void Handle(SOCKET client) {
        DWORD readTimeout = 2000;
        setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&readTimeout),
                   sizeof readTimeout);
        std::string request;
        char chunk[1024];
        while (request.find("\r\n\r\n") == std::string::npos && request.size() < 16384) {
            const int got = recv(client, chunk, sizeof chunk, 0);
            if (got <= 0) break;
            request.append(chunk, got);
        }
        // "GET /path HTTP/1.1"
        const std::size_t start = request.find(' ');
        const std::size_t end = start == std::string::npos ? start : request.find(' ', start + 1);
        if (end == std::string::npos) {
            closesocket(client);
            return;
        }
        const std::string path = request.substr(start + 1, end - start - 1);
        std::string answer;
        bool hang = false;
        {
            std::lock_guard<std::mutex> guard(lock_);
            ++hits_[path];
            requests_[path] = request;
            hang = hanging_.count(path) > 0;
            auto found = answers_.find(path);
            answer = found != answers_.end() ? found->second
                                             : Answer("404 Not Found", "", "no such page");
        }
        if (hang) {
            held_.push_back({client, GetTickCount()});
            return;
        }
        send(client, answer.data(), static_cast<int>(answer.size()), 0);
        shutdown(client, SD_SEND);
        closesocket(client);
    }

    SOCKET listener_ = INVALID_SOCKET;
    uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    struct Held {
        SOCKET socket;
        DWORD since;
    };
    static constexpr DWORD kHoldMs = 20000;
    std::vector<Held> held_;  // connections of hanging paths, only touched by the server thread
    std::mutex lock_;
    std::map<std::string, std::string> answers_;
    std::map<std::string, bool> hanging_;
    std::map<std::string, int> hits_;
    std::map<std::string, std::string> requests_;
};

net::HttpClient::Options Direct() {
    net::HttpClient::Options options;
    options.useSystemProxy = false;
    return options;
}

std::wstring Widen(const char* ascii) { return std::wstring(ascii, ascii + strlen(ascii)); }

// Waits until the condition holds; false when the time runs out first.
template <class Condition>
bool WaitFor(Condition condition, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(10);
    }
    return true;
}

class HttpClientTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(server_.Port(), 0); }

    // Fetches the path of the local server; the URL after redirects goes to finalUrl_.
    bool Fetch(const std::string& path, std::string& body) {
        finalUrl_ = server_.Url(path);
        return client_.Fetch(finalUrl_, body);
    }

    LocalServer server_;
    net::HttpClient client_{Direct()};
    std::string finalUrl_;
};

TEST_F(HttpClientTest, OkAnswerGivesTheBodyAsCrLfLinesAndSendsOurHeaders) {
    server_.On("/page", Answer("200 OK", "Content-Type: text/plain\r\n", "one\ntwo\r\n\nlast"));
    std::string body = "stale";
    ASSERT_TRUE(Fetch("/page", body)) << wintest::Narrow(client_.ErrorText());
    EXPECT_EQ(body, "one\r\ntwo\r\n\r\nlast\r\n");
    EXPECT_EQ(client_.StatusCode(), 200);
    EXPECT_TRUE(client_.ErrorText().empty());
    EXPECT_EQ(finalUrl_, server_.Url("/page"));

    const std::string request = server_.LastRequest("/page");
    EXPECT_NE(request.find("GET /page HTTP/1.1\r\n"), std::string::npos) << request;
    EXPECT_NE(request.find("\r\nAccept: text/*\r\n"), std::string::npos) << request;
    EXPECT_NE(request.find("\r\nUser-Agent: QZT's Brenmoor Http Client\r\n"), std::string::npos)
        << request;

    server_.On("/empty", Answer("200 OK", ""));
    EXPECT_TRUE(Fetch("/empty", body));
    EXPECT_EQ(body, "");
}

TEST_F(HttpClientTest, RedirectsAreFollowedToTheFinalPage) {
    server_.On("/final", Answer("200 OK", "", "arrived"));
    server_.On("/up/target", Answer("200 OK", "", "one level up"));
    server_.On("/absolute", Redirect(server_.Url("/final")));
    server_.On("/rooted", Redirect("/final"));
    server_.On("/up/deeper/page", Redirect("../target"));
    server_.On("/chain", Answer("301 Moved Permanently", "Location: /rooted\r\n"));

    struct Case {
        const char* start;
        const char* final;
        const char* body;
    } cases[] = {
        {"/absolute", "/final", "arrived\r\n"},
        {"/rooted", "/final", "arrived\r\n"},
        {"/up/deeper/page", "/up/target", "one level up\r\n"},
        {"/chain", "/final", "arrived\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.start);
        std::string body;
        ASSERT_TRUE(Fetch(c.start, body)) << wintest::Narrow(client_.ErrorText());
        EXPECT_EQ(body, c.body);
        EXPECT_EQ(finalUrl_, server_.Url(c.final));
        EXPECT_EQ(client_.StatusCode(), 200);
    }
}

TEST_F(HttpClientTest, BrokenRedirectsEndWithAnErrorText) {
    server_.On("/nowhere", Answer("302 Found", "", "moved, but where?"));
    std::string body;
    EXPECT_FALSE(Fetch("/nowhere", body));
    EXPECT_EQ(client_.ErrorText(), Widen(net::kNoLocationError));
    EXPECT_EQ(client_.StatusCode(), 302);
    EXPECT_EQ(body, "");

    // A page that redirects to itself: the first request and ten followed redirects, then stop.
    server_.On("/loop", Redirect("/loop"));
    EXPECT_FALSE(Fetch("/loop", body));
    EXPECT_EQ(client_.ErrorText(), Widen(net::kTooManyRedirectsError));
    EXPECT_EQ(server_.Hits("/loop"), 1 + net::kMaxRedirects);

    // A redirect away from http.
    server_.On("/secure", Redirect("https://127.0.0.1/"));
    EXPECT_FALSE(Fetch("/secure", body));
    EXPECT_EQ(client_.ErrorText(), net::kIllegalUrlText);
}

TEST_F(HttpClientTest, ErrorStatusesGiveTheirTexts) {
    server_.On("/broken", Answer("500 Internal Server Error", "", "oops"));
    server_.On("/teapot", Answer("418 I'm a teapot", "", "short and stout"));
    std::string body;
    EXPECT_FALSE(Fetch("/missing", body));
    EXPECT_EQ(client_.StatusCode(), 404);
    EXPECT_EQ(client_.ErrorText(), L"没有找到网页 [Not Found]");
    EXPECT_EQ(body, "");

    EXPECT_FALSE(Fetch("/broken", body));
    EXPECT_EQ(client_.StatusCode(), 500);
    EXPECT_EQ(client_.ErrorText(), L"服务器内部错误 [Internal Server Error]");

    // A code without a text of its own: only the status tells.
    EXPECT_FALSE(Fetch("/teapot", body));
    EXPECT_EQ(client_.StatusCode(), 418);
    EXPECT_TRUE(client_.ErrorText().empty());
    EXPECT_EQ(body, "");

    // The odd spelling is the program's own.
    EXPECT_EQ(net::StatusErrorText(101), L"客户方错误-交换协议 [witching Protocols]");
}

TEST_F(HttpClientTest, UrlsThatAreNotHttpAreRefusedUnasked) {
    for (const char* url : {"ftp://127.0.0.1/file", "https://127.0.0.1/", "http://", ""}) {
        SCOPED_TRACE(url);
        std::string target = url;
        std::string body;
        EXPECT_FALSE(client_.Fetch(target, body));
        EXPECT_EQ(client_.ErrorText(), net::kIllegalUrlText);
        EXPECT_EQ(client_.StatusCode(), -1);
    }
}

TEST_F(HttpClientTest, OversizedBodyIsRefused) {
    net::HttpClient::Options options = Direct();
    options.maxBodyBytes = 100;
    net::HttpClient small(options);
    server_.On("/big", Answer("200 OK", "", std::string(1000, 'x')));
    std::string url = server_.Url("/big");
    std::string body;
    EXPECT_FALSE(small.Fetch(url, body));
    EXPECT_EQ(small.ErrorText(), net::kReceiveErrorText);
    EXPECT_EQ(body, "");
}

TEST_F(HttpClientTest, SilentOrAbsentServerEndsTheFetchWithAnError) {
    net::HttpClient::Options options = Direct();
    options.connectTimeoutMs = 500;
    options.receiveTimeoutMs = 500;
    net::HttpClient impatient(options);

    server_.HangOn("/silent");
    std::string url = server_.Url("/silent");
    std::string body;
    const DWORD start = GetTickCount();
    EXPECT_FALSE(impatient.Fetch(url, body));
    EXPECT_LT(GetTickCount() - start, 15000u);
    EXPECT_EQ(impatient.ErrorText(), net::kSendFailedText);
    EXPECT_EQ(server_.Hits("/silent"), 1);

    // Nobody listens on the port of a server already gone.
    std::string closedUrl;
    {
        LocalServer gone;
        closedUrl = gone.Url("/");
    }
    EXPECT_FALSE(impatient.Fetch(closedUrl, body));
    EXPECT_EQ(impatient.ErrorText(), net::kSendFailedText);
    EXPECT_EQ(impatient.StatusCode(), -1);
}

TEST_F(HttpClientTest, CancelEndsAFetchInProgressAndLaterOnesUntilReset) {
    // Windows aborts the blocked call at once; Wine lets it run to its receive time-out, so the
    // time-out is kept short and only the outcome is checked.
    net::HttpClient::Options options = Direct();
    options.receiveTimeoutMs = 2000;
    net::HttpClient client(options);
    server_.HangOn("/silent");
    server_.On("/page", Answer("200 OK", "", "fine"));
    bool result = true;
    std::thread fetcher([&] {
        std::string url = server_.Url("/silent");
        std::string body;
        result = client.Fetch(url, body);
    });
    const bool asked = WaitFor([&] { return server_.Hits("/silent") == 1; }, 10000);
    client.Cancel();
    fetcher.join();
    ASSERT_TRUE(asked);
    EXPECT_FALSE(result);

    std::string url = server_.Url("/page");
    std::string body;
    EXPECT_FALSE(client.Fetch(url, body));
    EXPECT_EQ(server_.Hits("/page"), 0);
    client.Reset();
    EXPECT_TRUE(client.Fetch(url, body));
    EXPECT_EQ(body, "fine\r\n");
}

TEST_F(HttpClientTest, HeartbeatFetchesEachPeriodUntilStopped) {
    server_.On("/beat", Answer("200 OK", "", "alive"));
    net::Heartbeat heartbeat(Direct());
    const std::string host = "127.0.0.1:" + std::to_string(server_.Port()) + "/beat";
    ASSERT_TRUE(heartbeat.Start(host, 200));
    EXPECT_TRUE(heartbeat.Running());
    EXPECT_FALSE(heartbeat.Start(host, 200));  // one thread only

    EXPECT_TRUE(WaitFor([&] { return server_.Hits("/beat") >= 2; }, 5000));
    const DWORD start = GetTickCount();
    heartbeat.Stop();
    EXPECT_LT(GetTickCount() - start, 1000u);
    EXPECT_FALSE(heartbeat.Running());
    const int hits = server_.Hits("/beat");
    Sleep(700);
    EXPECT_EQ(server_.Hits("/beat"), hits);

    // It starts again after a stop.
    ASSERT_TRUE(heartbeat.Start(host, 200));
    EXPECT_TRUE(WaitFor([&] { return server_.Hits("/beat") > hits; }, 5000));
    heartbeat.Stop();
}

TEST_F(HttpClientTest, HeartbeatStopDoesNotWaitForASilentServer) {
    server_.HangOn("/silent");
    net::Heartbeat heartbeat(Direct());  // the full 60-second receive time-out
    const std::string host = "127.0.0.1:" + std::to_string(server_.Port()) + "/silent";
    ASSERT_TRUE(heartbeat.Start(host, 50));
    ASSERT_TRUE(WaitFor([&] { return server_.Hits("/silent") == 1; }, 10000));
    const DWORD start = GetTickCount();
    heartbeat.Stop();
    EXPECT_LT(GetTickCount() - start, 1000u);
    EXPECT_FALSE(heartbeat.Running());

    // A new heartbeat runs while the old thread may still sit in its fetch; the old one never
    // asks again.
    server_.On("/beat", Answer("200 OK", "", "alive"));
    ASSERT_TRUE(heartbeat.Start("127.0.0.1:" + std::to_string(server_.Port()) + "/beat", 50));
    EXPECT_TRUE(WaitFor([&] { return server_.Hits("/beat") >= 2; }, 5000));
    heartbeat.Stop();
    EXPECT_EQ(server_.Hits("/silent"), 1);
}

}  // namespace
