// Main window decisions: signal pictures, network names, port names, line rate.
#include <gtest/gtest.h>

#include "resources/resource.h"
#include "ui/MainDialogCore.h"

namespace {

TEST(MainDialogCore, SignalPictureFollowsTheFiveLevels) {
    EXPECT_EQ(maindlg::SignalBitmapFor(-1), IDB_SIGNAL_UNKNOWN);
    EXPECT_EQ(maindlg::SignalBitmapFor(99), IDB_SIGNAL_UNKNOWN);
    for (int q = 0; q <= 5; ++q) EXPECT_EQ(maindlg::SignalBitmapFor(q), IDB_SIGNAL_0) << q;
    EXPECT_EQ(maindlg::SignalBitmapFor(6), IDB_SIGNAL_1);   // 7 / 6.67 = 1.05
    EXPECT_EQ(maindlg::SignalBitmapFor(12), IDB_SIGNAL_1);
    EXPECT_EQ(maindlg::SignalBitmapFor(13), IDB_SIGNAL_2);  // 14 / 6.67 = 2.1
    EXPECT_EQ(maindlg::SignalBitmapFor(18), IDB_SIGNAL_2);
    EXPECT_EQ(maindlg::SignalBitmapFor(19), IDB_SIGNAL_3);  // 20 / 6.666666666666667 rounds to 3
    EXPECT_EQ(maindlg::SignalBitmapFor(20), IDB_SIGNAL_3);
    for (int q = 26; q <= 31; ++q) EXPECT_EQ(maindlg::SignalBitmapFor(q), IDB_SIGNAL_4) << q;
    // Values the card should never give still map to a picture.
    EXPECT_EQ(maindlg::SignalBitmapFor(40), IDB_SIGNAL_UNKNOWN);
    EXPECT_EQ(maindlg::SignalBitmapFor(-5), IDB_SIGNAL_0);
}

TEST(MainDialogCore, NetworkModeNames) {
    EXPECT_EQ(maindlg::NetworkModeName(1), "CDMA");
    EXPECT_EQ(maindlg::NetworkModeName(5), "WCDMA");
    EXPECT_EQ(maindlg::NetworkModeName(6), "TDSCDMA");
    EXPECT_EQ(maindlg::NetworkModeName(0), "");
    EXPECT_EQ(maindlg::NetworkModeName(7), "");
    EXPECT_EQ(maindlg::NetworkModeName(9), "");
    EXPECT_EQ(maindlg::NetworkModeName(-1), "");
}

TEST(MainDialogCore, PortNumberStartsAtTheFirstDigit) {
    EXPECT_EQ(maindlg::PortNumberOfName(L"COM7"), 7);
    EXPECT_EQ(maindlg::PortNumberOfName(L"COM12"), 12);
    EXPECT_EQ(maindlg::PortNumberOfName(L"\\\\.\\COM3x"), 3);
    EXPECT_EQ(maindlg::PortNumberOfName(L"COM"), -1);
    EXPECT_EQ(maindlg::PortNumberOfName(L""), -1);
    EXPECT_EQ(maindlg::PortNumberOfName(L"COM99999999999999"), -1);
}

TEST(MainDialogCore, LineRateAndDormancyPeriod) {
    EXPECT_DOUBLE_EQ(maindlg::MaxLineRateKBps(460800, 115200), 57.6);
    EXPECT_DOUBLE_EQ(maindlg::MaxLineRateKBps(0, 115200), 14.4);
    EXPECT_EQ(maindlg::DormancyPeriodMs(0), 16777215u);
    EXPECT_EQ(maindlg::DormancyPeriodMs(-3), 16777215u);
    EXPECT_EQ(maindlg::DormancyPeriodMs(30), 30000u);
    EXPECT_EQ(maindlg::DormancyPeriodMs(0x7FFFFFFF), 0x7FFFFFFFu);
}

}  // namespace
