// End-to-end test driver: stages the program folder, starts programs and drives their windows from outside.
#pragma once

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace e2e {

constexpr DWORD kWaitMs = 20000;         // default wait for a window, a process or a condition (first starts are slow)
constexpr DWORD kAnyProcess = 0xFFFFFFFF; // pid that searches every process (pid 0, a failed start, finds nothing)

// ---- Text, paths, logging, waiting

std::string Utf8(const std::wstring& text);         // UTF-16 to UTF-8 (for logs and assertion messages)
std::wstring Wide(const std::string& utf8);         // UTF-8 to UTF-16
std::string ToAnsi(const std::wstring& text);       // UTF-16 to bytes in the ANSI code page
std::wstring FromAnsi(const std::string& bytes);    // bytes in the ANSI code page to UTF-16
std::wstring WindowsPath(const std::wstring& path); // a Linux path "/a/b" as Wine's "Z:\a\b"; other paths unchanged
std::wstring EnvPath(const wchar_t* name);          // path from an environment variable, in Windows form ("" if unset)
// printf-style progress line on stdout with the elapsed time, flushed at once (readable in ctest output).
void Logf(const char* format, ...) __attribute__((format(printf, 1, 2)));
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs = kWaitMs); // polls every 50 ms; false on timeout

// ---- Processes

// A started program; the destructor kills it if it still runs.
class Process {
public:
    Process() = default;
    ~Process();
    Process(Process&& other) noexcept;
    Process& operator=(Process&& other) noexcept;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // CreateProcessW; workDir defaults to the exe's folder; env entries "NAME=value" override inherited variables
    // (under Wine they do not change the system language: that follows the Unix locale the test runs under).
    bool Start(const std::wstring& exe, const std::wstring& args = {}, const std::wstring& workDir = {},
               const std::vector<std::wstring>& env = {});
    DWORD Id() const { return id_; }                 // process id, 0 when not started
    HANDLE Handle() const { return process_; }       // process handle, null when not started
    bool Running() const;                            // started and not yet ended
    bool WaitExit(DWORD timeoutMs = kWaitMs) const;  // true once the process has ended
    DWORD ExitCode() const;                          // exit code, STILL_ACTIVE while running
    void Kill();                                     // terminates the process and waits for its end

private:
    void Reset();  // kills a running process and closes the handle
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

// Runs a program to its end: exit code, or -1 when it cannot start or outlives the timeout (then it is killed).
// With `output`, its stdout and stderr are captured there.
int RunProgram(const std::wstring& exe, const std::wstring& args, std::string* output = nullptr,
               DWORD timeoutMs = kWaitMs);

// ---- The program folder of one test

// A fresh temporary copy of a program folder. The destructor kills every process still running from the folder
// and removes it, unless E2E_KEEP is set.
class StagedFolder {
public:
    StagedFolder();                                   // a copy of StageSource()
    explicit StagedFolder(const std::wstring& source); // a copy of `source`; an empty source gives an empty folder
    ~StagedFolder();
    StagedFolder(const StagedFolder&) = delete;
    StagedFolder& operator=(const StagedFolder&) = delete;

    static std::wstring StageSource();                 // $ORVANE_STAGE, else the "Orvane" folder beside testbin
    bool Ok() const { return ok_; }                    // created and fully copied
    const std::wstring& Path() const { return path_; } // the folder, no trailing backslash
    std::wstring File(const std::wstring& name) const; // Path() + "\" + name

    bool Exists(const std::wstring& name) const;
    bool WriteBytes(const std::wstring& name, const std::string& bytes);  // creates or replaces a file
    bool WriteText(const std::wstring& name, const std::wstring& text);   // same, text in the ANSI code page
    bool Remove(const std::wstring& name);                                // deletes a file (true if now absent)
    bool CopyIn(const std::wstring& from, const std::wstring& name);      // copies an outside file into the folder
    std::string ReadBytes(const std::wstring& name) const;                // whole file, "" when missing
    std::wstring ReadText(const std::wstring& name) const;                // whole file from the ANSI code page
    // Writes one key of an INI file of the folder (simcard.ini, modem.ini, ...); true when written.
    bool SetIni(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                const std::wstring& value) const;

    // Starts a program of the folder, working directory the folder.
    Process Start(const std::wstring& exe, const std::wstring& args = {},
                  const std::vector<std::wstring>& env = {}) const;
    // RunProgram on a program of the folder.
    int Run(const std::wstring& exe, const std::wstring& args = {}, std::string* output = nullptr,
            DWORD timeoutMs = kWaitMs) const;
    // Screenshot (PNG, else BMP) of the screen or a window into $E2E_SHOTS or the folder; the path written, or "".
    std::wstring Screenshot(const std::wstring& name, HWND window = nullptr) const;

private:
    std::wstring path_;
    bool ok_ = false;
};

// ---- Finding windows

using WindowMatch = std::function<bool(HWND)>;

struct MessageBoxInfo {
    HWND window = nullptr;    // null when none was found
    std::wstring caption;
    std::wstring text;
    std::vector<int> buttons; // ids of the visible buttons (IDOK, IDCANCEL, IDABORT, ...)
};

std::vector<HWND> WindowsOf(DWORD pid);       // top-level windows of a process, visible or not
std::wstring ClassOf(HWND window);            // window class name ("#32770" for dialogs)
std::wstring Caption(HWND window);            // title text without sending a message (safe on a busy window)
HWND FindWindowOf(DWORD pid, const WindowMatch& match); // first matching top-level window of `pid`, right now
HWND WaitWindow(DWORD pid, const WindowMatch& match, DWORD timeoutMs = kWaitMs);          // same, waiting for it
// The next three wait for a visible window (a dialog is shown once WM_INITDIALOG has run); use WaitWindow for hidden.
HWND WaitWindowClass(DWORD pid, const std::wstring& cls, DWORD timeoutMs = kWaitMs);      // by class name
HWND WaitWindowText(DWORD pid, const std::wstring& text, DWORD timeoutMs = kWaitMs);      // by exact title
HWND WaitDialogWith(DWORD pid, int controlId, DWORD timeoutMs = kWaitMs); // a #32770 having a control (at any depth)
MessageBoxInfo WaitMessageBox(DWORD pid, DWORD timeoutMs = kWaitMs);      // a visible message box of the process
bool AnswerMessageBox(const MessageBoxInfo& box, int buttonId);           // presses IDABORT, IDRETRY, IDOK, ...
bool WaitGone(HWND window, DWORD timeoutMs = kWaitMs);                    // true once the window is destroyed
bool WaitNoWindows(DWORD pid, DWORD timeoutMs = kWaitMs);                 // true once no top-level window is visible
// The common open or save dialog of a process (visible, with its file name box), or null.
HWND WaitFileDialog(DWORD pid, DWORD timeoutMs = kWaitMs);
// Types the name into a file dialog's name box and presses OK until the dialog takes it and goes:
// a dialog that has just shown may still be filling its boxes in and clear what was typed.
bool AnswerFileDialog(HWND dialog, const std::wstring& name, DWORD timeoutMs = kWaitMs);

// ---- Controls (all calls are safe across processes and never block on a modal box)

HWND Item(HWND dialog, int id);             // direct child control by id (GetDlgItem)
HWND FindChild(HWND root, int id);          // control by id at any depth (pages are child dialogs); visible first
std::wstring Text(HWND window);             // text through WM_GETTEXT ("" when the window does not answer)
bool IsVisible(HWND window);                // visible, parents included
bool IsEnabled(HWND window);
bool IsChecked(HWND button);                // check box or radio button checked
bool Click(HWND button);                    // posts BM_CLICK
bool ClickId(HWND dialog, int id);          // posts WM_COMMAND BN_CLICKED as if control `id` was clicked
bool SetText(HWND control, const std::wstring& text); // WM_SETTEXT (a single-line edit notifies EN_CHANGE)
bool TypeChars(HWND control, const std::wstring& text); // posts one WM_CHAR per character
bool PressKey(HWND window, WORD vk);        // posts WM_KEYDOWN then WM_KEYUP
bool SendKeys(std::initializer_list<WORD> vks); // SendInput: press in order, release in reverse (hot keys, focus)
bool PostClick(HWND window, POINT client, bool doubleClick = false); // posts left-button messages at a client point
// FindChild, waiting for the control to be made (the pages nobody sees at start come just after the window).
HWND WaitChild(HWND root, int id, DWORD timeoutMs = kWaitMs);

// ---- Lists

std::vector<std::wstring> ListBoxRows(HWND list);
int ListBoxSelection(HWND list);            // selected row, -1 for none
bool ListBoxSelect(HWND list, int row);     // selects and notifies the parent with LBN_SELCHANGE
std::vector<std::wstring> ComboRows(HWND combo);
int ComboSelection(HWND combo);             // selected row, -1 for none
bool ComboSelect(HWND combo, int row);      // selects and notifies the parent with CBN_SELCHANGE
std::vector<std::vector<std::wstring>> ListViewRows(HWND list); // every cell, row by row (columns from the header)
std::wstring ListViewCell(HWND list, int row, int column);
int ListViewSelection(HWND list);           // first selected row, -1 for none
bool ListViewSelect(HWND list, int row);    // selects and focuses exactly this row (the parent gets LVN_ITEMCHANGED)
POINT ListViewRowPoint(HWND list, int row); // client point in the middle of a row's label, for PostClick
bool ListViewSelectRows(HWND list, const std::vector<int>& rows); // selects exactly these rows (multi-select lists)

// ---- Screenshots, atoms, mutexes

// Screen (or the window's rectangle, once it is visible and painted) to PNG through WIC, else to BMP beside it;
// the path written, or "".
std::wstring SaveScreenshot(const std::wstring& pngPath, HWND window = nullptr);
// A string of a language library as the program loads it ("" when missing, "<no library>" when the
// library cannot be mapped).
std::wstring LoadSkinString(const std::wstring& libraryPath, UINT id);
bool AtomExists(const std::wstring& name);  // global atom present (GlobalFindAtomW)
bool MutexExists(const std::wstring& name); // named mutex exists (OpenMutexW)
// The window's pixels as on the screen right now (24-bit rows as captured); empty when it cannot be read.
std::vector<unsigned char> WindowPixels(HWND window);

// ---- Measuring (benchmarks)

// Committed private memory of a process in MiB, summed over its address space (Wine leaves the
// private-bytes counter of GetProcessMemoryInfo at 0).
double PrivateMiB(HANDLE process);

} // namespace e2e
