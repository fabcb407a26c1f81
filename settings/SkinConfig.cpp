// skin.ini and the choice of the language resource library and help file.
#include "settings/SkinConfig.h"

#include <utility>

#include "framework/TextUtil.h"

namespace skin {
namespace {

constexpr uint32_t kLangChinese = 0x04;
constexpr uint32_t kLangEnglish = 0x09;
constexpr uint32_t kLangSpanish = 0x0A;
constexpr uint32_t kLangJapanese = 0x11;
constexpr uint32_t kSubTraditional = 1;
constexpr uint32_t kSubSimplified = 2;

constexpr const char kDefaultSkin[] = "skinen.dll";
constexpr const char kDefaultHelp[] = "helpen.chm";

struct LanguageNames {
    const char* skin;  // nullptr: no library for this language
    const char* help;
};

LanguageNames NamesFor(uint32_t languageId) {
    const uint32_t primary = languageId & 0x3FF;
    const uint32_t sub = languageId >> 10;
    switch (primary) {
    case kLangChinese:
        if (sub == kSubSimplified) return {"skingb.dll", "helpgb.chm"};
        if (sub == kSubTraditional) return {"skinbig5.dll", "helpbig5.chm"};
        return {nullptr, kDefaultHelp};
    case kLangEnglish:
        return {kDefaultSkin, kDefaultHelp};
    case kLangSpanish:
        return {"skinspa.dll", "helpspa.chm"};
    case kLangJapanese:
        return {"skinjap.dll", "helpjap.chm"};
    default:
        return {kDefaultSkin, kDefaultHelp};
    }
}

}  // namespace

SkinTable ParseSkinIni(std::string_view content) {
    SkinTable table;
    text::ForEachLine(content, [&table](std::string_view line) {
        std::string_view key, value;
        if (!text::SplitKeyValue(line, key, value)) return true;
        if (text::EqualsNoCase(key, "SKIN_LOAD")) {
            table.configuredId = text::ParseLeadingInt(value);
        } else if (text::EqualsNoCase(key, "SKIN_DLL") && table.entries.size() < kMaxSkins) {
            const std::vector<std::string> f = text::Split(value, ',', 3);
            SkinEntry entry;
            entry.id = text::ParseLeadingInt(text::Trim(f[0]));
            entry.library = text::CutText(text::Trim(f[1]), kMaxLibraryLength);
            entry.label = text::CutText(text::Trim(f[2]), kMaxLabelLength);
            table.entries.push_back(std::move(entry));
        }
        return true;
    });
    return table;
}

std::string LookupSkinLibrary(const SkinTable& table, int32_t id) {
    for (const SkinEntry& e : table.entries) {
        if (e.id == id) return e.library;
    }
    return {};
}

std::string SkinLibraryForLanguage(uint32_t languageId,
                                   const std::function<bool(const std::string&)>& exists) {
    const LanguageNames names = NamesFor(languageId);
    if (names.skin == nullptr) return {};
    std::string name = names.skin;
    if (exists && !exists(name)) name = kDefaultSkin;
    return name;
}

std::string HelpFileForLanguage(uint32_t languageId) { return NamesFor(languageId).help; }

std::optional<std::string> RewriteSkinLoad(std::string_view content, int32_t id) {
    // Keys are found as the reader finds them (without case, before the "="); every SKIN_LOAD
    // line ended by CR LF is rewritten, so the one the reader takes (the last) holds the id.
    std::string out;
    out.reserve(content.size() + 16);
    bool replaced = false;
    std::size_t start = 0;
    while (start < content.size()) {
        const std::size_t newline = content.find('\n', start);
        const std::size_t end = newline == std::string_view::npos ? content.size() : newline + 1;
        const std::string_view line = content.substr(start, end - start);
        start = end;
        std::string_view key, value;
        const bool crlf = line.size() >= 2 && line.substr(line.size() - 2) == "\r\n";
        if (crlf && text::SplitKeyValue(line, key, value) && text::EqualsNoCase(key, "SKIN_LOAD")) {
            out.append(line.substr(0, static_cast<std::size_t>(key.data() - line.data())));
            out.append("SKIN_LOAD = ");
            out.append(std::to_string(id));
            out.append("\r\n");
            replaced = true;
        } else {
            out.append(line);
        }
    }
    if (!replaced) return std::nullopt;
    return out;
}

}  // namespace skin
