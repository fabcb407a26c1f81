// Restarting the card's modem device through the device installer (disable, then enable).
#pragma once

#include <string>

namespace modem {

// Changes the state of the first "Root\Modem" device one of whose hardware ids equals hardwareId
// (ANSI, letters compared without case): enabled or disabled, for every hardware profile. Returns
// 0 when the device list cannot be built, 1 otherwise (also when nothing matched or the change
// failed); the thread's last error is then that of the last device-installer call.
//
// Test seam: when the environment variable ORVANE_DEVICE_JOURNAL names a file, every call also
// appends one line to it saying which device it changed and how (or that none matched), so a test
// on a system without a real modem device can see what the program asked for.
int ChangeModemDeviceState(const std::string& hardwareId, bool enable);

// The card's device, by the MODEM_ID of modem.ini.
int EnableModemDevice();
int DisableModemDevice();

}  // namespace modem
