// The toolbar's decisions without windows: ToolBar.ini's entries, the program search for an
// entry that names a program, and the program path of a registered open command.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace toolbar {

constexpr int kButtons = 8;
constexpr std::size_t kTextLength = 255;  // action and action data: 256-byte fields

enum ActionType : int32_t {
    kEmpty = 0,
    kBrowser = 1,      // the program registered for HTTP
    kMailClient = 2,   // the program registered for mail messages
    kReport = 3,       // Report.exe beside the program
    kShellOpen = 11,   // the action opened by the shell: a document, a URL or a program
    kProgram = 12,     // the program found for the action, started with the action data
};

struct Entry {
    int32_t type = kEmpty;
    std::wstring action;
    std::wstring data;
};

struct Toolbar {
    std::array<Entry, kButtons> entries;
    int count = 0;
};

// Where the entries come from: the profile functions on ToolBar.ini, or text (tests, fuzzing).
class IniSource {
public:
    virtual ~IniSource() = default;
    virtual bool SectionExists(const std::wstring& section) = 0;
    virtual std::wstring Get(const std::wstring& section, const std::wstring& key) = 0;
};

// Sections "TOOLBAR_1" .. "TOOLBAR_8" in order fill the entries without gaps; action_type is a
// decimal number (no digits: 0), texts are cut to 255 characters. Program entries are not yet
// resolved (see FindProgram). Returns the number of entries filled.
int LoadEntries(IniSource& ini, Toolbar& toolbar);

// True for an index 0..7 whose entry has an action type.
bool HasAction(const Toolbar& toolbar, int index);

// The program path of a registered open command: the quoted text a command begins with
// ("\"C:\\x\\a.exe\" \"%1\"" gives C:\x\a.exe); otherwise the text before its last double
// quote without any double quote; empty without a double quote.
std::wstring ProgramOfCommand(std::wstring_view command);

// What the program search needs of the file system.
class FileSystem {
public:
    virtual ~FileSystem() = default;
    virtual bool FileExists(const std::wstring& path) = 0;
    struct Item {
        std::wstring name;
        bool folder = false;
    };
    // The folder's items in listing order ("." and ".." included or not).
    virtual std::vector<Item> List(const std::wstring& folder) = 0;
    // The target of a shortcut file; empty when it cannot be read.
    virtual std::wstring ShortcutTarget(const std::wstring& path) = 0;
};

// The search folders in their order: desktop, Start menu, Program Files (searched with their
// subfolders), Windows and system folders (without). Empty ones are skipped.
struct SearchFolders {
    std::array<std::wstring, 5> folders;
    static constexpr int kWithSubfolders = 3;
};

// The program a kProgram entry names, lower case: a name of four characters or fewer finds
// nothing; a name with a colon is a full path; then the program's own folder; then the search
// folders, where a file (or a shortcut's target) whose path is longer than the name and ends
// with it is a hit. Empty when nothing is found. Folder nesting is bounded.
std::wstring FindProgram(std::wstring_view name, const std::wstring& exeDir,
                         const SearchFolders& folders, FileSystem& files);

// ASCII and Latin lower case, as the search compares paths.
std::wstring Lower(std::wstring_view text);

}  // namespace toolbar
