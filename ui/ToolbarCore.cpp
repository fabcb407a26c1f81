// Toolbar entries from ToolBar.ini, the program search and the registered-command parsing.
#include "ui/ToolbarCore.h"

#include <cwctype>

#include "framework/TextUtil.h"

namespace toolbar {
namespace {

// Deeper folders than this are not searched: a link loop or a pathological tree must not hang
// the main window's start.
constexpr int kMaxDepth = 16;
// At most this many items are looked at in one search.
constexpr std::size_t kMaxItems = 200000;

std::wstring Cut(std::wstring text) {
    if (text.size() > kTextLength) text.resize(kTextLength);
    return text;
}

bool EndsWith(std::wstring_view text, std::wstring_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

struct Search {
    const std::wstring& name;
    FileSystem& files;
    std::size_t seen = 0;

    std::wstring Folder(const std::wstring& folder, bool subfolders, int depth) {
        if (folder.empty() || depth > kMaxDepth) return {};
        const std::wstring base = EndsWith(folder, L"\\") ? folder : folder + L"\\";
        for (const FileSystem::Item& item : files.List(folder)) {
            if (++seen > kMaxItems) return {};
            if (item.folder) {
                if (!subfolders || item.name == L"." || item.name == L"..") continue;
                std::wstring hit = Folder(base + item.name, subfolders, depth + 1);
                if (!hit.empty()) return hit;
                continue;
            }
            std::wstring path = Lower(base + item.name);
            if (path.find(L".lnk") != std::wstring::npos) path = Lower(files.ShortcutTarget(base + item.name));
            if (path.size() > name.size() && EndsWith(path, name)) return path;
        }
        return {};
    }
};

}  // namespace

std::wstring Lower(std::wstring_view text) {
    std::wstring out(text);
    for (wchar_t& c : out) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    return out;
}

int LoadEntries(IniSource& ini, Toolbar& toolbar) {
    toolbar = Toolbar{};
    for (int n = 1; n <= kButtons; ++n) {
        const std::wstring section = L"TOOLBAR_" + std::to_wstring(n);
        if (!ini.SectionExists(section)) continue;
        Entry& entry = toolbar.entries[static_cast<std::size_t>(toolbar.count++)];
        entry.type = text::ParseLeadingInt(ini.Get(section, L"action_type"));
        entry.action = Cut(ini.Get(section, L"action"));
        entry.data = Cut(ini.Get(section, L"action_data"));
    }
    return toolbar.count;
}

bool HasAction(const Toolbar& toolbar, int index) {
    return index >= 0 && index < kButtons && toolbar.entries[static_cast<std::size_t>(index)].type != kEmpty;
}

std::wstring ProgramOfCommand(std::wstring_view command) {
    // A command that begins with its quoted program: the quoted text, whatever quotes the
    // arguments after it have ("\"web.exe\" \"%1\"" is the usual form for browsers).
    if (!command.empty() && command.front() == L'"') {
        const std::size_t close = command.find(L'"', 1);
        if (close != std::wstring_view::npos) return std::wstring(command.substr(1, close - 1));
    }
    const std::size_t lastQuote = command.rfind(L'"');
    if (lastQuote == std::wstring_view::npos) return {};
    std::wstring path;
    for (wchar_t c : command.substr(0, lastQuote))
        if (c != L'"') path += c;
    return path;
}

std::wstring FindProgram(std::wstring_view rawName, const std::wstring& exeDir,
                         const SearchFolders& folders, FileSystem& files) {
    const std::wstring name = Lower(rawName);
    if (name.size() <= 4) return {};
    if (name.find(L':') != std::wstring::npos) return name;
    const std::wstring beside = exeDir + L"\\" + name;
    if (files.FileExists(beside)) return beside;
    Search search{name, files};
    for (int i = 0; i < static_cast<int>(folders.folders.size()); ++i) {
        std::wstring hit = search.Folder(folders.folders[static_cast<std::size_t>(i)],
                                         i < SearchFolders::kWithSubfolders, 0);
        if (!hit.empty()) return hit;
    }
    return {};
}

}  // namespace toolbar
