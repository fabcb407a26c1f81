// Restarting the card's modem device through the device installer, and its test journal.
#include "modem/ModemDevice.h"

#include <windows.h>

#include <setupapi.h>

#include <algorithm>
#include <vector>

#include "framework/SystemInfo.h"
#include "framework/Win32Text.h"
#include "modem/DeviceIdList.h"
#include "modem/ModemModule.h"

namespace modem {
namespace {

constexpr wchar_t kEnumerator[] = L"Root\\Modem";
constexpr wchar_t kJournalVariable[] = L"ORVANE_DEVICE_JOURNAL";
// The Windows 9x family reads every device's id list into one buffer of this stated size.
constexpr DWORD kFixedListBytes = 255;

// The journal file a test asked for, or "" (the normal case).
std::wstring JournalPath() {
    wchar_t path[MAX_PATH] = {};
    const DWORD n = GetEnvironmentVariableW(kJournalVariable, path, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::wstring(path, n) : std::wstring();
}

void Journal(const std::wstring& line) {
    const std::wstring path = JournalPath();
    if (path.empty()) return;
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    const std::string utf8 = win::WideToUtf8(line) + "\r\n";
    DWORD written = 0;
    WriteFile(file, utf8.data(), DWORD(utf8.size()), &written, nullptr);
    CloseHandle(file);
}

std::wstring InstanceId(HDEVINFO set, SP_DEVINFO_DATA& device) {
    wchar_t id[MAX_PATH] = {};
    if (!SetupDiGetDeviceInstanceIdW(set, &device, id, MAX_PATH, nullptr)) return L"?";
    return id;
}

enum class ListRead { kRead, kSkip, kStop };

// The device's hardware id list into buffer; size gets the bytes the installer returned.
ListRead ReadHardwareIds(HDEVINFO set, SP_DEVINFO_DATA& device, bool fixedBuffer,
                         std::vector<BYTE>& buffer, DWORD& size) {
    size = 0;
    if (fixedBuffer) {
        buffer.assign(kFixedListBytes + 1, 0);
        if (SetupDiGetDeviceRegistryPropertyW(set, &device, SPDRP_HARDWAREID, nullptr,
                                              buffer.data(), kFixedListBytes, &size))
            return ListRead::kRead;
        const DWORD error = GetLastError();
        // A list longer than the buffer cannot be read whole: skip that device rather than match
        // against a part of it.
        if (error == ERROR_INVALID_DATA || error == ERROR_INSUFFICIENT_BUFFER)
            return ListRead::kSkip;
        return ListRead::kStop;
    }
    SetupDiGetDeviceRegistryPropertyW(set, &device, SPDRP_HARDWAREID, nullptr, nullptr, 0, &size);
    DWORD error = GetLastError();
    if (error == ERROR_INVALID_DATA) return ListRead::kSkip;
    if (error != ERROR_INSUFFICIENT_BUFFER) return ListRead::kStop;
    // Two spare characters of zeros: the list is terminated even if the installer's is not.
    buffer.assign(std::size_t(size) + 2 * sizeof(wchar_t), 0);
    if (SetupDiGetDeviceRegistryPropertyW(set, &device, SPDRP_HARDWAREID, nullptr, buffer.data(),
                                          size, &size))
        return ListRead::kRead;
    error = GetLastError();
    if (error == ERROR_INVALID_DATA) return ListRead::kSkip;
    // The list grew between the two reads: look at this device no further.
    if (error == ERROR_INSUFFICIENT_BUFFER) return ListRead::kSkip;
    return ListRead::kStop;
}

}  // namespace

int ChangeModemDeviceState(const std::string& hardwareId, bool enable) {
    const DWORD stateChange = enable ? DICS_ENABLE : DICS_DISABLE;
    const wchar_t* stateName = enable ? L"enable" : L"disable";
    const std::wstring wanted = win::AnsiToWide(hardwareId);

    HDEVINFO set =
        SetupDiGetClassDevsW(nullptr, kEnumerator, nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES);
    if (set == INVALID_HANDLE_VALUE) {
        Journal(std::wstring(stateName) + L" id=" + wanted + L": no device list");
        return 0;
    }
    const bool fixedBuffer = win::VersionClass() == 1;
    std::vector<BYTE> buffer;
    std::wstring outcome = L": no device matched";
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; SetupDiEnumDeviceInfo(set, index, &device); ++index) {
        DWORD size = 0;
        const ListRead read = ReadHardwareIds(set, device, fixedBuffer, buffer, size);
        if (read == ListRead::kSkip) continue;
        if (read == ListRead::kStop) {
            outcome = L": device list read failed";
            break;
        }
        const std::size_t bytes = std::min<std::size_t>(size, buffer.size());
        const std::wstring_view list(reinterpret_cast<const wchar_t*>(buffer.data()),
                                     bytes / sizeof(wchar_t));
        if (!HardwareIdListHas(list, wanted)) continue;

        SP_PROPCHANGE_PARAMS params{};
        params.ClassInstallHeader.cbSize = sizeof(SP_CLASSINSTALL_HEADER);
        params.ClassInstallHeader.InstallFunction = DIF_PROPERTYCHANGE;
        params.StateChange = stateChange;
        params.Scope = DICS_FLAG_GLOBAL;
        params.HwProfile = 0;
        // Failures are not reported: the card comes back on its own or at the next insertion.
        const BOOL paramsSet =
            SetupDiSetClassInstallParamsW(set, &device, &params.ClassInstallHeader, sizeof params);
        const BOOL called = SetupDiCallClassInstaller(DIF_PROPERTYCHANGE, set, &device);
        const DWORD error = GetLastError();
        outcome = L" device=" + InstanceId(set, device) + L" params=" + std::to_wstring(paramsSet) +
                  L" installer=" + std::to_wstring(called) + L" error=" + std::to_wstring(error);
        SetLastError(error);
        break;
    }
    const DWORD lastError = GetLastError();
    SetupDiDestroyDeviceInfoList(set);
    Journal(std::wstring(stateName) + L" id=" + wanted + outcome);
    SetLastError(lastError);
    return 1;
}

int EnableModemDevice() {
    return ChangeModemDeviceState(Device().MODEM_ID, true);
}
int DisableModemDevice() {
    return ChangeModemDeviceState(Device().MODEM_ID, false);
}

}  // namespace modem
