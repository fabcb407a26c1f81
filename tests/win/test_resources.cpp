// Checks the staged language libraries and INI files the program loads its texts and art from.
#include <windows.h>

#include <commctrl.h>
#include <mmsystem.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <map>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "net/DlgNetRecords.h"
#include "resource.h"
#include "tests/win/WinTestSupport.h"

namespace {

struct NamedId {
    UINT id;
    const char* name;
};

#define ORVANE_STRING_ID(x) {x, #x},
const NamedId kStringIds[] = {
#include "resource_string_ids.inc"
};
#undef ORVANE_STRING_ID

#define ORVANE_BITMAP_ID(x) {x, #x},
const NamedId kBitmapIds[] = {
#include "resource_bitmap_ids.inc"
};
#undef ORVANE_BITMAP_ID

#define ORVANE_SOUND_ID(x) {x, #x},
const NamedId kSoundIds[] = {
#include "resource_sound_ids.inc"
};
#undef ORVANE_SOUND_ID

// The language libraries: the file, the language its resources are marked with and the ANSI code
// page its texts belong to (initial data is stored in it).
struct LanguageDll {
    const wchar_t* dll;
    LANGID language;
    UINT codePage;
};
const LanguageDll kLanguageDlls[] = {
    {L"skingb.dll", MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED), 936},
    {L"skinen.dll", MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), 1252},
    {L"skinbig5.dll", MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_TRADITIONAL), 950},
    {L"skinjap.dll", MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN), 932},
    {L"skinspa.dll", MAKELANGID(LANG_SPANISH, SUBLANG_SPANISH_MODERN), 1252},
};

const LanguageDll& LanguageOf(const wchar_t* dll) {
    for (const LanguageDll& l : kLanguageDlls)
        if (wcscmp(l.dll, dll) == 0) return l;
    return kLanguageDlls[0];
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
    std::wstring caption;
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
    t.caption = r.Text();
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
    *os << e2e::Utf8(c.dll) << (c.asData ? " as data file" : " loaded");
}

class LanguageLibrary : public ::testing::TestWithParam<LoadCase> {
  protected:
    void SetUp() override
    {
        const std::wstring path = wintest::StagePath(GetParam().dll);
        ASSERT_FALSE(path.empty()) << "ORVANE_STAGE names the staged program folder";
        lib_ = std::make_unique<Library>(path, GetParam().asData);
        ASSERT_NE(lib_->get(), nullptr)
            << e2e::Utf8(path) << " does not load, error " << GetLastError();
    }
    bool IsChinese() const { return wcscmp(GetParam().dll, L"skingb.dll") == 0; }

    std::unique_ptr<Library> lib_;
};

TEST_P(LanguageLibrary, HoldsEveryStringOfResourceHeader)
{
    std::vector<std::string> missing;
    for (const NamedId& s : kStringIds) {
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

// ---- Pictures --------------------------------------------------------------------------------
// A BITMAP resource as stored: a BITMAPINFOHEADER, then 24-bit rows padded to four bytes.
struct Picture {
    bool ok = false;
    int width = 0, height = 0, bits = 0;
    DWORD compression = 0;
    std::vector<uint8_t> raw;
    size_t pixels = 0; // offset of the first stored row
    bool bottomUp = true;

    COLORREF At(int x, int y) const
    {
        size_t stride = (size_t(width) * 3 + 3) & ~size_t(3);
        size_t row = bottomUp ? size_t(height - 1 - y) : size_t(y);
        size_t at = pixels + row * stride + size_t(x) * 3;
        if (x < 0 || y < 0 || x >= width || y >= height || at + 3 > raw.size())
            return CLR_INVALID;
        return RGB(raw[at + 2], raw[at + 1], raw[at]);
    }
    bool Magenta(int x, int y) const { return At(x, y) == RGB(255, 0, 255); }
    int CountMagenta(int left, int top, int right, int bottom) const
    {
        int n = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                n += Magenta(x, y);
        return n;
    }
};

Picture ReadPicture(const Library& lib, UINT id)
{
    Picture p;
    p.raw = lib.Raw(id, MAKEINTRESOURCEW(2) /* RT_BITMAP */);
    if (p.raw.size() < sizeof(BITMAPINFOHEADER))
        return p;
    BITMAPINFOHEADER header;
    std::memcpy(&header, p.raw.data(), sizeof header);
    p.width = header.biWidth;
    p.height = std::abs(header.biHeight);
    p.bottomUp = header.biHeight > 0;
    p.bits = header.biBitCount;
    p.compression = header.biCompression;
    p.pixels = header.biSize + size_t(header.biClrUsed) * 4;
    size_t stride = (size_t(p.width) * 3 + 3) & ~size_t(3);
    p.ok = p.width > 0 && p.height > 0 && p.width < 4096 && p.height < 4096 &&
           p.pixels + stride * size_t(p.height) <= p.raw.size();
    return p;
}

const char* BitmapName(UINT id)
{
    for (const NamedId& b : kBitmapIds)
        if (b.id == id)
            return b.name;
    return "?";
}

// Pictures the program draws opaque (background copies, static pictures, the scroll bar's
// buffer): a transparent colour there would show as magenta.
const UINT kOpaquePictures[] = {IDB_PAGE_BACKGROUND, IDB_GRAPH_BACKGROUND, IDB_WAIT_PICTURE,
                                IDB_SIGNAL_0,        IDB_SIGNAL_1,         IDB_SIGNAL_2,
                                IDB_SIGNAL_3,        IDB_SIGNAL_4,         IDB_SIGNAL_UNKNOWN,
                                IDB_SCROLL_TRACK,    IDB_SCROLL_THUMB,     IDB_SCROLL_UP,
                                IDB_SCROLL_DOWN};
// Pictures whose magenta is cut out of a window region.
const UINT kShapedPictures[] = {IDB_MAIN_BACKGROUND, IDB_POPUP_SKIN};

TEST_P(LanguageLibrary, EveryBitmapOfResourceHeaderIs24BitAndLoads)
{
    for (const NamedId& b : kBitmapIds) {
        SCOPED_TRACE(b.name);
        Picture p = ReadPicture(*lib_, b.id);
        ASSERT_TRUE(p.ok) << "missing or truncated";
        EXPECT_EQ(p.bits, 24);
        EXPECT_EQ(p.compression, (DWORD)BI_RGB);
        HANDLE image = LoadImageW(lib_->get(), MAKEINTRESOURCEW(b.id), IMAGE_BITMAP, 0, 0,
                                  LR_CREATEDIBSECTION);
        ASSERT_NE(image, nullptr);
        DIBSECTION dib{};
        ASSERT_EQ(GetObjectW(image, sizeof dib, &dib), (int)sizeof dib);
        EXPECT_EQ(dib.dsBm.bmBitsPixel, 24);
        EXPECT_EQ(dib.dsBm.bmWidth, p.width);
        EXPECT_EQ(dib.dsBm.bmHeight, p.height);
        DeleteObject(image);
    }
    // The scroll bar stretches the track and stacks fixed-size parts into a 14-pixel strip.
    EXPECT_EQ(ReadPicture(*lib_, IDB_SCROLL_TRACK).width, 14);
    EXPECT_EQ(ReadPicture(*lib_, IDB_SCROLL_THUMB).height, 26);
    EXPECT_EQ(ReadPicture(*lib_, IDB_SCROLL_UP).height, 14);
    EXPECT_EQ(ReadPicture(*lib_, IDB_SCROLL_DOWN).height, 14);
    // The popup builds its region from whole groups of four pixels.
    EXPECT_EQ(ReadPicture(*lib_, IDB_POPUP_SKIN).width % 4, 0);
}

TEST_P(LanguageLibrary, TransparentColourOnlyWhereTheSkinCutsOrSkips)
{
    std::set<UINT> special(std::begin(kOpaquePictures), std::end(kOpaquePictures));
    special.insert(std::begin(kShapedPictures), std::end(kShapedPictures));
    for (UINT id : kOpaquePictures) {
        Picture p = ReadPicture(*lib_, id);
        ASSERT_TRUE(p.ok) << BitmapName(id);
        EXPECT_EQ(p.CountMagenta(0, 0, p.width, p.height), 0) << BitmapName(id);
    }
    for (UINT id : kShapedPictures) {
        Picture p = ReadPicture(*lib_, id);
        ASSERT_TRUE(p.ok) << BitmapName(id);
        EXPECT_TRUE(p.Magenta(0, 0) && p.Magenta(p.width - 1, 0) && p.Magenta(0, p.height - 1) &&
                    p.Magenta(p.width - 1, p.height - 1))
            << BitmapName(id) << ": rounded corners are cut off";
        EXPECT_EQ(p.CountMagenta(8, 8, p.width - 8, p.height - 8), 0) << BitmapName(id);
    }
    // The popup's text rectangle is solid.
    Picture popup = ReadPicture(*lib_, IDB_POPUP_SKIN);
    EXPECT_EQ(popup.CountMagenta(10, 40, popup.width - 10, popup.height - 25), 0);
    // Buttons keep their middle (the pictogram) solid; only their corners may be transparent.
    for (const NamedId& b : kBitmapIds) {
        if (special.count(b.id))
            continue;
        Picture p = ReadPicture(*lib_, b.id);
        ASSERT_TRUE(p.ok) << b.name;
        EXPECT_FALSE(p.Magenta(p.width / 2, p.height / 2)) << b.name;
        EXPECT_EQ(p.CountMagenta(p.width / 4, p.height / 4, p.width * 3 / 4, p.height * 3 / 4), 0)
            << b.name;
    }
}

// ---- Pictures against the windows they skin --------------------------------------------------
INT_PTR CALLBACK QuietDialogProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

class Window {
  public:
    explicit Window(HWND window) : window_(window) {}
    ~Window()
    {
        if (window_)
            DestroyWindow(window_);
    }
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    HWND get() const { return window_; }

  private:
    HWND window_;
};

SIZE ControlSize(HWND dialog, int id)
{
    RECT r{};
    HWND control = GetDlgItem(dialog, id);
    if (control)
        GetWindowRect(control, &r);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

struct SkinnedButton {
    int control;
    std::vector<UINT> pictures; // every picture the button may show, in any of its looks
};

struct PageSkin {
    UINT page;
    const char* name;
    std::vector<SkinnedButton> buttons;
};

const std::vector<PageSkin>& PageSkins()
{
    static const std::vector<PageSkin> pages = {
        {IDD_HOME, "IDD_HOME", {}},
        {IDD_INTERNET,
         "IDD_INTERNET",
         {{IDC_INET_CONNECT,
           {IDB_INET_DIAL, IDB_INET_DIAL_SEL, IDB_INET_DIAL_DISABLED, IDB_INET_HANGUP,
            IDB_INET_HANGUP_SEL, IDB_INET_HANGUP_DISABLED}},
          {IDC_INET_RECORDS, {IDB_INET_RECORDS, IDB_INET_RECORDS_SEL}},
          {IDC_INET_BACK, {IDB_BTN_BACK, IDB_BTN_BACK_SEL}}}},
        {IDD_CALL,
         "IDD_CALL",
         {{IDC_CALL_KEY_0, {IDB_KEY_0, IDB_KEY_0_SEL}},
          {IDC_CALL_KEY_1, {IDB_KEY_1, IDB_KEY_1_SEL}},
          {IDC_CALL_KEY_2, {IDB_KEY_2, IDB_KEY_2_SEL}},
          {IDC_CALL_KEY_3, {IDB_KEY_3, IDB_KEY_3_SEL}},
          {IDC_CALL_KEY_4, {IDB_KEY_4, IDB_KEY_4_SEL}},
          {IDC_CALL_KEY_5, {IDB_KEY_5, IDB_KEY_5_SEL}},
          {IDC_CALL_KEY_6, {IDB_KEY_6, IDB_KEY_6_SEL}},
          {IDC_CALL_KEY_7, {IDB_KEY_7, IDB_KEY_7_SEL}},
          {IDC_CALL_KEY_8, {IDB_KEY_8, IDB_KEY_8_SEL}},
          {IDC_CALL_KEY_9, {IDB_KEY_9, IDB_KEY_9_SEL}},
          {IDC_CALL_KEY_STAR, {IDB_KEY_STAR, IDB_KEY_STAR_SEL}},
          {IDC_CALL_KEY_HASH, {IDB_KEY_HASH, IDB_KEY_HASH_SEL}},
          {IDC_CALL_DIAL, {IDB_CALL_DIAL, IDB_CALL_DIAL_SEL, IDB_CALL_RINGING}},
          {IDC_CALL_BACKSPACE, {IDB_CALL_BACKSPACE, IDB_CALL_BACKSPACE_SEL}},
          {IDC_CALL_RECORDS, {IDB_CALL_RECORDS, IDB_CALL_RECORDS_SEL}},
          {IDC_CALL_HANGUP, {IDB_CALL_HANGUP, IDB_CALL_HANGUP_SEL}},
          {IDC_CALL_BACK, {IDB_CALL_BACK, IDB_CALL_BACK_SEL}}}},
        {IDD_CALL_RECORDS,
         "IDD_CALL_RECORDS",
         {{IDC_CALLREC_CALLBACK, {IDB_CALLREC_CALLBACK, IDB_CALLREC_CALLBACK_SEL}},
          {IDC_CALLREC_DELETE, {IDB_BTN_DELETE, IDB_BTN_DELETE_SEL}},
          {IDC_CALLREC_BACK, {IDB_BTN_BACK, IDB_BTN_BACK_SEL}}}},
        {IDD_SMS_LIST,
         "IDD_SMS_LIST",
         {{IDC_SMSLIST_NEW, {IDB_BTN_ADD, IDB_BTN_ADD_SEL}},
          {IDC_SMSLIST_DELETE, {IDB_BTN_DELETE, IDB_BTN_DELETE_SEL}},
          {IDC_SMSLIST_BATCH, {IDB_BTN_ADVANCED, IDB_BTN_ADVANCED_SEL}},
          {IDC_SMSLIST_BACK, {IDB_BTN_BACK, IDB_BTN_BACK_SEL}}}},
        {IDD_SMS_SEND,
         "IDD_SMS_SEND",
         {{IDC_SMSSEND_SEND,
           {IDB_SMS_SEND, IDB_SMS_SEND_SEL, IDB_SMS_SEND_DISABLED, IDB_SMS_REPLY,
            IDB_SMS_REPLY_SEL}},
          {IDC_SMSSEND_CANCEL, {IDB_BTN_CANCEL, IDB_BTN_CANCEL_SEL}}}},
        {IDD_PHONEBOOK,
         "IDD_PHONEBOOK",
         {{IDC_PB_ADD, {IDB_BTN_ADD, IDB_BTN_ADD_SEL}},
          {IDC_PB_DELETE, {IDB_BTN_DELETE, IDB_BTN_DELETE_SEL}},
          {IDC_PB_EDIT, {IDB_BTN_EDIT, IDB_BTN_EDIT_SEL}},
          {IDC_PB_BACK, {IDB_BTN_BACK, IDB_BTN_BACK_SEL}}}},
        {IDD_PHONEBOOK_EDIT,
         "IDD_PHONEBOOK_EDIT",
         {{IDC_PBEDIT_SAVE, {IDB_BTN_ADD, IDB_BTN_ADD_SEL, IDB_BTN_EDIT, IDB_BTN_EDIT_SEL}},
          {IDC_PBEDIT_CANCEL, {IDB_BTN_CANCEL, IDB_BTN_CANCEL_SEL}}}},
        {IDD_ACCOUNT,
         "IDD_ACCOUNT",
         {{IDC_ACCOUNT_SAVE, {IDB_BTN_SAVE, IDB_BTN_SAVE_SEL}},
          {IDC_ACCOUNT_DEFAULT, {IDB_BTN_DEFAULT, IDB_BTN_DEFAULT_SEL}},
          {IDC_ACCOUNT_ADVANCED, {IDB_BTN_ADVANCED, IDB_BTN_ADVANCED_SEL}},
          {IDC_ACCOUNT_BACK, {IDB_BTN_BACK, IDB_BTN_BACK_SEL}}}},
    };
    return pages;
}

std::vector<SkinnedButton> MainWindowSkin()
{
    std::vector<SkinnedButton> buttons = {
        {IDC_MAIN_BTN_STATS, {IDB_MAIN_STATS, IDB_MAIN_STATS_SEL}},
        {IDC_MAIN_BTN_INTERNET, {IDB_MAIN_INTERNET, IDB_MAIN_INTERNET_SEL}},
        {IDC_MAIN_BTN_CALL, {IDB_MAIN_CALL, IDB_MAIN_CALL_SEL}},
        {IDC_MAIN_BTN_SMS, {IDB_MAIN_SMS, IDB_MAIN_SMS_SEL}},
        {IDC_MAIN_BTN_PHONEBOOK, {IDB_MAIN_PHONEBOOK, IDB_MAIN_PHONEBOOK_SEL}},
        {IDC_MAIN_BTN_SETTINGS, {IDB_MAIN_SETTINGS, IDB_MAIN_SETTINGS_SEL}},
        {IDC_MAIN_BTN_MINIMIZE, {IDB_MAIN_MINIMIZE, IDB_MAIN_MINIMIZE_SEL}},
        {IDC_MAIN_BTN_CLOSE, {IDB_MAIN_CLOSE, IDB_MAIN_CLOSE_SEL}},
    };
    for (int i = 0; i < 8; ++i)
        buttons.push_back({IDC_MAIN_TOOLBAR1 + i, {UINT(IDB_TOOLBAR1 + 2 * i),
                                                   UINT(IDB_TOOLBAR1_SEL + 2 * i)}});
    return buttons;
}

// The skin sizes each button to its picture: the picture must have the control's size, or the
// button would grow over its neighbours.
void ExpectButtonsFit(const Library& lib, HWND dialog, const std::vector<SkinnedButton>& buttons)
{
    for (const SkinnedButton& b : buttons) {
        ASSERT_NE(GetDlgItem(dialog, b.control), nullptr) << "control " << b.control;
        SIZE size = ControlSize(dialog, b.control);
        for (UINT id : b.pictures) {
            Picture p = ReadPicture(lib, id);
            EXPECT_TRUE(p.width == size.cx && p.height == size.cy)
                << BitmapName(id) << " is " << p.width << "x" << p.height << ", control "
                << b.control << " is " << size.cx << "x" << size.cy;
        }
    }
}

TEST_P(LanguageLibrary, PicturesHaveThePixelSizesOfTheirWindowsAndControls)
{
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_WIN95_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&classes);
    Window main(CreateDialogParamW(lib_->get(), MAKEINTRESOURCEW(IDD_MAIN), nullptr,
                                   QuietDialogProc, 0));
    ASSERT_NE(main.get(), nullptr) << "error " << GetLastError();
    RECT unit{0, 0, 4, 8};
    MapDialogRect(main.get(), &unit);
    SCOPED_TRACE("dialog base units " + std::to_string(unit.right) + "x" +
                 std::to_string(unit.bottom) + " (the pictures are drawn for 7x14)");

    RECT client;
    GetClientRect(main.get(), &client);
    Picture background = ReadPicture(*lib_, IDB_MAIN_BACKGROUND);
    EXPECT_EQ(background.width, client.right);
    EXPECT_EQ(background.height, client.bottom);
    ExpectButtonsFit(*lib_, main.get(), MainWindowSkin());

    // Every control of the main window lies on solid background, inside the window region.
    DialogTemplate t = ReadDialog(*lib_, IDD_MAIN);
    ASSERT_TRUE(t.ok);
    for (const DialogItem& item : t.items) {
        RECT r{item.x, item.y, item.x + item.cx, item.y + item.cy};
        MapDialogRect(main.get(), &r);
        EXPECT_FALSE(background.Magenta((r.left + r.right) / 2, (r.top + r.bottom) / 2) ||
                     background.Magenta(r.left, r.top) || background.Magenta(r.right - 1, r.top) ||
                     background.Magenta(r.left, r.bottom - 1) ||
                     background.Magenta(r.right - 1, r.bottom - 1))
            << "control " << item.id << " reaches outside the window shape";
    }

    // A picture static takes its picture's size: the template keeps room for exactly that.
    const DialogItem* signal = FindItem(t, IDC_MAIN_SIGNAL);
    ASSERT_NE(signal, nullptr);
    RECT signalRect{0, 0, signal->cx, signal->cy};
    MapDialogRect(main.get(), &signalRect);
    for (UINT id : {IDB_SIGNAL_0, IDB_SIGNAL_1, IDB_SIGNAL_2, IDB_SIGNAL_3, IDB_SIGNAL_4,
                    IDB_SIGNAL_UNKNOWN}) {
        Picture p = ReadPicture(*lib_, id);
        EXPECT_TRUE(p.width == signalRect.right && p.height == signalRect.bottom) << BitmapName(id);
    }

    // Pages cover the page area, which the page background fills exactly.
    SIZE area = ControlSize(main.get(), IDC_MAIN_PAGE_AREA);
    Picture pageBackground = ReadPicture(*lib_, IDB_PAGE_BACKGROUND);
    EXPECT_EQ(pageBackground.width, area.cx);
    EXPECT_EQ(pageBackground.height, area.cy);
    for (const PageSkin& skin : PageSkins()) {
        SCOPED_TRACE(skin.name);
        Window page(CreateDialogParamW(lib_->get(), MAKEINTRESOURCEW(skin.page), main.get(),
                                       QuietDialogProc, 0));
        ASSERT_NE(page.get(), nullptr) << "error " << GetLastError();
        GetClientRect(page.get(), &client);
        EXPECT_EQ(client.right, area.cx);
        EXPECT_EQ(client.bottom, area.cy);
        ExpectButtonsFit(*lib_, page.get(), skin.buttons);
    }

    // The traffic graph's statics show the graph background at the template's size.
    Window graph(CreateDialogParamW(lib_->get(), MAKEINTRESOURCEW(IDD_TRAFFIC_GRAPH), main.get(),
                                    QuietDialogProc, 0));
    ASSERT_NE(graph.get(), nullptr);
    DialogTemplate g = ReadDialog(*lib_, IDD_TRAFFIC_GRAPH);
    Picture plot = ReadPicture(*lib_, IDB_GRAPH_BACKGROUND);
    for (int id : {IDC_GRAPH_SEND_GRAPH, IDC_GRAPH_RECV_GRAPH}) {
        const DialogItem* item = FindItem(g, id);
        ASSERT_NE(item, nullptr);
        RECT r{0, 0, item->cx, item->cy};
        MapDialogRect(graph.get(), &r);
        EXPECT_TRUE(plot.width == r.right && plot.height == r.bottom) << "graph " << id;
        SIZE shown = ControlSize(graph.get(), id);
        EXPECT_TRUE(shown.cx == plot.width && shown.cy == plot.height) << "graph " << id;
    }
}

// ---- Sounds ------------------------------------------------------------------------------------
TEST_P(LanguageLibrary, EverySoundIsAPlayablePcmWave)
{
    for (const NamedId& s : kSoundIds) {
        SCOPED_TRACE(s.name);
        std::vector<uint8_t> wav = lib_->Raw(s.id, L"WAVE");
        ASSERT_GE(wav.size(), 44u) << "missing or too short";
        EXPECT_EQ(std::memcmp(wav.data(), "RIFF", 4), 0);
        EXPECT_EQ(std::memcmp(wav.data() + 8, "WAVE", 4), 0);
        uint32_t riff;
        std::memcpy(&riff, wav.data() + 4, 4);
        EXPECT_EQ(riff, wav.size() - 8) << "truncated";
        // Walk the chunks: PlaySound wants uncompressed PCM and a non-empty data chunk.
        bool format = false;
        uint32_t data = 0;
        for (size_t at = 12; at + 8 <= wav.size();) {
            uint32_t size;
            std::memcpy(&size, wav.data() + at + 4, 4);
            if (size > wav.size() - at - 8)
                break;
            if (std::memcmp(wav.data() + at, "fmt ", 4) == 0 && size >= 16) {
                PCMWAVEFORMAT f;
                std::memcpy(&f, wav.data() + at + 8, sizeof f);
                EXPECT_EQ(f.wf.wFormatTag, WAVE_FORMAT_PCM);
                EXPECT_EQ(f.wf.nChannels, 1);
                EXPECT_EQ(f.wBitsPerSample, 16);
                EXPECT_TRUE(f.wf.nSamplesPerSec == 8000 || f.wf.nSamplesPerSec == 16000);
                format = true;
            } else if (std::memcmp(wav.data() + at, "data", 4) == 0) {
                data = size;
            }
            at += 8 + size + (size & 1);
        }
        EXPECT_TRUE(format);
        EXPECT_GT(data, 0u);
    }
}

// ---- Page, records and graph templates ---------------------------------------------------------
const int kButton = 0x80, kEdit = 0x81, kStatic = 0x82, kComboBox = 0x85;

struct ControlExpect {
    int id;
    int classAtom;           // 0: a named class
    const wchar_t* name;     // the named class, else nullptr
    const wchar_t* chinese;  // its text in the Chinese library, nullptr: any
    DWORD style = 0;         // style bits that must be set
};

struct PageExpect {
    UINT page;
    const char* name;
    std::vector<ControlExpect> controls;
    std::vector<const wchar_t*> chineseLabels; // texts of unnamed statics
};

const std::vector<PageExpect>& PageExpectations()
{
    static const std::vector<PageExpect> pages = {
        {IDD_HOME, "IDD_HOME", {}, {}},
        {IDD_INTERNET,
         "IDD_INTERNET",
         {{IDC_INET_CONNECT, kButton, nullptr, L"拨号/断开"},
          {IDC_INET_RECORDS, kButton, nullptr, L"上网记录"},
          {IDC_INET_BACK, kButton, nullptr, L"返回"},
          {IDC_INET_STATE, kStatic, nullptr, nullptr},
          {IDC_INET_DURATION, kStatic, nullptr, nullptr},
          {IDC_INET_RECEIVED, kStatic, nullptr, nullptr},
          {IDC_INET_SENT, kStatic, nullptr, nullptr}},
         {}},
        {IDD_CALL,
         "IDD_CALL",
         {{IDC_CALL_NUMBER, kEdit, nullptr, nullptr},
          {IDC_CALL_KEY_1, kButton, nullptr, L"1"},
          {IDC_CALL_KEY_2, kButton, nullptr, L"2"},
          {IDC_CALL_KEY_3, kButton, nullptr, L"3"},
          {IDC_CALL_KEY_4, kButton, nullptr, L"4"},
          {IDC_CALL_KEY_5, kButton, nullptr, L"5"},
          {IDC_CALL_KEY_6, kButton, nullptr, L"6"},
          {IDC_CALL_KEY_7, kButton, nullptr, L"7"},
          {IDC_CALL_KEY_8, kButton, nullptr, L"8"},
          {IDC_CALL_KEY_9, kButton, nullptr, L"9"},
          {IDC_CALL_KEY_STAR, kButton, nullptr, L"*"},
          {IDC_CALL_KEY_0, kButton, nullptr, L"0"},
          {IDC_CALL_KEY_HASH, kButton, nullptr, L"#"},
          {IDC_CALL_BACKSPACE, kButton, nullptr, L"退格"},
          {IDC_CALL_DIAL, kButton, nullptr, L"呼叫/接听"},
          {IDC_CALL_HANGUP, kButton, nullptr, L"挂断"},
          {IDC_CALL_RECORDS, kButton, nullptr, L"记录"},
          {IDC_CALL_BACK, kButton, nullptr, L"返回"},
          {IDC_CALL_VOLUME, 0, TRACKBAR_CLASSW, nullptr}},
         {L"音量:", L"小", L"大"}},
        {IDD_CALL_RECORDS,
         "IDD_CALL_RECORDS",
         {{IDC_CALLREC_LIST, 0, WC_LISTVIEWW, nullptr, LVS_REPORT},
          {IDC_CALLREC_CALLBACK, kButton, nullptr, L"回拨"},
          {IDC_CALLREC_DELETE, kButton, nullptr, L"删除"},
          {IDC_CALLREC_BACK, kButton, nullptr, L"返回"}},
         {}},
        {IDD_SMS_LIST,
         "IDD_SMS_LIST",
         {{IDC_SMSLIST_LIST, 0, WC_LISTVIEWW, nullptr, LVS_REPORT},
          {IDC_SMSLIST_NEW, kButton, nullptr, L"添加"},
          {IDC_SMSLIST_DELETE, kButton, nullptr, L"删除"},
          {IDC_SMSLIST_BATCH, kButton, nullptr, L"高级"},
          {IDC_SMSLIST_BACK, kButton, nullptr, L"返回"}},
         {}},
        {IDD_SMS_SEND,
         "IDD_SMS_SEND",
         {{IDC_SMSSEND_RECIPIENT, kComboBox, nullptr, nullptr, CBS_DROPDOWN | CBS_SORT},
          {IDC_SMSSEND_TEXT, kEdit, nullptr, nullptr, ES_MULTILINE | WS_VSCROLL},
          {IDC_SMSSEND_SEND, kButton, nullptr, L"发送/回复"},
          {IDC_SMSSEND_CANCEL, kButton, nullptr, L"取消"}},
         {L"接收人:"}},
        {IDD_PHONEBOOK,
         "IDD_PHONEBOOK",
         {{IDC_PB_LIST, 0, WC_LISTVIEWW, nullptr, LVS_REPORT},
          {IDC_PB_ADD, kButton, nullptr, L"添加"},
          {IDC_PB_DELETE, kButton, nullptr, L"删除"},
          {IDC_PB_EDIT, kButton, nullptr, L"修改"},
          {IDC_PB_BACK, kButton, nullptr, L"返回"}},
         {}},
        {IDD_PHONEBOOK_EDIT,
         "IDD_PHONEBOOK_EDIT",
         {{IDC_PBEDIT_NAME, kEdit, nullptr, nullptr},
          {IDC_PBEDIT_NUMBER, kEdit, nullptr, nullptr, ES_NUMBER},
          {IDC_PBEDIT_SAVE, kButton, nullptr, L"添加/修改", BS_DEFPUSHBUTTON},
          {IDC_PBEDIT_CANCEL, kButton, nullptr, L"取消"}},
         {L"姓名:", L"电话:"}},
        {IDD_ACCOUNT,
         "IDD_ACCOUNT",
         {{IDC_ACCOUNT_USER, kEdit, nullptr, nullptr},
          {IDC_ACCOUNT_PASSWORD, kEdit, nullptr, nullptr, ES_PASSWORD},
          {IDC_ACCOUNT_NUMBER, kEdit, nullptr, nullptr},
          {IDC_ACCOUNT_APN, kEdit, nullptr, nullptr},
          {IDC_ACCOUNT_OPERATOR, kComboBox, nullptr, nullptr, CBS_DROPDOWNLIST},
          {IDC_ACCOUNT_SAVE, kButton, nullptr, L"保存"},
          {IDC_ACCOUNT_DEFAULT, kButton, nullptr, L"默认"},
          {IDC_ACCOUNT_ADVANCED, kButton, nullptr, L"高级"},
          {IDC_ACCOUNT_BACK, kButton, nullptr, L"返回"}},
         {L"用户名:", L"密码  :", L"号码  :", L"接入号:", L"运营商:"}},
    };
    return pages;
}

bool HasStaticText(const DialogTemplate& t, const wchar_t* text)
{
    for (const DialogItem& item : t.items)
        if (item.classAtom == kStatic && item.title == text)
            return true;
    return false;
}

// Checks one control against its expectation; Chinese texts only in the Chinese library.
void ExpectControl(const DialogTemplate& t, const ControlExpect& e, bool chinese)
{
    const DialogItem* item = FindItem(t, e.id);
    ASSERT_NE(item, nullptr) << "control " << e.id;
    if (e.classAtom) {
        // A CONTROL statement names the class ("Button"); the short forms write its atom.
        const wchar_t* names[] = {L"Button", L"Edit", L"Static", L"ListBox", L"ScrollBar",
                                  L"ComboBox"};
        EXPECT_TRUE(item->classAtom == e.classAtom ||
                    (item->classAtom == -1 &&
                     _wcsicmp(item->className.c_str(), names[e.classAtom - kButton]) == 0))
            << "control " << e.id;
    } else {
        EXPECT_EQ(_wcsicmp(item->className.c_str(), e.name), 0) << "control " << e.id;
    }
    EXPECT_EQ(item->style & e.style, e.style) << "control " << e.id;
    if (e.chinese && chinese) {
        EXPECT_EQ(item->title, e.chinese) << "control " << e.id;
    }
}

TEST_P(LanguageLibrary, PagesAreBorderlessHiddenChildrenWithTheirControls)
{
    DialogTemplate main = ReadDialog(*lib_, IDD_MAIN);
    const DialogItem* area = FindItem(main, IDC_MAIN_PAGE_AREA);
    ASSERT_NE(area, nullptr);
    for (const PageExpect& page : PageExpectations()) {
        SCOPED_TRACE(page.name);
        DialogTemplate t = ReadDialog(*lib_, page.page);
        ASSERT_TRUE(t.ok) << "template missing or unreadable";
        EXPECT_NE(t.style & WS_CHILD, 0u);
        // Pages are shown one at a time by the main window, without frame or caption.
        EXPECT_EQ(t.style & (WS_POPUP | WS_CAPTION | WS_BORDER | WS_THICKFRAME | DS_MODALFRAME |
                             WS_VISIBLE | WS_CLIPCHILDREN),
                  0u);
        EXPECT_EQ(t.cx, area->cx);
        EXPECT_EQ(t.cy, area->cy);
        for (const ControlExpect& e : page.controls)
            ExpectControl(t, e, IsChinese());
        if (IsChinese()) {
            for (const wchar_t* label : page.chineseLabels)
                EXPECT_TRUE(HasStaticText(t, label)) << e2e::Utf8(label);
        }
        std::set<int> seen;
        for (const DialogItem& item : t.items) {
            if (item.id != -1 && item.id != 0xFFFF) {
                EXPECT_TRUE(seen.insert(item.id).second) << "duplicate id " << item.id;
            }
            EXPECT_TRUE(item.x >= 0 && item.y >= 0 && item.x + item.cx <= t.cx &&
                        item.y + item.cy <= t.cy)
                << "control " << item.id << " leaves the page";
        }
    }
}

// The records window's period list takes its items from the initial data (RT_DLGINIT): entries
// of control id, message, byte count and ANSI text, ended by a zero id.
std::vector<std::pair<int, std::string>> ReadDialogInit(const Library& lib, UINT id)
{
    std::vector<std::pair<int, std::string>> entries;
    std::vector<uint8_t> raw = lib.Raw(id, MAKEINTRESOURCEW(240));
    size_t at = 0;
    while (at + 2 <= raw.size()) {
        uint16_t control, message;
        uint32_t length;
        std::memcpy(&control, &raw[at], 2);
        if (control == 0 || at + 8 > raw.size())
            break;
        std::memcpy(&message, &raw[at + 2], 2);
        std::memcpy(&length, &raw[at + 4], 4);
        at += 8;
        if (length > raw.size() - at)
            break;
        std::string text(reinterpret_cast<const char*>(&raw[at]), length);
        text = text.substr(0, text.find('\0'));
        if (message == 0x0403) // CB_ADDSTRING as initial data writes it
            entries.emplace_back(control, text);
        at += length;
    }
    return entries;
}

// True when the code page holds every character of the text (no best-fit, no default character).
bool InCodePage(const std::wstring& text, UINT codePage) {
    if (text.empty()) return true;
    BOOL lost = FALSE;
    int n = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text.data(), (int)text.size(),
                                nullptr, 0, nullptr, &lost);
    return n > 0 && !lost;
}

std::wstring FromCodePage(const std::string& text, UINT codePage)
{
    wchar_t buffer[256];
    int n = MultiByteToWideChar(codePage, 0, text.data(), (int)text.size(), buffer, 256);
    return std::wstring(buffer, n > 0 ? n : 0);
}

TEST_P(LanguageLibrary, RecordsWindowHasItsListPeriodsAndTotalsFormat)
{
    DialogTemplate t = ReadDialog(*lib_, IDD_NET_RECORDS);
    ASSERT_TRUE(t.ok);
    EXPECT_NE(t.style & WS_CAPTION, 0u);
    ExpectControl(t, {IDC_NETREC_LIST, 0, WC_LISTVIEWW, nullptr, LVS_REPORT}, IsChinese());
    ExpectControl(t, {IDC_NETREC_PERIOD, kComboBox, nullptr, nullptr, CBS_DROPDOWNLIST},
                  IsChinese());
    ExpectControl(t,
                  {IDC_NETREC_TOTALS, kStatic, nullptr,
                   L"总共:%.2f KBytes,发送:%.2f KBytes,接收:%.2f KBytes"},
                  IsChinese());
    ExpectControl(t, {IDC_NETREC_CLEAR, kButton, nullptr, L"清空"}, IsChinese());
    ExpectControl(t, {IDC_NETREC_BACK, kButton, nullptr, L"返回"}, IsChinese());
    // Room for the five columns (130 + 130 + 60 + 65 + 65 pixels) at 1.75 pixels a unit.
    EXPECT_GE(FindItem(t, IDC_NETREC_LIST)->cx * 7 / 4, 450 + 16);

    auto periods = ReadDialogInit(*lib_, IDD_NET_RECORDS);
    ASSERT_EQ(periods.size(), 3u) << "all, last month, this month";
    for (const auto& entry : periods)
        EXPECT_EQ(entry.first, IDC_NETREC_PERIOD);
    if (IsChinese()) {
        EXPECT_EQ(FromCodePage(periods[0].second, 936), L"所有");
        EXPECT_EQ(FromCodePage(periods[1].second, 936), L"上月");
        EXPECT_EQ(FromCodePage(periods[2].second, 936), L"当月");
    }
    // Each library stores the items in its own code page, which holds them without loss.
    const UINT codePage = LanguageOf(GetParam().dll).codePage;
    for (const auto& entry : periods) {
        const std::wstring text = FromCodePage(entry.second, codePage);
        EXPECT_FALSE(text.empty());
        EXPECT_TRUE(InCodePage(text, codePage)) << e2e::Utf8(text);
    }
}

TEST_P(LanguageLibrary, TrafficGraphHasItsGraphsFormatsAndColours)
{
    DialogTemplate t = ReadDialog(*lib_, IDD_TRAFFIC_GRAPH);
    ASSERT_TRUE(t.ok);
    EXPECT_NE(t.style & WS_CAPTION, 0u);
    EXPECT_EQ(t.style & WS_VISIBLE, 0u); // shown only from the records button
    for (int id : {IDC_GRAPH_SEND_GRAPH, IDC_GRAPH_RECV_GRAPH}) {
        const DialogItem* graph = FindItem(t, id);
        ASSERT_NE(graph, nullptr);
        EXPECT_EQ(graph->style & SS_TYPEMASK, (DWORD)SS_BITMAP);
        EXPECT_EQ(graph->titleOrdinal, IDB_GRAPH_BACKGROUND);
    }
    ExpectControl(t,
                  {IDC_GRAPH_SEND_TEXT, kStatic, nullptr,
                   L"发送流量: 上限 %0.2f KB/S 当前 %.2f KB/S"},
                  IsChinese());
    ExpectControl(t,
                  {IDC_GRAPH_RECV_TEXT, kStatic, nullptr,
                   L"接收流量: 上限 %0.2f KB/S 当前 %.2f KB/S"},
                  IsChinese());
    ExpectControl(t, {IDC_GRAPH_MODE_BARS, kButton, nullptr, L"柱状图", BS_AUTORADIOBUTTON},
                  IsChinese());
    ExpectControl(t, {IDC_GRAPH_MODE_LINE, kButton, nullptr, L"波形图", BS_AUTORADIOBUTTON},
                  IsChinese());
    ExpectControl(t, {IDC_GRAPH_HISTORY, kButton, nullptr, L"历史"}, IsChinese());
    ExpectControl(t, {IDC_GRAPH_CLOSE, kButton, nullptr, L"关闭"}, IsChinese());
    if (IsChinese()) {
        EXPECT_TRUE(HasStaticText(t, L"图例模式:"));
    }
    // The colours are data, the same in every language, and never shown.
    const DialogItem* send = FindItem(t, IDC_GRAPH_SEND_COLOR);
    const DialogItem* receive = FindItem(t, IDC_GRAPH_RECV_COLOR);
    ASSERT_TRUE(send && receive);
    EXPECT_EQ(send->title, L"255,255,0");
    EXPECT_EQ(receive->title, L"255,0,0");
    EXPECT_EQ((send->style | receive->style) & WS_VISIBLE, 0u);
}

// ---- Menus -------------------------------------------------------------------------------------
struct MenuEntry {
    UINT command; // 0: separator
    const wchar_t* chinese;
};

void ExpectMenu(const Library& lib, UINT id, const wchar_t* popupTitle,
                const std::vector<MenuEntry>& entries, bool chinese)
{
    HMENU menu = LoadMenuW(lib.get(), MAKEINTRESOURCEW(id));
    ASSERT_NE(menu, nullptr) << "menu " << id;
    wchar_t text[64] = {};
    GetMenuStringW(menu, 0, text, 64, MF_BYPOSITION);
    if (popupTitle) {
        EXPECT_STREQ(text, popupTitle);
    }
    HMENU popup = GetSubMenu(menu, 0);
    ASSERT_NE(popup, nullptr);
    ASSERT_EQ(GetMenuItemCount(popup), (int)entries.size()) << "menu " << id;
    for (size_t i = 0; i < entries.size(); ++i) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_ID;
        ASSERT_TRUE(GetMenuItemInfoW(popup, (UINT)i, TRUE, &info));
        if (entries[i].command == 0) {
            EXPECT_NE(info.fType & MFT_SEPARATOR, 0u) << "item " << i;
            continue;
        }
        EXPECT_EQ(info.wID, entries[i].command) << "item " << i;
        GetMenuStringW(popup, (UINT)i, text, 64, MF_BYPOSITION);
        EXPECT_NE(text[0], 0) << "item " << i;
        if (chinese) {
            EXPECT_STREQ(text, entries[i].chinese);
        }
    }
    DestroyMenu(menu);
}

TEST_P(LanguageLibrary, TrayAndPhoneBookMenusCarryTheirCommands)
{
    // The first command is also what a double click on the tray icon runs.
    ExpectMenu(*lib_, IDR_TRAY_MENU, L"TRAY",
               {{ID_TRAY_SHOW, L"显示"},
                {ID_TRAY_HIDE, L"隐藏"},
                {ID_TRAY_ABOUT, L"关于..."},
                {ID_TRAY_EXIT, L"退出"}},
               IsChinese());
    ExpectMenu(*lib_, IDR_PHONEBOOK_MENU, IsChinese() ? L"操作" : nullptr,
               {{ID_PB_ADD, L"添加"},
                {ID_PB_EDIT, L"编辑"},
                {ID_PB_DELETE, L"删除"},
                {0, nullptr},
                {ID_PB_SEND_SMS, L"发短信"},
                {ID_PB_CALL, L"打电话"},
                {0, nullptr},
                {ID_PB_IMPORT, L"导入"},
                {ID_PB_EXPORT, L"导出"}},
               IsChinese());
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
    std::string name = e2e::Utf8(info.param.dll);
    name = name.substr(0, name.find('.'));
    return name + (info.param.asData ? "_AsData" : "_Loaded");
}

std::vector<LoadCase> EveryLoadCase() {
    std::vector<LoadCase> cases;
    for (const LanguageDll& l : kLanguageDlls) {
        cases.push_back({l.dll, true});
        cases.push_back({l.dll, false});
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Skins, LanguageLibrary, ::testing::ValuesIn(EveryLoadCase()),
                         LoadCaseName);

// ---- Each library in its own language ----------------------------------------------------------
std::vector<UINT> ResourceIds(HMODULE module, LPCWSTR type) {
    std::vector<UINT> ids;
    EnumResourceNamesW(
        module, type,
        [](HMODULE, LPCWSTR, LPWSTR name, LONG_PTR out) CALLBACK -> BOOL {
            if (IS_INTRESOURCE(name))
                reinterpret_cast<std::vector<UINT>*>(out)->push_back(
                    (UINT) reinterpret_cast<ULONG_PTR>(name));
            return TRUE;
        },
        reinterpret_cast<LONG_PTR>(&ids));
    std::sort(ids.begin(), ids.end());
    return ids;
}

TEST_P(LanguageLibrary, TextsAreMarkedWithTheLanguageAndFitItsCodePage) {
    const LanguageDll& language = LanguageOf(GetParam().dll);
    // The language the resources are marked with (FindResource prefers the user's language).
    for (LPCWSTR type : {RT_STRING, RT_DIALOG, RT_MENU}) {
        std::vector<UINT> ids = ResourceIds(lib_->get(), type);
        ASSERT_FALSE(ids.empty());
        LANGID marked = 0;
        EnumResourceLanguagesW(
            lib_->get(), type, MAKEINTRESOURCEW(ids.front()),
            [](HMODULE, LPCWSTR, LPCWSTR, WORD lang, LONG_PTR out) CALLBACK -> BOOL {
                *reinterpret_cast<LANGID*>(out) = lang;
                return FALSE;
            },
            reinterpret_cast<LONG_PTR>(&marked));
        EXPECT_EQ(marked, language.language) << "resource type " << (ULONG_PTR)type;
    }

    // Every text fits the library's ANSI code page: a traditional-Chinese or Japanese text with a
    // simplified character, or a Western one with Chinese left in it, does not.
    std::vector<std::string> outside;
    for (const NamedId& s : kStringIds) {
        std::wstring text = lib_->String(s.id);
        if (!InCodePage(text, language.codePage))
            outside.push_back(std::string(s.name) + " " + e2e::Utf8(text));
    }
    for (UINT id : ResourceIds(lib_->get(), RT_DIALOG)) {
        DialogTemplate t = ReadDialog(*lib_, id);
        EXPECT_TRUE(t.ok) << "dialog " << id;
        if (!InCodePage(t.caption, language.codePage))
            outside.push_back("caption of dialog " + std::to_string(id));
        for (const DialogItem& item : t.items)
            if (!InCodePage(item.title, language.codePage))
                outside.push_back("dialog " + std::to_string(id) + " control " +
                                  std::to_string(item.id) + " " + e2e::Utf8(item.title));
    }
    for (UINT id : ResourceIds(lib_->get(), RT_MENU)) {
        HMENU menu = LoadMenuW(lib_->get(), MAKEINTRESOURCEW(id));
        ASSERT_NE(menu, nullptr);
        HMENU popup = GetSubMenu(menu, 0);
        for (int i = 0; popup && i < GetMenuItemCount(popup); ++i) {
            wchar_t text[128] = {};
            GetMenuStringW(popup, (UINT)i, text, 128, MF_BYPOSITION);
            if (!InCodePage(text, language.codePage))
                outside.push_back("menu " + std::to_string(id) + " " + e2e::Utf8(text));
        }
        DestroyMenu(menu);
    }
    EXPECT_TRUE(outside.empty()) << ::testing::PrintToString(outside);
}

// ---- Texts against the room their controls give them -------------------------------------------
// The extent of a text on one line in the control's font.
SIZE TextExtent(HWND control, const std::wstring& text) {
    HDC dc = GetDC(control);
    HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0));
    HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(SYSTEM_FONT));
    RECT r{};
    DrawTextW(dc, text.c_str(), (int)text.size(), &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

// The text with its format specifiers filled: numbers with the sample, texts with a phone number.
std::wstring Filled(const std::wstring& format, const std::wstring& number) {
    std::wstring text = format;
    for (const std::wstring& spec : FormatSpecs(format)) {
        size_t at = text.find(spec);
        if (at != std::wstring::npos)
            text.replace(at, spec.size(), spec.back() == L's' ? L"13800138000" : number);
    }
    return text;
}

// Pixels a control gives its text on one line; 0 when its text is never drawn (a skinned
// button shows its picture).
int TextRoom(HWND control, bool pushButtonsShowText) {
    RECT r{};
    GetClientRect(control, &r);
    const std::wstring cls = e2e::ClassOf(control);
    const DWORD style = (DWORD)GetWindowLongW(control, GWL_STYLE);
    if (_wcsicmp(cls.c_str(), L"Static") == 0) {
        const DWORD type = style & SS_TYPEMASK;
        const bool text = type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT ||
                          type == SS_LEFTNOWORDWRAP || type == SS_SIMPLE;
        return text ? r.right : 0;
    }
    if (_wcsicmp(cls.c_str(), L"Button") == 0) {
        const DWORD type = style & BS_TYPEMASK;
        if (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON || type == BS_CHECKBOX ||
            type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE)
            return r.right - GetSystemMetrics(SM_CXMENUCHECK) - 4;
        if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON)
            return pushButtonsShowText ? r.right - 2 * (GetSystemMetrics(SM_CXEDGE) + 2) : 0;
        // A group box's title starts a little way in and keeps clear of the right-hand frame.
        if (type == BS_GROUPBOX) return r.right - 16;
    }
    return 0;
}

// No stored records: the records window opens empty.
class NoRecords : public net::RecordStore {
public:
    std::string Read(const std::string&) override { return {}; }
    bool Write(const std::string&, const std::string&) override { return false; }
    bool Clear() override { return false; }
};

class TextFit {
public:
    // Every text control of the window against its own text (formats filled with the sample).
    void Window(HWND window, const char* name, bool pushButtonsShowText,
                const std::wstring& sample = L"0") {
        for (HWND child = GetWindow(window, GW_CHILD); child;
             child = GetWindow(child, GW_HWNDNEXT)) {
            if (!(GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE)) continue;
            const std::wstring text = Filled(e2e::Text(child), sample);
            if (!text.empty() && text != L" ")
                Check(child, name, text, TextRoom(child, pushButtonsShowText));
        }
    }
    // A control against the texts the program puts into it.
    void Texts(HWND control, const char* name, const std::vector<UINT>& ids, const Library& lib,
               const std::wstring& suffix = {}) {
        for (UINT id : ids)
            Check(control, name, Filled(lib.String(id), L"200") + suffix, TextRoom(control, false));
    }
    const std::vector<std::string>& Misfits() const { return misfits_; }

    // One text against the room given (in the control's font).
    void Check(HWND control, const char* name, const std::wstring& text, int room) {
        if (room <= 0) return;
        RECT r{};
        GetClientRect(control, &r);
        const SIZE need = TextExtent(control, text);
        if (need.cx > room || need.cy > r.bottom)
            misfits_.push_back(std::string(name) + " control " +
                               std::to_string(GetDlgCtrlID(control)) + " \"" + e2e::Utf8(text) +
                               "\" needs " + std::to_string(need.cx) + "x" +
                               std::to_string(need.cy) + ", has " + std::to_string(room) + "x" +
                               std::to_string(r.bottom));
    }

private:
    std::vector<std::string> misfits_;
};

TEST_P(LanguageLibrary, TextsFitTheirControls) {
    if (GetParam().asData) GTEST_SKIP() << "laid out once per library";
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_WIN95_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&classes);
    HINSTANCE module = lib_->get();
    Window main(
        CreateDialogParamW(module, MAKEINTRESOURCEW(IDD_MAIN), nullptr, QuietDialogProc, 0));
    ASSERT_NE(main.get(), nullptr);
    TextFit fit;
    // The main window draws its buttons as pictures. A page's buttons show pictures once the page
    // skins them, their text until then: it fits either way.
    fit.Window(main.get(), "IDD_MAIN", false);
    for (const PageSkin& page : PageSkins()) {
        Window shown(CreateDialogParamW(module, MAKEINTRESOURCEW(page.page), main.get(),
                                        QuietDialogProc, 0));
        ASSERT_NE(shown.get(), nullptr) << page.name;
        fit.Window(shown.get(), page.name, true);
        if (page.page == IDD_INTERNET) {
            // The connection's progress and outcome.
            fit.Texts(GetDlgItem(shown.get(), IDC_INET_STATE), "IDD_INTERNET state",
                      {IDS_DIAL_CHECKING_MODEM,
                       IDS_DIAL_DIALING,
                       IDS_DIAL_HANGING_UP,
                       IDS_DIAL_ENDED,
                       IDS_DIAL_CHECKING_SIM,
                       IDS_DIAL_CHECKING_SIGNAL,
                       IDS_DIAL_CHECKING_REGISTRATION,
                       IDS_DIAL_CHECKING_ACCOUNT,
                       IDS_DIAL_CONNECTING_DEVICE,
                       IDS_DIAL_REDIALING,
                       IDS_NO_PCMCIA_CARD,
                       IDS_NO_MODEM,
                       IDS_NO_SIM_CARD,
                       IDS_NO_SIGNAL,
                       IDS_NOT_REGISTERED,
                       IDS_DIAL_SUCCEEDED,
                       IDS_DIAL_FAILED,
                       IDS_HANGUP_SUCCEEDED,
                       IDS_NET_CONNECTED,
                       IDS_OPEN_PORT_FAILED,
                       IDS_CREATE_ENTRY_FAILED,
                       IDS_DIAL_REGISTERING,
                       IDS_DIAL_CHECKING_PORT,
                       IDS_NET_DISCONNECTED,
                       IDS_NET_DORMANT},
                      *lib_);
        }
    }
    // Refusals, progress and results on the status line.
    fit.Texts(GetDlgItem(main.get(), IDC_MAIN_STATUS), "status line",
              {IDS_BUSY_DIALING,
               IDS_BUSY_NET_CONNECTED,
               IDS_BUSY_CALL,
               IDS_BUSY_SMS_SENDING,
               IDS_BUSY_PORT,
               IDS_HANGUP_FAILED,
               IDS_READING,
               IDS_READ_DONE,
               IDS_READ_FAILED_OR_EMPTY,
               IDS_OPERATION_OK,
               IDS_OPERATION_FAILED,
               IDS_SMS_SENDING,
               IDS_SMS_SENT,
               IDS_SMS_SEND_FAILED,
               IDS_SMS_TEXT_EMPTY,
               IDS_SMS_RECIPIENT_EMPTY,
               IDS_CALLING,
               IDS_CALL_CONNECTED,
               IDS_CALL_LOST,
               IDS_CALL_REMOTE_HANGUP,
               IDS_CALL_HUNG_UP,
               IDS_CALL_FAILED,
               IDS_SET_VOLUME_FAILED,
               IDS_ANSWER_FAILED,
               IDS_PB_NAME_OR_NUMBER_EMPTY,
               IDS_SAVE_OK,
               IDS_SAVE_FAILED,
               IDS_CSV_IMPORTED_FMT,
               IDS_CSV_EXPORT_OK,
               IDS_CSV_IMPORT_FAILED,
               IDS_CSV_EXPORT_FAILED,
               IDS_CSV_INVALID_FORMAT},
              *lib_);

    // Windows of their own, with plain buttons; the wait box's text grows by up to six dots.
    Window wait(
        CreateDialogParamW(module, MAKEINTRESOURCEW(IDD_WAITBOX), main.get(), QuietDialogProc, 0));
    ASSERT_NE(wait.get(), nullptr);
    fit.Texts(GetDlgItem(wait.get(), IDC_WAIT_TEXT), "IDD_WAITBOX",
              {IDS_INITIALIZING, IDS_EXITING, IDS_READING_PHONEBOOK, IDS_READING_CALL_RECORDS,
               IDS_READING_SMS},
              *lib_, L" ......");
    Window about(
        CreateDialogParamW(module, MAKEINTRESOURCEW(IDD_ABOUT), main.get(), QuietDialogProc, 0));
    ASSERT_NE(about.get(), nullptr);
    fit.Window(about.get(), "IDD_ABOUT", true);
    // A month of traffic in KBytes; rates in KB/s.
    Window records(CreateDialogParamW(module, MAKEINTRESOURCEW(IDD_NET_RECORDS), main.get(),
                                      QuietDialogProc, 0));
    ASSERT_NE(records.get(), nullptr);
    fit.Window(records.get(), "IDD_NET_RECORDS", true, L"4194304.00");
    Window graph(CreateDialogParamW(module, MAKEINTRESOURCEW(IDD_TRAFFIC_GRAPH), main.get(),
                                    QuietDialogProc, 0));
    ASSERT_NE(graph.get(), nullptr);
    fit.Window(graph.get(), "IDD_TRAFFIC_GRAPH", true, L"1024.00");
    Window advanced(CreateDialogParamW(module, MAKEINTRESOURCEW(IDD_ADVANCED), main.get(),
                                       QuietDialogProc, 0));
    ASSERT_NE(advanced.get(), nullptr);
    fit.Window(advanced.get(), "IDD_ADVANCED", true);
    for (UINT tab : {IDD_ADV_RUN, IDD_ADV_SOUND, IDD_ADV_OTHER}) {
        Window page(CreateDialogParamW(module, MAKEINTRESOURCEW(tab), advanced.get(),
                                       QuietDialogProc, 0));
        ASSERT_NE(page.get(), nullptr) << "tab " << tab;
        fit.Window(page.get(), ("advanced tab " + std::to_string(tab)).c_str(), true);
    }
    Window batch(CreateDialogParamW(module, MAKEINTRESOURCEW(IDD_SMS_BATCH), main.get(),
                                    QuietDialogProc, 0));
    ASSERT_NE(batch.get(), nullptr);
    fit.Window(batch.get(), "IDD_SMS_BATCH", true);

    // The records window as the program builds it: the column titles against their widths.
    NoRecords store;
    std::atomic<int64_t> monthTotal{0};
    net::TrafficAccount account(store, monthTotal);
    DlgNetRecords netRecords(module, account, [] { return net::DateTime{2024, 3, 15, 12, 0, 0}; });
    ASSERT_NE(netRecords.Create(nullptr), nullptr);
    HWND header = ListView_GetHeader(netRecords.Item(IDC_NETREC_LIST));
    EXPECT_EQ(Header_GetItemCount(header), 5);
    for (int i = 0; i < Header_GetItemCount(header); ++i) {
        wchar_t title[64] = {};
        HDITEMW column{};
        column.mask = HDI_TEXT | HDI_WIDTH;
        column.pszText = title;
        column.cchTextMax = 64;
        ASSERT_TRUE(Header_GetItem(header, i, &column));
        // A header item keeps three edges of margin on either side of its title.
        fit.Check(header, "records column", title, column.cxy - 6 * GetSystemMetrics(SM_CXEDGE));
    }
    DestroyWindow(netRecords.Hwnd());
    wintest::Pump(0);
    EXPECT_TRUE(fit.Misfits().empty()) << ::testing::PrintToString(fit.Misfits());
}

// ---- The translations against each other ------------------------------------------------------
// A translation keeps the Chinese text's format specifiers in order, its line breaks and the
// fields of the lists the pages split.
void ExpectSameFormats(const Library& gb, const Library& other) {
    // Comma-separated lists that the pages split into columns, type words and tabs.
    const std::set<UINT> lists = {IDS_SMS_COLUMNS, IDS_PB_COLUMNS,  IDS_CALLREC_COLUMNS,
                                  IDS_NETREC_COLUMNS, IDS_SMS_TYPES, IDS_CALL_TYPES,
                                  IDS_ADV_TAB_NAMES};
    for (const NamedId& s : kStringIds) {
        SCOPED_TRACE(s.name);
        std::wstring a, b;
        if (!gb.String(s.id, &a) || !other.String(s.id, &b))
            continue; // reported by the per-library test
        EXPECT_EQ(FormatSpecs(a), FormatSpecs(b));
        // A first line is cut at "\r" (the new-message popup without a number).
        EXPECT_EQ(Count(a, L"\r\n"), Count(b, L"\r\n"));
        if (lists.count(s.id)) {
            EXPECT_EQ(Count(a, L","), Count(b, L","));
        }
    }
    // Template texts that the windows use as formats.
    struct TemplateFormat {
        UINT dialog;
        int control;
    };
    for (TemplateFormat f : {TemplateFormat{IDD_NET_RECORDS, IDC_NETREC_TOTALS},
                             TemplateFormat{IDD_TRAFFIC_GRAPH, IDC_GRAPH_SEND_TEXT},
                             TemplateFormat{IDD_TRAFFIC_GRAPH, IDC_GRAPH_RECV_TEXT}}) {
        DialogTemplate gbDialog = ReadDialog(gb, f.dialog),
                       otherDialog = ReadDialog(other, f.dialog);
        const DialogItem* a = FindItem(gbDialog, f.control);
        const DialogItem* b = FindItem(otherDialog, f.control);
        ASSERT_TRUE(a && b) << "control " << f.control;
        EXPECT_EQ(FormatSpecs(a->title), FormatSpecs(b->title)) << "control " << f.control;
        EXPECT_EQ(FormatSpecs(a->title).size(), f.control == IDC_NETREC_TOTALS ? 3u : 2u);
    }
}

TEST(LanguageLibraries, TranslationsKeepFormatsLinesAndListFields) {
    ASSERT_FALSE(wintest::StagePath().empty());
    Library gb(wintest::StagePath(L"skingb.dll"), true);
    ASSERT_TRUE(gb.get());
    for (const LanguageDll& language : kLanguageDlls) {
        if (wcscmp(language.dll, L"skingb.dll") == 0) continue;
        SCOPED_TRACE(e2e::Utf8(language.dll));
        Library other(wintest::StagePath(language.dll), true);
        ASSERT_TRUE(other.get());
        ExpectSameFormats(gb, other);
    }
    EXPECT_EQ(gb.String(IDS_SMS_COLUMNS), L"对象,类型,时间,内容");
    EXPECT_EQ(gb.String(IDS_NEW_SMS_FMT), L"您有新短信!\r\n来自 %s[%s].");
}

// Templates, menus, initial data and art: every library has what the Chinese one has, no more.
TEST(LanguageLibraries, EveryLibraryHoldsTheResourcesOfTheChineseOne) {
    ASSERT_FALSE(wintest::StagePath().empty());
    Library gb(wintest::StagePath(L"skingb.dll"), true);
    ASSERT_TRUE(gb.get());
    const LPCWSTR types[] = {
        RT_DIALOG, RT_MENU,       RT_STRING, MAKEINTRESOURCEW(240) /* DLGINIT */,
        RT_BITMAP, RT_GROUP_ICON, L"WAVE"};
    for (const LanguageDll& language : kLanguageDlls) {
        SCOPED_TRACE(e2e::Utf8(language.dll));
        Library other(wintest::StagePath(language.dll), true);
        ASSERT_TRUE(other.get());
        for (LPCWSTR type : types) {
            std::vector<UINT> expected = ResourceIds(gb.get(), type);
            EXPECT_FALSE(expected.empty()) << "type " << (ULONG_PTR)type;
            EXPECT_EQ(ResourceIds(other.get(), type), expected) << "type " << (ULONG_PTR)type;
        }
    }
}

// ---- INI files beside the program --------------------------------------------------------------
TEST(ProgramFolder, SkinIniNamesStagedLibrariesWithWindowsLineEnds)
{
    ASSERT_FALSE(wintest::StagePath().empty());
    std::string ini = wintest::ReadBytes(wintest::StagePath(L"skin.ini"));
    ASSERT_FALSE(ini.empty()) << "skin.ini not staged";
    // Writing the skin choice replaces "SKIN_LOAD" up to the next "\r\n".
    size_t load = ini.find("SKIN_LOAD");
    ASSERT_NE(load, std::string::npos);
    EXPECT_NE(ini.find("\r\n", load), std::string::npos);
    EXPECT_EQ(ini.find("SKIN_LOAD = 0\r\n"), load);

    // Every staged library once, labelled in its own language; the labels are GBK text, shown
    // as they are in the skin list on a Chinese system.
    std::map<std::wstring, std::wstring> labels;
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
        EXPECT_NE(GetFileAttributesW(wintest::StagePath(wdll).c_str()), INVALID_FILE_ATTRIBUTES)
            << dll;
        EXPECT_TRUE(labels.emplace(wdll, FromCodePage(value.substr(c2 + 1), 936)).second) << dll;
    }
    const std::map<std::wstring, std::wstring> expected = {{L"skingb.dll", L"简体中文"},
                                                           {L"skinen.dll", L"English"},
                                                           {L"skinbig5.dll", L"繁體中文"},
                                                           {L"skinjap.dll", L"日本語"},
                                                           {L"skinspa.dll", L"Espanol"}};
    EXPECT_EQ(labels, expected);
    EXPECT_EQ(labels.size(), std::size(kLanguageDlls));
}

TEST(ProgramFolder, ModemIniHasDeviceKeysAndSettingsSection)
{
    std::wstring path = wintest::StagePath(L"modem.ini");
    ASSERT_FALSE(path.empty());
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
