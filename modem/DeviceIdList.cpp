// Matching a modem device's hardware id list against the MODEM_ID of modem.ini.
#include "modem/DeviceIdList.h"

#include "framework/TextUtil.h"

namespace modem {

bool HardwareIdListHas(std::wstring_view list, std::wstring_view id) {
    if (id.empty()) return false;
    std::size_t start = 0;
    while (start < list.size()) {
        std::size_t end = list.find(L'\0', start);
        if (end == std::wstring_view::npos) end = list.size();
        const std::wstring_view entry = list.substr(start, end - start);
        if (entry.empty()) break;  // the empty string that ends the list
        if (text::EqualsNoCase(entry, id)) return true;
        start = end + 1;
    }
    return false;
}

}  // namespace modem
