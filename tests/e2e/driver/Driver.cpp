// End-to-end test driver: folders, processes, window finding, control driving, list reading and screenshots.
#include "Driver.h"

#include <commctrl.h>
#include <shlobj.h>
#include <tlhelp32.h>
#include <wincodec.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>

namespace e2e {
namespace {

constexpr DWORD kPollMs = 50;
constexpr UINT kSendTimeoutMs = 5000;  // a window that does not answer a message within this counts as failed
constexpr size_t kMaxText = 1 << 20;   // longest window or row text read
constexpr size_t kMaxFile = 64u << 20; // largest file read back
constexpr int kMaxRows = 100000;
constexpr int kMaxColumns = 64;
constexpr int kCellChars = 4096;       // list view cell buffer in the target process
constexpr int kMessageBoxTextId = 0xFFFF;
constexpr DWORD kSettleMs = 200;       // time for a window's painting to reach the screen before a screenshot

// SendMessageTimeout that never blocks on a hung window; `failed` when the window does not answer.
LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT failed = 0) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result))
        return failed;
    return static_cast<LRESULT>(result);
}

std::wstring Folder(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::wstring ModuleFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return Folder(path);
        }
        if (path.size() > 32768) return {};
        path.resize(path.size() * 2);
    }
}

// Full, long form of a path, so it compares equal to the image names the system reports.
std::wstring LongPath(const std::wstring& path) {
    wchar_t full[MAX_PATH * 4];
    DWORD n = GetFullPathNameW(path.c_str(), MAX_PATH * 4, full, nullptr);
    if (n == 0 || n >= MAX_PATH * 4) return path;
    wchar_t longer[MAX_PATH * 4];
    n = GetLongPathNameW(full, longer, MAX_PATH * 4);
    return (n == 0 || n >= MAX_PATH * 4) ? std::wstring(full) : std::wstring(longer);
}

bool StartsWithNoCase(const std::wstring& text, const std::wstring& prefix) {
    return text.size() >= prefix.size() &&
           CompareStringOrdinal(text.c_str(), static_cast<int>(prefix.size()), prefix.c_str(),
                                static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL;
}

std::wstring Quote(const std::wstring& path) { return L"\"" + path + L"\""; }

// Environment block of this process with "NAME=value" overrides applied.
std::vector<wchar_t> EnvironmentWith(const std::vector<std::wstring>& overrides) {
    std::vector<std::wstring> vars;
    if (wchar_t* block = GetEnvironmentStringsW()) {
        for (const wchar_t* p = block; *p; p += wcslen(p) + 1) vars.emplace_back(p);
        FreeEnvironmentStringsW(block);
    }
    auto nameOf = [](const std::wstring& var) {
        const size_t eq = var.find(L'=', 1);  // "=C:=C:\" style entries start with '='
        return var.substr(0, eq);
    };
    for (const std::wstring& entry : overrides) {
        const std::wstring name = nameOf(entry);
        auto same = [&](const std::wstring& var) {
            const std::wstring other = nameOf(var);
            return other.size() == name.size() && StartsWithNoCase(other, name);
        };
        vars.erase(std::remove_if(vars.begin(), vars.end(), same), vars.end());
        vars.push_back(entry);
    }
    std::vector<wchar_t> result;
    for (const std::wstring& var : vars) {
        result.insert(result.end(), var.begin(), var.end());
        result.push_back(L'\0');
    }
    result.push_back(L'\0');
    return result;
}

bool CopyTree(const std::wstring& from, const std::wstring& to) {
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((from + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) {
        Logf("cannot list %s", Utf8(from).c_str());
        return false;
    }
    bool ok = true;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring source = from + L"\\" + name, target = to + L"\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            ok = (CreateDirectoryW(target.c_str(), nullptr) && CopyTree(source, target)) && ok;
        } else if (!CopyFileW(source.c_str(), target.c_str(), FALSE)) {
            Logf("cannot copy %s (error %lu)", Utf8(source).c_str(), GetLastError());
            ok = false;
        }
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return ok;
}

bool DeleteTree(const std::wstring& path) {
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring item = path + L"\\" + name;
            SetFileAttributesW(item.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                DeleteTree(item);
            else
                DeleteFileW(item.c_str());
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    return RemoveDirectoryW(path.c_str()) || GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES;
}

// Ends every process whose program file lies in `folder`: programs the test started indirectly
// (a second copy, a helper program) must not outlive the test and hold its files or mutexes.
void KillProcessesIn(const std::wstring& folder) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return;
    const std::wstring prefix = folder + L"\\";
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ProcessID == GetCurrentProcessId() || entry.th32ProcessID == 0) continue;
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE | SYNCHRONIZE, FALSE,
                                     entry.th32ProcessID);
        if (!process) continue;
        wchar_t image[MAX_PATH * 4];
        DWORD size = MAX_PATH * 4;
        if (QueryFullProcessImageNameW(process, 0, image, &size) && StartsWithNoCase(LongPath(image), prefix)) {
            Logf("killing leftover %s (pid %lu)", Utf8(image).c_str(), entry.th32ProcessID);
            TerminateProcess(process, 1);
            WaitForSingleObject(process, 5000);
        }
        CloseHandle(process);
    }
    CloseHandle(snapshot);
}

bool MakeFolders(const std::wstring& folder) {
    if (folder.empty()) return true;
    const int rc = SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    return rc == ERROR_SUCCESS || rc == ERROR_ALREADY_EXISTS || rc == ERROR_FILE_EXISTS;
}

bool WriteWholeFile(const std::wstring& path, const void* data, size_t size) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const char* p = static_cast<const char*>(data);
    bool ok = true;
    while (ok && size > 0) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1u << 20));
        ok = WriteFile(file, p, chunk, &written, nullptr) && written == chunk;
        p += written;
        size -= written;
    }
    CloseHandle(file);
    return ok;
}

std::string ReadHandle(HANDLE file) {
    std::string data;
    char buffer[65536];
    DWORD got = 0;
    while (data.size() < kMaxFile && ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        data.append(buffer, got);
    if (data.size() > kMaxFile) data.resize(kMaxFile);
    return data;
}

// A block of memory inside the process owning a window: list view messages carry pointers that the
// system does not copy between processes, so the structure and its text buffer must live there.
class RemoteMemory {
public:
    RemoteMemory(HWND owner, size_t size) : size_(size) {
        DWORD pid = 0;
        GetWindowThreadProcessId(owner, &pid);
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_QUERY_INFORMATION,
                               FALSE, pid);
        if (process_)
            address_ = static_cast<char*>(
                VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    }
    ~RemoteMemory() {
        if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        if (process_) CloseHandle(process_);
    }
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;

    bool Ok() const { return address_ != nullptr; }
    char* At(size_t offset) const { return address_ + offset; }  // an address in the other process
    bool Write(size_t offset, const void* data, size_t n) {
        SIZE_T done = 0;
        return Ok() && offset <= size_ && n <= size_ - offset &&
               WriteProcessMemory(process_, address_ + offset, data, n, &done) && done == n;
    }
    bool Read(size_t offset, void* data, size_t n) const {
        SIZE_T done = 0;
        return Ok() && offset <= size_ && n <= size_ - offset &&
               ReadProcessMemory(process_, address_ + offset, data, n, &done) && done == n;
    }

private:
    HANDLE process_ = nullptr;
    char* address_ = nullptr;
    size_t size_;
};

// One list view cell through memory of the list's process (layout: LVITEMW, then the text buffer).
std::wstring CellText(RemoteMemory& memory, HWND list, int row, int column) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.iSubItem = column;
    item.pszText = reinterpret_cast<LPWSTR>(memory.At(sizeof(LVITEMW)));
    item.cchTextMax = kCellChars;
    const wchar_t empty = L'\0';
    if (!memory.Write(0, &item, sizeof item) || !memory.Write(sizeof item, &empty, sizeof empty)) return {};
    Send(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(memory.At(0)));
    std::vector<wchar_t> text(kCellChars + 1, L'\0');
    if (!memory.Read(sizeof item, text.data(), kCellChars * sizeof(wchar_t))) return {};
    return std::wstring(text.data());  // the terminator at kCellChars bounds an unterminated cell
}

std::vector<std::wstring> ReadRows(HWND list, UINT countMsg, UINT lengthMsg, UINT textMsg, LRESULT error) {
    std::vector<std::wstring> rows;
    const LRESULT count = std::clamp<LRESULT>(Send(list, countMsg, 0, 0, 0), 0, kMaxRows);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = Send(list, lengthMsg, static_cast<WPARAM>(i), 0, error);
        if (length == error || length < 0 || static_cast<size_t>(length) > kMaxText) {
            rows.emplace_back();
            continue;
        }
        std::vector<wchar_t> text(static_cast<size_t>(length) + 1, L'\0');
        const LRESULT got = Send(list, textMsg, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()), error);
        const size_t size = got == error ? 0 : static_cast<size_t>(std::clamp<LRESULT>(got, 0, length));
        rows.emplace_back(text.data(), size);
    }
    return rows;
}

bool IsExtendedKey(WORD vk) {
    switch (vk) {
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: case VK_HOME: case VK_END: case VK_PRIOR:
    case VK_NEXT: case VK_INSERT: case VK_DELETE: case VK_RCONTROL: case VK_RMENU: case VK_DIVIDE:
        return true;
    default:
        return false;
    }
}

// 24-bit BGR rows, top row first, each padded to 4 bytes.
struct Pixels {
    int width = 0, height = 0;
    UINT stride = 0;
    std::vector<BYTE> bytes;
};

bool Capture(const RECT& area, Pixels& out) {
    const int width = area.right - area.left, height = area.bottom - area.top;
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384) return false;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = dib && bits;
    if (ok) {
        HGDIOBJ old = SelectObject(memory, dib);
        ok = BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY | CAPTUREBLT);
        GdiFlush();
        SelectObject(memory, old);
    }
    if (ok) {
        out.width = width;
        out.height = height;
        out.stride = (static_cast<UINT>(width) * 3 + 3) & ~3u;
        out.bytes.assign(static_cast<size_t>(out.stride) * height, 0);
        const BYTE* src = static_cast<const BYTE*>(bits);
        for (int y = 0; y < height; ++y) {
            BYTE* row = out.bytes.data() + static_cast<size_t>(y) * out.stride;
            const BYTE* from = src + static_cast<size_t>(y) * width * 4;
            for (int x = 0; x < width; ++x) {
                row[x * 3] = from[x * 4];
                row[x * 3 + 1] = from[x * 4 + 1];
                row[x * 3 + 2] = from[x * 4 + 2];
            }
        }
    }
    if (dib) DeleteObject(dib);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

template <class T> void Release(T*& p) {
    if (p) p->Release();
    p = nullptr;
}

bool WritePng(const std::wstring& path, const Pixels& pixels) {
    const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IWICImagingFactory* factory = nullptr;
    IWICStream* stream = nullptr;
    IWICBitmapEncoder* encoder = nullptr;
    IWICBitmapFrameEncode* frame = nullptr;
    IPropertyBag2* options = nullptr;
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                  reinterpret_cast<void**>(&factory));
    if (SUCCEEDED(hr)) hr = factory->CreateStream(&stream);
    if (SUCCEEDED(hr)) hr = stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE);
    if (SUCCEEDED(hr)) hr = factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder);
    if (SUCCEEDED(hr)) hr = encoder->Initialize(stream, WICBitmapEncoderNoCache);
    if (SUCCEEDED(hr)) hr = encoder->CreateNewFrame(&frame, &options);
    if (SUCCEEDED(hr)) hr = frame->Initialize(options);
    if (SUCCEEDED(hr)) hr = frame->SetSize(static_cast<UINT>(pixels.width), static_cast<UINT>(pixels.height));
    if (SUCCEEDED(hr)) hr = frame->SetPixelFormat(&format);
    if (SUCCEEDED(hr) && !IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) hr = E_FAIL;
    if (SUCCEEDED(hr))
        hr = frame->WritePixels(static_cast<UINT>(pixels.height), pixels.stride,
                                static_cast<UINT>(pixels.bytes.size()), const_cast<BYTE*>(pixels.bytes.data()));
    if (SUCCEEDED(hr)) hr = frame->Commit();
    if (SUCCEEDED(hr)) hr = encoder->Commit();
    Release(options);
    Release(frame);
    Release(encoder);
    Release(stream);
    Release(factory);
    if (SUCCEEDED(init)) CoUninitialize();
    if (FAILED(hr)) {
        Logf("PNG encoder failed (0x%08lx); writing BMP", static_cast<unsigned long>(hr));
        DeleteFileW(path.c_str());
    }
    return SUCCEEDED(hr);
}

bool WriteBmp(const std::wstring& path, const Pixels& pixels) {
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    const DWORD imageSize = static_cast<DWORD>(pixels.bytes.size());
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + imageSize;
    info.biSize = sizeof info;
    info.biWidth = pixels.width;
    info.biHeight = pixels.height;  // bottom-up, the form every viewer reads
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = imageSize;
    std::string data(reinterpret_cast<const char*>(&file), sizeof file);
    data.append(reinterpret_cast<const char*>(&info), sizeof info);
    for (int y = pixels.height - 1; y >= 0; --y)
        data.append(reinterpret_cast<const char*>(pixels.bytes.data()) + static_cast<size_t>(y) * pixels.stride,
                    pixels.stride);
    return WriteWholeFile(path, data.data(), data.size());
}

struct WindowSearch {
    DWORD pid;  // kAnyProcess: every process
    const WindowMatch* match;
    HWND found;
};

BOOL CALLBACK TopWindowFound(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if ((search->pid == kAnyProcess || owner == search->pid) && (*search->match)(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

struct ChildSearch {
    int id;
    HWND first, visible;
};

BOOL CALLBACK ChildFound(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<ChildSearch*>(param);
    if (GetDlgCtrlID(window) != search->id) return TRUE;
    if (!search->first) search->first = window;
    if (!IsWindowVisible(window)) return TRUE;
    search->visible = window;
    return FALSE;
}

bool IsMessageBoxButtonId(int id) { return id >= IDOK && id <= IDCONTINUE; }

// A message box is a dialog holding only statics and standard buttons, with its text in static 0xFFFF.
// Ordinary dialogs may have 0xFFFF labels too (IDC_STATIC), but they also carry other controls.
bool LooksLikeMessageBox(HWND window) {
    if (!IsWindowVisible(window) || ClassOf(window) != L"#32770" || !GetDlgItem(window, kMessageBoxTextId))
        return false;
    bool button = false;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const std::wstring cls = ClassOf(child);
        if (CompareStringOrdinal(cls.c_str(), -1, L"Button", -1, TRUE) == CSTR_EQUAL) {
            if (!IsMessageBoxButtonId(GetDlgCtrlID(child))) return false;
            button = true;
        } else if (CompareStringOrdinal(cls.c_str(), -1, L"Static", -1, TRUE) != CSTR_EQUAL) {
            return false;
        }
    }
    return button;
}

} // namespace

// ---- Text, paths, logging, waiting

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                      nullptr);
    std::string out(static_cast<size_t>(std::max(n, 0)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring Wide(const std::string& utf8) {
    if (utf8.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(std::max(n, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

std::string ToAnsi(const std::wstring& text) {
    if (text.empty()) return {};
    const int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                      nullptr);
    std::string out(static_cast<size_t>(std::max(n, 0)), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring FromAnsi(const std::string& bytes) {
    if (bytes.empty()) return {};
    const int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(std::max(n, 0)), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
    return out;
}

std::wstring WindowsPath(const std::wstring& path) {
    if (path.empty() || path[0] != L'/') return path;
    std::wstring out = L"Z:" + path;
    std::replace(out.begin(), out.end(), L'/', L'\\');
    return out;
}

std::wstring EnvPath(const wchar_t* name) {
    const DWORD n = GetEnvironmentVariableW(name, nullptr, 0);
    if (n == 0) return {};
    std::wstring value(n, L'\0');
    value.resize(GetEnvironmentVariableW(name, value.data(), n));
    value = WindowsPath(value);
    while (value.size() > 3 && (value.back() == L'\\' || value.back() == L'/')) value.pop_back();
    return value;
}

void Logf(const char* format, ...) {
    static const DWORD start = GetTickCount();
    std::printf("[e2e %7.2fs] ", (GetTickCount() - start) / 1000.0);
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    const size_t n = std::strlen(format);
    if (n == 0 || format[n - 1] != '\n') std::putchar('\n');
    std::fflush(stdout);
}

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (done()) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(kPollMs);
    }
}

// ---- Processes

Process::~Process() { Reset(); }

void Process::Reset() {
    if (Running()) Kill();
    if (process_) CloseHandle(process_);
    process_ = nullptr;
    id_ = 0;
}

Process::Process(Process&& other) noexcept : process_(other.process_), id_(other.id_) {
    other.process_ = nullptr;
    other.id_ = 0;
}

Process& Process::operator=(Process&& other) noexcept {
    if (this != &other) {
        Reset();
        process_ = other.process_;
        id_ = other.id_;
        other.process_ = nullptr;
        other.id_ = 0;
    }
    return *this;
}

bool Process::Start(const std::wstring& exe, const std::wstring& args, const std::wstring& workDir,
                    const std::vector<std::wstring>& env) {
    Reset();
    std::wstring line = Quote(exe);
    if (!args.empty()) line += L" " + args;
    std::vector<wchar_t> command(line.begin(), line.end());
    command.push_back(L'\0');
    std::vector<wchar_t> environment;
    if (!env.empty()) environment = EnvironmentWith(env);
    const std::wstring dir = workDir.empty() ? Folder(exe) : workDir;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                        environment.empty() ? nullptr : environment.data(), dir.empty() ? nullptr : dir.c_str(),
                        &startup, &info)) {
        Logf("cannot start %s (error %lu)", Utf8(exe).c_str(), GetLastError());
        return false;
    }
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    id_ = info.dwProcessId;
    Logf("started %s %s (pid %lu)", Utf8(exe).c_str(), Utf8(args).c_str(), id_);
    return true;
}

bool Process::Running() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

bool Process::WaitExit(DWORD timeoutMs) const {
    return process_ && WaitForSingleObject(process_, timeoutMs) == WAIT_OBJECT_0;
}

DWORD Process::ExitCode() const {
    DWORD code = STILL_ACTIVE;
    if (process_) GetExitCodeProcess(process_, &code);
    return code;
}

void Process::Kill() {
    if (!Running()) return;
    Logf("killing pid %lu", id_);
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, 5000);
}

int RunProgram(const std::wstring& exe, const std::wstring& args, std::string* output, DWORD timeoutMs) {
    HANDLE capture = INVALID_HANDLE_VALUE;
    std::wstring capturePath;
    if (output) {
        output->clear();
        wchar_t dir[MAX_PATH + 1], name[MAX_PATH + 1];
        if (!GetTempPathW(MAX_PATH + 1, dir) || !GetTempFileNameW(dir, L"e2e", 0, name)) return -1;
        capturePath = name;
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        capture = CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr);
        if (capture == INVALID_HANDLE_VALUE) return -1;
    }
    std::wstring line = Quote(exe);
    if (!args.empty()) line += L" " + args;
    std::vector<wchar_t> command(line.begin(), line.end());
    command.push_back(L'\0');
    const std::wstring dir = Folder(exe);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (output) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = startup.hStdError = capture;
    }
    PROCESS_INFORMATION info{};
    int result = -1;
    if (CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, output ? TRUE : FALSE, 0, nullptr,
                       dir.empty() ? nullptr : dir.c_str(), &startup, &info)) {
        CloseHandle(info.hThread);
        if (WaitForSingleObject(info.hProcess, timeoutMs) == WAIT_OBJECT_0) {
            DWORD code = 0;
            GetExitCodeProcess(info.hProcess, &code);
            result = static_cast<int>(code);
        } else {
            Logf("%s %s did not end in %lu ms; killed", Utf8(exe).c_str(), Utf8(args).c_str(), timeoutMs);
            TerminateProcess(info.hProcess, 1);
            WaitForSingleObject(info.hProcess, 5000);
        }
        CloseHandle(info.hProcess);
    } else {
        Logf("cannot run %s (error %lu)", Utf8(exe).c_str(), GetLastError());
    }
    if (output) {
        SetFilePointer(capture, 0, nullptr, FILE_BEGIN);
        *output = ReadHandle(capture);
        CloseHandle(capture);
        DeleteFileW(capturePath.c_str());
    }
    return result;
}

// ---- StagedFolder

std::wstring StagedFolder::StageSource() {
    std::wstring stage = EnvPath(L"ORVANE_STAGE");
    if (stage.empty()) stage = Folder(ModuleFolder()) + L"\\Orvane";  // build/target/testbin -> build/target/Orvane
    return stage;
}

StagedFolder::StagedFolder() : StagedFolder(StageSource()) {}

StagedFolder::StagedFolder(const std::wstring& source) {
    wchar_t temp[MAX_PATH + 1];
    if (!GetTempPathW(MAX_PATH + 1, temp)) return;
    static LONG counter = 0;
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
        const std::wstring candidate = std::wstring(temp) + L"orvane-e2e-" + std::to_wstring(GetCurrentProcessId()) +
                                       L"-" + std::to_wstring(GetTickCount()) + L"-" +
                                       std::to_wstring(InterlockedIncrement(&counter));
        if (CreateDirectoryW(candidate.c_str(), nullptr)) path_ = LongPath(candidate);
    }
    if (path_.empty()) {
        Logf("cannot create a temporary folder in %s", Utf8(temp).c_str());
        return;
    }
    ok_ = source.empty() || CopyTree(source, path_);
    Logf("folder %s%s%s", Utf8(path_).c_str(), source.empty() ? "" : " from ", Utf8(source).c_str());
}

StagedFolder::~StagedFolder() {
    if (path_.empty()) return;
    KillProcessesIn(path_);
    if (GetEnvironmentVariableW(L"E2E_KEEP", nullptr, 0) > 0) {
        Logf("kept %s", Utf8(path_).c_str());
        return;
    }
    // Files of a process just ended may stay locked for a moment.
    if (!WaitUntil([&] { return DeleteTree(path_); }, 5000)) Logf("cannot remove %s", Utf8(path_).c_str());
}

std::wstring StagedFolder::File(const std::wstring& name) const { return path_ + L"\\" + name; }

bool StagedFolder::Exists(const std::wstring& name) const {
    return GetFileAttributesW(File(name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool StagedFolder::WriteBytes(const std::wstring& name, const std::string& bytes) {
    const std::wstring path = File(name);
    return MakeFolders(Folder(path)) && WriteWholeFile(path, bytes.data(), bytes.size());
}

bool StagedFolder::WriteText(const std::wstring& name, const std::wstring& text) {
    return WriteBytes(name, ToAnsi(text));
}

bool StagedFolder::Remove(const std::wstring& name) {
    const std::wstring path = File(name);
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    return DeleteFileW(path.c_str()) || GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES;
}

bool StagedFolder::CopyIn(const std::wstring& from, const std::wstring& name) {
    const std::wstring path = File(name);
    return MakeFolders(Folder(path)) && CopyFileW(from.c_str(), path.c_str(), FALSE);
}

std::string StagedFolder::ReadBytes(const std::wstring& name) const {
    HANDLE file = CreateFileW(File(name).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string data = ReadHandle(file);
    CloseHandle(file);
    return data;
}

std::wstring StagedFolder::ReadText(const std::wstring& name) const { return FromAnsi(ReadBytes(name)); }

Process StagedFolder::Start(const std::wstring& exe, const std::wstring& args,
                            const std::vector<std::wstring>& env) const {
    Process process;
    process.Start(File(exe), args, path_, env);
    return process;
}

bool StagedFolder::SetIni(const std::wstring& file, const std::wstring& section,
                          const std::wstring& key, const std::wstring& value) const {
    return WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(),
                                      File(file).c_str()) != FALSE;
}

int StagedFolder::Run(const std::wstring& exe, const std::wstring& args, std::string* output,
                      DWORD timeoutMs) const {
    return RunProgram(File(exe), args, output, timeoutMs);
}

std::wstring StagedFolder::Screenshot(const std::wstring& name, HWND window) const {
    std::wstring dir = EnvPath(L"E2E_SHOTS");
    if (dir.empty()) dir = path_;
    if (!MakeFolders(dir)) return {};
    std::wstring file = dir + L"\\" + name;
    if (file.size() < 4 || CompareStringOrdinal(file.c_str() + file.size() - 4, 4, L".png", 4, TRUE) != CSTR_EQUAL)
        file += L".png";
    return SaveScreenshot(file, window);
}

// ---- Finding windows

std::vector<HWND> WindowsOf(DWORD pid) {
    std::vector<HWND> found;
    FindWindowOf(pid, [&](HWND window) {
        found.push_back(window);
        return false;
    });
    return found;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[256];
    const int n = GetClassNameW(window, name, 256);
    return std::wstring(name, static_cast<size_t>(std::max(n, 0)));
}

std::wstring Caption(HWND window) {
    wchar_t text[1024];
    const int n = GetWindowTextW(window, text, 1024);
    return std::wstring(text, static_cast<size_t>(std::clamp(n, 0, 1023)));
}

HWND FindWindowOf(DWORD pid, const WindowMatch& match) {
    WindowSearch search{pid, &match, nullptr};
    EnumWindows(TopWindowFound, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitWindow(DWORD pid, const WindowMatch& match, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindWindowOf(pid, match)) != nullptr; }, timeoutMs);
    return found;
}

HWND WaitWindowClass(DWORD pid, const std::wstring& cls, DWORD timeoutMs) {
    return WaitWindow(pid, [&](HWND window) { return IsWindowVisible(window) && ClassOf(window) == cls; }, timeoutMs);
}

HWND WaitWindowText(DWORD pid, const std::wstring& text, DWORD timeoutMs) {
    return WaitWindow(pid, [&](HWND window) { return IsWindowVisible(window) && Caption(window) == text; }, timeoutMs);
}

HWND WaitDialogWith(DWORD pid, int controlId, DWORD timeoutMs) {
    return WaitWindow(
        pid,
        [&](HWND window) {
            return IsWindowVisible(window) && ClassOf(window) == L"#32770" && FindChild(window, controlId) != nullptr;
        },
        timeoutMs);
}

MessageBoxInfo WaitMessageBox(DWORD pid, DWORD timeoutMs) {
    MessageBoxInfo box;
    box.window = WaitWindow(pid, LooksLikeMessageBox, timeoutMs);
    if (!box.window) return box;
    box.caption = Caption(box.window);
    box.text = Text(GetDlgItem(box.window, kMessageBoxTextId));
    for (HWND child = GetWindow(box.window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const int id = GetDlgCtrlID(child);
        if ((GetWindowLongPtrW(child, GWL_STYLE) & WS_VISIBLE) && IsMessageBoxButtonId(id) &&
            CompareStringOrdinal(ClassOf(child).c_str(), -1, L"Button", -1, TRUE) == CSTR_EQUAL)
            box.buttons.push_back(id);
    }
    std::sort(box.buttons.begin(), box.buttons.end());
    Logf("message box \"%s\": %s", Utf8(box.caption).c_str(), Utf8(box.text).c_str());
    return box;
}

bool AnswerMessageBox(const MessageBoxInfo& box, int buttonId) {
    if (!box.window || std::find(box.buttons.begin(), box.buttons.end(), buttonId) == box.buttons.end()) return false;
    return PostMessageW(box.window, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                        reinterpret_cast<LPARAM>(GetDlgItem(box.window, buttonId)));
}

bool WaitGone(HWND window, DWORD timeoutMs) {
    return WaitUntil([&] { return !IsWindow(window); }, timeoutMs);
}

// The file name box of the common file dialog: a combo box in the explorer style, else an edit.
constexpr int kFileNameCombo = 0x47C;
constexpr int kFileNameEdit = 0x480;

HWND FileNameBox(HWND dialog) {
    HWND box = FindChild(dialog, kFileNameCombo);
    return box ? box : FindChild(dialog, kFileNameEdit);
}

HWND WaitFileDialog(DWORD pid, DWORD timeoutMs) {
    return WaitWindow(
        pid,
        [](HWND w) { return IsWindowVisible(w) && ClassOf(w) == L"#32770" && FileNameBox(w); },
        timeoutMs);
}

bool AnswerFileDialog(HWND dialog, const std::wstring& name, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    do {
        HWND box = FileNameBox(dialog);
        if (!box || !SetText(box, name) || !ClickId(dialog, IDOK)) return !IsWindow(dialog);
        if (WaitGone(dialog, 2000)) return true;
    } while (GetTickCount() - start < timeoutMs);
    return false;
}

bool WaitNoWindows(DWORD pid, DWORD timeoutMs) {
    return WaitUntil(
        [&] {
            const std::vector<HWND> windows = WindowsOf(pid);
            return std::none_of(windows.begin(), windows.end(), [](HWND w) { return IsWindowVisible(w) != FALSE; });
        },
        timeoutMs);
}

// ---- Controls

HWND Item(HWND dialog, int id) { return GetDlgItem(dialog, id); }

HWND FindChild(HWND root, int id) {
    ChildSearch search{id, nullptr, nullptr};
    EnumChildWindows(root, ChildFound, reinterpret_cast<LPARAM>(&search));
    return search.visible ? search.visible : search.first;
}

std::wstring Text(HWND window) {
    if (!window) return {};
    const LRESULT length = Send(window, WM_GETTEXTLENGTH, 0, 0, -1);
    if (length < 0 || static_cast<size_t>(length) > kMaxText) return {};
    std::vector<wchar_t> text(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT got = Send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), 0);
    return std::wstring(text.data(), static_cast<size_t>(std::clamp<LRESULT>(got, 0, length)));
}

bool IsVisible(HWND window) { return window && IsWindowVisible(window); }

bool IsEnabled(HWND window) { return window && IsWindowEnabled(window); }

bool IsChecked(HWND button) { return Send(button, BM_GETCHECK, 0, 0, BST_UNCHECKED) == BST_CHECKED; }

bool Click(HWND button) { return button && PostMessageW(button, BM_CLICK, 0, 0); }

bool ClickId(HWND dialog, int id) {
    return dialog && PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                                  reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

bool SetText(HWND control, const std::wstring& text) {
    DWORD_PTR result = 0;
    return control && SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                                          SMTO_ABORTIFHUNG, kSendTimeoutMs, &result) &&
           result;
}

bool TypeChars(HWND control, const std::wstring& text) {
    for (wchar_t c : text)
        if (!PostMessageW(control, WM_CHAR, c, 1)) return false;
    return true;
}

bool PressKey(HWND window, WORD vk) {
    LPARAM flags = 1 | (static_cast<LPARAM>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)) << 16);
    if (IsExtendedKey(vk)) flags |= 1 << 24;
    return PostMessageW(window, WM_KEYDOWN, vk, flags) &&
           PostMessageW(window, WM_KEYUP, vk, flags | (1 << 30) | static_cast<LPARAM>(1u << 31));
}

bool SendKeys(std::initializer_list<WORD> vks) {
    std::vector<INPUT> inputs;
    auto add = [&](WORD vk, DWORD flags) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = vk;
        input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
        input.ki.dwFlags = flags | (IsExtendedKey(vk) ? KEYEVENTF_EXTENDEDKEY : 0);
        inputs.push_back(input);
    };
    for (WORD vk : vks) add(vk, 0);
    for (auto it = std::rbegin(vks); it != std::rend(vks); ++it) add(*it, KEYEVENTF_KEYUP);
    return SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
}

bool PostClick(HWND window, POINT client, bool doubleClick) {
    const LPARAM at = MAKELPARAM(client.x, client.y);
    bool ok = PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at) && PostMessageW(window, WM_LBUTTONUP, 0, at);
    if (ok && doubleClick)
        ok = PostMessageW(window, WM_LBUTTONDBLCLK, MK_LBUTTON, at) && PostMessageW(window, WM_LBUTTONUP, 0, at);
    return ok;
}

HWND WaitChild(HWND root, int id, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindChild(root, id)) != nullptr || !IsWindow(root); }, timeoutMs);
    return found;
}

// ---- Lists

std::vector<std::wstring> ListBoxRows(HWND list) {
    return ReadRows(list, LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT, LB_ERR);
}

int ListBoxSelection(HWND list) { return static_cast<int>(Send(list, LB_GETCURSEL, 0, 0, LB_ERR)); }

bool ListBoxSelect(HWND list, int row) {
    if (Send(list, LB_SETCURSEL, static_cast<WPARAM>(row), 0, LB_ERR) == LB_ERR && row != -1) return false;
    return PostMessageW(GetParent(list), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), LBN_SELCHANGE),
                        reinterpret_cast<LPARAM>(list));
}

std::vector<std::wstring> ComboRows(HWND combo) {
    return ReadRows(combo, CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT, CB_ERR);
}

int ComboSelection(HWND combo) { return static_cast<int>(Send(combo, CB_GETCURSEL, 0, 0, CB_ERR)); }

bool ComboSelect(HWND combo, int row) {
    if (Send(combo, CB_SETCURSEL, static_cast<WPARAM>(row), 0, CB_ERR) == CB_ERR && row != -1) return false;
    return PostMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                        reinterpret_cast<LPARAM>(combo));
}

std::vector<std::vector<std::wstring>> ListViewRows(HWND list) {
    std::vector<std::vector<std::wstring>> rows;
    const int count = static_cast<int>(std::clamp<LRESULT>(Send(list, LVM_GETITEMCOUNT, 0, 0, 0), 0, kMaxRows));
    HWND header = reinterpret_cast<HWND>(Send(list, LVM_GETHEADER, 0, 0, 0));
    const int columns =
        header ? static_cast<int>(std::clamp<LRESULT>(Send(header, HDM_GETITEMCOUNT, 0, 0, 0), 1, kMaxColumns)) : 1;
    RemoteMemory memory(list, sizeof(LVITEMW) + (kCellChars + 1) * sizeof(wchar_t));
    if (!memory.Ok()) return rows;
    for (int row = 0; row < count; ++row) {
        std::vector<std::wstring> cells;
        for (int column = 0; column < columns; ++column) cells.push_back(CellText(memory, list, row, column));
        rows.push_back(std::move(cells));
    }
    return rows;
}

std::wstring ListViewCell(HWND list, int row, int column) {
    RemoteMemory memory(list, sizeof(LVITEMW) + (kCellChars + 1) * sizeof(wchar_t));
    return CellText(memory, list, row, column);
}

int ListViewSelection(HWND list) {
    return static_cast<int>(Send(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED, -1));
}

// Takes selection and focus from every row, then gives each listed row `state`.
static bool SetListViewRowStates(HWND list, const std::vector<int>& rows, UINT state) {
    RemoteMemory memory(list, sizeof(LVITEMW));
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    const LPARAM remote = reinterpret_cast<LPARAM>(memory.At(0));
    if (!memory.Write(0, &item, sizeof item)) return false;
    Send(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), remote);  // clear every row
    item.state = state;
    if (!memory.Write(0, &item, sizeof item)) return false;
    for (int row : rows) Send(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), remote);
    return true;
}

bool ListViewSelect(HWND list, int row) {
    if (!SetListViewRowStates(list, {row}, LVIS_SELECTED | LVIS_FOCUSED)) return false;
    Send(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
    return ListViewSelection(list) == row;
}

bool ListViewSelectRows(HWND list, const std::vector<int>& rows) {
    return SetListViewRowStates(list, rows, LVIS_SELECTED) &&
           Send(list, LVM_GETSELECTEDCOUNT, 0, 0) == static_cast<LRESULT>(rows.size());
}

POINT ListViewRowPoint(HWND list, int row) {
    RemoteMemory memory(list, sizeof(RECT));
    RECT rect{LVIR_LABEL, 0, 0, 0};
    if (!memory.Write(0, &rect, sizeof rect) ||
        !Send(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(memory.At(0))) ||
        !memory.Read(0, &rect, sizeof rect))
        return POINT{-1, -1};
    return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

// ---- Screenshots, atoms, mutexes

std::wstring SaveScreenshot(const std::wstring& pngPath, HWND window) {
    // A window just shown or changed reaches the screen a moment later: painting runs in its own thread.
    if (window) WaitUntil([&] { return IsWindowVisible(window) != FALSE; }, 2000);
    Sleep(kSettleMs);
    RECT area;
    if (window) {
        if (!GetWindowRect(window, &area)) return {};
    } else {
        area.left = GetSystemMetrics(SM_XVIRTUALSCREEN);
        area.top = GetSystemMetrics(SM_YVIRTUALSCREEN);
        area.right = area.left + GetSystemMetrics(SM_CXVIRTUALSCREEN);
        area.bottom = area.top + GetSystemMetrics(SM_CYVIRTUALSCREEN);
    }
    Pixels pixels;
    if (!Capture(area, pixels)) {
        Logf("screen capture failed");
        return {};
    }
    if (WritePng(pngPath, pixels)) {
        Logf("screenshot %s", Utf8(pngPath).c_str());
        return pngPath;
    }
    std::wstring bmpPath = pngPath;
    const size_t dot = bmpPath.find_last_of(L'.');
    if (dot != std::wstring::npos && bmpPath.find_first_of(L"\\/", dot) == std::wstring::npos) bmpPath.resize(dot);
    bmpPath += L".bmp";
    if (!WriteBmp(bmpPath, pixels)) return {};
    Logf("screenshot %s", Utf8(bmpPath).c_str());
    return bmpPath;
}

bool AtomExists(const std::wstring& name) { return GlobalFindAtomW(name.c_str()) != 0; }

bool MutexExists(const std::wstring& name) {
    HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, name.c_str());
    if (mutex) {
        CloseHandle(mutex);
        return true;
    }
    return GetLastError() == ERROR_ACCESS_DENIED;
}

std::vector<unsigned char> WindowPixels(HWND window) {
    RECT area;
    Pixels pixels;
    if (!window || !GetWindowRect(window, &area) || !Capture(area, pixels)) return {};
    return std::vector<unsigned char>(pixels.bytes.begin(), pixels.bytes.end());
}

std::wstring LoadSkinString(const std::wstring& libraryPath, UINT id) {
    HMODULE module = LoadLibraryExW(libraryPath.c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!module) return L"<no library>";
    const wchar_t* text = nullptr;
    int length = LoadStringW(module, id, reinterpret_cast<LPWSTR>(&text), 0);
    std::wstring result = length > 0 ? std::wstring(text, static_cast<size_t>(length)) : L"";
    FreeLibrary(module);
    return result;
}

double PrivateMiB(HANDLE process) {
    uint64_t total = 0;
    MEMORY_BASIC_INFORMATION info;
    for (uintptr_t at = 0; VirtualQueryEx(process, reinterpret_cast<void*>(at), &info, sizeof info) == sizeof info;) {
        if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) total += info.RegionSize;
        uintptr_t next = reinterpret_cast<uintptr_t>(info.BaseAddress) + info.RegionSize;
        if (next <= at) break;
        at = next;
    }
    return total / 1048576.0;
}

} // namespace e2e
