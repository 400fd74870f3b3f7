// The payload archive as the launcher reads it from a file, the file wrapper
// and the path functions over the fixed 260-byte buffers.
#include <gtest/gtest.h>

#include <functional>

#include "harness.h"
#include "payload/exception.h"
#include "payload/paths.h"
#include "payload/payload_archive.h"
#include "payload/runtime_archive.h"
#include "payload/text_buffer.h"
#include "payload/wide_paths.h"
#include "payload/work_folder.h"

using wendle_pack::Entry;

namespace {

// An edit of a 260-byte buffer that holds text: its result and the buffer.
std::string On(const std::string& text, const std::function<bool(char*)>& edit)
{
    char buffer[kTextBufferSize];
    CopyText(buffer, sizeof buffer, text.c_str());
    bool ok = edit(buffer);
    return std::to_string(ok) + " " + buffer;
}

TEST(Paths, JoinCutSplitAndTheirBounds)
{
    const std::string dir250 = "C:\\" + std::string(247, 'd'), full(259, 'x');
    auto name = [](char* path) {
        char name[kTextBufferSize] = "untouched";
        bool found = GetFileNamePart(path, name);
        return CopyText(path, kTextBufferSize, name) && found;
    };
    auto appendInFive = [](const char* more) {
        return [more](char* text) {
            char small[5];
            CopyText(small, sizeof small, text);
            bool fits = AppendText(small, sizeof small, more);
            return CopyText(text, kTextBufferSize, small) && fits;
        };
    };
    struct {
        const char* what;
        std::string got, expected;
    } cases[] = {
        {"a directory gains one backslash", On("C:\\T", [](char* t) { return AppendPath(t, "a.class"); }), "1 C:\\T\\a.class"},
        {"one backslash stays one", On("C:\\T\\", [](char* t) { return AppendPath(t, "a.class"); }), "1 C:\\T\\a.class"},
        {"a name's trailing backslash goes", On("C:\\T", [](char* t) { return AppendPath(t, "sub\\"); }), "1 C:\\T\\sub"},
        {"an empty directory gives the root", On("", [](char* t) { return AppendPath(t, "a.class"); }), "1 \\a.class"},
        {"259 characters fit", On(dir250, [](char* t) { return AppendPath(t, "12345678"); }), "1 " + dir250 + "\\12345678"},
        {"260 do not, the directory stays", On(dir250, [](char* t) { return AppendPath(t, "123456789"); }), "0 " + dir250},
        {"empty text becomes a backslash", On("", AddBackslash), "1 \\"},
        {"a drive gains a backslash", On("C:", AddBackslash), "1 C:\\"},
        {"a backslash is not doubled", On("C:\\", AddBackslash), "1 C:\\"},
        {"a full buffer gains none", On(full, AddBackslash), "0 " + full},
        {"the extension goes", On("simpjava.class", StripExtension), "1 simpjava"},
        {"only the last extension goes", On("a.b.c", StripExtension), "1 a.b"},
        {"no dot, no change", On("simpjava", StripExtension), "0 simpjava"},
        {"the file name of a path", On("C:\\jdk\\bin\\java.exe", name), "1 java.exe"},
        {"a trailing backslash names the folder", On("C:\\jdk\\bin\\", name), "1 bin"},
        {"no backslash, no name", On("java.exe", name), "0 untouched"},
        {"appending what fits", On("abc", appendInFive("d")), "1 abcd"},
        {"appending what does not fit", On("abc", appendInFive("de")), "0 abc"},
    };
    for (const auto& each : cases)
        EXPECT_EQ(each.expected, each.got) << each.what;
    char copy[4] = "old";
    EXPECT_FALSE(CopyText(copy, sizeof copy, "long"));
    EXPECT_STREQ("old", copy);
}

std::vector<Entry> ThreeEntries()
{
    return {wendle_pack::StringEntry("CommandLine", "A:A:A"), wendle_pack::StringEntry("URL", "https://example.org"),
            {"simpjava.class", 0, {0xCA, 0xFE, 0xBA, 0xBE}}};
}

DWORD WINAPI NoShortNames(LPCWSTR, LPWSTR, DWORD)
{
    return 0;
}

DWORD WINAPI ShortNamesOff(LPCWSTR path, LPWSTR shortPath, DWORD)
{
    return (DWORD)wcslen(wcscpy(shortPath, path));
}

DWORD WINAPI ShortName(LPCWSTR, LPWSTR shortPath, DWORD)
{
    return (DWORD)wcslen(wcscpy(shortPath, L"C:\\DVORAK~1"));
}

// Code page 1252 holds "Café" but not "Dvořák"; a volume without 8.3 names
// gives a path back as it is, or nothing.
TEST(WidePaths, APathOutsideTheCodePageGoesByItsShortFormOrNotAtAll)
{
    struct {
        const wchar_t* path;
        ShortPathLookup lookup;
        AnsiPathForm form;
        const char* ansi;
    } cases[] = {
        {L"C:\\Temp\\", NoShortNames, kAnsiPathExact, "C:\\Temp\\"},
        {L"C:\\Café", NoShortNames, kAnsiPathExact, "C:\\Caf\xE9"},
        {L"C:\\Dvořák", ShortName, kAnsiPathShort, "C:\\DVORAK~1"},
        {L"C:\\Dvořák", NoShortNames, kAnsiPathNone, ""},
        {L"C:\\Dvořák", ShortNamesOff, kAnsiPathNone, ""},
    };
    for (const auto& each : cases) {
        char ansi[kTextBufferSize] = "old";
        EXPECT_EQ(each.form, ToAnsiPath(each.path, ansi, each.lookup)) << wt::Utf8(each.path);
        EXPECT_STREQ(each.ansi, ansi) << wt::Utf8(each.path);
    }
}

// A folder of that name, left by an earlier run of a process with the same
// id, is passed over: two runs never share one.
TEST(WorkFolder, ANameThatIsTakenIsPassedOver)
{
    wt::Scratch temp("work");
    char taken[kTextBufferSize], folder[kTextBufferSize];
    ComposeWorkFolderName(taken, GetCurrentProcessId(), 0);
    wt::MakeDirs(temp / taken);
    ASSERT_TRUE(CreateWorkFolder(temp.path.c_str(), folder));
    EXPECT_EQ(2u, wt::List(temp.path).size()) << folder;
}

// Windows refuses to remove a folder marked read-only, Wine does not.
BOOL WINAPI RemoveAsWindowsDoes(LPCWSTR path)
{
    return GetFileAttributesW(path) & FILE_ATTRIBUTE_READONLY ? FALSE : RemoveDirectoryW(path);
}

// What an installer may leave in its folder: a read-only file in a read-only
// folder (Linux Java's File.setReadOnly, as Wine shows it), and a link to a
// folder outside, which Wine's functions remove in no way: what it points at
// must stay.
TEST(WorkFolder, TheRunsFolderGoesWithWhatTheInstallerLeft)
{
    wt::Scratch temp("left");
    const std::string run = temp / "run", outside = temp / "outside";
    wt::MakeDirs(run + "\\sub");
    wt::MakeDirs(outside);
    wt::WriteFile(run + "\\sub\\file", "x");
    wt::WriteFile(outside + "\\keep", "x");
    wine::RunUnix({"/bin/chmod", "a-w", wt::UnixPath(run + "\\sub\\file"), wt::UnixPath(run + "\\sub")});
    RemoveFolderTree(run.c_str(), RemoveAsWindowsDoes);
    EXPECT_FALSE(wt::Exists(run));
    wt::MakeDirs(run);
    wine::RunUnix({"/bin/ln", "-s", wt::UnixPath(outside), wt::UnixPath(run + "\\link")});
    RemoveFolderTree(run.c_str());
    EXPECT_TRUE(wt::Exists(outside + "\\keep"));
}

// Wendle.exe, a payload, and a certificate table that the security
// directory names with statedSize (its true size is 16).
std::string Signed(DWORD statedSize)
{
    std::string exe = wt::ReadFile(WENDLE_EXE);
    std::vector<uint8_t> payload = wendle_pack::EncodePayload(ThreeEntries(), (uint32_t)exe.size(), 8);
    std::string file = exe + std::string(payload.begin(), payload.end());
    DWORD table[2] = {(DWORD)file.size(), statedSize};
    DWORD pe = *(const DWORD*)&file[0x3C];
    // The data directories of a PE32+ file (a 64-bit stub) lie 16 bytes further.
    DWORD directories = *(const WORD*)&file[pe + 4 + 20] == 0x20B ? 112 : 96;
    file.replace(pe + 4 + 20 + directories + 4 * 8, 8, (const char*)table, 8);
    return file + std::string(16, 'C');
}

std::string Names(const std::string& bytes)
{
    wt::Scratch dir("walk");
    wt::WriteFile(dir / "setup.exe", bytes);
    PayloadArchive archive;
    archive.ReadDirectoryFrom((dir / "setup.exe").c_str());
    std::string names;
    for (int slot = 0; slot < kMaxPayloadEntries && archive.entries[slot]; ++slot)
        names += std::string(names.empty() ? "" : ",") + archive.entries[slot]->name;
    return names;
}

// Malformed payloads are the mutation campaign's; here, where a signature
// puts the payload: in front of a certificate table that ends the file.
TEST(PayloadArchive, ASignedInstallerKeepsItsPayload)
{
    EXPECT_EQ("CommandLine,URL,simpjava.class", Names(Signed(16)));
    EXPECT_EQ("", Names(Signed(15))) << "a table that does not end the file is no table";
    EXPECT_EQ("CommandLine,URL,Installer.class", Names(wt::ReadFile(SIGNED_INSTALLER)));
}

// Each name of tests/payload/entry_names.txt, the table that wendle-pack's
// tests read too, behind the three settings: the walk ends in front of every
// name that the tool refuses.
TEST(PayloadArchive, TheWalkEndsAtANameTheLauncherMayNotWrite)
{
    std::ifstream table(TESTS_DIR "/payload/entry_names.txt", std::ios::binary);
    ASSERT_TRUE(table) << "no table of names";
    for (std::string line; std::getline(table, line);) {
        if (line[0] == '#')
            continue;
        std::string verdict = line.substr(0, line.find('\t')), name = line.substr(verdict.size() + 1);
        for (size_t at = 0; (at = name.find("\\x", at)) != std::string::npos; ++at)
            name.replace(at, 4, 1, (char)std::stoi(name.substr(at + 2, 2), nullptr, 16));
        std::vector<Entry> entries = ThreeEntries();
        entries.push_back({name, 0, {}});
        std::vector<uint8_t> payload = wendle_pack::EncodePayload(entries, 64);
        EXPECT_EQ("CommandLine,URL,simpjava.class" + (verdict == "ok" ? "," + name : ""),
                  Names(std::string(64, 'x') + std::string(payload.begin(), payload.end()))) << line;
    }
}

// A copy is whole or it fails: a source that ends early and a failed write
// throw, and an extraction that fails leaves no file behind.
TEST(PayloadArchive, CopiesInChunksOrFails)
{
    wt::Scratch dir("copy");
    std::string big(5449781, 'b');
    big[65536] = 'x';
    wt::WriteFile(dir / "big", big);
    wt::WriteFile(dir / "copy", std::string(6000000, 'o'));
    FileHandle source, target, readOnly;
    source.OpenRead((dir / "big").c_str());
    target.CreateWrite((dir / "copy").c_str());
    CopyBytes(source, target, (DWORD)big.size());
    target.Close();
    EXPECT_EQ(big, wt::ReadFile(dir / "copy"));
    readOnly.OpenRead((dir / "copy").c_str());
    PayloadEntry cut("cut", 0, 1000, (DWORD)big.size() - 10);
    source.Seek(-10, FILE_END);
    EXPECT_THROW(CopyBytes(source, target, 1000), CException*) << "a source that ends early";
    source.Seek(0, FILE_BEGIN);
    EXPECT_THROW(CopyBytes(source, readOnly, 1000), CException*) << "a write that fails";
    EXPECT_THROW(cut.ExtractTo(source, (dir / "cut").c_str()), CException*);
    EXPECT_EQ((std::vector<std::string>{"big", "copy"}), wt::List(dir.path)) << "a partial file stayed";
}

}  // namespace

namespace {

// One member of a runtime archive: its header, its data, its padding.
std::string Member(const std::string& name, char type = '0', const std::string& data = "", size_t stated = ~0u)
{
    std::vector<uint8_t> header = wendle_pack::TarHeader(name, type, stated == ~0u ? data.size() : stated);
    return std::string(header.begin(), header.end()) + data + std::string(-data.size() % 512, '\0');
}

// An installer of 2 to 4 GB, its last entries behind a sparse gap past
// 2 GiB, is read, extracted and unpacked; one of 4 GB, whose end no offset
// reaches, is refused.
TEST(PayloadArchive, EntriesPastTwoGigabytesAreRead)
{
    wt::Scratch dir("big");
    const std::string path = dir / "setup.exe", java = Member("bin/", '5') + Member("bin/java.exe", '0', "MZ") + std::string(1024, '\0');
    const uint32_t gap = 2147587347u;
    std::vector<uint8_t> head(64, 'x'), tail;
    for (const Entry& entry : ThreeEntries())
        wendle_pack::AppendEntryBytes(head, entry.name, 0, (uint32_t)entry.data.size(), entry.data);
    wendle_pack::AppendEntryBytes(head, "gap", 0, gap, {});
    wendle_pack::AppendEntryBytes(tail, "runtime.tar", 0, (uint32_t)java.size(), {java.begin(), java.end()});
    wendle_pack::AppendEntryBytes(tail, "data.txt", 0, 4, {'d', 'a', 't', 'a'});
    wendle_pack::AppendUInt32(tail, 64);
    wt::WriteFile(path, std::string(head.begin(), head.end()));
    wt::WriteFile(dir / "tail", std::string(tail.begin(), tail.end()));
    wine::RunUnix({"/bin/sh", "-c", "truncate -s " + std::to_string(head.size() + gap) + " \"$0\" && cat \"$1\" >> \"$0\"",
                   wt::UnixPath(path), wt::UnixPath(dir / "tail")});
    PayloadArchive archive;
    archive.ReadDirectoryFrom(path.c_str());
    ASSERT_EQ(6, archive.CountEntries());
    archive.entries[5]->ExtractToDir(archive.file, dir.path.c_str(), "data.txt");
    EXPECT_EQ("data", wt::ReadFile(dir / "data.txt"));
    EXPECT_TRUE(RuntimeArchive(archive.file, *archive.entries[4]).UnpackTo((dir / "runtime").c_str()));
    EXPECT_EQ("MZ", wt::ReadFile(dir / "runtime\\bin\\java.exe"));
    archive.Close();
    wine::RunUnix({"/usr/bin/truncate", "-s", "4G", wt::UnixPath(path)});
    EXPECT_THROW(archive.ReadDirectoryFrom(path.c_str()), CException*);
}

}  // namespace
