// Helpers shared by the Windows tests: message pumping, handle counts, folders and files, bitmaps.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "Driver.h"  // text conversions and paths from the environment
#include "host/AppHost.h"

namespace wintest {

// Dispatches this thread's messages for the given time (0: only what is queued now).
inline void Pump(DWORD ms) {
    DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (ms) Sleep(5);
    } while (GetTickCount() - start < ms);
}

// Keeps dispatching this thread's messages until done() holds; false when the time runs out first.
template <class Done>
bool PumpUntil(Done done, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        Pump(0);
    }
    return true;
}

// Live GDI objects of the process. Wine's GetGuiResources answers 0; there every live object
// answers GetObjectType under its 16-bit table index, so the table is counted directly.
inline DWORD GdiObjects() {
    DWORD n = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (n != 0) return n;
    for (std::uintptr_t i = 1; i < 0x10000; ++i)
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(i)) != 0) ++n;
    return n;
}

// Kernel handles of the process.
inline DWORD KernelHandles() {
    DWORD count = 0;
    GetProcessHandleCount(GetCurrentProcess(), &count);
    return count;
}

// The staged program folder ($ORVANE_STAGE) in Windows form, or a file in it; empty when unset.
inline std::wstring StagePath(const std::wstring& name = {}) {
    const std::wstring folder = e2e::EnvPath(L"ORVANE_STAGE");
    return folder.empty() || name.empty() ? folder : folder + L"\\" + name;
}

// Tests of windows drawn with the Chinese language library, loaded once per suite.
class SkinnedTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { skin = LoadLibraryW(StagePath(L"skingb.dll").c_str()); }
    static void TearDownTestSuite() {
        if (skin) FreeLibrary(skin);
        skin = nullptr;
    }
    static inline HINSTANCE skin = nullptr;
};

// A file in the screenshot folder ($E2E_SHOTS); unset, the root of drive Z: stands in.
inline std::wstring ShotsPath(const std::wstring& name) {
    const std::wstring folder = e2e::EnvPath(L"E2E_SHOTS");
    return (folder.empty() ? std::wstring(L"Z:") : folder) + L"\\" + name;
}

// Text as UTF-8, for assertion messages.
inline std::string Narrow(const std::wstring& text) { return e2e::Utf8(text); }

// ---- Temporary files and folders ---------------------------------------------------------------

// A name in the temporary folder.
inline std::wstring TempPath(const std::wstring& name) {
    wchar_t dir[MAX_PATH];
    const DWORD n = GetTempPathW(MAX_PATH, dir);
    return std::wstring(dir, n < MAX_PATH ? n : 0) + name;
}

// A new empty file of a unique name in the temporary folder; empty on failure.
inline std::wstring TempFile(const wchar_t* prefix) {
    wchar_t dir[MAX_PATH];
    wchar_t name[MAX_PATH];
    const DWORD n = GetTempPathW(MAX_PATH, dir);
    if (n == 0 || n >= MAX_PATH || GetTempFileNameW(dir, prefix, 0, name) == 0) return {};
    return name;
}

// A new folder in the temporary folder, named after the tag, this process and the time; empty
// on failure.
inline std::wstring MakeTempFolder(const std::wstring& tag) {
    const std::wstring dir = TempPath(tag + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                      std::to_wstring(GetTickCount()));
    return CreateDirectoryW(dir.c_str(), nullptr) ? dir : std::wstring();
}

// ---- Whole files -------------------------------------------------------------------------------

// The bytes of a file, at most about 16 MiB of them; empty when it cannot be opened.
inline std::string ReadBytes(const std::wstring& path) {
    std::string bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    char buffer[65536];
    DWORD got = 0;
    while (bytes.size() < (16u << 20) && ReadFile(file, buffer, sizeof buffer, &got, nullptr) &&
           got > 0)
        bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

// Replaces a file with the given bytes; true when all of them were written.
inline bool WriteBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
        written == bytes.size();
    CloseHandle(file);
    return ok;
}

// ---- Pictures ----------------------------------------------------------------------------------

// A 24-bit bottom-up DIB as a BITMAP resource stores it (header and rows, no file header);
// colour(x, y) counts y from the top.
inline std::vector<BYTE> Dib24(int width, int height,
                               const std::function<COLORREF(int, int)>& colour) {
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(header);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t(3);
    std::vector<BYTE> bytes(sizeof(header) + stride * height, 0);
    CopyMemory(bytes.data(), &header, sizeof(header));
    for (int y = 0; y < height; ++y) {
        BYTE* row = bytes.data() + sizeof(header) + (height - 1 - y) * stride;
        for (int x = 0; x < width; ++x) {
            const COLORREF c = colour(x, y);
            row[x * 3] = GetBValue(c);
            row[x * 3 + 1] = GetGValue(c);
            row[x * 3 + 2] = GetRValue(c);
        }
    }
    return bytes;
}

// The application's side of the main window for tests that run the window without the program.
class FakeAppHost : public host::AppHost {
public:
    void TouchActivity() override { lastActivity = GetTickCount(); }
    bool IdleFor(DWORD ms) const override { return GetTickCount() - lastActivity >= ms; }
    void PublishMainWindow(HWND window) override { published = window; }
    void ReleaseInstanceMutex() override { ++mutexReleases; }
    void CloseHelp() override { ++helpClosed; }
    void RequestRestart(bool on) override { restart = on; }
    bool RestartRequested() const override { return restart; }
    bool CardReady() override {
        ++cardWaits;
        return cardReady;
    }

    DWORD lastActivity = GetTickCount();
    HWND published = nullptr;
    int mutexReleases = 0;
    int helpClosed = 0;
    bool restart = false;
    bool cardReady = true;
    int cardWaits = 0;
};

}  // namespace wintest
