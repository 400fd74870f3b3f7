// The launcher's resources as the loader stores them: every language variant
// of the string table and the two dialogs, the icon, the version record and
// the probe class. Each variant is found by its language id, so the checks do
// not depend on the language of the system they run on. They run against the
// resources linked into this program and against the release Wendle.exe.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "expected_texts.h"

using expected::kVariants;
using expected::Variant;

namespace {

// ---------------------------------------------------------------------------
// Text helpers

std::wstring Widen(const std::string& utf8)
{
    if (utf8.empty())
        return std::wstring();
    int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), (int)utf8.size(),
                                     nullptr, 0);
    std::wstring wide(length, L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), (int)utf8.size(), &wide[0],
                        length);
    return wide;
}

std::string ToCodePage(const std::wstring& wide, UINT codePage, bool* lossy = nullptr)
{
    if (lossy)
        *lossy = false;
    if (wide.empty())
        return std::string();
    BOOL usedDefault = FALSE;
    // Best-fit mapping would hide a character the code page lacks.
    DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL* used = codePage == CP_UTF8 ? nullptr : &usedDefault;
    int length = WideCharToMultiByte(codePage, flags, wide.data(), (int)wide.size(), nullptr, 0,
                                     nullptr, used);
    std::string bytes(length, '\0');
    WideCharToMultiByte(codePage, flags, wide.data(), (int)wide.size(), &bytes[0], length, nullptr,
                        used);
    if (lossy)
        *lossy = usedDefault != FALSE;
    return bytes;
}

std::string Utf8(const std::wstring& wide) { return ToCodePage(wide, CP_UTF8); }

// ---------------------------------------------------------------------------
// The module under test: this program, or the release Wendle.exe as data.

enum ModuleKind { kTestProgram, kWendleExe };

const char* ModuleName(ModuleKind kind) { return kind == kTestProgram ? "TestProgram" : "WendleExe"; }

HMODULE WendleExeModule()
{
    static HMODULE module = [] {
        return LoadLibraryExA(WENDLE_EXE_PATH, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    }();
    return module;
}

// The module's file, for the platform's version-information reader.
std::wstring ModulePath(ModuleKind kind)
{
    if (kind == kWendleExe)
        return Widen(WENDLE_EXE_PATH);
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::wstring(path, length);
}

std::vector<uint8_t> ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Blob {
    const uint8_t* data = nullptr;
    size_t size = 0;
    explicit operator bool() const { return data != nullptr; }
    std::vector<uint8_t> bytes() const { return std::vector<uint8_t>(data, data + size); }
};

Blob FindBlob(HMODULE module, LPCSTR type, LPCSTR name, WORD language)
{
    Blob blob;
    HRSRC info = FindResourceExA(module, type, name, language);
    if (info == nullptr)
        return blob;
    HGLOBAL loaded = LoadResource(module, info);
    blob.data = loaded ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
    blob.size = SizeofResource(module, info);
    return blob;
}

// Bounds-checked little-endian reading of a resource; reading past the end
// yields zeros and clears ok.
class Reader {
public:
    explicit Reader(const Blob& blob) : data_(blob.data), size_(blob.size) {}

    bool ok() const { return ok_; }
    size_t pos() const { return pos_; }
    size_t size() const { return size_; }

    WORD Word()
    {
        if (!Need(2))
            return 0;
        WORD value = (WORD)(data_[pos_] | data_[pos_ + 1] << 8);
        pos_ += 2;
        return value;
    }
    short Short() { return (short)Word(); }
    DWORD Dword()
    {
        DWORD low = Word();
        return low | (DWORD)Word() << 16;
    }
    std::vector<uint8_t> Bytes(size_t count)
    {
        if (!Need(count))
            return {};
        std::vector<uint8_t> out(data_ + pos_, data_ + pos_ + count);
        pos_ += count;
        return out;
    }
    std::wstring Chars(size_t count)
    {
        std::wstring out;
        for (size_t i = 0; i < count && ok_; ++i)
            out.push_back((wchar_t)Word());
        return out;
    }
    // A NUL-terminated UTF-16 text.
    std::wstring Text()
    {
        std::wstring out;
        for (WORD c = Word(); ok_ && c != 0; c = Word())
            out.push_back((wchar_t)c);
        return out;
    }
    void AlignTo4() { pos_ = std::min(size_, (pos_ + 3) & ~(size_t)3); }
    void Seek(size_t pos)
    {
        if (pos > size_)
            ok_ = false;
        pos_ = std::min(pos, size_);
    }

private:
    bool Need(size_t count)
    {
        if (pos_ + count > size_)
            ok_ = false;
        return ok_;
    }

    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    bool ok_ = true;
};

// A name-or-ordinal field of a dialog template: 0x0000 (none), 0xFFFF and a
// number, or a NUL-terminated text.
struct NameOrOrdinal {
    bool isOrdinal = false;
    WORD ordinal = 0;
    std::wstring text;

    static NameOrOrdinal Ordinal(WORD value)
    {
        NameOrOrdinal n;
        n.isOrdinal = true;
        n.ordinal = value;
        return n;
    }
    static NameOrOrdinal Text(const std::string& utf8)
    {
        NameOrOrdinal n;
        n.text = Widen(utf8);
        return n;
    }
    static NameOrOrdinal Read(Reader& in)
    {
        NameOrOrdinal n;
        WORD first = in.Word();
        if (first == 0xFFFF) {
            n.isOrdinal = true;
            n.ordinal = in.Word();
        } else if (first != 0) {
            n.text.push_back((wchar_t)first);
            n.text += in.Text();
        }
        return n;
    }
    bool operator==(const NameOrOrdinal& o) const
    {
        return isOrdinal == o.isOrdinal && ordinal == o.ordinal && text == o.text;
    }
};

std::ostream& operator<<(std::ostream& out, const NameOrOrdinal& n)
{
    if (n.isOrdinal)
        return out << "#" << n.ordinal;
    return out << '"' << Utf8(n.text) << '"';
}

// ---------------------------------------------------------------------------
// Parameters: every module with every language variant.

using ModuleAndVariant = std::tuple<ModuleKind, int>;

std::string ModuleAndVariantName(const ::testing::TestParamInfo<ModuleAndVariant>& info)
{
    return std::string(ModuleName(std::get<0>(info.param))) + "_" +
           kVariants[std::get<1>(info.param)].name;
}

std::string ModuleOnlyName(const ::testing::TestParamInfo<ModuleKind>& info)
{
    return ModuleName(info.param);
}

// Gives the module for a kind, or skips the test when the release executable
// was not built.
#define WENDLE_GET_MODULE(kind, module)                                                         \
    HMODULE module = (kind) == kTestProgram ? GetModuleHandleA(nullptr) : WendleExeModule();    \
    if (module == nullptr)                                                                     \
        GTEST_SKIP() << "no release Wendle.exe at " << WENDLE_EXE_PATH;

// ---------------------------------------------------------------------------
// String table

// The first block of the string table: ids 0 to 15, each a WORD length and
// that many UTF-16 units.
struct StringBlock {
    bool found = false;
    bool wellFormed = false;
    std::wstring entries[16];
};

StringBlock ReadStringBlock(HMODULE module, WORD language)
{
    StringBlock block;
    Blob blob = FindBlob(module, RT_STRING, MAKEINTRESOURCEA(1), language);
    block.found = (bool)blob;
    if (!blob)
        return block;
    Reader in(blob);
    for (std::wstring& entry : block.entries)
        entry = in.Chars(in.Word());
    block.wellFormed = in.ok() && in.pos() == in.size();
    return block;
}

class StringTable : public ::testing::TestWithParam<ModuleAndVariant> {
protected:
    const Variant& variant() const { return kVariants[std::get<1>(GetParam())]; }
    ModuleKind kind() const { return std::get<0>(GetParam()); }
};

TEST_P(StringTable, EveryEntrySaysWhatItShouldInThisLanguage)
{
    WENDLE_GET_MODULE(kind(), module);
    StringBlock block = ReadStringBlock(module, variant().language);
    ASSERT_TRUE(block.found) << "no string block for language " << variant().language;
    ASSERT_TRUE(block.wellFormed) << "the block is not sixteen counted strings";
    for (int id = 1; id <= 14; ++id) {
        std::wstring want = Widen(variant().strings[id]);
        EXPECT_TRUE(block.entries[id] == want)
            << "string " << id << "\n  stored:   " << Utf8(block.entries[id])
            << "\n  expected: " << variant().strings[id];
    }
}

TEST_P(StringTable, IdsZeroAndFifteenAreEmpty)
{
    WENDLE_GET_MODULE(kind(), module);
    StringBlock block = ReadStringBlock(module, variant().language);
    ASSERT_TRUE(block.wellFormed);
    EXPECT_TRUE(block.entries[0].empty()) << Utf8(block.entries[0]);
    EXPECT_TRUE(block.entries[15].empty()) << Utf8(block.entries[15]);
}

// The launcher reads the filters through the 8-bit interface and cuts them at
// every '|' byte, so the check runs on the bytes of the language's code page.
TEST_P(StringTable, FileFiltersBecomeExactlyTwoPairs)
{
    WENDLE_GET_MODULE(kind(), module);
    StringBlock block = ReadStringBlock(module, variant().language);
    ASSERT_TRUE(block.wellFormed);
    const struct {
        int id;
        const char* firstPattern;
    } filters[] = {{7, "*.exe"}, {8, "*.class"}};
    for (const auto& filter : filters) {
        std::string bytes = ToCodePage(block.entries[filter.id], variant().codePage);
        std::replace(bytes.begin(), bytes.end(), '|', '\0');
        bytes.push_back('\0');  // the terminator the loader adds
        std::vector<std::string> parts;
        for (const char* part = bytes.c_str();; part += strlen(part) + 1) {
            parts.push_back(part);
            if (*part == '\0' || parts.size() > 8)
                break;
        }
        ASSERT_EQ(5u, parts.size()) << "string " << filter.id << ": parts until the empty one";
        EXPECT_FALSE(parts[0].empty()) << "string " << filter.id;
        EXPECT_EQ(filter.firstPattern, parts[1]) << "string " << filter.id;
        EXPECT_FALSE(parts[2].empty()) << "string " << filter.id;
        EXPECT_EQ("*.*", parts[3]) << "string " << filter.id;
        EXPECT_EQ("", parts[4]) << "string " << filter.id;
    }
}

// Messages pass through printf-style formatting with at most one argument.
TEST_P(StringTable, OnlyTheSavedMessageHoldsAPlaceholder)
{
    WENDLE_GET_MODULE(kind(), module);
    StringBlock block = ReadStringBlock(module, variant().language);
    ASSERT_TRUE(block.wellFormed);
    for (int id = 0; id < 16; ++id) {
        const std::wstring& text = block.entries[id];
        size_t percents = std::count(text.begin(), text.end(), L'%');
        if (id == 13) {
            EXPECT_EQ(1u, percents) << Utf8(text);
            size_t at = text.find(L'%');
            EXPECT_EQ(L"%s", text.substr(at, 2)) << Utf8(text);
        } else {
            EXPECT_EQ(0u, percents) << "string " << id << ": " << Utf8(text);
        }
    }
}

// On a system of this language the loader hands the launcher these texts in
// the system's ANSI code page; a character outside it would turn into '?'.
TEST_P(StringTable, EveryEntryFitsTheCodePageAndTheLaunchersBuffer)
{
    WENDLE_GET_MODULE(kind(), module);
    StringBlock block = ReadStringBlock(module, variant().language);
    ASSERT_TRUE(block.wellFormed);
    for (int id = 1; id <= 14; ++id) {
        bool lossy = false;
        std::string bytes = ToCodePage(block.entries[id], variant().codePage, &lossy);
        EXPECT_FALSE(lossy) << "string " << id << " has a character outside code page "
                            << variant().codePage;
        if (expected::kCapacity[id] > 0) {
            EXPECT_LT(bytes.size(), (size_t)expected::kCapacity[id]) << "string " << id;
        }
    }
}

TEST_P(StringTable, NoEntryBeginsOrEndsWithALineFeed)
{
    WENDLE_GET_MODULE(kind(), module);
    StringBlock block = ReadStringBlock(module, variant().language);
    ASSERT_TRUE(block.wellFormed);
    for (int id = 1; id <= 14; ++id) {
        const std::wstring& text = block.entries[id];
        ASSERT_FALSE(text.empty()) << "string " << id;
        EXPECT_NE(L'\n', text.front()) << "string " << id;
        EXPECT_NE(L'\n', text.back()) << "string " << id;
        EXPECT_EQ(std::wstring::npos, text.find(L'\r')) << "string " << id;
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, StringTable,
                         ::testing::Combine(::testing::Values(kTestProgram, kWendleExe),
                                            ::testing::Range(0, expected::kVariantCount)),
                         ModuleAndVariantName);

// ---------------------------------------------------------------------------
// Dialog templates

struct Control {
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    WORD id = 0;
    NameOrOrdinal windowClass;
    NameOrOrdinal text;
    WORD extraBytes = 0;
};

struct Dialog {
    bool parsed = false;
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    NameOrOrdinal menu;
    NameOrOrdinal windowClass;
    std::wstring caption;
    WORD pointSize = 0;
    std::wstring font;
    std::vector<Control> controls;
};

// Reads a classic DLGTEMPLATE with its DLGITEMTEMPLATEs (not the EX form).
Dialog ParseDialog(const Blob& blob)
{
    Dialog d;
    Reader in(blob);
    d.style = in.Dword();
    d.exStyle = in.Dword();
    WORD count = in.Word();
    d.x = in.Short();
    d.y = in.Short();
    d.cx = in.Short();
    d.cy = in.Short();
    d.menu = NameOrOrdinal::Read(in);
    d.windowClass = NameOrOrdinal::Read(in);
    d.caption = in.Text();
    if (d.style & DS_SETFONT) {
        d.pointSize = in.Word();
        d.font = in.Text();
    }
    for (WORD i = 0; i < count && in.ok(); ++i) {
        in.AlignTo4();
        Control c;
        c.style = in.Dword();
        c.exStyle = in.Dword();
        c.x = in.Short();
        c.y = in.Short();
        c.cx = in.Short();
        c.cy = in.Short();
        c.id = in.Word();
        c.windowClass = NameOrOrdinal::Read(in);
        c.text = NameOrOrdinal::Read(in);
        c.extraBytes = in.Word();
        in.Bytes(c.extraBytes);
        d.controls.push_back(c);
    }
    // Nothing but alignment may follow the last control.
    d.parsed = in.ok() && in.size() - in.pos() < 4;
    return d;
}

const WORD kButton = 0x0080, kEdit = 0x0081, kStatic = 0x0082, kComboBox = 0x0085;

struct Layout {
    WORD id;
    WORD windowClass;
    DWORD style;
    short x, y, cx, cy;
};

const Layout kVmSelectLayout[] = {
    {0xFFFF, kStatic, 0x50000003, 8, 8, 20, 20},
    {1002, kStatic, 0x50020000, 44, 8, 208, 16},
    {1001, kComboBox, 0x50230103, 44, 28, 208, 65},
    {1, kButton, 0x50030001, 264, 8, 50, 14},
    {2, kButton, 0x50010000, 264, 28, 50, 14},
};

const Layout kNoVmLayout[] = {
    {0xFFFF, kStatic, 0x50000003, 8, 8, 20, 20},
    {1002, kStatic, 0x50020000, 44, 8, 209, 20},
    {1021, kButton, 0x50032409, 44, 36, 209, 10},
    {1022, kButton, 0x50000009, 44, 64, 209, 10},
    {1023, kButton, 0x50000009, 44, 100, 209, 10},
    {1010, kStatic, 0x50020000, 56, 48, 200, 8},
    {1004, kEdit, 0x50810080, 56, 80, 200, 14},
    {1003, kButton, 0x50010000, 264, 80, 50, 14},
    {1006, kEdit, 0x50810080, 56, 116, 200, 14},
    {1009, kButton, 0x50010000, 264, 116, 50, 14},
    {1, kButton, 0x50010001, 206, 140, 50, 14},
    {2, kButton, 0x50010000, 264, 140, 50, 14},
};

const NameOrOrdinal kIcon107 = NameOrOrdinal::Ordinal(107);

std::vector<NameOrOrdinal> VmSelectTexts(const Variant& v)
{
    return {kIcon107, NameOrOrdinal::Text(v.searching), NameOrOrdinal::Text(""),
            NameOrOrdinal::Text(v.selectOk), NameOrOrdinal::Text(v.selectCancel)};
}

std::vector<NameOrOrdinal> NoVmTexts(const Variant& v)
{
    auto t = [](const char* s) { return NameOrOrdinal::Text(s); };
    return {kIcon107,   t(v.noVm[0]), t(v.noVm[1]), t(v.noVm[2]), t(v.noVm[3]), t("(URL)"),
            t(""),      t(v.noVm[4]), t(""),        t(v.noVm[5]), t(v.noVm[6]), t(v.noVm[7])};
}

template <size_t N>
void ExpectDialog(HMODULE module, WORD dialogId, const Variant& v, const Layout (&layout)[N],
                  const std::vector<NameOrOrdinal>& texts, short cx, short cy)
{
    Blob blob = FindBlob(module, RT_DIALOG, MAKEINTRESOURCEA(dialogId), v.language);
    ASSERT_TRUE(blob) << "no dialog " << dialogId << " for language " << v.language;
    ASSERT_NE(0xFFFF0001u, *reinterpret_cast<const DWORD*>(blob.data))
        << "dialog " << dialogId << " is an extended template";
    Dialog d = ParseDialog(blob);
    ASSERT_TRUE(d.parsed) << "dialog " << dialogId << " does not parse to its end";

    EXPECT_EQ(0x90C000C0u, d.style);
    EXPECT_EQ(0u, d.exStyle);
    EXPECT_EQ(0, d.x);
    EXPECT_EQ(0, d.y);
    EXPECT_EQ(cx, d.cx);
    EXPECT_EQ(cy, d.cy);
    EXPECT_EQ(NameOrOrdinal(), d.menu) << "no menu";
    EXPECT_EQ(NameOrOrdinal(), d.windowClass) << "the standard dialog class";
    EXPECT_TRUE(d.caption == Widen(v.strings[2])) << "caption " << Utf8(d.caption);
    EXPECT_EQ(8, d.pointSize);
    EXPECT_TRUE(d.font == L"MS Sans Serif") << Utf8(d.font);

    ASSERT_EQ(N, d.controls.size());
    for (size_t i = 0; i < N; ++i) {
        const Control& c = d.controls[i];
        const Layout& want = layout[i];
        SCOPED_TRACE("control " + std::to_string(i + 1) + " of dialog " + std::to_string(dialogId));
        EXPECT_EQ(want.id, c.id);
        EXPECT_EQ(NameOrOrdinal::Ordinal(want.windowClass), c.windowClass);
        EXPECT_EQ(want.style, c.style);
        EXPECT_EQ(0u, c.exStyle);
        EXPECT_EQ(want.x, c.x);
        EXPECT_EQ(want.y, c.y);
        EXPECT_EQ(want.cx, c.cx);
        EXPECT_EQ(want.cy, c.cy);
        EXPECT_EQ(texts[i], c.text);
        EXPECT_EQ(0, c.extraBytes);
    }
}

class DialogTemplate : public ::testing::TestWithParam<ModuleAndVariant> {
protected:
    const Variant& variant() const { return kVariants[std::get<1>(GetParam())]; }
    ModuleKind kind() const { return std::get<0>(GetParam()); }
};

TEST_P(DialogTemplate, VmSelectionDialogMatchesItsLayoutAndTexts)
{
    WENDLE_GET_MODULE(kind(), module);
    ExpectDialog(module, 107, variant(), kVmSelectLayout, VmSelectTexts(variant()), 324, 53);
}

TEST_P(DialogTemplate, NoVmDialogMatchesItsLayoutAndTexts)
{
    WENDLE_GET_MODULE(kind(), module);
    ExpectDialog(module, 108, variant(), kNoVmLayout, NoVmTexts(variant()), 320, 162);
}

INSTANTIATE_TEST_SUITE_P(Languages, DialogTemplate,
                         ::testing::Combine(::testing::Values(kTestProgram, kWendleExe),
                                            ::testing::Range(0, expected::kVariantCount)),
                         ModuleAndVariantName);

INT_PTR CALLBACK QuietDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// The templates of this program's own resources, opened for real: every
// control is created and the icon control finds icon 107 in the module.
class DialogWindow : public ::testing::TestWithParam<int> {};

TEST_P(DialogWindow, BothDialogsOpenWithTheirIconAndControls)
{
    const Variant& v = kVariants[GetParam()];
    HINSTANCE instance = GetModuleHandleA(nullptr);
    const struct {
        WORD id;
        std::vector<WORD> controls;
    } dialogs[] = {
        {107, {1002, 1001, 1, 2}},
        {108, {1002, 1021, 1022, 1023, 1010, 1004, 1003, 1006, 1009, 1, 2}},
    };
    for (const auto& dialog : dialogs) {
        SCOPED_TRACE("dialog " + std::to_string(dialog.id));
        Blob blob = FindBlob(instance, RT_DIALOG, MAKEINTRESOURCEA(dialog.id), v.language);
        ASSERT_TRUE(blob);
        HWND window = CreateDialogIndirectParamW(
            instance, reinterpret_cast<LPCDLGTEMPLATEW>(blob.data), nullptr, QuietDialogProc, 0);
        ASSERT_NE(nullptr, window) << "error " << GetLastError();
        wchar_t caption[100] = {};
        GetWindowTextW(window, caption, 100);
        EXPECT_TRUE(Widen(v.strings[2]) == caption) << Utf8(caption);
        EXPECT_EQ(0, GetWindowLongA(window, GWL_STYLE) & WS_SYSMENU) << "no close box";
        HWND icon = GetDlgItem(window, 0xFFFF);
        ASSERT_NE(nullptr, icon);
        EXPECT_NE(0, SendMessageA(icon, STM_GETICON, 0, 0)) << "icon 107 was not loaded";
        for (WORD id : dialog.controls)
            EXPECT_NE(nullptr, GetDlgItem(window, id)) << "control " << id;
        DestroyWindow(window);
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, DialogWindow, ::testing::Range(0, expected::kVariantCount),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(kVariants[info.param].name);
                         });

// ---------------------------------------------------------------------------
// What the module holds, and in which languages

BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR param)
{
    reinterpret_cast<std::set<WORD>*>(param)->insert(language);
    return TRUE;
}

std::set<WORD> LanguagesOf(HMODULE module, LPCSTR type, WORD id)
{
    std::set<WORD> languages;
    EnumResourceLanguagesA(module, type, MAKEINTRESOURCEA(id), CollectLanguage,
                           reinterpret_cast<LONG_PTR>(&languages));
    return languages;
}

// Type or name: "#n" for a number, else the name.
std::string IdText(LPCSTR id)
{
    return IS_INTRESOURCE(id) ? "#" + std::to_string((WORD)(ULONG_PTR)id) : std::string(id);
}

BOOL CALLBACK CollectName(HMODULE, LPCSTR, LPSTR name, LONG_PTR param)
{
    reinterpret_cast<std::set<std::string>*>(param)->insert(IdText(name));
    return TRUE;
}

BOOL CALLBACK CollectType(HMODULE module, LPSTR type, LONG_PTR param)
{
    std::set<std::string> names;
    EnumResourceNamesA(module, type, CollectName, reinterpret_cast<LONG_PTR>(&names));
    std::string entry = IdText(type) + ":";
    for (const std::string& name : names)
        entry += " " + name;
    reinterpret_cast<std::set<std::string>*>(param)->insert(entry);
    return TRUE;
}

class ModuleResources : public ::testing::TestWithParam<ModuleKind> {};

TEST_P(ModuleResources, HoldExactlyTheLaunchersResources)
{
    WENDLE_GET_MODULE(GetParam(), module);
    std::set<std::string> found;
    EnumResourceTypesA(module, CollectType, reinterpret_cast<LONG_PTR>(&found));
    // RT_ICON 3, RT_STRING 6, RT_DIALOG 5, RT_GROUP_ICON 14, RT_VERSION 16,
    // RT_MANIFEST 24.
    std::set<std::string> wanted = {"#3: #1 #2", "#5: #107 #108", "#6: #1", "#14: #107",
                                    "#16: #1",   "#24: #1",       "JAVACLASS: #105"};
    EXPECT_EQ(wanted, found);
}

TEST_P(ModuleResources, StringsAndDialogsExistInTheSixLanguages)
{
    WENDLE_GET_MODULE(GetParam(), module);
    const std::set<WORD> six = {0x0407, 0x0409, 0x040C, 0x0410, 0x0411, 0x0C0A};
    EXPECT_EQ(six, LanguagesOf(module, RT_STRING, 1));
    EXPECT_EQ(six, LanguagesOf(module, RT_DIALOG, 107));
    EXPECT_EQ(six, LanguagesOf(module, RT_DIALOG, 108));
}

TEST_P(ModuleResources, IconVersionAndProbeClassAreUsEnglishOnly)
{
    WENDLE_GET_MODULE(GetParam(), module);
    const std::set<WORD> english = {0x0409};
    EXPECT_EQ(english, LanguagesOf(module, RT_GROUP_ICON, 107));
    EXPECT_EQ(english, LanguagesOf(module, RT_ICON, 1));
    EXPECT_EQ(english, LanguagesOf(module, RT_ICON, 2));
    EXPECT_EQ(english, LanguagesOf(module, RT_VERSION, 1));
    EXPECT_EQ(english, LanguagesOf(module, "JAVACLASS", 105));
    EXPECT_EQ(english, LanguagesOf(module, RT_MANIFEST, 1));
}

// The manifest keeps Windows' installer detection from elevating a file named
// setup.exe, names the Windows versions the launcher knows and makes it DPI
// aware.
TEST_P(ModuleResources, ManifestRunsAsInvokerAndIsDpiAware)
{
    WENDLE_GET_MODULE(GetParam(), module);
    Blob manifest = FindBlob(module, RT_MANIFEST, MAKEINTRESOURCEA(1), 0x0409);
    ASSERT_TRUE(manifest);
    std::string text(reinterpret_cast<const char*>(manifest.data), manifest.size);
    EXPECT_NE(std::string::npos, text.find("<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>"));
    EXPECT_NE(std::string::npos, text.find(">true</dpiAware>"));
    const char* const windows[] = {
        "{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
        "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
        "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"};
    for (const char* id : windows)
        EXPECT_NE(std::string::npos, text.find(std::string("<supportedOS Id=\"") + id + "\"/>")) << id;
}

// ---------------------------------------------------------------------------
// Icon

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width;
    BYTE height;
    BYTE colourCount;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytesInRes;
    WORD id;
};
#pragma pack(pop)
static_assert(sizeof(GroupIconEntry) == 14, "GRPICONDIRENTRY is 14 bytes");

struct IconImage {
    WORD id;
    BYTE colours;
    WORD bits;
};
const IconImage kIconImages[] = {{1, 2, 1}, {2, 16, 4}};

TEST_P(ModuleResources, IconGroupHoldsTwo32By32ImagesOfTwoAndSixteenColours)
{
    WENDLE_GET_MODULE(GetParam(), module);
    Blob group = FindBlob(module, RT_GROUP_ICON, MAKEINTRESOURCEA(107), 0x0409);
    ASSERT_TRUE(group);
    ASSERT_EQ(6u + 2 * sizeof(GroupIconEntry), group.size);
    const WORD* header = reinterpret_cast<const WORD*>(group.data);
    EXPECT_EQ(0, header[0]);
    EXPECT_EQ(1, header[1]) << "type 1: icon";
    ASSERT_EQ(2, header[2]);
    for (int i = 0; i < 2; ++i) {
        GroupIconEntry entry;
        memcpy(&entry, group.data + 6 + i * sizeof entry, sizeof entry);
        const IconImage& want = kIconImages[i];
        SCOPED_TRACE("image " + std::to_string(want.id));
        EXPECT_EQ(want.id, entry.id);
        EXPECT_EQ(32, entry.width);
        EXPECT_EQ(32, entry.height);
        EXPECT_EQ(want.colours, entry.colourCount);
        EXPECT_EQ(1, entry.planes);
        EXPECT_EQ(want.bits, entry.bitCount);
        Blob image = FindBlob(module, RT_ICON, MAKEINTRESOURCEA(entry.id), 0x0409);
        ASSERT_TRUE(image);
        EXPECT_EQ(entry.bytesInRes, image.size);
    }
}

TEST_P(ModuleResources, IconImagesAreUncompressedBitmapsWithMasks)
{
    WENDLE_GET_MODULE(GetParam(), module);
    std::vector<uint8_t> masks[2];
    for (int i = 0; i < 2; ++i) {
        const IconImage& want = kIconImages[i];
        SCOPED_TRACE("image " + std::to_string(want.id));
        Blob image = FindBlob(module, RT_ICON, MAKEINTRESOURCEA(want.id), 0x0409);
        ASSERT_TRUE(image);
        ASSERT_GE(image.size, sizeof(BITMAPINFOHEADER));
        BITMAPINFOHEADER header;
        memcpy(&header, image.data, sizeof header);
        EXPECT_EQ(40u, header.biSize);
        EXPECT_EQ(32, header.biWidth);
        EXPECT_EQ(64, header.biHeight) << "colour bits and mask";
        EXPECT_EQ(1, header.biPlanes);
        EXPECT_EQ(want.bits, header.biBitCount);
        EXPECT_EQ((DWORD)BI_RGB, header.biCompression);
        // Rows are padded to four bytes; the mask is 1 bit per pixel.
        size_t colourBytes = 32u * ((32u * want.bits + 31) / 32 * 4);
        size_t maskBytes = 32u * 4;
        size_t paletteBytes = 4u * want.colours;
        ASSERT_EQ(40 + paletteBytes + colourBytes + maskBytes, image.size);
        masks[i].assign(image.data + image.size - maskBytes, image.data + image.size);

        HICON icon = CreateIconFromResourceEx(const_cast<BYTE*>(image.data), (DWORD)image.size,
                                              TRUE, 0x00030000, 32, 32, 0);
        EXPECT_NE(nullptr, icon) << "the platform cannot build an icon from it";
        if (icon)
            DestroyIcon(icon);
    }
    // Both images show the same shape, and it is neither empty nor the full square.
    EXPECT_EQ(masks[0], masks[1]);
    size_t opaque = 0;
    for (uint8_t byte : masks[0])
        for (int bit = 0; bit < 8; ++bit)
            opaque += !(byte >> bit & 1);
    EXPECT_GT(opaque, 0u);
    EXPECT_LT(opaque, 32u * 32u);
}

TEST(Icon, ImagesAreTheOnesOfTheCommittedIconFile)
{
    std::vector<uint8_t> file = ReadFileBytes(WENDLE_SOURCE_DIR "/res/wendle.ico");
    ASSERT_GE(file.size(), 6u + 2 * 16u);
    ASSERT_EQ(2, file[4] | file[5] << 8);
    HMODULE module = GetModuleHandleA(nullptr);
    for (int i = 0; i < 2; ++i) {
        const uint8_t* entry = &file[6 + 16 * i];
        DWORD size, offset;
        memcpy(&size, entry + 8, 4);
        memcpy(&offset, entry + 12, 4);
        ASSERT_LE((size_t)offset + size, file.size());
        Blob image = FindBlob(module, RT_ICON, MAKEINTRESOURCEA(i + 1), 0x0409);
        ASSERT_TRUE(image);
        std::vector<uint8_t> fromFile(file.begin() + offset, file.begin() + offset + size);
        EXPECT_EQ(fromFile, image.bytes()) << "image " << i + 1;
    }
}

// ---------------------------------------------------------------------------
// Version record

// One node of the version record: wLength, wValueLength, wType, key, value,
// children, each part aligned to four bytes.
struct VersionNode {
    std::wstring key;
    WORD type = 0;
    std::vector<uint8_t> value;
    std::vector<VersionNode> children;
};

bool ReadVersionNode(Reader& in, VersionNode& node)
{
    size_t start = in.pos();
    WORD length = in.Word();
    WORD valueLength = in.Word();
    node.type = in.Word();
    node.key = in.Text();
    in.AlignTo4();
    // Text values count UTF-16 units, binary values bytes.
    node.value = in.Bytes(node.type == 1 ? valueLength * 2u : valueLength);
    in.AlignTo4();
    size_t end = start + length;
    if (!in.ok() || length < 6 || end > in.size())
        return false;
    while (in.pos() < end) {
        VersionNode child;
        if (!ReadVersionNode(in, child))
            return false;
        node.children.push_back(child);
        in.AlignTo4();
    }
    in.Seek(end);
    return in.ok();
}

// A text value without its terminating NUL.
std::wstring ValueText(const VersionNode& node)
{
    std::wstring text;
    for (size_t i = 0; i + 1 < node.value.size(); i += 2)
        text.push_back((wchar_t)(node.value[i] | node.value[i + 1] << 8));
    while (!text.empty() && text.back() == L'\0')
        text.pop_back();
    return text;
}

DWORD ValueDword(const VersionNode& node, size_t index)
{
    DWORD value = 0;
    if (node.value.size() >= (index + 1) * 4)
        memcpy(&value, &node.value[index * 4], 4);
    return value;
}

const char* const kVersionStrings[][2] = {
    {"Comments", ""},
    {"CompanyName", "Wendle Project"},
    {"FileDescription", "Tarrowby Java Edition Microsoft Windows executable stub"},
    {"FileVersion", "2.50.001"},
    {"InternalName", "Wendle"},
    {"LegalCopyright", "Copyright (C) 2026 Wendle Project"},
    {"LegalTrademarks", "Wendle is a trademark of the Wendle Project"},
    {"OriginalFilename", "Wendle.exe"},
    {"PrivateBuild", ""},
    {"ProductName", "Tarrowby Java (TM) Edition"},
    {"ProductVersion", "2.50"},
    {"SpecialBuild", ""},
};

class VersionRecord : public ::testing::TestWithParam<ModuleKind> {
protected:
    VersionNode root;
    bool parsed = false;

    void SetUp() override
    {
        WENDLE_GET_MODULE(GetParam(), module);
        Blob blob = FindBlob(module, RT_VERSION, MAKEINTRESOURCEA(1), 0x0409);
        ASSERT_TRUE(blob) << "no version record";
        Reader in(blob);
        parsed = ReadVersionNode(in, root);
        ASSERT_TRUE(parsed) << "the version record does not parse";
        ASSERT_TRUE(root.key == L"VS_VERSION_INFO") << Utf8(root.key);
    }

    const VersionNode* Child(const VersionNode& parent, const wchar_t* key) const
    {
        for (const VersionNode& child : parent.children)
            if (child.key == key)
                return &child;
        return nullptr;
    }
};

TEST_P(VersionRecord, FixedPartCarriesVersion2_50)
{
    ASSERT_EQ(52u, root.value.size()) << "VS_FIXEDFILEINFO";
    EXPECT_EQ(0xFEEF04BDu, ValueDword(root, 0));
    EXPECT_EQ(0x00020032u, ValueDword(root, 2)) << "file version 2.50";
    EXPECT_EQ(0x00010000u, ValueDword(root, 3)) << "file version .1.0";
    EXPECT_EQ(0x00020032u, ValueDword(root, 4)) << "product version 2.50";
    EXPECT_EQ(0x00000000u, ValueDword(root, 5)) << "product version .0.0";
    EXPECT_EQ(0x3Fu, ValueDword(root, 6)) << "flags mask";
    EXPECT_EQ(0u, ValueDword(root, 7)) << "flags";
    EXPECT_EQ(0x40004u, ValueDword(root, 8)) << "VOS_NT_WINDOWS32";
    EXPECT_EQ(1u, ValueDword(root, 9)) << "VFT_APP";
    EXPECT_EQ(0u, ValueDword(root, 10)) << "subtype";
    EXPECT_EQ(0u, ValueDword(root, 11)) << "date";
    EXPECT_EQ(0u, ValueDword(root, 12)) << "date";
}

TEST_P(VersionRecord, StringFieldsComeInOrderWithTheirValues)
{
    const VersionNode* info = Child(root, L"StringFileInfo");
    ASSERT_NE(nullptr, info);
    ASSERT_EQ(1u, info->children.size()) << "one string block";
    const VersionNode& table = info->children[0];
    EXPECT_TRUE(table.key == L"040904B0") << Utf8(table.key);
    const size_t count = sizeof kVersionStrings / sizeof kVersionStrings[0];
    ASSERT_EQ(count, table.children.size());
    for (size_t i = 0; i < count; ++i) {
        const VersionNode& field = table.children[i];
        EXPECT_TRUE(field.key == Widen(kVersionStrings[i][0]))
            << "field " << i + 1 << " is " << Utf8(field.key) << ", expected "
            << kVersionStrings[i][0];
        EXPECT_EQ(1, field.type) << kVersionStrings[i][0];
        EXPECT_EQ(kVersionStrings[i][1], Utf8(ValueText(field))) << kVersionStrings[i][0];
    }
}

TEST_P(VersionRecord, TranslationNamesUsEnglishAndUtf16)
{
    const VersionNode* var = Child(root, L"VarFileInfo");
    ASSERT_NE(nullptr, var);
    ASSERT_EQ(1u, var->children.size());
    const VersionNode& translation = var->children[0];
    EXPECT_TRUE(translation.key == L"Translation");
    EXPECT_EQ(0, translation.type);
    EXPECT_EQ((std::vector<uint8_t>{0x09, 0x04, 0xB0, 0x04}), translation.value);
}

// What the file's properties show: the platform's own reader of the record.
TEST_P(VersionRecord, PlatformReaderFindsTheProductName)
{
    std::wstring path = ModulePath(GetParam());
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    ASSERT_NE(0u, size);
    std::vector<uint8_t> data(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, data.data()));
    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\StringFileInfo\\040904B0\\ProductName", &value,
                               &length));
    EXPECT_TRUE(std::wstring(static_cast<wchar_t*>(value)) == L"Tarrowby Java (TM) Edition");
    VS_FIXEDFILEINFO* fixed = nullptr;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(0x00020032u, fixed->dwFileVersionMS);
    EXPECT_EQ(0x00010000u, fixed->dwFileVersionLS);
}

// ---------------------------------------------------------------------------
// Probe class

TEST_P(ModuleResources, ProbeClassIsFoundByTheNamedTypeJavaclass)
{
    WENDLE_GET_MODULE(GetParam(), module);
    // The launcher's own lookup: no language given.
    HRSRC info = FindResourceA(module, MAKEINTRESOURCEA(105), "JAVACLASS");
    ASSERT_NE(nullptr, info);
    Blob blob = FindBlob(module, "JAVACLASS", MAKEINTRESOURCEA(105), 0x0409);
    ASSERT_TRUE(blob);
    ASSERT_GE(blob.size, 4u);
    EXPECT_EQ((std::vector<uint8_t>{0xCA, 0xFE, 0xBA, 0xBE}),
              std::vector<uint8_t>(blob.data, blob.data + 4));
    EXPECT_EQ(ReadFileBytes(WENDLE_SOURCE_DIR "/res/TvqVersion.class"), blob.bytes())
        << "the stored class is not res/TvqVersion.class";
}

INSTANTIATE_TEST_SUITE_P(Modules, ModuleResources, ::testing::Values(kTestProgram, kWendleExe),
                         ModuleOnlyName);
INSTANTIATE_TEST_SUITE_P(Modules, VersionRecord, ::testing::Values(kTestProgram, kWendleExe),
                         ModuleOnlyName);

}  // namespace
