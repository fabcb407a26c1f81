// Checks the staged language libraries and INI files the program loads its texts and art from.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "resource.h"

namespace {

struct StringId {
    UINT id;
    const char* name;
};

#define ORVANE_STRING_ID(x) {x, #x},
const StringId kStringIds[] = {
#include "resource_string_ids.inc"
};
#undef ORVANE_STRING_ID

const wchar_t* const kLanguageDlls[] = {L"skingb.dll", L"skinen.dll"};

// The staged folder comes as a Linux path; under Wine it is reached through drive Z:.
std::wstring StageDir()
{
    wchar_t buffer[1024];
    DWORD n = GetEnvironmentVariableW(L"ORVANE_STAGE", buffer, 1024);
    if (n == 0 || n >= 1024)
        return L"";
    std::wstring path(buffer, n);
    if (path[0] == L'/')
        path = L"Z:" + path;
    for (wchar_t& c : path)
        if (c == L'/')
            c = L'\\';
    if (path.back() != L'\\')
        path += L'\\';
    return path;
}

std::string Narrow(const std::wstring& text)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), (int)text.size(), nullptr, 0, nullptr,
                                nullptr);
    std::string out(n > 0 ? n : 0, '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), (int)text.size(), out.data(), n, nullptr,
                            nullptr);
    return out;
}

class Library {
  public:
    Library(const std::wstring& path, bool asData)
        : module_(asData ? LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)
                         : LoadLibraryW(path.c_str()))
    {
    }
    ~Library()
    {
        if (module_)
            FreeLibrary(module_);
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    HMODULE get() const { return module_; }

    // The string as stored; an absent string and an empty one both give false.
    bool String(UINT id, std::wstring* text) const
    {
        const wchar_t* p = nullptr;
        int n = LoadStringW(module_, id, reinterpret_cast<LPWSTR>(&p), 0);
        if (n <= 0 || !p)
            return false;
        text->assign(p, n);
        return true;
    }
    std::wstring String(UINT id) const
    {
        std::wstring text;
        String(id, &text);
        return text;
    }

    std::vector<uint8_t> Raw(UINT id, LPCWSTR type) const
    {
        HRSRC info = FindResourceW(module_, MAKEINTRESOURCEW(id), type);
        if (!info)
            return {};
        HGLOBAL data = LoadResource(module_, info);
        DWORD size = SizeofResource(module_, info);
        const uint8_t* bytes = data ? static_cast<const uint8_t*>(LockResource(data)) : nullptr;
        if (!bytes)
            return {};
        return std::vector<uint8_t>(bytes, bytes + size);
    }

  private:
    HMODULE module_;
};

// ---- DLGTEMPLATEEX reader ----------------------------------------------------------------------
struct DialogItem {
    DWORD style = 0;
    int id = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    int classAtom = 0; // 0x80 button, 0x81 edit, 0x82 static ...; 0 when named
    std::wstring className;
    int titleOrdinal = -1; // resource ordinal in the title (icons, bitmaps), else -1
    std::wstring title;
};

struct DialogTemplate {
    bool ok = false;
    DWORD style = 0;
    int cx = 0, cy = 0;
    std::wstring font;
    std::vector<DialogItem> items;
};

class Reader {
  public:
    explicit Reader(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}
    bool failed() const { return failed_; }
    uint16_t Word()
    {
        if (pos_ + 2 > bytes_.size()) {
            failed_ = true;
            return 0;
        }
        uint16_t v;
        std::memcpy(&v, &bytes_[pos_], 2);
        pos_ += 2;
        return v;
    }
    uint32_t Dword() { return Word() | (uint32_t(Word()) << 16); }
    void Skip(size_t n)
    {
        if (pos_ + n > bytes_.size())
            failed_ = true;
        else
            pos_ += n;
    }
    std::wstring Text()
    {
        std::wstring s;
        for (uint16_t c = Word(); c && !failed_; c = Word())
            s += wchar_t(c);
        return s;
    }
    // sz_Or_Ord: 0xFFFF then an ordinal, or a text.
    void TextOrOrdinal(int* ordinal, std::wstring* text)
    {
        *ordinal = -1;
        uint16_t first = Word();
        if (first == 0xFFFF) {
            *ordinal = Word();
            return;
        }
        if (first == 0)
            return;
        *text = std::wstring(1, wchar_t(first)) + Text();
    }
    void AlignDword() { Skip((4 - pos_ % 4) % 4); }

  private:
    const std::vector<uint8_t>& bytes_;
    size_t pos_ = 0;
    bool failed_ = false;
};

DialogTemplate ReadDialog(const Library& lib, UINT id)
{
    DialogTemplate t;
    std::vector<uint8_t> bytes = lib.Raw(id, MAKEINTRESOURCEW(5) /* RT_DIALOG */);
    Reader r(bytes);
    if (r.Word() != 1 || r.Word() != 0xFFFF)
        return t; // only the extended form is written here
    r.Dword();    // help id
    r.Dword();    // extended style
    t.style = r.Dword();
    int count = r.Word();
    r.Word();
    r.Word();
    t.cx = r.Word();
    t.cy = r.Word();
    int ordinal;
    std::wstring ignored;
    r.TextOrOrdinal(&ordinal, &ignored); // menu
    r.TextOrOrdinal(&ordinal, &ignored); // class
    r.Text();                            // caption
    if (t.style & DS_SETFONT) {
        r.Skip(6);
        t.font = r.Text();
    }
    for (int i = 0; i < count && !r.failed(); ++i) {
        r.AlignDword();
        DialogItem item;
        r.Dword(); // help id
        r.Dword(); // extended style
        item.style = r.Dword();
        item.x = (int16_t)r.Word();
        item.y = (int16_t)r.Word();
        item.cx = (int16_t)r.Word();
        item.cy = (int16_t)r.Word();
        item.id = (int)r.Dword();
        r.TextOrOrdinal(&item.classAtom, &item.className);
        r.TextOrOrdinal(&item.titleOrdinal, &item.title);
        r.Skip(r.Word()); // creation data
        t.items.push_back(item);
    }
    t.ok = !r.failed() && (int)t.items.size() == count;
    return t;
}

const DialogItem* FindItem(const DialogTemplate& t, int id)
{
    for (const DialogItem& item : t.items)
        if (item.id == id)
            return &item;
    return nullptr;
}

// printf-style and %1-style specifiers in order: a translation must keep them all.
std::vector<std::wstring> FormatSpecs(const std::wstring& s)
{
    std::vector<std::wstring> specs;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != L'%')
            continue;
        size_t j = i + 1;
        if (j < s.size() && s[j] == L'%') {
            i = j;
            continue;
        }
        if (j < s.size() && s[j] >= L'1' && s[j] <= L'9') {
            while (j < s.size() && iswdigit(s[j]))
                ++j;
            specs.push_back(s.substr(i, j - i));
            i = j - 1;
            continue;
        }
        while (j < s.size() && wcschr(L"-+ #0123456789.*hlLqjzt", s[j]))
            ++j;
        specs.push_back(s.substr(i, j < s.size() ? j - i + 1 : j - i));
        i = j;
    }
    return specs;
}

size_t Count(const std::wstring& s, const std::wstring& what)
{
    size_t n = 0;
    for (size_t p = s.find(what); p != std::wstring::npos; p = s.find(what, p + what.size()))
        ++n;
    return n;
}

// ---- Each library, loaded both ways the program may load it ----------------------------------
struct LoadCase {
    const wchar_t* dll;
    bool asData;
};

void PrintTo(const LoadCase& c, std::ostream* os)
{
    *os << Narrow(c.dll) << (c.asData ? " as data file" : " loaded");
}

class LanguageLibrary : public ::testing::TestWithParam<LoadCase> {
  protected:
    void SetUp() override
    {
        stage_ = StageDir();
        ASSERT_FALSE(stage_.empty()) << "ORVANE_STAGE names the staged program folder";
        lib_ = std::make_unique<Library>(stage_ + GetParam().dll, GetParam().asData);
        ASSERT_NE(lib_->get(), nullptr)
            << Narrow(stage_ + GetParam().dll) << " does not load, error " << GetLastError();
    }
    bool IsChinese() const { return wcscmp(GetParam().dll, L"skingb.dll") == 0; }

    std::wstring stage_;
    std::unique_ptr<Library> lib_;
};

TEST_P(LanguageLibrary, HoldsEveryStringOfResourceHeader)
{
    std::vector<std::string> missing;
    for (const StringId& s : kStringIds) {
        std::wstring text;
        if (!lib_->String(s.id, &text))
            missing.push_back(s.name);
    }
    EXPECT_TRUE(missing.empty()) << "missing: " << ::testing::PrintToString(missing);
}

TEST_P(LanguageLibrary, ConfigurationStringsAreNotTranslated)
{
    EXPECT_EQ(lib_->String(IDS_WAIT_PICTURE_MODE), L"1");
    EXPECT_EQ(lib_->String(IDS_HOVER_TRACKING), L"1");
    // The registry key of the connection records is named after it.
    EXPECT_EQ(lib_->String(IDS_APP_TITLE), L"Wireless Modem");
    EXPECT_EQ(lib_->String(IDS_TEXT_COLOR), L"0,0,128");
    EXPECT_EQ(lib_->String(IDS_HILITE_COLOR), L"0,0,0");
    EXPECT_EQ(lib_->String(IDS_STATUS_BLANK), L" ");
}

TEST_P(LanguageLibrary, MainWindowTemplateCarriesItsControls)
{
    DialogTemplate t = ReadDialog(*lib_, IDD_MAIN);
    ASSERT_TRUE(t.ok) << "template IDD_MAIN missing or unreadable";
    EXPECT_EQ(t.cx, 261);
    EXPECT_EQ(t.cy, 213);
    EXPECT_EQ(t.style & WS_CAPTION, 0u);
    EXPECT_NE(t.style & WS_POPUP, 0u);
    // Transparent statics need the parent to paint beneath them.
    EXPECT_EQ(t.style & WS_CLIPCHILDREN, 0u);

    struct Expect {
        int id;
        int classAtom;
        bool visible;
        const wchar_t* chineseText; // nullptr: any text
    };
    const Expect expected[] = {
        {IDC_MAIN_BTN_INTERNET, 0x80, true, L"上网"},
        {IDC_MAIN_BTN_CALL, 0x80, true, L"通话"},
        {IDC_MAIN_BTN_SMS, 0x80, true, L"短信"},
        {IDC_MAIN_BTN_PHONEBOOK, 0x80, true, L"电话本"},
        {IDC_MAIN_BTN_SETTINGS, 0x80, true, L"设置"},
        {IDC_MAIN_BTN_MINIMIZE, 0x80, true, L"最小化"},
        {IDC_MAIN_BTN_CLOSE, 0x80, true, L"关闭"},
        {IDC_MAIN_BTN_STATS, 0x80, false, L"统计"},
        {IDC_MAIN_PAGE_AREA, 0x80, false, nullptr},
        {IDC_MAIN_STATUS, 0x82, true, L" "},
        {IDC_MAIN_SIGNAL, -1, true, nullptr},
        {IDC_MAIN_NETWORK_TYPE, 0x82, false, nullptr},
    };
    for (const Expect& e : expected) {
        SCOPED_TRACE(e.id);
        const DialogItem* item = FindItem(t, e.id);
        ASSERT_NE(item, nullptr);
        if (e.classAtom > 0) {
            EXPECT_EQ(item->classAtom, e.classAtom);
        }
        EXPECT_EQ((item->style & WS_VISIBLE) != 0, e.visible);
        if (e.chineseText && (IsChinese() || e.id == IDC_MAIN_STATUS)) {
            EXPECT_EQ(item->title, e.chineseText);
        }
    }
    EXPECT_EQ(FindItem(t, IDC_MAIN_PAGE_AREA)->style & BS_TYPEMASK, (DWORD)BS_GROUPBOX);
    const DialogItem* signal = FindItem(t, IDC_MAIN_SIGNAL);
    EXPECT_TRUE(signal->classAtom == 0x82 || _wcsicmp(signal->className.c_str(), L"Static") == 0);
    EXPECT_EQ(signal->style & SS_TYPEMASK, (DWORD)SS_BITMAP);

    for (int i = 0; i < 8; ++i) {
        const DialogItem* item = FindItem(t, IDC_MAIN_TOOLBAR1 + i);
        ASSERT_NE(item, nullptr) << "toolbar button " << i;
        EXPECT_EQ(item->title, L"toolbar" + std::to_wstring(i + 1));
    }

    // Every control inside the window, no id twice (GetDlgItem would find only one).
    std::set<int> seen;
    for (const DialogItem& item : t.items) {
        if (item.id != -1 && item.id != 0xFFFF) {
            EXPECT_TRUE(seen.insert(item.id).second) << "duplicate id " << item.id;
        }
        EXPECT_GE(item.x, 0);
        EXPECT_GE(item.y, 0);
        EXPECT_LE(item.x + item.cx, t.cx) << "control " << item.id;
        EXPECT_LE(item.y + item.cy, t.cy) << "control " << item.id;
    }
}

TEST_P(LanguageLibrary, WaitBoxTemplateShowsTheStartupText)
{
    DialogTemplate t = ReadDialog(*lib_, IDD_WAITBOX);
    ASSERT_TRUE(t.ok) << "template IDD_WAITBOX missing or unreadable";
    EXPECT_EQ(t.cx, 194);
    EXPECT_EQ(t.cy, 38);
    EXPECT_EQ(t.style & WS_CAPTION, 0u);
    const DialogItem* text = FindItem(t, IDC_WAIT_TEXT);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->classAtom, 0x82);
    // The box starts with the same words the start-up later sets through the string.
    EXPECT_EQ(text->title, lib_->String(IDS_INITIALIZING));
    if (IsChinese()) {
        EXPECT_EQ(text->title, L"正在初始化,请稍候");
    }
    const DialogItem* icon = FindItem(t, IDC_WAIT_ICON);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->style & SS_TYPEMASK, (DWORD)SS_ICON);
    EXPECT_EQ(icon->titleOrdinal, IDI_MAIN);
}

TEST_P(LanguageLibrary, AboutBoxHasAnOkButton)
{
    DialogTemplate t = ReadDialog(*lib_, IDD_ABOUT);
    ASSERT_TRUE(t.ok);
    EXPECT_NE(FindItem(t, IDOK), nullptr);
}

TEST_P(LanguageLibrary, SplashBitmapIs24BitAndLoads)
{
    std::vector<uint8_t> raw = lib_->Raw(IDB_WAIT_PICTURE, MAKEINTRESOURCEW(2) /* RT_BITMAP */);
    ASSERT_GE(raw.size(), sizeof(BITMAPINFOHEADER));
    BITMAPINFOHEADER header;
    std::memcpy(&header, raw.data(), sizeof header);
    EXPECT_EQ(header.biBitCount, 24);
    EXPECT_EQ(header.biCompression, (DWORD)BI_RGB);
    EXPECT_GE(header.biWidth, 100);
    EXPECT_GE(std::abs(header.biHeight), 40);

    HANDLE image = LoadImageW(lib_->get(), MAKEINTRESOURCEW(IDB_WAIT_PICTURE), IMAGE_BITMAP, 0, 0,
                              LR_CREATEDIBSECTION);
    ASSERT_NE(image, nullptr);
    DIBSECTION dib{};
    ASSERT_EQ(GetObjectW(image, sizeof dib, &dib), (int)sizeof dib);
    EXPECT_EQ(dib.dsBm.bmBitsPixel, 24);
    EXPECT_EQ(dib.dsBm.bmWidth, header.biWidth);
    DeleteObject(image);
}

TEST_P(LanguageLibrary, ApplicationIconHasSmallAndLargeImages)
{
    std::vector<uint8_t> group = lib_->Raw(IDI_MAIN, MAKEINTRESOURCEW(14) /* RT_GROUP_ICON */);
    ASSERT_GE(group.size(), 6u);
    uint16_t count;
    std::memcpy(&count, &group[4], 2);
    ASSERT_GE(group.size(), 6u + 14u * count);
    std::set<int> sizes;
    for (int i = 0; i < count; ++i)
        sizes.insert(group[6 + 14 * i] == 0 ? 256 : group[6 + 14 * i]);
    EXPECT_TRUE(sizes.count(16)) << "no 16x16 image";
    EXPECT_TRUE(sizes.count(32)) << "no 32x32 image";

    for (int size : {16, 32}) {
        HANDLE icon =
            LoadImageW(lib_->get(), MAKEINTRESOURCEW(IDI_MAIN), IMAGE_ICON, size, size, 0);
        ASSERT_NE(icon, nullptr) << size;
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo((HICON)icon, &info));
        BITMAP bm{};
        GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
        EXPECT_EQ(bm.bmWidth, size);
        if (info.hbmColor)
            DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon((HICON)icon);
    }
}

std::string LoadCaseName(const ::testing::TestParamInfo<LoadCase>& info)
{
    std::string name = Narrow(info.param.dll);
    name = name.substr(0, name.find('.'));
    return name + (info.param.asData ? "_AsData" : "_Loaded");
}

INSTANTIATE_TEST_SUITE_P(Skins, LanguageLibrary,
                         ::testing::Values(LoadCase{L"skingb.dll", true},
                                           LoadCase{L"skingb.dll", false},
                                           LoadCase{L"skinen.dll", true},
                                           LoadCase{L"skinen.dll", false}),
                         LoadCaseName);

// ---- The translations against each other ------------------------------------------------------
TEST(LanguageLibraries, TranslationsKeepFormatsLinesAndListFields)
{
    std::wstring stage = StageDir();
    ASSERT_FALSE(stage.empty());
    Library gb(stage + L"skingb.dll", true), en(stage + L"skinen.dll", true);
    ASSERT_TRUE(gb.get() && en.get());

    // Comma-separated lists that the pages split into columns, type words and tabs.
    const std::set<UINT> lists = {IDS_SMS_COLUMNS, IDS_PB_COLUMNS,  IDS_CALLREC_COLUMNS,
                                  IDS_NETREC_COLUMNS, IDS_SMS_TYPES, IDS_CALL_TYPES,
                                  IDS_ADV_TAB_NAMES};
    for (const StringId& s : kStringIds) {
        SCOPED_TRACE(s.name);
        std::wstring a, b;
        if (!gb.String(s.id, &a) || !en.String(s.id, &b))
            continue; // reported by the per-library test
        EXPECT_EQ(FormatSpecs(a), FormatSpecs(b));
        // A first line is cut at "\r" (the new-message popup without a number).
        EXPECT_EQ(Count(a, L"\r\n"), Count(b, L"\r\n"));
        if (lists.count(s.id)) {
            EXPECT_EQ(Count(a, L","), Count(b, L","));
        }
    }
    EXPECT_EQ(gb.String(IDS_SMS_COLUMNS), L"对象,类型,时间,内容");
    EXPECT_EQ(gb.String(IDS_NEW_SMS_FMT), L"您有新短信!\r\n来自 %s[%s].");
}

// ---- INI files beside the program --------------------------------------------------------------
std::string ReadFileBytes(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "";
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0 &&
           bytes.size() < (1u << 20))
        bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

TEST(ProgramFolder, SkinIniNamesStagedLibrariesWithWindowsLineEnds)
{
    std::wstring stage = StageDir();
    ASSERT_FALSE(stage.empty());
    std::string ini = ReadFileBytes(stage + L"skin.ini");
    ASSERT_FALSE(ini.empty()) << "skin.ini not staged";
    // Writing the skin choice replaces "SKIN_LOAD" up to the next "\r\n".
    size_t load = ini.find("SKIN_LOAD");
    ASSERT_NE(load, std::string::npos);
    EXPECT_NE(ini.find("\r\n", load), std::string::npos);
    EXPECT_EQ(ini.find("SKIN_LOAD = 0\r\n"), load);

    int entries = 0;
    for (size_t p = ini.find("SKIN_DLL"); p != std::string::npos; p = ini.find("SKIN_DLL", p + 1)) {
        size_t eq = ini.find('=', p), end = ini.find("\r\n", p);
        ASSERT_NE(eq, std::string::npos);
        std::string value = ini.substr(eq + 1, end - eq - 1);
        size_t c1 = value.find(','), c2 = value.find(',', c1 + 1);
        ASSERT_NE(c2, std::string::npos) << value;
        std::string dll = value.substr(c1 + 1, c2 - c1 - 1);
        while (!dll.empty() && dll.front() == ' ')
            dll.erase(0, 1);
        while (!dll.empty() && dll.back() == ' ')
            dll.pop_back();
        std::wstring wdll(dll.begin(), dll.end());
        EXPECT_NE(GetFileAttributesW((stage + wdll).c_str()), INVALID_FILE_ATTRIBUTES) << dll;
        ++entries;
    }
    EXPECT_EQ(entries, 2);
}

TEST(ProgramFolder, ModemIniHasDeviceKeysAndSettingsSection)
{
    std::wstring stage = StageDir();
    ASSERT_FALSE(stage.empty());
    std::wstring path = stage + L"modem.ini";
    wchar_t names[1024] = {};
    GetPrivateProfileSectionNamesW(names, 1024, path.c_str());
    bool setting = false;
    for (const wchar_t* p = names; *p; p += wcslen(p) + 1)
        setting = setting || _wcsicmp(p, L"SETTING") == 0;
    // Without the section the settings pages cannot save.
    EXPECT_TRUE(setting);
    wchar_t module[64] = {};
    GetPrivateProfileStringW(L"DEVICE", L"MODULE_DLL", L"", module, 64, path.c_str());
    EXPECT_STREQ(module, L"simcard.dll");
}

} // namespace
