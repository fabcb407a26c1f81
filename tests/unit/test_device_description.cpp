// Unit tests of the modem.ini device-key parser.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "modem/DeviceDescription.h"

using modem::DeviceDescription;
using modem::ParseDeviceDescription;

TEST(DeviceDescription, ReadsEveryKeyInAnySectionWithAnyCase) {
    const DeviceDescription d = ParseDeviceDescription(
        "[DEVICE]\r\n"
        "PORT_TYPE = USB\r\n"
        "port_id=PID_0001\r\n"
        "[other]\r\n"
        "  Modem_Id  =  USB\\VID_12D1&PID_1001  \r\n"
        "ENTRY_NAME=Orvane 连接\r\n"
        "modem_name=Sim Modem\r\n"
        "[SETTING]\r\n"
        "COM_BAUD=115200\r\n"
        "connect_bps = 3100000\r\n"
        "Module_Dll=simcard.dll\r\n"
        "HEARTBEAT=1\r\n"
        "quickmode=2\r\n"
        "USERNAME=card\r\n");
    EXPECT_STREQ(d.PORT_TYPE, "USB");
    EXPECT_STREQ(d.PORT_ID, "PID_0001");
    EXPECT_STREQ(d.MODEM_ID, "USB\\VID_12D1&PID_1001");
    EXPECT_STREQ(d.ENTRY_NAME, "Orvane 连接");
    EXPECT_STREQ(d.MODEM_NAME, "Sim Modem");
    EXPECT_EQ(d.COM_BAUD, 115200);
    EXPECT_EQ(d.CONNECT_BPS, 3100000);
    EXPECT_STREQ(d.MODULE_DLL, "simcard.dll");
    EXPECT_EQ(d.HEARTBEAT, 1);
    EXPECT_EQ(d.QUICKMODE, 2);
}

TEST(DeviceDescription, LaterLineOverridesAndOnlyFirstEqualsSplits) {
    const DeviceDescription d = ParseDeviceDescription(
        "MODULE_DLL=first.dll\nMODULE_DLL=second.dll\nENTRY_NAME=a=b\nCOM_BAUD=9600\n"
        "COM_BAUD=\n");
    EXPECT_STREQ(d.MODULE_DLL, "second.dll");
    EXPECT_STREQ(d.ENTRY_NAME, "a=b");
    EXPECT_EQ(d.COM_BAUD, 0);  // an empty later value still overrides
}

TEST(DeviceDescription, SkipsLinesWithoutEqualsAndUnknownOrEmptyKeys) {
    const DeviceDescription d = ParseDeviceDescription(
        "MODULE_DLL simcard.dll\n=x.dll\nMODULE_DLLX=y.dll\n; MODULE_DLL comment\nQUICKMODE");
    EXPECT_STREQ(d.MODULE_DLL, "");
    EXPECT_EQ(d.QUICKMODE, 0);
}

TEST(DeviceDescription, TextsAreCutTo63Characters) {
    const std::string longName(70, 'm');
    const DeviceDescription d =
        ParseDeviceDescription("MODULE_DLL=" + longName + "\r\nPORT_ID=" + std::string(63, 'p'));
    EXPECT_EQ(std::strlen(d.MODULE_DLL), 63u);
    EXPECT_EQ(std::string(d.MODULE_DLL), longName.substr(0, 63));
    EXPECT_EQ(std::string(d.PORT_ID), std::string(63, 'p'));
}

TEST(DeviceDescription, IntegersTakeLeadingDigitsOnly) {
    const DeviceDescription d = ParseDeviceDescription(
        "COM_BAUD=115200bps\nCONNECT_BPS=fast\nHEARTBEAT=-1\nQUICKMODE=99999999999999\n");
    EXPECT_EQ(d.COM_BAUD, 115200);
    EXPECT_EQ(d.CONNECT_BPS, 0);
    EXPECT_EQ(d.HEARTBEAT, -1);
    EXPECT_EQ(d.QUICKMODE, 2147483647);
}

TEST(DeviceDescription, EmptyAndHostileInputGiveClearedOrBoundedRecords) {
    const DeviceDescription empty = ParseDeviceDescription("");
    EXPECT_STREQ(empty.MODULE_DLL, "");
    EXPECT_EQ(empty.COM_BAUD, 0);

    // CRLF line ends, no final line end, and a NUL inside a value.
    const std::string withNul("ENTRY_NAME=ab\0cd\r\nMODULE_DLL=z.dll", 34);
    const DeviceDescription n = ParseDeviceDescription(withNul);
    EXPECT_STREQ(n.ENTRY_NAME, "ab");
    EXPECT_STREQ(n.MODULE_DLL, "z.dll");

    // Random bytes: every text stays terminated within its field.
    std::mt19937 rng(1234);
    std::string garbage(200000, '\0');
    for (char& c : garbage) c = char(rng() & 0xFF);
    garbage += "\nMODEM_NAME=" + std::string(100000, '\xB0') + "\n";
    const DeviceDescription g = ParseDeviceDescription(garbage);
    EXPECT_EQ(std::strlen(g.MODEM_NAME), 63u);
    for (const char* f : {g.PORT_TYPE, g.PORT_ID, g.MODEM_ID, g.ENTRY_NAME, g.MODULE_DLL}) {
        EXPECT_LE(strnlen(f, modem::kDeviceTextSize), 63u);
    }
}

TEST(DeviceDescription, HugeFileWithOverLongLineStillReadsLaterKeys) {
    std::string big = "PORT_TYPE=" + std::string(4 * 1024 * 1024, 'x') + "\n";
    for (int i = 0; i < 20000; ++i) big += "KEY" + std::to_string(i) + "=v\r\n";
    big += "MODULE_DLL=late.dll\r\n";
    const DeviceDescription d = ParseDeviceDescription(big);
    EXPECT_EQ(std::string(d.PORT_TYPE), std::string(63, 'x'));
    EXPECT_STREQ(d.MODULE_DLL, "late.dll");
}
