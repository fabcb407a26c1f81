// Names shared by the e2e fixture program and the driver self-test that drives it.
#pragma once

namespace fixture {

constexpr wchar_t kExe[] = L"fixture_app.exe";
constexpr wchar_t kTitle[] = L"E2E Fixture";
constexpr wchar_t kChildTitle[] = L"E2E Fixture child";
constexpr wchar_t kBoxCaption[] = L"Fixture";
constexpr wchar_t kBoxText[] = L"Pick one";
constexpr wchar_t kAtom[] = L"_E2E_FIXTURE_";
constexpr wchar_t kMutex[] = L"E2E_FIXTURE";
constexpr wchar_t kIni[] = L"fixture.ini";  // [fixture] name=... shown at start
constexpr wchar_t kLog[] = L"fixture.log";  // "closed" appended when the dialog closes
constexpr int kCloseCode = 7;               // exit code after the dialog closed
// The result text starts as "ready acp=<ANSI code page> ini=<name> env=<E2E_FIXTURE_ENV>".
// Arguments: "exit=N" prints "fixture acp=<ANSI code page> exit=N" and ends with N (no window);
// "spawn" also starts a second copy titled kChildTitle.

// Control ids of the fixture dialog.
constexpr int kEdit = 1001;
constexpr int kEcho = 1002;     // result := "echo:" + edit text
constexpr int kAsk = 1003;      // Abort/Retry/Ignore box, result := "answer:abort|retry|ignore"
constexpr int kResult = 1004;   // static showing the last event
constexpr int kList = 1005;     // list box, result := "lb:<row>" on selection
constexpr int kListView = 1006; // report list view, result := "lv:<row>" / "dblclk:<row>"
constexpr int kCheck = 1007;    // auto check box
constexpr int kDisabled = 1008; // disabled button
constexpr int kLabel = 0xFFFF;  // plain label with the IDC_STATIC id, as in most dialogs

} // namespace fixture
