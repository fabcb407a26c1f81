// Phone book end to end with the simulated card: the list, add, edit, delete with a refusal, the
// context menu, CSV export and import through the standard file dialogs, and a lying card.
#include <gtest/gtest.h>
#include <windows.h>


#include <algorithm>
#include <string>
#include <vector>

#include "Driver.h"
#include "resources/resource.h"

namespace {

using e2e::Logf;

// The card's phone book at the start of every test: identifier = number|name, in file order.
const wchar_t kBook[] =
    L"0=13800138000|张三\0"
    L"1=10086|中国移动客服\0"
    L"2=+8613912345678|李四\0"
    L"3=10010|联通客服\0"
    L"4=13900000004|赵六\0"
    L"5=13900000005|钱七\0";

// The context menu's commands, in their order on the menu (separators are skipped by the keys).
enum MenuItem { kMenuAdd, kMenuEdit, kMenuDelete, kMenuSms, kMenuCall, kMenuImport, kMenuExport };

class PhoneBookTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.Ok());
        folder.Remove(L"modem.log");
        ASSERT_TRUE(WritePrivateProfileSectionW(L"PHONEBOOK", kBook, Ini().c_str()));
    }
    void TearDown() override {
        if (orvane.Running()) orvane.Kill();
    }

    std::wstring Ini() const { return folder.File(L"simcard.ini"); }
    void SetCard(const wchar_t* section, const wchar_t* key, const std::wstring& value) {
        ASSERT_TRUE(WritePrivateProfileStringW(section, key, value.c_str(), Ini().c_str()));
    }
    std::wstring CardValue(const wchar_t* section, const wchar_t* key) const {
        wchar_t buffer[256] = {};
        GetPrivateProfileStringW(section, key, L"", buffer, 256, Ini().c_str());
        return buffer;
    }
    std::wstring SkinString(UINT id) const {
        return e2e::LoadSkinString(folder.File(L"skingb.dll"), id);
    }
    std::string Journal() const { return folder.ReadBytes(L"modem.log"); }

    // Starts the program and opens the phone book page, which reads the card the first time.
    void StartAndOpen(size_t expectedRows) {
        orvane = folder.Start(L"Orvane.exe");
        mainWindow = e2e::WaitDialogWith(orvane.Id(), IDC_MAIN_STATUS);
        ASSERT_NE(mainWindow, nullptr);
        list = e2e::WaitChild(mainWindow, IDC_PB_LIST);
        ASSERT_NE(list, nullptr);
        page = GetParent(list);
        HWND save = e2e::WaitChild(mainWindow, IDC_PBEDIT_SAVE);
        ASSERT_NE(save, nullptr);
        editor = GetParent(save);
        ASSERT_TRUE(e2e::ClickId(mainWindow, IDC_MAIN_BTN_PHONEBOOK));
        ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::IsVisible(page); }, 5000));
        ASSERT_TRUE(e2e::WaitUntil([&] { return Rows().size() == expectedRows; }, 10000))
            << Rows().size() << " rows";
    }

    std::vector<std::vector<std::wstring>> Rows() const { return e2e::ListViewRows(list); }
    std::wstring Status() const { return e2e::Text(GetDlgItem(mainWindow, IDC_MAIN_STATUS)); }
    bool WaitStatus(UINT id, DWORD timeoutMs = 5000) const {
        const std::wstring want = SkinString(id);
        return e2e::WaitUntil([&] { return Status() == want; }, timeoutMs);
    }
    bool WaitStatusText(const std::wstring& want, DWORD timeoutMs = 5000) const {
        return e2e::WaitUntil([&] { return Status() == want; }, timeoutMs);
    }
    HWND EditorItem(int id) const { return GetDlgItem(editor, id); }

    // Fills the editor and presses its save button.
    void SaveEntry(const std::wstring& name, const std::wstring& number) {
        ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::IsVisible(editor); }, 5000));
        ASSERT_TRUE(e2e::SetText(EditorItem(IDC_PBEDIT_NAME), name));
        ASSERT_TRUE(e2e::SetText(EditorItem(IDC_PBEDIT_NUMBER), number));
        ASSERT_TRUE(e2e::ClickId(editor, IDC_PBEDIT_SAVE));
    }

    // A right press over the list's first row; the popup menu window, or null.
    HWND OpenMenu() {
        POINT at = e2e::ListViewRowPoint(list, 0);
        if (at.x < 0) at = POINT{40, 30};
        PostMessageW(list, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(at.x, at.y));
        return e2e::WaitWindow(
            orvane.Id(), [](HWND w) { return e2e::ClassOf(w) == L"#32768" && IsWindowVisible(w); },
            5000);
    }
    // Chooses a command of the context menu with the keyboard (greyed rows are stepped over like
    // the others). True when the menu went away with Enter; otherwise it is closed with Escape.
    bool ChooseFromMenu(MenuItem item) {
        HWND menu = OpenMenu();
        if (!menu) {
            ADD_FAILURE() << "no context menu";
            return false;
        }
        for (int i = 0; i <= item; ++i) e2e::PressKey(menu, VK_DOWN);
        e2e::PressKey(menu, VK_RETURN);
        const bool closed = e2e::WaitGone(menu, 1500) || !IsWindowVisible(menu);
        if (!closed) {
            e2e::PressKey(menu, VK_ESCAPE);
            EXPECT_TRUE(e2e::WaitUntil([&] { return !IsWindowVisible(menu); }, 3000));
        }
        return closed;
    }

    // The standard file dialog of the program, or null.
    HWND FileDialog(DWORD timeoutMs = 8000) { return e2e::WaitFileDialog(orvane.Id(), timeoutMs); }
    // Types the path into the dialog's file name field and presses its OK button.
    void AnswerFileDialog(HWND dialog, const std::wstring& path) {
        ASSERT_TRUE(e2e::AnswerFileDialog(dialog, path));
    }
    void CancelFileDialog(HWND dialog) {
        ASSERT_TRUE(e2e::Click(GetDlgItem(dialog, IDCANCEL)));
        ASSERT_TRUE(e2e::WaitGone(dialog, 8000));
    }

    e2e::StagedFolder folder;
    e2e::Process orvane;
    HWND mainWindow = nullptr;
    HWND page = nullptr;
    HWND list = nullptr;
    HWND editor = nullptr;
};

// The text rows of a popup menu as drawn on the screen, top to bottom: true for a row written in
// dark letters (a command that can be chosen), false for a greyed one. Separators and margins carry
// no letters and give no row.
std::vector<bool> MenuRowsEnabled(HWND menu) {
    std::vector<bool> rows;
    RECT area{};
    GetWindowRect(menu, &area);
    const int width = area.right - area.left, height = area.bottom - area.top;
    const std::vector<unsigned char> bytes = e2e::WindowPixels(menu);
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
    if (width <= 0 || height <= 0 || bytes.size() < stride * static_cast<size_t>(height))
        return rows;
    // Lines holding letters (clearly darker than the menu's face), grouped into bands; the frame's
    // outer pixels are left out. Separators are bands of one or two lines; a character with a
    // gap across it gives two bands close together, which are joined again.
    struct Band {
        int top, bottom, darkest;
    };
    std::vector<Band> bands;
    for (int y = 3; y < height - 3; ++y) {
        int lineDarkest = 255;
        for (int x = 6; x < width - 6; ++x) {
            const unsigned char* bgr =
                &bytes[static_cast<size_t>(y) * stride + static_cast<size_t>(x) * 3];
            const int luminance = (bgr[2] * 3 + bgr[1] * 6 + bgr[0]) / 10;
            lineDarkest = std::min(lineDarkest, luminance);
        }
        if (lineDarkest >= 180) continue;
        if (!bands.empty() && bands.back().bottom == y - 1) {
            bands.back().bottom = y;
            bands.back().darkest = std::min(bands.back().darkest, lineDarkest);
        } else {
            bands.push_back(Band{y, y, lineDarkest});
        }
    }
    std::vector<Band> text;
    for (const Band& band : bands) {
        if (band.bottom - band.top < 2) continue;  // a separator's line
        if (!text.empty() && band.top - text.back().bottom <= 3) {
            text.back().bottom = band.bottom;
            text.back().darkest = std::min(text.back().darkest, band.darkest);
        } else {
            text.push_back(band);
        }
    }
    // Greyed letters are drawn in the grey text colour (128); letters of a command are black,
    // with lighter pixels where strokes are smoothed.
    for (const Band& band : text) rows.push_back(band.darkest < 110);
    return rows;
}

std::string Shown(const std::vector<bool>& rows) {
    std::string out;
    for (bool enabled : rows) out += enabled ? '1' : '0';
    return out;
}

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST_F(PhoneBookTest, ListAddEditAndDeleteWithARefusal) {
    SetCard(L"REFUSE", L"Phonebook", L"5");
    ASSERT_NO_FATAL_FAILURE(StartAndOpen(6));
    auto rows = Rows();
    EXPECT_EQ(rows[0], (std::vector<std::wstring>{L"张三", L"13800138000"}));
    EXPECT_EQ(rows[1][0], L"中国移动客服");
    EXPECT_EQ(rows[2][1], L"+8613912345678");
    EXPECT_TRUE(WaitStatus(IDS_READ_DONE));
    folder.Screenshot(L"phonebook-page", mainWindow);

    // Add: the card stores it in its lowest free slot, the list shows it at the end.
    ASSERT_TRUE(e2e::ClickId(page, IDC_PB_ADD));
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::IsVisible(editor); }, 5000));
    EXPECT_EQ(e2e::Text(EditorItem(IDC_PBEDIT_NAME)), L"");
    ASSERT_TRUE(e2e::SetText(EditorItem(IDC_PBEDIT_NAME), L"王五"));
    ASSERT_TRUE(e2e::SetText(EditorItem(IDC_PBEDIT_NUMBER), L"13700000000"));
    folder.Screenshot(L"phonebook-editor-add", mainWindow);
    ASSERT_TRUE(e2e::ClickId(editor, IDC_PBEDIT_SAVE));
    EXPECT_TRUE(WaitStatus(IDS_OPERATION_OK));
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::IsVisible(page); }, 5000));
    rows = Rows();
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[6], (std::vector<std::wstring>{L"王五", L"13700000000"}));
    EXPECT_EQ(CardValue(L"PHONEBOOK", L"6"), L"13700000000|王五");

    // Adding a number the book has is refused, whatever the name.
    ASSERT_TRUE(e2e::ClickId(page, IDC_PB_ADD));
    ASSERT_NO_FATAL_FAILURE(SaveEntry(L"别名", L"10086"));
    EXPECT_TRUE(WaitStatus(IDS_PB_NUMBER_EXISTS));
    EXPECT_TRUE(e2e::IsVisible(editor));
    // Empty fields, and fields beyond what the card can hold, are refused before the card is asked.
    ASSERT_NO_FATAL_FAILURE(SaveEntry(L"", L"123"));
    EXPECT_TRUE(WaitStatus(IDS_PB_NAME_OR_NUMBER_EMPTY));
    ASSERT_NO_FATAL_FAILURE(SaveEntry(L"abcdefghijklm", L"123"));  // 13 bytes
    e2e::MessageBoxInfo box = e2e::WaitMessageBox(orvane.Id(), 5000);
    ASSERT_NE(box.window, nullptr);
    EXPECT_NE(box.text.find(L"12"), std::wstring::npos) << e2e::Utf8(box.text);
    e2e::AnswerMessageBox(box, IDOK);
    ASSERT_TRUE(e2e::WaitGone(box.window, 5000));
    ASSERT_NO_FATAL_FAILURE(SaveEntry(L"Sixteen", L"1234567890123456"));
    box = e2e::WaitMessageBox(orvane.Id(), 5000);
    ASSERT_NE(box.window, nullptr);
    EXPECT_NE(box.text.find(L"15"), std::wstring::npos) << e2e::Utf8(box.text);
    e2e::AnswerMessageBox(box, IDOK);
    ASSERT_TRUE(e2e::WaitGone(box.window, 5000));
    EXPECT_EQ(Count(Journal(), "CALL mdmPbAddRec"), 1u);
    ASSERT_TRUE(e2e::ClickId(editor, IDC_PBEDIT_CANCEL));
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::IsVisible(page); }, 5000));

    // Edit keeping its own number: allowed, the same slot is overwritten.
    ASSERT_TRUE(e2e::ListViewSelect(list, 0));
    ASSERT_TRUE(e2e::ClickId(page, IDC_PB_EDIT));
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::IsVisible(editor); }, 5000));
    EXPECT_EQ(e2e::Text(EditorItem(IDC_PBEDIT_NAME)), L"张三");
    EXPECT_EQ(e2e::Text(EditorItem(IDC_PBEDIT_NUMBER)), L"13800138000");
    folder.Screenshot(L"phonebook-editor-edit", mainWindow);
    ASSERT_NO_FATAL_FAILURE(SaveEntry(L"张三丰", L"13800138000"));
    EXPECT_TRUE(WaitStatus(IDS_OPERATION_OK));
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::IsVisible(page); }, 5000));
    EXPECT_EQ(Rows()[0], (std::vector<std::wstring>{L"张三丰", L"13800138000"}));
    EXPECT_EQ(CardValue(L"PHONEBOOK", L"0"), L"13800138000|张三丰");
    EXPECT_NE(Journal().find("CALL mdmPbAddRec(0,\"13800138000\""), std::string::npos);

    // Edit to another entry's number: refused, the card is not asked.
    ASSERT_TRUE(e2e::ListViewSelect(list, 0));
    ASSERT_TRUE(e2e::PostClick(list, e2e::ListViewRowPoint(list, 0), true));  // double click edits
    ASSERT_NO_FATAL_FAILURE(SaveEntry(L"张三丰", L"10086"));
    EXPECT_TRUE(WaitStatus(IDS_PB_NUMBER_EXISTS));
    EXPECT_EQ(Count(Journal(), "CALL mdmPbAddRec"), 2u);
    ASSERT_TRUE(e2e::ClickId(editor, IDC_PBEDIT_CANCEL));
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::IsVisible(page); }, 5000));

    // Delete rows 2 and 5: row 5 goes first and the card refuses it; row 2 is still deleted.
    ASSERT_TRUE(e2e::ListViewSelectRows(list, {2, 5}));
    ASSERT_TRUE(e2e::ClickId(page, IDC_PB_DELETE));
    EXPECT_TRUE(WaitStatus(IDS_OPERATION_FAILED));
    ASSERT_TRUE(e2e::WaitUntil([&] { return Rows().size() == 6; }, 5000));
    rows = Rows();
    EXPECT_EQ(rows[2][0], L"联通客服");
    EXPECT_EQ(rows[4][0], L"钱七") << "the refused entry stays";
    const std::string journal = Journal();
    const size_t five = journal.find("CALL mdmPbDelRec(5)");
    const size_t two = journal.find("CALL mdmPbDelRec(2)");
    ASSERT_NE(five, std::string::npos);
    ASSERT_NE(two, std::string::npos);
    EXPECT_LT(five, two);
    EXPECT_EQ(CardValue(L"PHONEBOOK", L"2"), L"");
    EXPECT_EQ(CardValue(L"PHONEBOOK", L"5"), L"13900000005|钱七");
    EXPECT_TRUE(orvane.Running());
}

TEST_F(PhoneBookTest, ExportAndImportCsv) {
    ASSERT_NO_FATAL_FAILURE(StartAndOpen(6));

    // Export of two selected rows: the header and the two entries, CR LF, ANSI.
    ASSERT_TRUE(e2e::ListViewSelectRows(list, {0, 1}));
    ASSERT_TRUE(ChooseFromMenu(kMenuExport));
    HWND save = FileDialog();
    ASSERT_NE(save, nullptr);
    ASSERT_NO_FATAL_FAILURE(AnswerFileDialog(save, folder.File(L"out.csv")));
    EXPECT_TRUE(WaitStatus(IDS_CSV_EXPORT_OK));
    EXPECT_EQ(folder.ReadBytes(L"out.csv"),
              "name,tel\r\n" + e2e::ToAnsi(L"张三,13800138000\r\n中国移动客服,10086\r\n"));

    // Import, columns the other way round: two numbers exist (Yes to the first, No to the
    // second), one is new, one line has an empty field.
    ASSERT_TRUE(folder.WriteText(L"in.csv",
                                 L"TEL,Name\r\n10086,移动\r\n10010,联通新\r\n,空号\r\n"
                                 L"13300000000,新朋友,extra\r\n"));
    ASSERT_TRUE(ChooseFromMenu(kMenuImport));
    HWND open = FileDialog();
    ASSERT_NE(open, nullptr);
    ASSERT_NO_FATAL_FAILURE(AnswerFileDialog(open, folder.File(L"in.csv")));
    e2e::MessageBoxInfo box = e2e::WaitMessageBox(orvane.Id(), 8000);
    ASSERT_NE(box.window, nullptr);
    EXPECT_EQ(box.text,
              L"正准备导入新记录 [移动,10086] ,但电话本已存在一个 [中国移动客服,10086] "
              L"的记录,您确信要覆盖它吗?");
    folder.Screenshot(L"phonebook-overwrite-question", mainWindow);
    ASSERT_TRUE(e2e::AnswerMessageBox(box, IDYES));
    ASSERT_TRUE(e2e::WaitGone(box.window, 5000));
    box = e2e::WaitMessageBox(orvane.Id(), 8000);
    ASSERT_NE(box.window, nullptr);
    EXPECT_NE(box.text.find(L"[联通客服,10010]"), std::wstring::npos) << e2e::Utf8(box.text);
    ASSERT_TRUE(e2e::AnswerMessageBox(box, IDNO));
    EXPECT_TRUE(WaitStatusText(L"成功导入 2 条记录."));
    auto rows = Rows();
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[1], (std::vector<std::wstring>{L"移动", L"10086"}));
    EXPECT_EQ(rows[3][0], L"联通客服");
    EXPECT_EQ(rows[6], (std::vector<std::wstring>{L"新朋友", L"13300000000"}));
    EXPECT_EQ(CardValue(L"PHONEBOOK", L"1"), L"10086|移动");
    EXPECT_EQ(CardValue(L"PHONEBOOK", L"3"), L"10010|联通客服");
    EXPECT_EQ(CardValue(L"PHONEBOOK", L"6"), L"13300000000|新朋友");

    // A header with a semicolon is no header.
    ASSERT_TRUE(folder.WriteText(L"bad.csv", L"name;tel\r\n甲,1\r\n"));
    ASSERT_TRUE(ChooseFromMenu(kMenuImport));
    open = FileDialog();
    ASSERT_NE(open, nullptr);
    ASSERT_NO_FATAL_FAILURE(AnswerFileDialog(open, folder.File(L"bad.csv")));
    EXPECT_TRUE(WaitStatus(IDS_CSV_INVALID_FORMAT));
    EXPECT_EQ(Rows().size(), 7u);
}

TEST_F(PhoneBookTest, ContextMenuFollowsTheSelection) {
    ASSERT_NO_FATAL_FAILURE(StartAndOpen(6));
    auto pageShown = [&] { return e2e::IsVisible(page); };
    // The menu's rows as the user sees them ("1" can be chosen, "0" is greyed), in the order
    // add, edit, delete, message, call, import, export; the menu is closed again.
    auto menuRows = [&](const wchar_t* shot) {
        HWND menu = OpenMenu();
        if (!menu) return std::string("no menu");
        Sleep(300);  // painted
        const std::string rows = Shown(MenuRowsEnabled(menu));
        if (shot) folder.Screenshot(shot, mainWindow);
        e2e::PressKey(menu, VK_ESCAPE);
        EXPECT_TRUE(e2e::WaitUntil([&] { return !IsWindowVisible(menu); }, 3000));
        return rows;
    };

    // No selection: only add and import; a greyed command does nothing.
    ASSERT_TRUE(e2e::ListViewSelectRows(list, {}));
    EXPECT_EQ(menuRows(L"phonebook-menu-no-selection"), "1000010");
    for (MenuItem item : {kMenuEdit, kMenuDelete, kMenuExport}) {
        ChooseFromMenu(item);
        Sleep(500);
        EXPECT_TRUE(pageShown()) << "item " << item;
        EXPECT_EQ(FileDialog(300), nullptr) << "item " << item;
        EXPECT_EQ(Rows().size(), 6u);
    }
    EXPECT_TRUE(ChooseFromMenu(kMenuAdd));
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::IsVisible(editor); }, 5000));
    ASSERT_TRUE(e2e::ClickId(editor, IDC_PBEDIT_CANCEL));
    ASSERT_TRUE(e2e::WaitUntil(pageShown, 5000));
    EXPECT_TRUE(ChooseFromMenu(kMenuImport));
    HWND dialog = FileDialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_NO_FATAL_FAILURE(CancelFileDialog(dialog));

    // Two rows: no edit, message or call; delete and export work on both.
    ASSERT_TRUE(e2e::ListViewSelectRows(list, {3, 4}));
    EXPECT_EQ(menuRows(nullptr), "1010011");
    EXPECT_TRUE(ChooseFromMenu(kMenuExport));
    dialog = FileDialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_NO_FATAL_FAILURE(CancelFileDialog(dialog));
    EXPECT_TRUE(ChooseFromMenu(kMenuDelete));
    ASSERT_TRUE(e2e::WaitUntil([&] { return Rows().size() == 4; }, 5000));

    // One row: everything. Edit fills the editor; the message and the call go to their pages.
    ASSERT_TRUE(e2e::ListViewSelect(list, 1));
    EXPECT_EQ(menuRows(L"phonebook-menu-one-row"), "1111111");
    EXPECT_TRUE(ChooseFromMenu(kMenuEdit));
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::IsVisible(editor); }, 5000));
    EXPECT_EQ(e2e::Text(EditorItem(IDC_PBEDIT_NUMBER)), L"10086");
    ASSERT_TRUE(e2e::ClickId(editor, IDC_PBEDIT_CANCEL));
    ASSERT_TRUE(e2e::WaitUntil(pageShown, 5000));
    EXPECT_TRUE(ChooseFromMenu(kMenuSms));
    HWND recipient = e2e::FindChild(mainWindow, IDC_SMSSEND_RECIPIENT);
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::IsVisible(recipient); }, 5000));
    EXPECT_EQ(e2e::Text(recipient), L"10086");
    ASSERT_TRUE(e2e::ClickId(mainWindow, IDC_MAIN_BTN_PHONEBOOK));
    ASSERT_TRUE(e2e::WaitUntil(pageShown, 5000));
    ASSERT_TRUE(e2e::ListViewSelect(list, 1));
    EXPECT_TRUE(ChooseFromMenu(kMenuCall));
    EXPECT_TRUE(e2e::WaitUntil(
        [&] { return e2e::IsVisible(e2e::FindChild(mainWindow, IDC_CALL_NUMBER)); }, 5000));
    EXPECT_TRUE(e2e::WaitUntil(
        [&] { return Journal().find("CALL mdmVoiceCall(\"10086\")") != std::string::npos; }, 5000));
    EXPECT_TRUE(orvane.Running());
}

TEST_F(PhoneBookTest, LyingCardLeavesTheProgramRunning) {
    // 201 entries, a count far beyond them, identifiers out of range and texts without their zero,
    // read at start-up.
    std::wstring book;
    for (int id = 0; id < 201; ++id)
        book += std::to_wstring(id) + L"=1390000" + std::to_wstring(1000 + id) + L"|名字" +
                std::to_wstring(id) + L'\0';
    book += L'\0';
    ASSERT_TRUE(WritePrivateProfileSectionW(L"PHONEBOOK", book.c_str(), Ini().c_str()));
    SetCard(L"PHONEBOOK_LIES", L"Count", L"100000");
    SetCard(L"PHONEBOOK_LIES", L"Ids", L"201,-5,70000,7");
    SetCard(L"PHONEBOOK_LIES", L"Unterminated", L"1");
    ASSERT_TRUE(WritePrivateProfileStringW(L"SETTING", L"INITDATA", L"1",
                                           folder.File(L"modem.ini").c_str()));
    // Three identifiers go out of range; the fourth (7) repeats the record that has it.
    ASSERT_NO_FATAL_FAILURE(StartAndOpen(197));
    const auto rows = Rows();
    for (const auto& row : rows) {
        ASSERT_EQ(row.size(), 2u);
        EXPECT_EQ(row[1].size(), 15u) << e2e::Utf8(row[1]);
        EXPECT_LE(e2e::ToAnsi(row[0]).size(), 31u);
    }
    EXPECT_EQ(rows[0][1], L"139000010039999") << "the number is cut at its field";
    const std::string journal = Journal();
    EXPECT_NE(journal.find("CALL mdmPbGetAllRec"), std::string::npos);
    EXPECT_NE(journal.find("= 100000"), std::string::npos);
    EXPECT_NE(journal.find("identifier 70000 outside 0..200"), std::string::npos);
    EXPECT_TRUE(orvane.Running());
}

}  // namespace
