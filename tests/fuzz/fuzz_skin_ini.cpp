// Fuzzes the skin.ini reader and the SKIN_LOAD rewrite.
#include <cstdint>
#include <string_view>

#include "settings/SkinConfig.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    const skin::SkinTable table = skin::ParseSkinIni(content);
    if (table.entries.size() > skin::kMaxSkins) __builtin_trap();
    for (const skin::SkinEntry& e : table.entries)
        if (e.library.size() > skin::kMaxLibraryLength || e.label.size() > skin::kMaxLabelLength)
            __builtin_trap();
    (void)skin::LookupSkinLibrary(table, table.configuredId);
    (void)skin::RewriteSkinLoad(content, table.configuredId);
    return 0;
}
