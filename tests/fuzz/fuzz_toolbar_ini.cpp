// Fuzzes the toolbar's reading of ToolBar.ini text and the registered-command parsing.
#include <cstdint>
#include <map>
#include <string>

#include "framework/TextUtil.h"
#include "ui/ToolbarCore.h"

namespace {

// INI text read the way the profile functions read it: "[section]" lines, "key=value" lines,
// names without case.
class TextIni : public toolbar::IniSource {
public:
    explicit TextIni(std::string_view text) {
        std::wstring section;
        text::ForEachLine(text, [&](std::string_view line) {
            line = text::Trim(line);
            if (!line.empty() && line.front() == '[') {
                const auto close = line.find(']');
                section = Lower(line.substr(1, close == std::string_view::npos ? line.size() - 1 : close - 1));
                sections_[section];
            } else {
                std::string_view key, value;
                if (text::SplitKeyValue(line, key, value)) sections_[section][Lower(key)] = Wide(value);
            }
            return true;
        });
    }
    bool SectionExists(const std::wstring& s) override { return sections_.count(toolbar::Lower(s)) != 0; }
    std::wstring Get(const std::wstring& s, const std::wstring& k) override {
        auto section = sections_.find(toolbar::Lower(s));
        if (section == sections_.end()) return L"";
        auto value = section->second.find(toolbar::Lower(k));
        return value == section->second.end() ? L"" : value->second;
    }

private:
    static std::wstring Wide(std::string_view s) { return std::wstring(s.begin(), s.end()); }
    static std::wstring Lower(std::string_view s) { return toolbar::Lower(Wide(s)); }
    std::map<std::wstring, std::map<std::wstring, std::wstring>> sections_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    TextIni ini(content);
    toolbar::Toolbar bar;
    const int count = toolbar::LoadEntries(ini, bar);
    if (count < 0 || count > toolbar::kButtons) __builtin_trap();
    for (const toolbar::Entry& e : bar.entries) {
        if (e.action.size() > toolbar::kTextLength || e.data.size() > toolbar::kTextLength) __builtin_trap();
        (void)toolbar::ProgramOfCommand(e.action);
    }
    for (int i = -1; i <= toolbar::kButtons; ++i) (void)toolbar::HasAction(bar, i);
    return 0;
}
