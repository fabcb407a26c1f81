// URL handling of the small HTTP client: splitting a URL and following redirects, bounded.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace net {

// The parts the request needs: scheme in lower case, host, port (the scheme's default when the
// URL names none) and the object path with its query ("/" when the URL has no path).
struct UrlParts {
    std::string scheme;
    std::string host;
    uint16_t port = 0;
    std::string path;
};

// Splits "scheme://[user@]host[:port][/path][?query][#fragment]". A text without "://" is a
// bare host (the heartbeat is given a host name) and means http. Nothing for an empty host, a
// port outside 1..65535, a malformed scheme, blanks or control characters.
std::optional<UrlParts> SplitUrl(std::string_view url);

bool IsHttp(const UrlParts& parts);

// The "Location" header of a redirect answer's raw headers, trimmed; nothing when absent or empty.
// Matched as a header name at the start of a line, so "Content-Location" is not taken for it.
std::optional<std::string> FindLocation(std::string_view rawHeaders);

// The URL a location leads to from the current one. A location with its own scheme is taken
// as it is; "//host/..." keeps the current scheme; "/..." replaces everything after the host;
// each leading "../" goes one directory up (never above the root), "./" stays; anything else is
// appended to the current directory (the path up to its last "/", the query not counted).
std::string ResolveLocation(std::string_view currentUrl, std::string_view location);

constexpr int kMaxRedirects = 10;
constexpr char kNoLocationError[] = "Error: Site redirects with no new location";
constexpr char kTooManyRedirectsError[] = "Error: Site redirects too many times";

// HTTP answers that redirect.
constexpr bool IsRedirectStatus(int32_t status) { return status >= 300 && status <= 306; }

// The URL of one fetch as it moves along redirects. The fetcher asks Url(), requests it, and on
// a redirect status calls Follow with the answer's raw headers; at most kMaxRedirects are
// followed, so a site that redirects to itself ends with an error instead of going on forever.
class RedirectChain {
public:
    explicit RedirectChain(std::string url) : url_(std::move(url)) {}

    const std::string& Url() const { return url_; }
    int Followed() const { return followed_; }

    // True when Url() now names the new location; false with the error text otherwise.
    bool Follow(std::string_view rawHeaders, std::string& error);

private:
    std::string url_;
    int followed_ = 0;
};

}  // namespace net
