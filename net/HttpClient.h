// The small GET-with-redirects HTTP client on WinINet that the heartbeat uses to keep a link busy.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

namespace net {

// The error text for an HTTP status that ends a fetch, or an empty text for a code without one.
std::wstring StatusErrorText(int32_t status);

// Fixed client texts, kept here so that callers and tests compare against the same words.
inline constexpr wchar_t kIllegalUrlText[] = L"非法的URL";
inline constexpr wchar_t kCannotConnectText[] = L"无法与服务器建立连接";
inline constexpr wchar_t kCannotAddHeadersText[] = L"网络错误－无法发送请求报头";
inline constexpr wchar_t kSendFailedText[] = L"无法发送http报头,可能网络状况有问题";
inline constexpr wchar_t kNoStatusText[] = L"网络错误－无法查询反馈代码";
inline constexpr wchar_t kReceiveErrorText[] = L"接收数据错误";

// Fetches a URL with GET, following redirects itself (at most net::kMaxRedirects of them).
// One thread fetches at a time; Cancel() may be called from any other thread.
class HttpClient {
public:
    struct Options {
        DWORD connectTimeoutMs = 10000;
        DWORD connectBackoffMs = 1000;
        DWORD connectRetries = 3;
        DWORD receiveTimeoutMs = 60000;
        // Bodies beyond this are refused: the answer comes from a server we do not control.
        std::size_t maxBodyBytes = 4u << 20;
        // The system's proxy settings; tests against a local server go direct.
        bool useSystemProxy = true;
    };

    HttpClient() = default;
    explicit HttpClient(Options options) : options_(options) {}
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    // GETs url (ANSI text; a bare host name means http://host/). On success the body comes back
    // line by line, each line ended with "\r\n", and url names the page finally fetched. On
    // failure the body is empty and ErrorText() says why; a status without a text of its own
    // leaves ErrorText() empty and only StatusCode() tells.
    bool Fetch(std::string& url, std::string& body);

    // Closes the handles of a fetch running on another thread, which aborts its blocking call
    // where WinINet allows that (Windows does; Wine lets the call run to its time-out), and
    // makes every later fetch fail at once, until Reset().
    void Cancel();
    void Reset();

    const std::wstring& ErrorText() const { return error_; }
    // The HTTP status of the last answer, -1 when none was read.
    int32_t StatusCode() const { return status_; }

private:
    enum class Hop { Done, Failed, Redirect };

    bool OpenSession();
    void CloseSession();
    Hop FetchOnce(const std::string& url, std::string& body, std::string& rawHeaders);
    bool ReadBody(HINTERNET request, std::string& body);
    // Keeps a child handle for closing; closes it at once when a cancel came first.
    bool Track(HINTERNET& slot, HINTERNET handle);
    void CloseTracked(HINTERNET& slot);
    bool Cancelled();

    Options options_;
    std::wstring error_;
    int32_t status_ = -1;

    // Cancel() closes the handles from another thread: WinINet's way to unblock a pending call.
    // They are only closed under the lock, and never twice.
    std::mutex lock_;
    bool cancelled_ = false;
    HINTERNET session_ = nullptr;
    HINTERNET connection_ = nullptr;
    HINTERNET request_ = nullptr;
};

}  // namespace net
