// Fuzzes the HTTP client's URL splitting and its redirect following over raw response headers.
#include <cstdint>
#include <string>
#include <string_view>

#include "net/UrlCore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    // The first line is the URL being fetched, the rest the headers of a redirect answer.
    const size_t newline = input.find('\n');
    const std::string_view url = input.substr(0, newline);
    const std::string_view headers = newline == std::string_view::npos ? std::string_view() : input.substr(newline + 1);
    if (auto parts = net::SplitUrl(url)) {
        if (parts->host.empty() || parts->path.empty() || (net::IsHttp(*parts) && parts->port == 0)) __builtin_trap();
    }
    net::RedirectChain chain{std::string(url)};
    std::string error;
    for (int i = 0; i <= net::kMaxRedirects + 1 && chain.Follow(headers, error); ++i) {
    }
    if (chain.Followed() > net::kMaxRedirects) __builtin_trap();
    if (auto location = net::FindLocation(headers)) (void)net::ResolveLocation(url, *location);
    return 0;
}
