// Toolbar decisions: entries filled without gaps, registered commands, the program search order.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "ui/ToolbarCore.h"

using namespace toolbar;

namespace {

struct FakeIni : IniSource {
    std::map<std::wstring, std::map<std::wstring, std::wstring>> sections;
    bool SectionExists(const std::wstring& s) override { return sections.count(s) != 0; }
    std::wstring Get(const std::wstring& s, const std::wstring& k) override {
        auto section = sections.find(s);
        if (section == sections.end()) return L"";
        auto value = section->second.find(k);
        return value == section->second.end() ? L"" : value->second;
    }
};

// A tree of folders and files; paths use backslashes; ".lnk" files point where targets says.
struct FakeFiles : FileSystem {
    std::map<std::wstring, std::vector<Item>> folders;
    std::map<std::wstring, std::wstring> targets;
    std::vector<std::wstring> listed;
    bool FileExists(const std::wstring& path) override {
        const auto slash = path.rfind(L'\\');
        auto folder = folders.find(path.substr(0, slash));
        if (folder == folders.end()) return false;
        for (const Item& i : folder->second)
            if (!i.folder && Lower(i.name) == Lower(path.substr(slash + 1))) return true;
        return false;
    }
    std::vector<Item> List(const std::wstring& folder) override {
        listed.push_back(folder);
        auto f = folders.find(folder);
        return f == folders.end() ? std::vector<Item>{} : f->second;
    }
    std::wstring ShortcutTarget(const std::wstring& path) override { return targets[path]; }
};

TEST(ToolbarEntries, SectionsFillTheButtonsWithoutGapsAndCutTheirTexts) {
    FakeIni ini;
    ini.sections[L"TOOLBAR_3"] = {{L"action_type", L"11"}, {L"action", L"http://example.com/"}};
    ini.sections[L"TOOLBAR_7"] = {{L"action_type", L"7x"}, {L"action", std::wstring(300, L'a')}};
    ini.sections[L"TOOLBAR_9"] = {{L"action_type", L"1"}};  // past the eighth: not a button
    Toolbar toolbar;
    EXPECT_EQ(LoadEntries(ini, toolbar), 2);
    EXPECT_EQ(toolbar.entries[0].type, kShellOpen);
    EXPECT_EQ(toolbar.entries[0].action, L"http://example.com/");
    EXPECT_EQ(toolbar.entries[1].type, 7);
    EXPECT_EQ(toolbar.entries[1].action.size(), kTextLength);
    EXPECT_TRUE(HasAction(toolbar, 0));
    EXPECT_TRUE(HasAction(toolbar, 1)) << "an unknown type still shows its button";
    for (int i : {2, 7, -1, 8}) EXPECT_FALSE(HasAction(toolbar, i)) << i;

    ini.sections[L"TOOLBAR_3"][L"action_type"] = L"none";
    LoadEntries(ini, toolbar);
    EXPECT_FALSE(HasAction(toolbar, 0)) << "a type that is no number is an empty button";
}

TEST(ToolbarCommands, TheProgramIsTheTextBeforeTheLastQuote) {
    // Quoted arguments after the quoted program do not become part of its path.
    EXPECT_EQ(ProgramOfCommand(L"\"C:\\Program Files\\Web\\web.exe\" -nohome \"%1\""),
              L"C:\\Program Files\\Web\\web.exe");
    EXPECT_EQ(ProgramOfCommand(L"C:\\Web\\web.exe \"%1\""), L"C:\\Web\\web.exe %1");
    EXPECT_EQ(ProgramOfCommand(L"\"C:\\Web\\web.exe\" %1"), L"C:\\Web\\web.exe");
    EXPECT_EQ(ProgramOfCommand(L"C:\\Web\\web.exe %1"), L"") << "no quote, no program";
    EXPECT_EQ(ProgramOfCommand(L""), L"");
}

TEST(ToolbarSearch, ShortNamesPathsTheProgramFolderThenTheShellFoldersInOrder) {
    FakeFiles files;
    SearchFolders where;
    where.folders = {L"D:\\Desktop", L"D:\\Start", L"C:\\Program Files", L"C:\\Windows", L"C:\\Windows\\System32"};
    files.folders[L"C:\\Prog"] = {{L"Report.exe", false}};
    files.folders[L"D:\\Desktop"] = {{L".", true}, {L"Mail.lnk", false}, {L"Tools", true}};
    files.folders[L"D:\\Desktop\\Tools"] = {{L"helper.exe", false}};
    files.targets[L"D:\\Desktop\\Mail.lnk"] = L"C:\\Apps\\MailClient.EXE";
    files.folders[L"C:\\Windows"] = {{L"notepad.exe", false}, {L"Sub", true}};
    files.folders[L"C:\\Windows\\Sub"] = {{L"deep.exe", false}};

    EXPECT_EQ(FindProgram(L"a.ex", L"C:\\Prog", where, files), L"") << "four characters or fewer";
    EXPECT_EQ(FindProgram(L"Q:\\Any\\Thing.exe", L"C:\\Prog", where, files), L"q:\\any\\thing.exe");
    EXPECT_EQ(FindProgram(L"REPORT.exe", L"C:\\Prog", where, files), L"C:\\Prog\\report.exe");
    // A desktop shortcut whose target ends with the name wins before the Windows folder.
    EXPECT_EQ(FindProgram(L"mailclient.exe", L"C:\\Prog", where, files), L"c:\\apps\\mailclient.exe");
    EXPECT_EQ(FindProgram(L"helper.exe", L"C:\\Prog", where, files), L"d:\\desktop\\tools\\helper.exe");
    EXPECT_EQ(FindProgram(L"notepad.exe", L"C:\\Prog", where, files), L"c:\\windows\\notepad.exe");
    EXPECT_EQ(FindProgram(L"deep.exe", L"C:\\Prog", where, files), L"") << "no subfolders of Windows";
    // The name alone is no hit: the path must be longer than it.
    EXPECT_EQ(FindProgram(L"\\notepad.exe", L"C:\\Prog", where, files), L"c:\\windows\\notepad.exe");
}

TEST(ToolbarSearch, AFolderLoopEndsTheSearch) {
    FakeFiles files;
    SearchFolders where;
    where.folders[0] = L"D:\\Loop";
    // Every folder lists itself again as a subfolder: the depth bound ends it.
    for (std::wstring f = L"D:\\Loop"; f.size() < 400; f += L"\\x") files.folders[f] = {{L"x", true}};
    EXPECT_EQ(FindProgram(L"nothing.exe", L"C:\\Prog", where, files), L"");
    EXPECT_LT(files.listed.size(), 40u);
}

}  // namespace
