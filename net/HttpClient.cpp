// The small GET-with-redirects HTTP client on WinINet that the heartbeat uses to keep a link busy.
#include "net/HttpClient.h"

#include <algorithm>
#include <optional>

#include "framework/TextUtil.h"
#include "framework/Win32Text.h"
#include "net/UrlCore.h"

namespace net {

namespace {

constexpr wchar_t kAgent[] = L"QZT's Brenmoor Http Client";
constexpr wchar_t kAcceptHeader[] = L"Accept: text/*\r\n";
constexpr wchar_t kAgentHeader[] = L"User-Agent: QZT's Brenmoor Http Client\r\n";

// Redirect answers carry a few hundred bytes of headers; anything far beyond is not trusted.
constexpr DWORD kMaxRawHeaderChars = 64 * 1024;

// Always from the network: a heartbeat answered from the cache would move no traffic. Redirects
// are ours to follow, so that they stay bounded.
constexpr DWORD kRequestFlags = INTERNET_FLAG_NO_AUTO_REDIRECT | INTERNET_FLAG_RELOAD |
                                INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE |
                                INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI |
                                INTERNET_FLAG_NO_AUTH;

std::wstring Widen(std::string_view ascii) { return win::AnsiToWide(ascii); }

// The system's text for a WinINet (or any other) error code.
std::wstring PlatformErrorText(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                        FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_HMODULE;
    const DWORD n = FormatMessageW(flags, GetModuleHandleW(L"wininet.dll"), code, 0,
                                   reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    std::wstring text;
    if (n > 0 && buffer) text.assign(buffer, n);
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' '))
        text.pop_back();
    if (text.empty()) text = L"WinINet error " + std::to_wstring(code);
    return text;
}

bool SetDwordOption(HINTERNET handle, DWORD option, DWORD value) {
    return InternetSetOptionW(handle, option, &value, sizeof value) != FALSE;
}

bool SetTuningOption(HINTERNET handle, DWORD option, DWORD value) {
    return SetDwordOption(handle, option, value) ||
           GetLastError() == ERROR_INTERNET_INVALID_OPTION;
}

// "Add only if not present": a header WinINet already carries counts as added.
bool AddHeaderIfNew(HINTERNET request, const wchar_t* header) {
    if (HttpAddRequestHeadersW(request, header, static_cast<DWORD>(-1L),
                               HTTP_ADDREQ_FLAG_ADD_IF_NEW))
        return true;
    return GetLastError() == ERROR_HTTP_HEADER_ALREADY_EXISTS;
}

std::optional<std::string> RawHeaders(HINTERNET request) {
    std::wstring buffer(1024, L'\0');
    for (;;) {
        DWORD bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
        if (HttpQueryInfoW(request, HTTP_QUERY_RAW_HEADERS_CRLF, buffer.data(), &bytes, nullptr)) {
            buffer.resize(std::min<std::size_t>(bytes / sizeof(wchar_t), buffer.size()));
            return win::WideToAnsi(buffer);
        }
        const DWORD needed = bytes / sizeof(wchar_t) + 1;
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed <= buffer.size() ||
            needed > kMaxRawHeaderChars)
            return std::nullopt;
        buffer.assign(needed, L'\0');
    }
}

// The body as lines, each ended with "\r\n" whatever line end the server used.
std::string AsCrLfLines(const std::string& raw) {
    std::string lines;
    lines.reserve(raw.size() + raw.size() / 16 + 2);
    text::ForEachLine(raw, [&lines](std::string_view line) {
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.append(line);
        lines += "\r\n";
        return true;
    });
    return lines;
}

}  // namespace

std::wstring StatusErrorText(int32_t status) {
    switch (status) {
        case 100: return L"客户方错误-继续 [Continue]";
        case 101: return L"客户方错误-交换协议 [witching Protocols]";
        case 204: return L"网页内容为空 [No Content]";
        case 400: return L"错误请求 [Bad Request]";
        case 401: return L"网页需要验证信息 [Unauthorized]";
        case 402: return L"网页需要付费 [Payment Required]";
        case 403: return L"禁止访问 [Forbidden]";
        case 404: return L"没有找到网页 [Not Found]";
        case 405: return L"不允许Http访问该文件 [Method Not Allowed]";
        case 406: return L"该文件不允许访问 [Not Acceptable]";
        case 407: return L"该文件需要代理认证 [Proxy Authentication Required]";
        case 408: return L"对该文件请求超时 [Request Time-out]";
        case 409: return L"对该文件访问冲突 [Conflict]";
        case 410: return L"对该文件访问失败 [Gone]";
        case 411: return L"该文件需要长度信息 [Length Required]";
        case 412: return L"请求条件失败 [Precondition Failed]";
        case 413: return L"请求文件实体太大 [Request Entity Too Large]";
        case 414: return L"请求的URI太长 [Request-URI Too Large]";
        case 415: return L"不支持媒体类型 [Unsupported Media Type]";
        case 416: return L"队列请求失败 [Requested range not satisfiable]";
        case 417: return L"预期失败 [Expectation Failed]";
        case 500: return L"服务器内部错误 [Internal Server Error]";
        case 501: return L"未实现请求 [Not Implemented]";
        case 502: return L"网关失败 [Bad Gateway]";
        case 503: return L"没有找到服务器 [Service Unavailable]";
        case 504: return L"网关超时 [Gateway Time-out]";
        case 505: return L"服务器不支持系统使用的HTTP版本 [HTTP Version not supported]";
        default: return {};
    }
}

HttpClient::~HttpClient() { CloseSession(); }

bool HttpClient::Fetch(std::string& url, std::string& body) {
    body.clear();
    error_.clear();
    status_ = -1;
    if (!OpenSession()) return false;

    RedirectChain chain(url);
    bool ok = false;
    for (;;) {
        std::string rawHeaders;
        const Hop hop = FetchOnce(chain.Url(), body, rawHeaders);
        if (hop == Hop::Done) {
            ok = true;
            break;
        }
        if (hop == Hop::Failed) break;
        std::string error;
        if (!chain.Follow(rawHeaders, error)) {
            error_ = Widen(error);
            break;
        }
    }
    url = chain.Url();
    CloseSession();
    if (!ok) body.clear();
    return ok;
}

void HttpClient::Cancel() {
    std::lock_guard<std::mutex> guard(lock_);
    cancelled_ = true;
    for (HINTERNET* slot : {&request_, &connection_, &session_}) {
        if (*slot) InternetCloseHandle(*slot);
        *slot = nullptr;
    }
}

void HttpClient::Reset() {
    std::lock_guard<std::mutex> guard(lock_);
    cancelled_ = false;
}

bool HttpClient::Cancelled() {
    std::lock_guard<std::mutex> guard(lock_);
    return cancelled_;
}

bool HttpClient::Track(HINTERNET& slot, HINTERNET handle) {
    std::lock_guard<std::mutex> guard(lock_);
    if (cancelled_) {
        InternetCloseHandle(handle);
        return false;
    }
    slot = handle;
    return true;
}

void HttpClient::CloseTracked(HINTERNET& slot) {
    std::lock_guard<std::mutex> guard(lock_);
    if (slot) InternetCloseHandle(slot);
    slot = nullptr;
}

bool HttpClient::OpenSession() {
    HINTERNET session =
        InternetOpenW(kAgent,
                      options_.useSystemProxy ? INTERNET_OPEN_TYPE_PRECONFIG
                                              : INTERNET_OPEN_TYPE_DIRECT,
                      nullptr, nullptr, 0);
    if (!session) {
        error_ = PlatformErrorText(GetLastError());
        return false;
    }
    // The send time-out is not asked for, but without it a peer that stops reading could hold
    // the request as long as it likes. The retry tuning only shapes the connect attempts, so a
    // WinINet that does not know those options (Wine's) still gets to fetch.
    const bool configured =
        SetDwordOption(session, INTERNET_OPTION_CONNECT_TIMEOUT, options_.connectTimeoutMs) &&
        SetTuningOption(session, INTERNET_OPTION_CONNECT_BACKOFF, options_.connectBackoffMs) &&
        SetTuningOption(session, INTERNET_OPTION_CONNECT_RETRIES, options_.connectRetries) &&
        SetDwordOption(session, INTERNET_OPTION_RECEIVE_TIMEOUT, options_.receiveTimeoutMs) &&
        SetDwordOption(session, INTERNET_OPTION_SEND_TIMEOUT, options_.receiveTimeoutMs);
    if (!configured) {
        error_ = PlatformErrorText(GetLastError());
        InternetCloseHandle(session);
        return false;
    }
    if (!Track(session_, session)) {
        error_ = PlatformErrorText(ERROR_INTERNET_OPERATION_CANCELLED);
        return false;
    }
    return true;
}

void HttpClient::CloseSession() {
    CloseTracked(request_);
    CloseTracked(connection_);
    CloseTracked(session_);
}

HttpClient::Hop HttpClient::FetchOnce(const std::string& url, std::string& body,
                                      std::string& rawHeaders) {
    const std::optional<UrlParts> parts = SplitUrl(url);
    if (!parts || !IsHttp(*parts)) {
        error_ = kIllegalUrlText;
        return Hop::Failed;
    }

    HINTERNET session = nullptr;
    {
        std::lock_guard<std::mutex> guard(lock_);
        session = session_;
    }
    // Closes this hop's request and connection whichever way it ends.
    struct HopHandles {
        HttpClient& client;
        ~HopHandles() {
            client.CloseTracked(client.request_);
            client.CloseTracked(client.connection_);
        }
    } hopHandles{*this};

    HINTERNET connection =
        session ? InternetConnectW(session, Widen(parts->host).c_str(), parts->port, nullptr,
                                   nullptr, INTERNET_SERVICE_HTTP, 0, 0)
                : nullptr;
    if (!connection || !Track(connection_, connection)) {
        error_ = kCannotConnectText;
        return Hop::Failed;
    }
    HINTERNET request = HttpOpenRequestW(connection, L"GET", Widen(parts->path).c_str(), nullptr,
                                         nullptr, nullptr, kRequestFlags, 0);
    if (!request || !Track(request_, request)) {
        error_ = kCannotConnectText;
        return Hop::Failed;
    }

    // The time-outs again on the request itself: some WinINets (Wine's) take them only there.
    // The session carries them already where this fails.
    SetDwordOption(request, INTERNET_OPTION_CONNECT_TIMEOUT, options_.connectTimeoutMs);
    SetDwordOption(request, INTERNET_OPTION_RECEIVE_TIMEOUT, options_.receiveTimeoutMs);
    SetDwordOption(request, INTERNET_OPTION_SEND_TIMEOUT, options_.receiveTimeoutMs);

    if (!AddHeaderIfNew(request, kAcceptHeader) || !AddHeaderIfNew(request, kAgentHeader)) {
        error_ = kCannotAddHeadersText;
        return Hop::Failed;
    }
    if (!HttpSendRequestW(request, nullptr, 0, nullptr, 0)) {
        error_ = kSendFailedText;
        return Hop::Failed;
    }

    DWORD status = 0;
    DWORD size = sizeof status;
    if (!HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                        nullptr)) {
        error_ = kNoStatusText;
        return Hop::Failed;
    }
    status_ = static_cast<int32_t>(status);

    if (status_ >= 200 && status_ <= 299) {
        if (!ReadBody(request, body)) {
            error_ = kReceiveErrorText;
            return Hop::Failed;
        }
        return Hop::Done;
    }
    if (IsRedirectStatus(status_)) {
        // Headers too big to trust read as none: the chain then reports the missing location.
        rawHeaders = RawHeaders(request).value_or(std::string());
        return Hop::Redirect;
    }
    const std::wstring text = StatusErrorText(status_);
    if (!text.empty()) error_ = text;
    return Hop::Failed;
}

bool HttpClient::ReadBody(HINTERNET request, std::string& body) {
    std::string raw;
    char chunk[4096];
    for (;;) {
        DWORD got = 0;
        if (!InternetReadFile(request, chunk, sizeof chunk, &got)) return false;
        if (got == 0) break;
        if (got > sizeof chunk || raw.size() + got > options_.maxBodyBytes) return false;
        raw.append(chunk, got);
    }
    if (Cancelled()) return false;
    body = AsCrLfLines(raw);
    return true;
}

}  // namespace net
