// The toolbar on Windows: ToolBar.ini through the profile functions, the program search over the
// shell's folders and shortcuts, and the shell starts of the actions.
#include "ui/Toolbar.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "framework/ProfileFile.h"
#include "framework/Win32Text.h"

namespace ui {
namespace {

class ProfileSource : public toolbar::IniSource {
public:
    explicit ProfileSource(const std::wstring& path) : file_(path) {}
    bool SectionExists(const std::wstring& section) override { return file_.SectionExists(section.c_str()) != FALSE; }
    std::wstring Get(const std::wstring& section, const std::wstring& key) override {
        return file_.GetString(section.c_str(), key.c_str());
    }

private:
    ProfileFile file_;
};

class WindowsFiles : public toolbar::FileSystem {
public:
    bool FileExists(const std::wstring& path) override {
        const DWORD attributes = GetFileAttributesW(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    }
    std::vector<Item> List(const std::wstring& folder) override {
        std::vector<Item> items;
        const std::wstring pattern = folder + (folder.empty() || folder.back() != L'\\' ? L"\\*.*" : L"*.*");
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW(pattern.c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return items;
        do {
            items.push_back({found.cFileName, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
        } while (FindNextFileW(search, &found));
        FindClose(search);
        return items;
    }
    std::wstring ShortcutTarget(const std::wstring& path) override {
        std::wstring target;
        IShellLinkW* link = nullptr;
        if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                    reinterpret_cast<void**>(&link))))
            return target;
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            wchar_t buffer[1024] = {};
            if (SUCCEEDED(file->Load(path.c_str(), STGM_READ)) &&
                SUCCEEDED(link->GetPath(buffer, 1024, nullptr, 0)))
                target = buffer;
            file->Release();
        }
        link->Release();
        return target;
    }
};

std::wstring ShellFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    return SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)) ? path : L"";
}

// The default value of an open command under HKEY_CLASSES_ROOT, up to 255 bytes.
std::wstring RegisteredCommand(const wchar_t* key) {
    wchar_t value[128] = {};
    DWORD size = sizeof value - sizeof(wchar_t);
    if (RegGetValueW(HKEY_CLASSES_ROOT, key, nullptr, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return L"";
    return value;
}

bool IsFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return !path.empty() && attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void Open(const std::wstring& file, const wchar_t* parameters = nullptr, const wchar_t* folder = nullptr) {
    ShellExecuteW(nullptr, L"open", file.c_str(), parameters, folder, SW_RESTORE);
}

}  // namespace

Toolbar::Toolbar(std::wstring exeDir) : exeDir_(std::move(exeDir)) {
    comInitialized_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    const int csidls[] = {CSIDL_DESKTOPDIRECTORY, CSIDL_STARTMENU, CSIDL_PROGRAM_FILES, CSIDL_WINDOWS,
                          CSIDL_SYSTEM};
    for (std::size_t i = 0; i < folders_.folders.size(); ++i) folders_.folders[i] = ShellFolder(csidls[i]);
}

Toolbar::~Toolbar() {
    if (comInitialized_) CoUninitialize();
}

int Toolbar::Load(const std::wstring& path) {
    const std::wstring file = path.empty() ? exeDir_ + L"\\ToolBar.ini" : path;
    toolbar_ = toolbar::Toolbar{};
    if (!IsFile(file)) return -1;
    ProfileSource source(file);
    toolbar::LoadEntries(source, toolbar_);
    WindowsFiles files;
    for (toolbar::Entry& entry : toolbar_.entries)
        if (entry.type == toolbar::kProgram) entry.action = toolbar::FindProgram(entry.action, exeDir_, folders_, files);
    return toolbar_.count;
}

void Toolbar::Run(int index) const {
    if (!HasAction(index)) return;
    const toolbar::Entry& entry = toolbar_.entries[static_cast<std::size_t>(index)];
    switch (entry.type) {
    case toolbar::kBrowser: {
        const std::wstring program = toolbar::ProgramOfCommand(RegisteredCommand(L"HTTP\\shell\\open\\command"));
        if (IsFile(program)) Open(program);
        break;
    }
    case toolbar::kMailClient: {
        std::wstring program = toolbar::ProgramOfCommand(
            RegisteredCommand(L"Microsoft Internet Mail Message\\shell\\open\\command"));
        const std::wstring variable = L"%ProgramFiles%";
        const std::size_t at = program.find(variable);
        if (at != std::wstring::npos) program.replace(at, variable.size(), folders_.folders[2]);
        if (IsFile(program)) Open(program);
        break;
    }
    case toolbar::kReport: {
        const std::wstring report = exeDir_ + L"\\Report.exe";
        if (IsFile(report)) Open(report, nullptr, exeDir_.c_str());
        break;
    }
    case toolbar::kShellOpen:
        if (!entry.action.empty()) Open(entry.action);
        break;
    case toolbar::kProgram:
        if (IsFile(entry.action)) {
            const std::wstring folder = entry.action.substr(0, entry.action.find_last_of(L'\\'));
            Open(entry.action, entry.data.c_str(), folder.c_str());
        }
        break;
    default:
        break;
    }
}

}  // namespace ui
