// Card folder, simcard.ini access, ANSI text helpers, pipe client and port broadcasts shared by
// simcard.dll and simctl.exe.
#include "simcard/SimShared.h"

#include <dbt.h>

#include <climits>
#include <cstdio>
#include <cstring>

namespace sim {

namespace {

// Process-lifetime objects are never destroyed: module threads may still use them while the
// process ends.
std::string& FolderStore() {
    static std::string* folder = new std::string(".");
    return *folder;
}

uint32_t FolderHash() {
    uint32_t h = 2166136261u;
    for (unsigned char c : CardFolder()) {
        if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
        if (c == '/') c = '\\';
        h = (h ^ c) * 16777619u;
    }
    return h;
}

std::string HexName(const char* prefix) {
    char buf[96];
    snprintf(buf, sizeof buf, "%s%08x", prefix, static_cast<unsigned>(FolderHash()));
    return buf;
}

}  // namespace

void SetCardFolder(const std::string& folder) {
    std::string f = folder;
    while (f.size() > 1 && (f.back() == '\\' || f.back() == '/')) f.pop_back();
    FolderStore() = f.empty() ? "." : f;
}

const std::string& CardFolder() { return FolderStore(); }

std::string IniPath() { return CardFolder() + "\\simcard.ini"; }

std::string FolderOfModule(HMODULE module) {
    char path[MAX_PATH + 1] = {};
    DWORD n = GetModuleFileNameA(module, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return ".";
    std::string p(path, n);
    size_t slash = p.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : p.substr(0, slash);
}

std::string PipeName() { return HexName("\\\\.\\pipe\\orvane-simcard-"); }

std::string LockName() { return HexName("orvane-simcard-lock-"); }

std::string IniGet(const char* section, const char* key, const char* fallback, size_t maxLen) {
    if (maxLen > 65535) maxLen = 65535;
    std::vector<char> buf(maxLen + 2, '\0');
    DWORD n = GetPrivateProfileStringA(section, key, fallback ? fallback : "", buf.data(),
                                       static_cast<DWORD>(maxLen + 1), IniPath().c_str());
    if (n > maxLen) n = static_cast<DWORD>(maxLen);
    return std::string(buf.data(), strnlen(buf.data(), n));
}

bool ParseInt(const std::string& text, long long& value) {
    std::string t = Trim(text);
    size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
    if (i >= t.size() || t.size() - i > 18) return false;
    long long v = 0;
    for (; i < t.size(); ++i) {
        if (t[i] < '0' || t[i] > '9') return false;
        v = v * 10 + (t[i] - '0');
    }
    value = negative ? -v : v;
    return true;
}

std::vector<long long> ParseIntList(const std::string& text, size_t maxItems) {
    std::vector<long long> out;
    for (const std::string& item : Split(text, ',', 4096)) {
        long long v;
        if (out.size() >= maxItems) break;
        if (ParseInt(item, v)) out.push_back(v);
    }
    return out;
}

int32_t IniInt(const char* section, const char* key, int32_t fallback) {
    long long v;
    if (!ParseInt(IniGet(section, key, "", 31), v)) return fallback;
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(v);
}

bool IniSet(const char* section, const char* key, const std::string& value) {
    return WritePrivateProfileStringA(section, key, value.c_str(), IniPath().c_str()) != FALSE;
}

bool IniSetInt(const char* section, const char* key, long long value) {
    return IniSet(section, key, std::to_string(value));
}

bool IniDelete(const char* section, const char* key) {
    return WritePrivateProfileStringA(section, key, nullptr, IniPath().c_str()) != FALSE;
}

std::vector<std::pair<std::string, std::string>> IniSection(const char* section,
                                                            size_t maxEntries) {
    constexpr DWORD kSize = 256 * 1024;  // far more than 201 entries need; bigger files are cut
    std::vector<char> buf(kSize + 2, '\0');
    DWORD n = GetPrivateProfileSectionA(section, buf.data(), kSize, IniPath().c_str());
    if (n > kSize) n = kSize;
    std::vector<std::pair<std::string, std::string>> out;
    size_t pos = 0;
    while (pos < n && out.size() < maxEntries) {
        size_t len = strnlen(buf.data() + pos, n - pos);
        if (len == 0) break;
        std::string line(buf.data() + pos, len);
        pos += len + 1;
        std::string t = Trim(line);
        if (t.empty() || t[0] == ';' || t[0] == '#') continue;
        size_t eq = t.find('=');
        if (eq == std::string::npos) continue;
        out.emplace_back(Trim(t.substr(0, eq)), Trim(t.substr(eq + 1)));
    }
    return out;
}

StateLock::StateLock() : mutex_(CreateMutexA(nullptr, FALSE, LockName().c_str())) {
    // A stuck holder must not hang the card: after 5 s we go on without the lock.
    if (mutex_ && WaitForSingleObject(mutex_, 5000) == WAIT_TIMEOUT) {
        CloseHandle(mutex_);
        mutex_ = nullptr;
    }
}

StateLock::~StateLock() {
    if (mutex_) {
        ReleaseMutex(mutex_);
        CloseHandle(mutex_);
    }
}

bool IsLeadByte(unsigned char c) { return c >= 0x80 && IsDBCSLeadByte(c); }

size_t CutLength(const char* text, size_t len, size_t maxBytes) {
    size_t i = 0;
    while (i < len) {
        size_t step = (IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < len) ? 2 : 1;
        if (i + step > maxBytes) break;
        i += step;
    }
    return i;
}

void CopyField(char* field, size_t size, const std::string& text) {
    if (!field || size == 0) return;
    memset(field, 0, size);
    size_t n = CutLength(text.data(), strnlen(text.c_str(), text.size()), size - 1);
    memcpy(field, text.data(), n);
}

std::string BoundedText(const char* text, size_t maxBytes) {
    if (!text) return std::string();
    return std::string(text, strnlen(text, maxBytes));
}

std::string Escape(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (IsLeadByte(c) && i + 1 < text.size()) {
            out += text[i];
            out += text[++i];
        } else if (c == '\\') {
            out += "\\\\";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c < 0x20 || c == 0x7f) {
            out += ' ';
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string Unescape(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (IsLeadByte(c) && i + 1 < text.size()) {
            out += text[i];
            out += text[++i];
        } else if (c == '\\' && i + 1 < text.size()) {
            char e = text[++i];
            if (e == 'n')
                out += '\n';
            else if (e == 'r')
                out += '\r';
            else if (e == '\\')
                out += '\\';
            else {
                out += '\\';
                out += e;
            }
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::vector<std::string> Split(const std::string& text, char sep, size_t n) {
    std::vector<std::string> out;
    if (n == 0) return out;
    std::string cur;
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (IsLeadByte(c) && i + 1 < text.size()) {
            cur += text[i];
            cur += text[++i];
        } else if (text[i] == sep && out.size() + 1 < n) {
            out.push_back(cur);
            cur.clear();
        } else {
            cur += text[i];
        }
    }
    out.push_back(cur);
    return out;
}

std::string Trim(const std::string& text) {
    size_t b = text.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return std::string();
    size_t e = text.find_last_not_of(" \t\r\n");
    return text.substr(b, e - b + 1);
}

namespace {

// Waits for one overlapped pipe operation; false on failure or time-out (the I/O is cancelled).
}  // namespace

bool FinishIo(HANDLE h, OVERLAPPED& ov, BOOL started, DWORD timeoutMs, DWORD& bytes) {
    bytes = 0;
    if (!started) {
        DWORD err = GetLastError();
        if (err == ERROR_IO_PENDING) {
            if (WaitForSingleObject(ov.hEvent, timeoutMs) != WAIT_OBJECT_0) {
                CancelIo(h);
                GetOverlappedResult(h, &ov, &bytes, TRUE);
                return false;
            }
        } else if (err != ERROR_MORE_DATA) {
            return false;
        }
    }
    if (GetOverlappedResult(h, &ov, &bytes, TRUE)) return true;
    return GetLastError() == ERROR_MORE_DATA;
}


PipeResult PipeRequest(const std::string& pipe, const std::string& request, std::string& reply,
                       DWORD timeoutMs) {
    reply.clear();
    ULONGLONG deadline = GetTickCount64() + timeoutMs;
    HANDLE h = INVALID_HANDLE_VALUE;
    for (;;) {
        h = CreateFileA(pipe.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                        FILE_FLAG_OVERLAPPED, nullptr);
        if (h != INVALID_HANDLE_VALUE) break;
        DWORD err = GetLastError();
        if (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND) return PipeResult::NoServer;
        if (GetTickCount64() >= deadline) return PipeResult::Failed;
        if (err == ERROR_PIPE_BUSY) {
            if (!WaitNamedPipeA(pipe.c_str(), 500)) Sleep(20);
        } else {
            Sleep(50);
        }
    }
    DWORD mode = PIPE_READMODE_MESSAGE;
    SetNamedPipeHandleState(h, &mode, nullptr, nullptr);
    OVERLAPPED ov = {};
    ov.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    PipeResult result = PipeResult::Failed;
    std::string msg = request.substr(0, kPipeMessageMax);
    DWORD bytes = 0;
    auto left = [&]() -> DWORD {
        ULONGLONG now = GetTickCount64();
        return now >= deadline ? 1 : static_cast<DWORD>(deadline - now);
    };
    if (ov.hEvent &&
        FinishIo(h, ov, WriteFile(h, msg.data(), static_cast<DWORD>(msg.size()), nullptr, &ov),
                 left(), bytes)) {
        std::vector<char> buf(kPipeMessageMax + 1, '\0');
        if (FinishIo(h, ov, ReadFile(h, buf.data(), kPipeMessageMax, nullptr, &ov), left(),
                     bytes)) {
            if (bytes > kPipeMessageMax) bytes = kPipeMessageMax;
            reply.assign(buf.data(), strnlen(buf.data(), bytes));
            while (!reply.empty() && (reply.back() == '\n' || reply.back() == '\r'))
                reply.pop_back();
            result = PipeResult::Ok;
        }
    }
    if (ov.hEvent) CloseHandle(ov.hEvent);
    CloseHandle(h);
    return result;
}

namespace {

struct WindowList {
    DWORD pid;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM param) {
    auto* list = reinterpret_cast<WindowList*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if ((list->pid == 0 || pid == list->pid) && list->windows.size() < 4096)
        list->windows.push_back(hwnd);
    return TRUE;
}

}  // namespace

int BroadcastPort(UINT_PTR event, int port, DWORD pid) {
    WindowList list{pid, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&list));
    char nameA[16];
    snprintf(nameA, sizeof nameA, "COM%d", port);
    wchar_t nameW[16];
    swprintf(nameW, 16, L"COM%d", port);

    // The header's dbch_size covers the name, which is how the system copies it across processes.
    alignas(DEV_BROADCAST_PORT_W) unsigned char bufW[sizeof(DEV_BROADCAST_PORT_W) + 64] = {};
    auto* portW = reinterpret_cast<DEV_BROADCAST_PORT_W*>(bufW);
    portW->dbcp_size = static_cast<DWORD>(offsetof(DEV_BROADCAST_PORT_W, dbcp_name) +
                                          (wcslen(nameW) + 1) * sizeof(wchar_t));
    portW->dbcp_devicetype = DBT_DEVTYP_PORT;
    memcpy(portW->dbcp_name, nameW, (wcslen(nameW) + 1) * sizeof(wchar_t));

    alignas(DEV_BROADCAST_PORT_A) unsigned char bufA[sizeof(DEV_BROADCAST_PORT_A) + 32] = {};
    auto* portA = reinterpret_cast<DEV_BROADCAST_PORT_A*>(bufA);
    portA->dbcp_size =
        static_cast<DWORD>(offsetof(DEV_BROADCAST_PORT_A, dbcp_name) + strlen(nameA) + 1);
    portA->dbcp_devicetype = DBT_DEVTYP_PORT;
    memcpy(portA->dbcp_name, nameA, strlen(nameA) + 1);

    int sent = 0;
    for (HWND hwnd : list.windows) {
        DWORD_PTR result = 0;
        LRESULT ok;
        if (IsWindowUnicode(hwnd))
            ok = SendMessageTimeoutW(hwnd, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(portW),
                                     SMTO_ABORTIFHUNG, 3000, &result);
        else
            ok = SendMessageTimeoutA(hwnd, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(portA),
                                     SMTO_ABORTIFHUNG, 3000, &result);
        if (ok) ++sent;
    }
    return sent;
}

std::string NowText() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    char buf[32];
    snprintf(buf, sizeof buf, "%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour,
             t.wMinute, t.wSecond);
    return buf;
}

}  // namespace sim
