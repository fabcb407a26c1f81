// Code page conversions at the ANSI boundary, and the program folder and file presence checks.
#include "framework/Win32Text.h"

#include <windows.h>

#include <climits>

namespace win {
namespace {

std::wstring ToWide(UINT codePage, std::string_view in) {
    if (in.empty() || in.size() > INT_MAX) return {};
    const int n = MultiByteToWideChar(codePage, 0, in.data(), int(in.size()), nullptr, 0);
    if (n <= 0) return {};
    std::wstring out(std::size_t(n), L'\0');
    MultiByteToWideChar(codePage, 0, in.data(), int(in.size()), out.data(), n);
    return out;
}

std::string FromWide(UINT codePage, std::wstring_view in) {
    if (in.empty() || in.size() > INT_MAX / 4) return {};
    const int n = WideCharToMultiByte(codePage, 0, in.data(), int(in.size()), nullptr, 0, nullptr,
                                      nullptr);
    if (n <= 0) return {};
    std::string out(std::size_t(n), '\0');
    WideCharToMultiByte(codePage, 0, in.data(), int(in.size()), out.data(), n, nullptr, nullptr);
    return out;
}

}  // namespace

std::wstring AnsiToWide(std::string_view ansi) { return ToWide(CP_ACP, ansi); }
std::string WideToAnsi(std::wstring_view wide) { return FromWide(CP_ACP, wide); }
std::wstring Utf8ToWide(std::string_view utf8) { return ToWide(CP_UTF8, utf8); }
std::string WideToUtf8(std::wstring_view wide) { return FromWide(CP_UTF8, wide); }

std::string WideToAnsiLimited(std::wstring_view wide, std::size_t maxBytes) {
    // Only the first maxBytes characters can matter: each takes at least one byte.
    if (wide.size() > maxBytes) wide = wide.substr(0, maxBytes);
    std::string out = WideToAnsi(wide);
    // Drop whole characters from the end until the bytes fit.
    while (out.size() > maxBytes && !wide.empty()) {
        std::size_t drop = 1;
        if (wide.size() >= 2 && IS_LOW_SURROGATE(wide.back()) &&
            IS_HIGH_SURROGATE(wide[wide.size() - 2])) {
            drop = 2;
        }
        wide.remove_suffix(drop);
        out = WideToAnsi(wide);
    }
    return out;
}

std::wstring ModulePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        if (path.size() >= 32768) return {};  // longer than any Windows path: give up
        path.resize(path.size() * 2);
    }
}

std::wstring ExeDirectory() {
    std::wstring path = ModulePath();
    const std::size_t slash = path.rfind(L'\\');
    if (slash == std::wstring::npos) return {};
    path.resize(slash);
    return path;
}

bool FileExists(const std::wstring& path) {
    return !path.empty() && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace win
