// Unit tests of matching a modem device's hardware id list.
#include <gtest/gtest.h>

#include <string>

#include "modem/DeviceIdList.h"

using modem::HardwareIdListHas;

TEST(DeviceIdList, MatchesAnyStringOfTheListWithoutCaseAndStaysInBounds) {
    const std::wstring list(L"USB\\VID_12D1&PID_1001\0orvane\\simmodem\0\0", 40);
    EXPECT_TRUE(HardwareIdListHas(list, L"ORVANE\\SIMMODEM"));
    EXPECT_TRUE(HardwareIdListHas(list, L"usb\\vid_12d1&pid_1001"));
    EXPECT_FALSE(HardwareIdListHas(list, L"ORVANE\\SIM"));  // whole strings only
    EXPECT_FALSE(HardwareIdListHas(list, L"ORVANE\\SIMMODEM2"));
    EXPECT_FALSE(HardwareIdListHas(list, L""));  // no id matches nothing
    // Strings after the empty one that ends the list are not part of it.
    EXPECT_FALSE(HardwareIdListHas(std::wstring(L"A\0\0B\0\0", 6), L"B"));
    // Without its terminators the list is read up to its size, never past it.
    const std::wstring unterminated(L"FIRST\0SECOND", 12);
    EXPECT_TRUE(HardwareIdListHas(unterminated, L"second"));
    EXPECT_FALSE(HardwareIdListHas(std::wstring_view(unterminated).substr(0, 9), L"second"));
    EXPECT_FALSE(HardwareIdListHas(std::wstring_view(), L"x"));
}
