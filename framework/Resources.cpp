// Loading texts and checking resources in the language DLL.
#include "framework/Resources.h"

#include "framework/TextUtil.h"

namespace res {

std::wstring LoadStr(HINSTANCE module, UINT id) {
    const wchar_t* text = nullptr;
    // With a zero buffer size LoadStringW hands out a pointer into the resource itself.
    int length = LoadStringW(module, id, reinterpret_cast<LPWSTR>(&text), 0);
    if (length <= 0 || !text) return {};
    return std::wstring(text, static_cast<size_t>(length));
}

int LoadStrInt(HINSTANCE module, UINT id) {
    return text::ParseLeadingInt(std::wstring_view(LoadStr(module, id)));
}

std::wstring FormatArgs(const std::wstring& pattern, std::initializer_list<std::wstring> args) {
    std::wstring out;
    out.reserve(pattern.size());
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == L'%' && i + 1 < pattern.size() && pattern[i + 1] >= L'1' &&
            pattern[i + 1] <= L'9') {
            size_t n = static_cast<size_t>(pattern[i + 1] - L'1');
            if (n < args.size()) {
                out += *(args.begin() + n);
                ++i;
                continue;
            }
        }
        out += pattern[i];
    }
    return out;
}

bool HasResource(HINSTANCE module, UINT id, LPCWSTR type) {
    return module && FindResourceW(module, MAKEINTRESOURCEW(id), type) != nullptr;
}

}  // namespace res
