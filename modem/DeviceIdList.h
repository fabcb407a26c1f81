// Matching a modem device's hardware id list against the MODEM_ID of modem.ini.
#pragma once

#include <string_view>

namespace modem {

// True when one string of the list equals id, ASCII letters compared without case. The list is a
// run of zero-terminated strings ending in an empty one, as the device installer returns it; only
// its first list.size() characters are read, so a list without its terminators stays in bounds.
// An empty id matches nothing.
bool HardwareIdListHas(std::wstring_view list, std::wstring_view id);

}  // namespace modem
