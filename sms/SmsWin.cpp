// Win32 helpers of the message pages: texts within their byte limit, joining workers.
#include "sms/SmsWin.h"

#include <vector>

#include "framework/Resources.h"
#include "framework/Win32Text.h"
#include "resources/resource.h"

namespace smsui {
namespace {

constexpr DWORD kWorkerJoinMs = 30000;

}  // namespace

std::optional<std::string> TakeAnsiText(HWND owner, HINSTANCE resources, HWND field,
                                        std::size_t maxBytes) {
    if (!field) return std::string();
    const int length = GetWindowTextLengthW(field);
    std::vector<wchar_t> buffer(static_cast<std::size_t>(length > 0 ? length : 0) + 1);
    const int copied = GetWindowTextW(field, buffer.data(), static_cast<int>(buffer.size()));
    std::string text = win::WideToAnsi(
        std::wstring_view(buffer.data(), static_cast<std::size_t>(copied > 0 ? copied : 0)));
    if (text.size() <= maxBytes) return text;

    const std::wstring prompt =
        res::FormatArgs(res::LoadStr(resources, IDS_PROMPT_MAX_CHARS), {std::to_wstring(maxBytes)});
    MessageBoxW(owner, prompt.c_str(), res::LoadStr(resources, IDS_APP_TITLE).c_str(),
                MB_OK | MB_ICONEXCLAMATION);
    SetFocus(field);
    SendMessageW(field, EM_SETSEL, 0, -1);
    return std::nullopt;
}

void JoinWorker(HANDLE& thread) {
    if (!thread) return;
    WaitForSingleObject(thread, kWorkerJoinMs);
    CloseHandle(thread);
    thread = nullptr;
}

}  // namespace smsui
