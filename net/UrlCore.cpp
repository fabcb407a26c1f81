// URL handling of the small HTTP client: splitting a URL and following redirects, bounded.
#include "net/UrlCore.h"

#include <algorithm>

#include "framework/TextUtil.h"

namespace net {

namespace {

constexpr std::string_view kSchemeMark = "://";

bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The length of a leading "scheme" followed by "://", or 0 when the text has none.
std::size_t SchemeLength(std::string_view url) {
    if (url.empty() || !IsAlpha(url[0])) return 0;
    std::size_t i = 1;
    while (i < url.size() &&
           (IsAlpha(url[i]) || IsDigit(url[i]) || url[i] == '+' || url[i] == '-' || url[i] == '.'))
        ++i;
    return url.substr(i).starts_with(kSchemeMark) ? i : 0;
}

uint16_t DefaultPort(std::string_view scheme) {
    if (scheme == "http") return 80;
    if (scheme == "https") return 443;
    if (scheme == "ftp") return 21;
    return 0;
}

// "http://" is put in front of a bare host so that the text has the usual shape.
std::string WithScheme(std::string_view url) {
    if (SchemeLength(url) > 0) return std::string(url);
    return "http://" + std::string(url);
}

// Where the authority ends (the first "/", "?" or "#" after "://"), in a text with a scheme.
std::size_t AuthorityEnd(std::string_view url) {
    const std::size_t start = url.find(kSchemeMark) + kSchemeMark.size();
    const std::size_t end = url.find_first_of("/?#", start);
    return end == std::string_view::npos ? url.size() : end;
}

}  // namespace

std::optional<UrlParts> SplitUrl(std::string_view url) {
    url = text::Trim(url);
    for (char c : url)
        if (static_cast<unsigned char>(c) <= ' ' || c == '\x7f') return std::nullopt;

    UrlParts parts;
    std::string_view rest = url;
    const std::size_t schemeLength = SchemeLength(url);
    if (schemeLength > 0) {
        for (char c : url.substr(0, schemeLength)) parts.scheme += text::AsciiLower(c);
        rest = url.substr(schemeLength + kSchemeMark.size());
    } else if (url.find(kSchemeMark) != std::string_view::npos) {
        return std::nullopt;  // something before "://" that is no scheme
    } else {
        parts.scheme = "http";
    }

    rest = rest.substr(0, rest.find('#'));
    const std::size_t authorityEnd = std::min(rest.find_first_of("/?"), rest.size());
    std::string_view authority = rest.substr(0, authorityEnd);
    std::string_view path = rest.substr(authorityEnd);
    if (path.empty()) {
        parts.path = "/";
    } else if (path[0] == '?') {
        parts.path = "/" + std::string(path);
    } else {
        parts.path = std::string(path);
    }

    const std::size_t at = authority.rfind('@');
    if (at != std::string_view::npos) authority = authority.substr(at + 1);

    std::string_view host = authority;
    std::string_view port;
    if (!authority.empty() && authority[0] == '[') {
        const std::size_t close = authority.find(']');
        if (close == std::string_view::npos) return std::nullopt;
        host = authority.substr(0, close + 1);
        std::string_view after = authority.substr(close + 1);
        if (!after.empty()) {
            if (after[0] != ':') return std::nullopt;
            port = after.substr(1);
        }
    } else {
        const std::size_t colon = authority.rfind(':');
        if (colon != std::string_view::npos) {
            host = authority.substr(0, colon);
            port = authority.substr(colon + 1);
        }
    }
    if (host.empty() || host == "[]") return std::nullopt;
    parts.host = std::string(host);

    parts.port = DefaultPort(parts.scheme);
    if (!port.empty()) {
        if (port.size() > 5) return std::nullopt;
        uint32_t value = 0;
        for (char c : port) {
            if (!IsDigit(c)) return std::nullopt;
            value = value * 10 + static_cast<uint32_t>(c - '0');
        }
        if (value < 1 || value > 65535) return std::nullopt;
        parts.port = static_cast<uint16_t>(value);
    }
    return parts;
}

bool IsHttp(const UrlParts& parts) { return parts.scheme == "http"; }

std::optional<std::string> FindLocation(std::string_view rawHeaders) {
    constexpr std::string_view kName = "location:";
    std::optional<std::string> found;
    text::ForEachLine(rawHeaders, [&found, kName](std::string_view line) {
        if (line.size() >= kName.size() && text::EqualsNoCase(line.substr(0, kName.size()), kName)) {
            const std::string_view value = text::Trim(line.substr(kName.size()));
            if (!value.empty()) found = std::string(value);
        }
        return !found;
    });
    return found;
}

std::string ResolveLocation(std::string_view currentUrl, std::string_view location) {
    location = text::Trim(location);
    if (SchemeLength(location) > 0) return std::string(location);

    const std::string base = WithScheme(text::Trim(currentUrl));
    const std::size_t schemeEnd = base.find(kSchemeMark);
    if (location.starts_with("//")) return base.substr(0, schemeEnd + 1) + std::string(location);

    // Host part: the text up to the third "/" (scheme, "//", authority).
    const std::size_t hostEnd = AuthorityEnd(base);
    const std::string hostPart = base.substr(0, hostEnd);
    if (location.starts_with("/")) return hostPart + std::string(location);

    // Directory: the path (without query or fragment) up to and including its last "/".
    std::string_view path = std::string_view(base).substr(hostEnd);
    path = path.substr(0, path.find_first_of("?#"));
    std::string directory = "/";
    const std::size_t lastSlash = path.rfind('/');
    if (lastSlash != std::string_view::npos) directory = std::string(path.substr(0, lastSlash + 1));

    for (;;) {
        if (location.starts_with("./")) {
            location.remove_prefix(2);
        } else if (location.starts_with("../") || location == "..") {
            location.remove_prefix(location.size() >= 3 ? 3 : 2);
            if (directory.size() > 1) {
                const std::size_t up = directory.rfind('/', directory.size() - 2);
                directory.resize(up + 1);
            }
        } else {
            break;
        }
    }
    return hostPart + directory + std::string(location);
}

bool RedirectChain::Follow(std::string_view rawHeaders, std::string& error) {
    const std::optional<std::string> location = FindLocation(rawHeaders);
    if (!location) {
        error = kNoLocationError;
        return false;
    }
    if (followed_ >= kMaxRedirects) {
        error = kTooManyRedirectsError;
        return false;
    }
    url_ = ResolveLocation(url_, *location);
    ++followed_;
    return true;
}

}  // namespace net
