// Unit tests of the card watcher's decisions: command line, program path, data file, notice
// language and arrival matching.
#include <gtest/gtest.h>

#include <string>

#include "resources/resource.h"
#include "watcher/WatcherCore.h"

using watcher::Arrival;
using watcher::Command;
using watcher::DataFile;
using watcher::Option;
using watcher::ParseCommandLine;
using watcher::ParseDataFile;
using watcher::Refusal;

namespace {

Refusal SetupRefusal(const std::wstring& line) {
    const Command c = ParseCommandLine(line);
    EXPECT_EQ(c.option, Option::kSetup) << line;
    return c.refusal;
}

}  // namespace

TEST(WatcherCommandLine, SetupTakesTheQuotedPathWithBlanksAndThePort) {
    Command c = ParseCommandLine(L"-setup 'C:\\A B\\x.exe' 3");
    EXPECT_EQ(c.option, Option::kSetup);
    EXPECT_EQ(c.refusal, Refusal::kNone);
    EXPECT_EQ(c.path, L"C:\\A B\\x.exe");
    EXPECT_EQ(c.port, 3);

    // The option ignores case; blanks around the line and one pair of double quotes go away.
    c = ParseCommandLine(L"  \"-SeTuP 'C:\\Program Files\\Orvane\\Orvane.exe' 12\"  ");
    EXPECT_EQ(c.refusal, Refusal::kNone);
    EXPECT_EQ(c.path, L"C:\\Program Files\\Orvane\\Orvane.exe");
    EXPECT_EQ(c.port, 12);

    // The path runs from the first to the last single quote, so a quote inside it stays.
    c = ParseCommandLine(L"-setup\t'D:\\Bob's tools\\Orvane.exe'\t7 ");
    EXPECT_EQ(c.refusal, Refusal::kNone);
    EXPECT_EQ(c.path, L"D:\\Bob's tools\\Orvane.exe");
    EXPECT_EQ(c.port, 7);

    // What the main program formats is read back unchanged, Chinese and UNC paths included.
    for (const std::wstring path : {L"C:\\Prog\\Orvane.exe", L"C:\\程序 文件\\无线\\Orvane.EXE",
                                    L"\\\\server\\share\\it's here\\Orvane.exe"}) {
        for (int port : {1, 5, 4096}) {
            c = ParseCommandLine(watcher::FormatSetupArguments(path, port));
            EXPECT_EQ(c.refusal, Refusal::kNone);
            EXPECT_EQ(c.path, path);
            EXPECT_EQ(c.port, port);
        }
    }
}

TEST(WatcherCommandLine, SetupRefusesWhatCannotBeInstalled) {
    EXPECT_EQ(SetupRefusal(L"-setup C:\\x.exe 3"), Refusal::kMissingQuote);
    EXPECT_EQ(SetupRefusal(L"-setup 'C:\\x.exe 3"), Refusal::kMissingQuote);
    EXPECT_EQ(SetupRefusal(L"-setup"), Refusal::kMissingQuote);
    EXPECT_EQ(SetupRefusal(L"-setup x'C:\\x.exe' 3"), Refusal::kTextBeforePath);
    EXPECT_EQ(SetupRefusal(L"-setup '' 3"), Refusal::kEmptyPath);
    EXPECT_EQ(SetupRefusal(L"-setup 'x.exe' 3"), Refusal::kBadPath);
    EXPECT_EQ(SetupRefusal(L"-setup 'C:\\x.exe'"), Refusal::kMissingPort);
    EXPECT_EQ(SetupRefusal(L"-setup 'C:\\x.exe'   "), Refusal::kMissingPort);
    EXPECT_EQ(SetupRefusal(L"-setup 'C:\\x.exe' 0"), Refusal::kPortOutOfRange);
    EXPECT_EQ(SetupRefusal(L"-setup 'C:\\x.exe' 4097"), Refusal::kPortOutOfRange);
    EXPECT_EQ(SetupRefusal(L"-setup 'C:\\x.exe' 99999999999999999999"), Refusal::kPortOutOfRange);
    EXPECT_EQ(SetupRefusal(L"-setup 'C:\\x.exe' -3"), Refusal::kBadPort);
    EXPECT_EQ(SetupRefusal(L"-setup 'C:\\x.exe' 3x"), Refusal::kBadPort);
    EXPECT_EQ(SetupRefusal(L"-setup 'C:\\x.exe' 3 4"), Refusal::kBadPort);
    // A path check failure wins over the port: nothing is half-accepted.
    EXPECT_EQ(SetupRefusal(L"-setup 'C:\\x.bat' 3"), Refusal::kBadPath);
}

TEST(WatcherCommandLine, OtherOptionsAndResidentStart) {
    EXPECT_EQ(ParseCommandLine(L"-UNWISE").option, Option::kUnwise);
    EXPECT_EQ(ParseCommandLine(L"\"-unwise\"").option, Option::kUnwise);
    EXPECT_EQ(ParseCommandLine(L"-unwise whatever 'x' 3").option, Option::kUnwise);

    Command c = ParseCommandLine(L"-AutoSetup  Orvane.exe ");
    EXPECT_EQ(c.option, Option::kAutoSetup);
    EXPECT_EQ(c.refusal, Refusal::kNone);
    EXPECT_EQ(c.path, L"Orvane.exe");
    c = ParseCommandLine(L"-autosetup");
    EXPECT_EQ(c.option, Option::kAutoSetup);
    EXPECT_EQ(c.refusal, Refusal::kMissingFileName);
    EXPECT_EQ(ParseCommandLine(L"-autosetup   ").refusal, Refusal::kMissingFileName);

    // Anything else starts from the data file, and carries nothing to install.
    for (const wchar_t* line : {L"", L"   ", L"\"", L"\"\"", L"-setupx 'C:\\x.exe' 3",
                                L"setup 'C:\\x.exe' 3", L"\"\"-unwise\"\"", L"-", L"/unwise"}) {
        c = ParseCommandLine(line);
        EXPECT_EQ(c.option, Option::kResident) << line;
        EXPECT_TRUE(c.path.empty());
        EXPECT_EQ(c.port, 0);
    }
}

TEST(WatcherProgramPath, OnlyAbsoluteExePathsWithoutTricks) {
    for (const wchar_t* good :
         {L"C:\\x.exe", L"c:\\Program Files (x86)\\Orvane\\Orvane.EXE", L"Z:\\tmp\\a b\\o.Exe",
          L"\\\\server\\share\\Orvane.exe", L"C:\\中文\\程序.exe", L"C:\\a.b\\c d.exe"}) {
        EXPECT_EQ(watcher::CheckProgramPath(good), Refusal::kNone) << good;
    }
    EXPECT_EQ(watcher::CheckProgramPath(L""), Refusal::kEmptyPath);
    for (const wchar_t* bad : {L"x.exe",
                               L"\\x.exe",
                               L"C:x.exe",
                               L"C:\\",
                               L"1:\\x.exe",
                               L"C:/x.exe",
                               L"C:\\dir/x.exe",
                               L"\\\\server\\x.exe",
                               L"\\\\.\\x.exe",
                               L"\\\\?\\C:\\x.exe",
                               L"C:\\dir\\..\\x.exe",
                               L"C:\\.\\x.exe",
                               L"C:\\dir\\\\x.exe",
                               L"C:\\x.exe\\",
                               L"C:\\x.exe ",
                               L"C:\\x.exe.",
                               L"C:\\dir \\x.exe",
                               L"C:\\x.exe:stream",
                               L"C:\\x.bat",
                               L"C:\\.exe",
                               L"C:\\x.exe\"",
                               L"C:\\x|y.exe",
                               L"C:\\x*.exe",
                               L"C:\\a\tb.exe",
                               L"C:\\x.exe\n"}) {
        EXPECT_EQ(watcher::CheckProgramPath(bad), Refusal::kBadPath) << bad;
    }
    const std::wstring longest =
        L"C:\\" + std::wstring(watcher::kMaxProgramPath - 7, L'a') + L".exe";
    EXPECT_EQ(longest.size(), watcher::kMaxProgramPath);
    EXPECT_EQ(watcher::CheckProgramPath(longest), Refusal::kNone);
    EXPECT_EQ(watcher::CheckProgramPath(L"C:\\a" + longest.substr(3)), Refusal::kBadPath);
    // An embedded NUL is a control character, not the end of the path.
    EXPECT_EQ(watcher::CheckProgramPath(std::wstring(L"C:\\x.exe\0.exe", 13)), Refusal::kBadPath);
}

TEST(WatcherProgramPath, AutoSetupPathIsBesideTheWatcher) {
    std::wstring path;
    EXPECT_EQ(watcher::ComposeAutoSetupPath(L"C:\\Prog\\Sentrel.exe", L" Orvane.exe ", path),
              Refusal::kNone);
    EXPECT_EQ(path, L"C:\\Prog\\Orvane.exe");
    EXPECT_EQ(watcher::ComposeAutoSetupPath(L"C:\\Prog\\Sentrel.exe", L"bin\\Orvane.exe", path),
              Refusal::kNone);
    EXPECT_EQ(path, L"C:\\Prog\\bin\\Orvane.exe");
    // Without a file name the composed path would be the watcher's own folder.
    EXPECT_EQ(watcher::ComposeAutoSetupPath(L"C:\\Prog\\Sentrel.exe", L"", path),
              Refusal::kMissingFileName);
    EXPECT_EQ(watcher::ComposeAutoSetupPath(L"C:\\Prog\\Sentrel.exe", L"  ", path),
              Refusal::kMissingFileName);
    for (const wchar_t* name : {L"..\\x.exe", L"D:\\x.exe", L"\\x.exe", L"Orvane", L"a\\"}) {
        EXPECT_EQ(watcher::ComposeAutoSetupPath(L"C:\\Prog\\Sentrel.exe", name, path),
                  Refusal::kBadPath);
    }
    EXPECT_EQ(watcher::ComposeAutoSetupPath(L"Sentrel.exe", L"Orvane.exe", path),
              Refusal::kBadPath);

    EXPECT_EQ(watcher::SiblingFile(L"C:\\Prog\\Sentrel.exe", L"dat"), L"C:\\Prog\\Sentrel.dat");
    EXPECT_EQ(watcher::SiblingFile(L"C:\\Prog\\x.tar.exe", L"log"), L"C:\\Prog\\x.tar.log");
    // A dot in a folder name is not the extension's.
    EXPECT_EQ(watcher::SiblingFile(L"C:\\v1.2\\Sentrel", L"dat"), L"C:\\v1.2\\Sentrel.dat");
}

TEST(WatcherDataFile, ReadsWhatItWritesInAnyLineEnding) {
    // GBK bytes whose second half is a backslash stay as they are: the path is checked only
    // after conversion to UTF-16.
    for (const std::string& path :
         {std::string("C:\\A B\\Orvane.exe"), std::string("C:\\\xb1\x5c\\Orvane.exe")}) {
        const DataFile d = ParseDataFile(watcher::FormatDataFile(path, 17));
        EXPECT_EQ(d.refusal, Refusal::kNone);
        EXPECT_EQ(d.path, path);
        EXPECT_EQ(d.port, 17);
    }
    EXPECT_EQ(watcher::FormatDataFile("C:\\x.exe", 3), "C:\\x.exe\r\n3\r\n");

    for (const char* content : {"C:\\x.exe\n3\n", "C:\\x.exe\r\n3", "C:\\x.exe\r\n 3 \r\n\r\n",
                                "C:\\x.exe\r\n3\r\n  \n"}) {
        const DataFile d = ParseDataFile(content);
        EXPECT_EQ(d.refusal, Refusal::kNone) << content;
        EXPECT_EQ(d.path, "C:\\x.exe");
        EXPECT_EQ(d.port, 3);
    }
}

TEST(WatcherDataFile, GarbledFilesAreRefused) {
    const struct {
        std::string content;
        Refusal refusal;
    } cases[] = {
        {"", Refusal::kEmptyPath},
        {"\r\n3\r\n", Refusal::kEmptyPath},
        {"C:\\x.exe", Refusal::kMissingPort},
        {"C:\\x.exe\r\n\r\n", Refusal::kMissingPort},
        {"C:\\x.exe\r\nCOM3\r\n", Refusal::kBadPort},
        {"C:\\x.exe\r\n3.0\r\n", Refusal::kBadPort},
        {"C:\\x.exe\r\n0\r\n", Refusal::kPortOutOfRange},
        {"C:\\x.exe\r\n4097\r\n", Refusal::kPortOutOfRange},
        {"C:\\x.exe\r\n3\r\nC:\\y.exe\r\n", Refusal::kTrailingText},
        {"C:\\x.exe\r\n3\r\n\r\n4\r\n", Refusal::kTrailingText},
        {std::string("C:\\x.exe\0\r\n3\r\n", 14), Refusal::kNotText},
        {"C:\\x\r.exe\r\n3\r\n", Refusal::kNotText},
        {"C:\\x.exe\r\n3\x1b\r\n", Refusal::kNotText},
        {std::string(watcher::kMaxDataFileBytes + 1, 'a'), Refusal::kTooLong},
    };
    for (const auto& c : cases) {
        const DataFile d = ParseDataFile(c.content);
        EXPECT_EQ(d.refusal, c.refusal) << c.content;
    }
    // Within the size limit, a long path still parses; it is the path check that refuses it.
    const std::string longPath = "C:\\" + std::string(3000, 'a') + ".exe";
    EXPECT_EQ(ParseDataFile(longPath + "\r\n3\r\n").refusal, Refusal::kNone);
    EXPECT_EQ(watcher::CheckProgramPath(std::wstring(longPath.begin(), longPath.end())),
              Refusal::kBadPath);
}

TEST(WatcherNotice, TemplateFollowsTheSystemLanguage) {
    // Traditional script only for sub-language 1; other Chinese regions (Hong Kong: 3) get GB.
    EXPECT_EQ(watcher::NoticeTemplateFor(0x0404), IDD_LAUNCH_NOTICE_BIG5);
    EXPECT_EQ(watcher::NoticeTemplateFor(0x0C04), IDD_LAUNCH_NOTICE_GB);
    // Every English, Spanish and Japanese region reads English; anything else reads GB.
    EXPECT_EQ(watcher::NoticeTemplateFor(0x0809), IDD_LAUNCH_NOTICE_EN);
    EXPECT_EQ(watcher::NoticeTemplateFor(0x0C0A), IDD_LAUNCH_NOTICE_EN);
    EXPECT_EQ(watcher::NoticeTemplateFor(0x0411), IDD_LAUNCH_NOTICE_EN);
    EXPECT_EQ(watcher::NoticeTemplateFor(0x0407), IDD_LAUNCH_NOTICE_GB);
    // Only the primary language's 10 bits count.
    EXPECT_EQ(watcher::NoticeTemplateFor(0x0809 | 0x0200), IDD_LAUNCH_NOTICE_GB);
}

TEST(WatcherArrival, PortNumberOrModemNameDecides) {
    const std::wstring modem = L"Orvane Wireless Modem";
    EXPECT_TRUE(watcher::PortMatches(3, L"COM3", 3, modem));
    EXPECT_TRUE(watcher::PortMatches(4, L"COM03", 3, modem));
    EXPECT_TRUE(watcher::PortMatches(2, L"\\\\.\\COM3", 3, modem));
    EXPECT_FALSE(watcher::PortMatches(3, L"COM13", 3, modem));
    EXPECT_FALSE(watcher::PortMatches(3, L"COM31", 3, modem));
    EXPECT_FALSE(watcher::PortMatches(3, L"COM4", 3, modem));
    // Only the first number counts.
    EXPECT_FALSE(watcher::PortMatches(3, L"COM4 (was 3)", 3, modem));
    EXPECT_FALSE(watcher::PortMatches(3, L"COM99999999999999999999", 3, modem));
    // Another port named like the modem still counts, ignoring case.
    EXPECT_TRUE(watcher::PortMatches(3, L"orvane WIRELESS modem", 7, modem));
    EXPECT_FALSE(watcher::PortMatches(3, L"Orvane Wireless Modem 2", 7, modem));
    // Windows 9x reports the modem by name: the number alone never counts there.
    EXPECT_FALSE(watcher::PortMatches(1, L"COM3", 3, modem));
    EXPECT_TRUE(watcher::PortMatches(1, L"ORVANE WIRELESS MODEM", 3, modem));
    // Without a MODEM_NAME no name matches, not even an empty one.
    EXPECT_FALSE(watcher::PortMatches(1, L"", 3, L""));
    EXPECT_FALSE(watcher::PortMatches(3, L"", 3, L""));
    EXPECT_FALSE(watcher::PortMatches(3, L"LPT", 3, L""));
}

TEST(WatcherArrival, OnlyAPortArrivalWithoutCtrlWhileTheProgramIsAbsent) {
    Arrival a;
    a.event = watcher::kDeviceArrival;
    a.deviceType = watcher::kDeviceTypePort;
    a.portName = L"COM5";
    EXPECT_TRUE(watcher::ShouldLaunch(a, 3, 5, L"modem"));
    EXPECT_FALSE(watcher::ShouldLaunch(a, 3, 6, L"modem"));

    Arrival removal = a;
    removal.event = 0x8004;  // DBT_DEVICEREMOVECOMPLETE
    EXPECT_FALSE(watcher::ShouldLaunch(removal, 3, 5, L"modem"));
    Arrival volume = a;
    volume.deviceType = 2;  // DBT_DEVTYP_VOLUME
    EXPECT_FALSE(watcher::ShouldLaunch(volume, 3, 5, L"modem"));
    Arrival ctrl = a;
    ctrl.ctrlDown = true;
    EXPECT_FALSE(watcher::ShouldLaunch(ctrl, 3, 5, L"modem"));
    Arrival running = a;
    running.mainProgramRunning = true;
    EXPECT_FALSE(watcher::ShouldLaunch(running, 3, 5, L"modem"));

    // The notice ends when the program shows its wait box, or when the started program is gone.
    EXPECT_FALSE(watcher::LaunchWaitOver(false, false, false));
    EXPECT_FALSE(watcher::LaunchWaitOver(true, false, false));
    EXPECT_FALSE(watcher::LaunchWaitOver(false, true, false));  // an atom left by another copy
    EXPECT_TRUE(watcher::LaunchWaitOver(true, true, false));
    EXPECT_TRUE(watcher::LaunchWaitOver(false, false, true));
}
