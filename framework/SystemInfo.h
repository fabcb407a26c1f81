// Facts about the running system that several features branch on.
#pragma once

namespace win {

// 1 = Windows 9x family, 2 = Windows 2000, 3 = Windows XP or Server 2003, 4 = major version 6,
// -1 = anything else. Taken from the kernel's own version, which no manifest can disguise.
int VersionClass();

}  // namespace win
