// The payload format as wendle-pack writes it and as the launcher walks it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pack_format.h"
#include "test_files.h"

using namespace wendle_pack;
using test_files::Bytes;
using test_files::FakeClassFile;
using test_files::FakeStub;
using test_files::TempDir;

namespace {

const std::size_t kStubSize = 64;

std::vector<uint8_t> Concat(std::vector<uint8_t> head, const std::vector<uint8_t>& tail)
{
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

// A stub followed by raw entry bytes and a trailer pointing at the stub's end.
std::vector<uint8_t> StubWith(const std::vector<uint8_t>& entryBytes)
{
    std::vector<uint8_t> file = Concat(FakeStub(kStubSize), entryBytes);
    AppendUInt32(file, kStubSize);
    return file;
}

std::vector<uint8_t> EntryBytes(const std::string& name, const std::string& value)
{
    std::vector<uint8_t> out;
    Entry entry = StringEntry(name, value);
    AppendEntryBytes(out, entry.name, entry.kind, uint32_t(entry.data.size()), entry.data);
    return out;
}

std::vector<uint8_t> WithMagic(const std::string& magic, const std::string& name)
{
    std::vector<uint8_t> out = Bytes(magic + name);
    out.push_back(0);
    AppendUInt32(out, 0);
    AppendUInt32(out, 2);
    out.push_back('x');
    out.push_back(0);
    return out;
}

std::vector<std::string> Names(const std::vector<ListedEntry>& entries)
{
    std::vector<std::string> names;
    for (const ListedEntry& entry : entries)
        names.push_back(entry.name);
    return names;
}

// --- The reference payload, rebuilt -----------------------------------------

const char kReferenceUrl[] = "http://java.example.com/products/jdk/download/";
const std::size_t kReferenceStubSize = 0x12800;
const std::size_t kReferenceClassSize = 5449781;

struct ReferenceField {
    uint32_t offset;
    std::vector<uint8_t> bytes;
    const char* meaning;
};

TEST(ReferencePayload, IsRebuiltByteForByte)
{
    ASSERT_EQ(std::string(kReferenceUrl).size(), 46u);
    TempDir dir;
    const std::vector<uint8_t> stub = FakeStub(kReferenceStubSize);
    const std::vector<uint8_t> classFile = FakeClassFile(kReferenceClassSize);
    test_files::WriteBytes(dir.File("Wendle.exe"), stub);
    test_files::WriteBytes(dir.File("simpjava.class"), classFile);

    std::string error;
    ASSERT_TRUE(BuildPackedFile(dir.File("Wendle.exe"), "A:A:A", kReferenceUrl,
                                dir.File("simpjava.class"), dir.File("setup.exe"), &error))
        << error;
    const std::vector<uint8_t> packed = test_files::ReadBytes(dir.File("setup.exe"));

    ASSERT_EQ(packed.size(), 5525678u);
    EXPECT_TRUE(std::equal(stub.begin(), stub.end(), packed.begin())) << "the stub is copied first";
    std::vector<uint8_t> urlData = Bytes(kReferenceUrl);
    urlData.push_back(0);
    const std::vector<ReferenceField> fields = {
        {0x12800, Bytes(std::string("tvqCommandLine", 15)), "entry 0 header: magic and name"},
        {0x1280F, {0x00, 0x00, 0x00, 0x00}, "kind 0"},
        {0x12813, {0x06, 0x00, 0x00, 0x00}, "length 6"},
        {0x12817, Bytes(std::string("A:A:A", 6)), "the requirement string"},
        {0x1281D, Bytes(std::string("tvqURL", 7)), "entry 1 header"},
        {0x12824, {0x00, 0x00, 0x00, 0x00}, "kind 0"},
        {0x12828, {0x2F, 0x00, 0x00, 0x00}, "length 47"},
        {0x1282C, urlData, "the web address"},
        {0x1285B, Bytes(std::string("tvqsimpjava.class", 18)), "entry 2 header"},
        {0x1286D, {0x00, 0x00, 0x00, 0x00}, "kind 0"},
        {0x12871, {0x35, 0x28, 0x53, 0x00}, "length 5,449,781"},
        {0x12875, {0xCA, 0xFE, 0xBA, 0xBE}, "the installer class"},
        {0x5450AA, {0x00, 0x28, 0x01, 0x00}, "trailer: first entry at 0x12800"},
    };
    for (const ReferenceField& field : fields) {
        SCOPED_TRACE(field.meaning);
        ASSERT_LE(field.offset + field.bytes.size(), packed.size());
        EXPECT_EQ(std::vector<uint8_t>(packed.begin() + field.offset,
                                       packed.begin() + field.offset + field.bytes.size()),
                  field.bytes);
    }
    EXPECT_TRUE(std::equal(classFile.begin(), classFile.end(), packed.begin() + 0x12875))
        << "the class file is copied whole";

    std::vector<ListedEntry> entries;
    ASSERT_TRUE(ReadPayload(packed, &entries, &error)) << error;
    ASSERT_EQ(entries.size(), 3u);
    const struct {
        const char* name;
        uint32_t headerOffset, length, dataOffset;
    } expected[] = {
        {"CommandLine", 0x12800, 6, 0x12817},
        {"URL", 0x1281D, 47, 0x1282C},
        {"simpjava.class", 0x1285B, 5449781, 0x12875},
    };
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(entries[i].name, expected[i].name);
        EXPECT_EQ(entries[i].kind, 0u);
        EXPECT_EQ(entries[i].headerOffset, expected[i].headerOffset);
        EXPECT_EQ(entries[i].length, expected[i].length);
        EXPECT_EQ(entries[i].dataOffset, expected[i].dataOffset);
    }
    std::string value;
    ASSERT_TRUE(ReadStringValue(packed, entries[0], &value));
    EXPECT_EQ(value, "A:A:A");
    ASSERT_TRUE(ReadStringValue(packed, entries[1], &value));
    EXPECT_EQ(value, kReferenceUrl);
    EXPECT_TRUE(HasPayload(packed));
}

// --- Encoding -----------------------------------------------------------------

TEST(EncodePayload, StringEntryCarriesTextAndNulAndCountsTheNul)
{
    const std::vector<uint8_t> expected = {
        't', 'v', 'q', 'U', 'R', 'L', 0,   // magic, name, NUL
        0, 0, 0, 0,                         // kind
        3, 0, 0, 0,                         // length: "ab" and the NUL
        'a', 'b', 0,                        // data
        0x34, 0x12, 0, 0,                   // trailer
    };
    EXPECT_EQ(EncodePayload({StringEntry("URL", "ab")}, 0x1234), expected);
}

TEST(EncodePayload, EntriesFollowEachOtherWithoutPadding)
{
    Entry empty;
    empty.name = "e";
    Entry binary;
    binary.name = "b";
    binary.kind = 7;
    binary.data = {0xFF, 0x00};
    const std::vector<uint8_t> expected = {
        't', 'v', 'q', 'e', 0, 0, 0, 0, 0, 0, 0, 0, 0,
        't', 'v', 'q', 'b', 0, 7, 0, 0, 0, 2, 0, 0, 0, 0xFF, 0x00,
        0x04, 0x03, 0x02, 0x01,
    };
    EXPECT_EQ(EncodePayload({empty, binary}, 0x01020304), expected);
}

TEST(EncodePayload, PadsWithZerosInFrontOfTheTrailer)
{
    // 0x10 + 14 bytes of entry + 4 of trailer = 34: six zero bytes make 40.
    const std::vector<uint8_t> entry = {'t', 'v', 'q', 'e', 0, 0, 0, 0, 0, 1, 0, 0, 0, 0};
    EXPECT_EQ(EncodePayload({StringEntry("e", "")}, 0x10, 8),
              Concat(entry, {0, 0, 0, 0, 0, 0, 0x10, 0, 0, 0}));
    EXPECT_EQ(EncodePayload({StringEntry("e", "")}, 0x10, 1), Concat(entry, {0x10, 0, 0, 0}));
    EXPECT_EQ(EncodePayload({StringEntry("e", "")}, 0x10, 32).size(), 64u - 0x10);
}

TEST(PaddingFor, RoundsUpToTheAlignment)
{
    const struct {
        uint64_t size;
        uint32_t alignment;
        uint32_t padding;
    } cases[] = {
        {0, 8, 0},     {1, 8, 7},     {7, 8, 1},      {8, 8, 0},   {9, 8, 7},
        {105580, 8, 4}, {5525678, 8, 2}, {17, 1, 0},  {17, 2, 1},  {4097, 4096, 4095},
        {0xFFFFFFFFull, 8, 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PaddingFor(c.size, c.alignment), c.padding) << c.size << " to " << c.alignment;
}

TEST(IsValidAlignment, AcceptsPowersOfTwoUpTo65536)
{
    for (uint64_t ok : {1ull, 2ull, 4ull, 8ull, 512ull, 65536ull})
        EXPECT_TRUE(IsValidAlignment(ok)) << ok;
    for (uint64_t bad : {0ull, 3ull, 6ull, 12ull, 131072ull, 0x100000000ull})
        EXPECT_FALSE(IsValidAlignment(bad)) << bad;
}

TEST(EncodePayload, NoEntriesGivesTheTrailerAlone)
{
    EXPECT_EQ(EncodePayload({}, 0x80), std::vector<uint8_t>({0x80, 0, 0, 0}));
}

// --- Walking the chain ------------------------------------------------------

struct WalkCase {
    const char* description;
    std::vector<uint8_t> file;
    std::vector<std::string> names;   // empty: no payload
};

std::vector<WalkCase> WalkCases()
{
    const std::vector<uint8_t> requirement = EntryBytes("CommandLine", "A:A:A");
    const std::vector<uint8_t> url = EntryBytes("URL", "http://x/");
    std::vector<uint8_t> classEntry;
    AppendEntryBytes(classEntry, "setup.class", 0, 4, FakeClassFile(4));

    std::vector<WalkCase> cases;
    cases.push_back({"three well-formed entries are all read",
                     StubWith(Concat(Concat(requirement, url), classEntry)),
                     {"CommandLine", "URL", "setup.class"}});
    cases.push_back({"a file shorter than the trailer has no payload", {1, 2, 3}, {}});
    cases.push_back({"an executable without payload (trailer 0 points at MZ) has none",
                     FakeStub(kStubSize), {}});

    std::vector<uint8_t> beyond = Concat(FakeStub(kStubSize), requirement);
    AppendUInt32(beyond, uint32_t(beyond.size() + 5));
    cases.push_back({"a trailer pointing beyond the end of the file gives no payload", beyond, {}});

    std::vector<uint8_t> atSize = Concat(FakeStub(kStubSize), requirement);
    AppendUInt32(atSize, uint32_t(atSize.size() + 4));
    cases.push_back({"a trailer equal to the file size gives no payload", atSize, {}});

    cases.push_back({"a magic in upper case does not match",
                     StubWith(WithMagic("TVQ", "setup.class")), {}});
    cases.push_back({"a magic in mixed case ends the walk",
                     StubWith(Concat(requirement, WithMagic("tVq", "URL"))), {"CommandLine"}});
    cases.push_back({"a name of 19 characters is read",
                     StubWith(EntryBytes("ABCDEFGHIJKLM.class", "x")), {"ABCDEFGHIJKLM.class"}});
    cases.push_back({"a name of 20 characters ends the walk",
                     StubWith(Concat(requirement, EntryBytes("ABCDEFGHIJKLMN.class", "x"))),
                     {"CommandLine"}});
    cases.push_back({"a name with a path separator ends the walk",
                     StubWith(Concat(requirement, EntryBytes("..\\evil.class", "x"))),
                     {"CommandLine"}});
    cases.push_back({"a name with a drive colon ends the walk",
                     StubWith(Concat(requirement, EntryBytes("C:evil.class", "x"))),
                     {"CommandLine"}});
    cases.push_back({"an empty name ends the walk",
                     StubWith(Concat(requirement, EntryBytes("", "x"))), {"CommandLine"}});

    std::vector<uint8_t> intoTrailer = requirement;
    AppendEntryBytes(intoTrailer, "URL", 0, 10, Bytes("http://x/"));   // one byte short
    cases.push_back({"data that reaches into the trailer ends the walk", StubWith(intoTrailer),
                     {"CommandLine"}});

    std::vector<uint8_t> headerIntoTrailer = Concat(requirement, Bytes(std::string("tvqURL\0", 7)));
    AppendUInt32(headerIntoTrailer, 0);   // kind; the length would be the trailer
    cases.push_back({"a header that runs into the trailer ends the walk",
                     StubWith(headerIntoTrailer), {"CommandLine"}});

    std::vector<uint8_t> empty;
    AppendEntryBytes(empty, "empty.dat", 0, 0, {});
    cases.push_back({"an entry of length 0 is read", StubWith(empty), {"empty.dat"}});

    for (int zeros = 1; zeros <= 7; ++zeros) {
        cases.push_back({"zero padding in front of the trailer is invisible",
                         StubWith(Concat(Concat(requirement, url), std::vector<uint8_t>(zeros, 0))),
                         {"CommandLine", "URL"}});
    }
    cases.push_back({"bytes between the last entry and the trailer end the walk",
                     StubWith(Concat(requirement, Bytes("garbage"))), {"CommandLine"}});

    std::vector<uint8_t> eleven;
    std::vector<std::string> ten;
    for (int i = 0; i < 11; ++i) {
        std::string name = "entry" + std::to_string(i);
        eleven = Concat(eleven, EntryBytes(name, "v"));
        if (i < 10)
            ten.push_back(name);
    }
    cases.push_back({"eleven entries: the walk stops after the tenth", StubWith(eleven), ten});
    return cases;
}

TEST(ReadPayload, WalksTheChainLikeTheLauncher)
{
    for (const WalkCase& walk : WalkCases()) {
        SCOPED_TRACE(walk.description);
        std::vector<ListedEntry> entries;
        std::string error;
        bool found = ReadPayload(walk.file, &entries, &error);
        EXPECT_EQ(found, !walk.names.empty());
        EXPECT_EQ(Names(entries), walk.names);
        if (!found)
            EXPECT_NE(error.find("no payload"), std::string::npos) << error;
    }
}

TEST(WalkPayload, SaysWhereAndWhyTheWalkEnded)
{
    const std::vector<uint8_t> requirement = EntryBytes("CommandLine", "A:A:A");   // 29 bytes
    std::vector<uint8_t> eleven;
    for (int i = 0; i < 11; ++i)
        eleven = Concat(eleven, EntryBytes("e" + std::to_string(i), "v"));   // 16 bytes each
    std::vector<uint8_t> dataCut = requirement;
    AppendEntryBytes(dataCut, "URL", 0, 99, Bytes("http://x/"));
    std::vector<uint8_t> headerCut = Concat(requirement, Bytes(std::string("tvqURL\0", 7)));

    const struct {
        const char* description;
        std::vector<uint8_t> file;
        ChainEnd end;
        uint64_t endPosition;
        std::string storedName;
    } cases[] = {
        {"the last entry ends at the trailer", StubWith(requirement), ChainEnd::kTrailer,
         kStubSize + 29, ""},
        {"zero padding", StubWith(Concat(requirement, {0, 0, 0})), ChainEnd::kPadding,
         kStubSize + 29, ""},
        {"other bytes", StubWith(Concat(requirement, Bytes("junk"))), ChainEnd::kOtherBytes,
         kStubSize + 29, ""},
        {"a magic in upper case", StubWith(WithMagic("TVQ", "a")), ChainEnd::kMagicCase,
         kStubSize, ""},
        {"an eleventh entry", StubWith(eleven), ChainEnd::kTenEntries, kStubSize + 160, ""},
        {"a name of 20 characters",
         StubWith(Concat(requirement, EntryBytes(std::string(20, 'n'), "x"))),
         ChainEnd::kLongName, kStubSize + 29, std::string(20, 'n')},
        {"a name with a separator", StubWith(Concat(requirement, EntryBytes("a/b", "x"))),
         ChainEnd::kBadName, kStubSize + 29, "a/b"},
        {"a header cut by the trailer", StubWith(headerCut), ChainEnd::kHeaderCut,
         kStubSize + 29, ""},
        {"data cut by the trailer", StubWith(dataCut), ChainEnd::kDataCut, kStubSize + 29, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.description);
        ChainWalk walk;
        std::string error;
        ASSERT_TRUE(WalkPayload(c.file, &walk, &error)) << error;
        EXPECT_EQ(walk.end, c.end);
        EXPECT_EQ(walk.endPosition, c.endPosition);
        EXPECT_EQ(walk.storedName, c.storedName);
        EXPECT_EQ(walk.trailer, c.file.size() - 4);
        EXPECT_EQ(walk.firstEntry, kStubSize);
    }
}

TEST(ReadPayload, ReportsOffsetsOfEachEntry)
{
    std::vector<uint8_t> file = StubWith(Concat(EntryBytes("CommandLine", "A:A:A"),
                                                EntryBytes("URL", "")));
    std::vector<ListedEntry> entries;
    std::string error;
    ASSERT_TRUE(ReadPayload(file, &entries, &error)) << error;
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].headerOffset, kStubSize);
    EXPECT_EQ(entries[0].dataOffset, kStubSize + 3 + 12 + 8);
    EXPECT_EQ(entries[0].length, 6u);
    EXPECT_EQ(entries[1].headerOffset, kStubSize + 3 + 12 + 8 + 6);
    EXPECT_EQ(entries[1].dataOffset, kStubSize + 3 + 12 + 8 + 6 + 3 + 4 + 8);
    EXPECT_EQ(entries[1].length, 1u);
}

TEST(HasPayload, TellsAPackedFileFromAPlainStub)
{
    std::vector<uint8_t> upperCase = StubWith(WithMagic("TVQ", "a.class"));
    std::vector<uint8_t> beyond = FakeStub(kStubSize);
    AppendUInt32(beyond, 0x7FFFFFFF);
    const struct {
        const char* description;
        std::vector<uint8_t> file;
        bool expected;
    } cases[] = {
        {"a plain stub ending in zeros", FakeStub(kStubSize), false},
        {"a packed file", StubWith(EntryBytes("CommandLine", "A")), true},
        {"a trailer pointing beyond the end", beyond, false},
        {"a trailer pointing at bytes other than the magic", StubWith(Bytes("junk")), false},
        {"a magic in upper case", upperCase, false},
        {"a file of three bytes", {'t', 'v', 'q'}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.description);
        EXPECT_EQ(HasPayload(c.file), c.expected);
    }
}

TEST(ReadStringValue, StopsAtTheNulWithinTheEntry)
{
    const std::string longest(259, 'r');
    std::vector<uint8_t> noNul;
    AppendEntryBytes(noNul, "CommandLine", 0, 3, Bytes("abc"));
    std::vector<uint8_t> nulBeyondLength;
    AppendEntryBytes(nulBeyondLength, "CommandLine", 0, 3, Bytes(std::string("abcd\0", 5)));
    std::vector<uint8_t> shortLength;
    AppendEntryBytes(shortLength, "CommandLine", 0, 9, Bytes(std::string("ab\0cdefgh", 9)));
    const struct {
        const char* description;
        std::vector<uint8_t> entry;
        bool readable;
        std::string value;
    } cases[] = {
        {"a plain value", EntryBytes("CommandLine", "1.1:A:A"), true, "1.1:A:A"},
        {"an empty value", EntryBytes("CommandLine", ""), true, ""},
        {"a value of 259 characters", EntryBytes("CommandLine", longest), true, longest},
        {"a value of 260 characters does not fit the launcher's buffer",
         EntryBytes("CommandLine", longest + "r"), false, ""},
        {"a value without NUL", noNul, false, ""},
        {"a NUL only behind the entry's data", nulBeyondLength, false, ""},
        {"text behind the NUL is ignored", shortLength, true, "ab"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.description);
        std::vector<uint8_t> file = StubWith(c.entry);
        std::vector<ListedEntry> entries;
        std::string error;
        ASSERT_TRUE(ReadPayload(file, &entries, &error)) << error;
        std::string value = "unchanged";
        EXPECT_EQ(ReadStringValue(file, entries[0], &value), c.readable);
        if (c.readable)
            EXPECT_EQ(value, c.value);
    }
}

// --- Names and limits -------------------------------------------------------

TEST(FileNamePart, TakesTheNameBehindEitherSeparator)
{
    const struct {
        const char* path;
        const char* name;
    } cases[] = {
        {"setup.class", "setup.class"},
        {"build/out/setup.class", "setup.class"},
        {"C:\\work\\setup.class", "setup.class"},
        {"mixed/dir\\setup.class", "setup.class"},
        {"build/", ""},
        {"C:setup.class", "C:setup.class"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FileNamePart(c.path), c.name) << c.path;
}

TEST(IsPlainFileName, AcceptsOnlyNamesThatStayInTheirDirectory)
{
    const struct {
        std::string name;
        bool plain;
    } cases[] = {
        {"setup.class", true},   {"a", true},        {"..class", true},
        {"", false},             {".", false},       {"..", false},
        {"a/b", false},          {"a\\b", false},    {"C:b", false},
        {std::string("a\0b", 3), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsPlainFileName(c.name), c.plain) << '"' << c.name << '"';
}

TEST(TrailerSpellsMagic, RecognisesOffsetsWhoseLowBytesReadTvq)
{
    EXPECT_TRUE(TrailerSpellsMagic(0x00717674));
    EXPECT_TRUE(TrailerSpellsMagic(0xFF717674));
    EXPECT_FALSE(TrailerSpellsMagic(0x00012800));
    EXPECT_FALSE(TrailerSpellsMagic(0x00717675));
    EXPECT_FALSE(TrailerSpellsMagic(0x00747671));
}

TEST(CheckPayload, EnforcesTheLauncherLimits)
{
    std::vector<Entry> ten;
    for (int i = 0; i < 10; ++i)
        ten.push_back(StringEntry("e" + std::to_string(i), "v"));
    std::vector<Entry> eleven = ten;
    eleven.push_back(StringEntry("e10", "v"));
    const struct {
        const char* description;
        std::vector<Entry> entries;
        uint64_t payloadStart;
        const char* refusal;   // null: accepted
    } cases[] = {
        {"ten entries", ten, 0x400, nullptr},
        {"eleven entries", eleven, 0x400, "11 entries"},
        {"a name of 19 characters", {StringEntry(std::string(19, 'n'), "")}, 0x400, nullptr},
        {"a name of 20 characters", {StringEntry(std::string(20, 'n'), "")}, 0x400,
         "20 characters"},
        {"a name with a separator", {StringEntry("a/b", "")}, 0x400, "not a plain file name"},
        {"a stub whose size reads as the magic", {StringEntry("a", "")}, 0x717674,
         "read as an entry's magic"},
        {"a stub that pushes the file past 4 GB", {StringEntry("a", "")}, 0xFFFFFFF0,
         "below 4 GB"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.description);
        std::string error;
        bool accepted = CheckPayload(c.entries, c.payloadStart, &error);
        EXPECT_EQ(accepted, c.refusal == nullptr);
        if (c.refusal != nullptr)
            EXPECT_NE(error.find(c.refusal), std::string::npos) << error;
    }
}

TEST(CheckStringValue, AcceptsWhatFitsTheLauncherBuffer)
{
    std::string error;
    EXPECT_TRUE(CheckStringValue("the URL", "", &error));
    EXPECT_TRUE(CheckStringValue("the URL", std::string(259, 'u'), &error));
    EXPECT_FALSE(CheckStringValue("the URL", std::string(260, 'u'), &error));
    EXPECT_EQ(error, "the URL has 260 characters; the launcher holds at most 259");
    EXPECT_FALSE(CheckStringValue("the requirement", std::string("A\0B", 3), &error));
    EXPECT_EQ(error, "the requirement contains a NUL character");
}

// --- Building ---------------------------------------------------------------

TEST(BuildPackedFile, LongestValuesAndNameRoundTrip)
{
    TempDir dir;
    const std::string requirement(259, 'r');
    const std::string url(259, 'u');
    const std::string className = "ABCDEFGHIJKLM.class";   // 19 characters
    test_files::WriteBytes(dir.File("stub.exe"), FakeStub(1000));
    test_files::WriteBytes(dir.File(className), FakeClassFile(100));

    std::string error;
    ASSERT_TRUE(BuildPackedFile(dir.File("stub.exe"), requirement, url, dir.File(className),
                                dir.File("out.exe"), &error))
        << error;
    std::vector<uint8_t> packed = test_files::ReadBytes(dir.File("out.exe"));
    std::vector<ListedEntry> entries;
    ASSERT_TRUE(ReadPayload(packed, &entries, &error)) << error;
    EXPECT_EQ(Names(entries), std::vector<std::string>({"CommandLine", "URL", className}));
    std::string value;
    ASSERT_TRUE(ReadStringValue(packed, entries[0], &value));
    EXPECT_EQ(value, requirement);
    ASSERT_TRUE(ReadStringValue(packed, entries[1], &value));
    EXPECT_EQ(value, url);
    EXPECT_EQ(dir.List(), std::vector<std::string>({className, "out.exe", "stub.exe"}))
        << "nothing but the output is left behind";
}

TEST(BuildPackedFile, OptionsAlignAndReplace)
{
    TempDir dir;
    test_files::WriteBytes(dir.File("stub.exe"), FakeStub(301));
    test_files::WriteBytes(dir.File("setup.class"), FakeClassFile(10));
    BuildOptions options;
    options.alignment = 16;
    std::string error;
    ASSERT_TRUE(BuildPackedFile(dir.File("stub.exe"), "A:A:A", "http://x/",
                                dir.File("setup.class"), dir.File("out.exe"), options, &error))
        << error;
    const std::vector<uint8_t> packed = test_files::ReadBytes(dir.File("out.exe"));
    EXPECT_EQ(packed.size() % 16, 0u);

    // The packed file as a stub: refused, then replaced with force.
    EXPECT_FALSE(BuildPackedFile(dir.File("out.exe"), "1.1:A:A", "http://x/",
                                 dir.File("setup.class"), dir.File("again.exe"), options, &error));
    EXPECT_NE(error.find("already carries a payload"), std::string::npos) << error;
    options.force = true;
    ASSERT_TRUE(BuildPackedFile(dir.File("out.exe"), "1.1:A:A", "http://x/",
                                dir.File("setup.class"), dir.File("again.exe"), options, &error))
        << error;
    std::vector<ListedEntry> entries;
    const std::vector<uint8_t> again = test_files::ReadBytes(dir.File("again.exe"));
    ASSERT_TRUE(ReadPayload(again, &entries, &error)) << error;
    EXPECT_EQ(entries[0].headerOffset, 301u) << "the old payload is cut away";
    std::string value;
    ASSERT_TRUE(ReadStringValue(again, entries[0], &value));
    EXPECT_EQ(value, "1.1:A:A");

    options.alignment = 24;
    EXPECT_FALSE(BuildPackedFile(dir.File("stub.exe"), "A:A:A", "http://x/",
                                 dir.File("setup.class"), dir.File("bad.exe"), options, &error));
    EXPECT_EQ(error, "alignment 24 is not a power of two from 1 to 65536");
    EXPECT_FALSE(test_files::Exists(dir.File("bad.exe")));
}

TEST(BuildPackedFile, ReplacesAnExistingOutput)
{
    TempDir dir;
    test_files::WriteBytes(dir.File("stub.exe"), FakeStub(300));
    test_files::WriteBytes(dir.File("setup.class"), FakeClassFile(10));
    test_files::WriteText(dir.File("out.exe"), std::string(5000, 'o'));

    std::string error;
    ASSERT_TRUE(BuildPackedFile(dir.File("stub.exe"), "A:A:A", "http://x/",
                                dir.File("setup.class"), dir.File("out.exe"), &error))
        << error;
    std::vector<uint8_t> expected = FakeStub(300);
    Entry classEntry;
    classEntry.name = "setup.class";
    classEntry.data = FakeClassFile(10);
    expected = Concat(expected, EncodePayload({StringEntry("CommandLine", "A:A:A"),
                                               StringEntry("URL", "http://x/"), classEntry},
                                              300));
    EXPECT_EQ(test_files::ReadBytes(dir.File("out.exe")), expected);
}

}  // namespace
