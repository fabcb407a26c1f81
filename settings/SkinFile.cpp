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
    std::optional<std::string> content;
    {
        FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.ok()) return false;
        content = ReadAll(file.get());
    }
    if (!content) return true;
    const std::optional<std::string> rewritten = RewriteSkinLoad(*content, id);
    if (!rewritten) return true;
    // The new text goes to a file of its own first, which then replaces the old one: a write
    // that fails half way leaves skin.ini as it was, never empty.
    const std::wstring temporary = path + L".new";
    {
        FileHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.ok()) return false;
        if (!WriteAll(file.get(), *rewritten) || !FlushFileBuffers(file.get())) {
            CloseHandle(file.get());
            DeleteFileW(temporary.c_str());
            return false;
        }
    }
    if (!MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace skin
