// Reading skin.ini and writing the chosen skin back into it.
#include "settings/SkinFile.h"

#include <windows.h>

#include <optional>

#include "framework/Win32Text.h"

namespace skin {
namespace {

class FileHandle {
public:
    explicit FileHandle(HANDLE h) : h_(h) {}
    ~FileHandle() {
        if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    HANDLE get() const { return h_; }
    bool ok() const { return h_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE h_;
};

// Whole content, or nullopt when the file is larger than the limit or a read fails.
std::optional<std::string> ReadAll(HANDLE file) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size) || size.QuadPart < 0 || size.QuadPart > kMaxSkinIniBytes) {
        return std::nullopt;
    }
    std::string content(std::size_t(size.QuadPart), '\0');
    std::size_t got = 0;
    while (got < content.size()) {
        DWORD n = 0;
        if (!ReadFile(file, content.data() + got, DWORD(content.size() - got), &n, nullptr)) {
            return std::nullopt;
        }
        if (n == 0) break;  // shrank while we read: keep what is there
        got += n;
    }
    content.resize(got);
    return content;
}

bool WriteAll(HANDLE file, const std::string& content) {
    std::size_t put = 0;
    while (put < content.size()) {
        DWORD n = 0;
        if (!WriteFile(file, content.data() + put, DWORD(content.size() - put), &n, nullptr) ||
            n == 0) {
            return false;
        }
        put += n;
    }
    return true;
}

}  // namespace

std::wstring SkinIniPath() { return win::ExeDirectory() + L"\\skin.ini"; }

bool ReadSkinIni(const std::wstring& path, SkinTable& table) {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.ok()) return false;
    const std::optional<std::string> content = ReadAll(file.get());
    table = ParseSkinIni(content ? *content : std::string());
    return true;
}

bool WriteSkinChoice(const std::wstring& path, int32_t id) {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.ok()) return false;
    const std::optional<std::string> content = ReadAll(file.get());
    if (!content) return true;
    const std::optional<std::string> rewritten = RewriteSkinLoad(*content, id);
    if (!rewritten) return true;
    LARGE_INTEGER zero{};
    if (!SetFilePointerEx(file.get(), zero, nullptr, FILE_BEGIN) || !SetEndOfFile(file.get())) {
        return true;
    }
    WriteAll(file.get(), *rewritten);
    return true;
}

}  // namespace skin
