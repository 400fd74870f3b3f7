// The payload directory walk, string reads and extraction, on files made by
// wendle-pack's encoder (well-formed) or byte by byte (malformed).
#include <gtest/gtest.h>

#include <string>

#include "payload/exception.h"
#include "payload/payload_archive.h"
#include "payload/text_buffer.h"
#include "test_support.h"
#include "tools/wendle-pack/pack_format.h"

using test_support::Bytes;
using test_support::ScratchDir;
using wendle_pack::Entry;
using wendle_pack::StringEntry;

namespace {

const uint32_t kStubSize = 1000;

Bytes Stub(uint32_t size = kStubSize)
{
    return Bytes(size, 'M');
}

// Stub followed by the encoded entries and trailer.
Bytes PackedFile(const std::vector<Entry>& entries, uint32_t stubSize = kStubSize)
{
    Bytes file = Stub(stubSize);
    Bytes payload = wendle_pack::EncodePayload(entries, stubSize);
    file.insert(file.end(), payload.begin(), payload.end());
    return file;
}

Bytes WithTrailer(Bytes file, uint32_t firstEntry)
{
    wendle_pack::AppendUInt32(file, firstEntry);
    return file;
}

Entry DataEntry(const std::string& name, const Bytes& data, uint32_t kind = 0)
{
    Entry entry;
    entry.name = name;
    entry.kind = kind;
    entry.data = data;
    return entry;
}

std::vector<Entry> StandardEntries()
{
    return {StringEntry("CommandLine", "A:A:A"), StringEntry("URL", "https://example.org/java"),
            DataEntry("Installer.class", test_support::FakeClassFile(5000))};
}

std::vector<std::string> NamesOf(const PayloadArchive& archive)
{
    std::vector<std::string> names;
    for (int slot = 0; slot < kMaxPayloadEntries && archive.entries[slot]; ++slot)
        names.push_back(archive.entries[slot]->name);
    return names;
}

std::vector<std::string> ReadNames(const std::string& path)
{
    PayloadArchive archive;
    archive.ReadDirectoryFrom(path.c_str());
    return NamesOf(archive);
}

class PayloadArchiveTest : public ::testing::Test {
protected:
    ScratchDir dir{"pa"};
    std::string Write(const std::string& name, const Bytes& bytes)
    {
        std::string path = dir / name;
        test_support::WriteBytes(path, bytes);
        return path;
    }
};

TEST_F(PayloadArchiveTest, ReferencePayloadRebuiltByWendlePack)
{
    // The reference file: a 0x12800-byte executable image, the requirement
    // A:A:A, a 46-character address and a 5,449,781-byte installer class.
    std::string stub = Write("stub.exe", Stub(0x12800));
    std::string classFile = Write("simpjava.class", test_support::FakeClassFile(5449781));
    std::string packed = dir / "setup.exe";
    std::string error;
    ASSERT_TRUE(wendle_pack::BuildPackedFile(stub, "A:A:A", std::string(46, 'u'), classFile,
                                             packed, &error))
        << error;
    EXPECT_EQ(5525678u, test_support::ReadBytes(packed).size());

    PayloadArchive archive;
    archive.ReadDirectoryFrom(packed.c_str());
    ASSERT_EQ(3, archive.CountEntries());
    const struct {
        const char* name;
        DWORD length;
        DWORD dataOffset;
    } expected[] = {
        {"CommandLine", 6, 0x12817}, {"URL", 47, 0x1282C}, {"simpjava.class", 5449781, 0x12875}};
    for (int slot = 0; slot < 3; ++slot) {
        EXPECT_STREQ(expected[slot].name, archive.entries[slot]->name);
        EXPECT_EQ(0u, archive.entries[slot]->kind);
        EXPECT_EQ(expected[slot].length, archive.entries[slot]->length);
        EXPECT_EQ(expected[slot].dataOffset, archive.entries[slot]->dataOffset);
    }
    char value[kTextBufferSize];
    ASSERT_TRUE(archive.entries[0]->ReadString(archive.file, value));
    EXPECT_STREQ("A:A:A", value);
    ASSERT_TRUE(archive.entries[1]->ReadString(archive.file, value));
    EXPECT_EQ(std::string(46, 'u'), value);

    ScratchDir out("pa-out");
    archive.ExtractAll(out.path().c_str(), 0);
    EXPECT_EQ((std::vector<std::string>{"CommandLine", "URL", "simpjava.class"}),
              test_support::ListDir(out.path()));
    EXPECT_EQ(test_support::ReadBytes(classFile), test_support::ReadBytes(out / "simpjava.class"));
    EXPECT_EQ("A:A:A", std::string(reinterpret_cast<const char*>(
                           test_support::ReadBytes(out / "CommandLine").data())));

    archive.DeleteExtracted(out.path().c_str(), 0);
    EXPECT_TRUE(test_support::ListDir(out.path()).empty());
}

TEST_F(PayloadArchiveTest, TheReferenceClassIsCopiedIn171ChunksOf32000Bytes)
{
    Bytes data = test_support::FakeClassFile(5449781);
    std::string source = Write("source.bin", data);
    FileHandle in, out;
    in.OpenRead(source.c_str());
    out.CreateWrite((dir / "target.bin").c_str());
    EXPECT_EQ(171u, CopyBytes(in, out, 5449781));
    out.Close();
    EXPECT_EQ(data, test_support::ReadBytes(dir / "target.bin"));
    EXPECT_EQ(170u * 32000u + 9781u, 5449781u);
}

TEST_F(PayloadArchiveTest, CopyFromAShortSourceWritesOnlyTheSourcesBytes)
{
    Bytes data = test_support::FakeClassFile(40000);
    std::string source = Write("source.bin", data);
    FileHandle in, out;
    in.OpenRead(source.c_str());
    in.Seek(100, FILE_BEGIN);
    out.CreateWrite((dir / "target.bin").c_str());
    CopyBytes(in, out, 100000);   // 39,900 bytes are there
    out.Close();
    EXPECT_EQ(Bytes(data.begin() + 100, data.end()), test_support::ReadBytes(dir / "target.bin"));
}

TEST_F(PayloadArchiveTest, MalformedPayloadsEndTheWalkWhereTheyGoWrong)
{
    Bytes good = PackedFile(StandardEntries());
    const std::vector<std::string> allThree{"CommandLine", "URL", "Installer.class"};
    const std::vector<std::string> none;

    Bytes wrongCase = good;
    wrongCase[kStubSize] = 'T';

    Bytes tenEntries, elevenEntries;
    std::vector<Entry> many;
    for (int index = 0; index < 11; ++index)
        many.push_back(StringEntry("e" + std::to_string(index), "v"));
    elevenEntries = PackedFile(many);
    many.pop_back();
    tenEntries = PackedFile(many);
    std::vector<std::string> firstTen;
    for (int index = 0; index < 10; ++index)
        firstTen.push_back("e" + std::to_string(index));

    // A name of 19 characters fits the 20-byte field; one of 20 does not.
    Bytes name19 = PackedFile({StringEntry("CommandLine", "A:A:A"), StringEntry(std::string(19, 'n'), "v")});
    Bytes name20 = PackedFile({StringEntry("CommandLine", "A:A:A"), StringEntry(std::string(20, 'n'), "v"),
                               StringEntry("after", "v")});

    // Data that reaches into the trailer or past the end of the file.
    Bytes longData = Stub();
    wendle_pack::AppendEntryBytes(longData, "CommandLine", 0, 6, {'A', ':', 'A', ':', 'A', 0});
    wendle_pack::AppendEntryBytes(longData, "URL", 0, 5000, {'u', 0});
    longData = WithTrailer(longData, kStubSize);

    // A header cut off by the end of the payload.
    Bytes cutHeader = Stub();
    wendle_pack::AppendEntryBytes(cutHeader, "CommandLine", 0, 2, {'A', 0});
    cutHeader.insert(cutHeader.end(), {'t', 'v', 'q', 'U', 'R'});
    cutHeader = WithTrailer(cutHeader, kStubSize);

    // Names that would leave the folder they are extracted to.
    Bytes escaping = PackedFile({StringEntry("CommandLine", "A:A:A"), StringEntry("..\\evil.txt", "v")});
    Bytes dotDot = PackedFile({StringEntry("CommandLine", "A:A:A"), StringEntry("..", "v")});
    Bytes drive = PackedFile({StringEntry("CommandLine", "A:A:A"), StringEntry("C:evil", "v")});

    const struct {
        const char* what;
        Bytes file;
        std::vector<std::string> names;
    } cases[] = {
        {"well-formed", good, allThree},
        {"offset beyond the file", WithTrailer(Stub(), kStubSize + 10), none},
        {"offset equal to the file size", WithTrailer(Stub(), kStubSize + 4), none},
        {"offset into the executable image", WithTrailer(Stub(), 0), none},
        {"offset pointing at the trailer itself", WithTrailer(Stub(), kStubSize), none},
        {"magic in other letter case", wrongCase, none},
        {"ten entries", tenEntries, firstTen},
        {"eleventh entry is not read", elevenEntries, firstTen},
        {"name of 19 characters", name19, {"CommandLine", std::string(19, 'n')}},
        {"name of 20 characters ends the walk", name20, {"CommandLine"}},
        {"data past the end of the file", longData, {"CommandLine"}},
        {"header cut off", cutHeader, {"CommandLine"}},
        {"name with a path", escaping, {"CommandLine"}},
        {"name ..", dotDot, {"CommandLine"}},
        {"name with a drive", drive, {"CommandLine"}},
        {"file of three bytes", Bytes{1, 2, 3}, none},
        {"empty file", Bytes{}, none},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.names, ReadNames(Write("case.exe", c.file))) << c.what;
}

TEST_F(PayloadArchiveTest, EveryEntryOfTenIsExtractedAndDeleted)
{
    std::vector<Entry> ten;
    for (int index = 0; index < 10; ++index)
        ten.push_back(StringEntry("file" + std::to_string(index), std::to_string(index)));
    PayloadArchive archive;
    archive.ReadDirectoryFrom(Write("ten.exe", PackedFile(ten)).c_str());
    ScratchDir out("pa-out");
    archive.ExtractAll(out.path().c_str(), 0);
    EXPECT_EQ(10u, test_support::ListDir(out.path()).size());
    archive.DeleteExtracted(out.path().c_str(), 0);
    EXPECT_TRUE(test_support::ListDir(out.path()).empty());
}

TEST_F(PayloadArchiveTest, DeletingEntriesThatWereNeverExtractedIsHarmless)
{
    PayloadArchive archive;
    archive.ReadDirectoryFrom(Write("setup.exe", PackedFile(StandardEntries())).c_str());
    ScratchDir out("pa-out");
    test_support::WriteText(out / "unrelated.txt", "keep me");
    archive.DeleteExtracted(out.path().c_str(), 0);
    EXPECT_EQ(std::vector<std::string>{"unrelated.txt"}, test_support::ListDir(out.path()));
}

TEST_F(PayloadArchiveTest, ExtractionReplacesAnExistingFileAndWritesEmptyEntries)
{
    PayloadArchive archive;
    archive.ReadDirectoryFrom(
        Write("setup.exe", PackedFile({DataEntry("a.class", {0xCA, 0xFE}), DataEntry("empty", {})}))
            .c_str());
    ScratchDir out("pa-out");
    test_support::WriteText(out / "a.class", "a much longer old file");
    archive.ExtractAll(out.path().c_str(), 0);
    EXPECT_EQ((Bytes{0xCA, 0xFE}), test_support::ReadBytes(out / "a.class"));
    ASSERT_TRUE(test_support::PathExists(out / "empty"));
    EXPECT_TRUE(test_support::ReadBytes(out / "empty").empty());
}

TEST_F(PayloadArchiveTest, AnEntryOfKindOneLeavesAnEmptyFileAndThrows)
{
    PayloadArchive archive;
    archive.ReadDirectoryFrom(
        Write("setup.exe", PackedFile({DataEntry("first", {1, 2, 3}, 1), DataEntry("second", {4})}))
            .c_str());
    ScratchDir out("pa-out");
    bool thrown = false;
    try {
        archive.ExtractAll(out.path().c_str(), 0);
    } catch (CException* error) {
        thrown = true;
        delete error;
    }
    EXPECT_TRUE(thrown);
    EXPECT_EQ(std::vector<std::string>{"first"}, test_support::ListDir(out.path()));
    EXPECT_TRUE(test_support::ReadBytes(out / "first").empty());
}

TEST_F(PayloadArchiveTest, ExtractingIntoAMissingFolderThrows)
{
    PayloadArchive archive;
    archive.ReadDirectoryFrom(Write("setup.exe", PackedFile(StandardEntries())).c_str());
    bool thrown = false;
    try {
        archive.ExtractAll((dir / "missing").c_str(), 0);
    } catch (CException* error) {
        thrown = true;
        delete error;
    }
    EXPECT_TRUE(thrown);
}

TEST_F(PayloadArchiveTest, StringValuesMustEndWithinTheirDataAnd260Bytes)
{
    Bytes noNul = Stub();
    wendle_pack::AppendEntryBytes(noNul, "CommandLine", 0, 5, {'A', ':', 'A', ':', 'A'});
    wendle_pack::AppendEntryBytes(noNul, "URL", 0, 2, {'u', 0});
    noNul = WithTrailer(noNul, kStubSize);

    const struct {
        const char* what;
        Bytes file;
        bool readable;
        std::string value;
    } cases[] = {
        {"259 characters", PackedFile({StringEntry("CommandLine", std::string(259, 'r'))}), true,
         std::string(259, 'r')},
        {"260 characters", PackedFile({StringEntry("CommandLine", std::string(260, 'r'))}), false, ""},
        {"64 KiB", PackedFile({StringEntry("CommandLine", std::string(65536, 'r'))}), false, ""},
        {"NUL beyond the entry's own data", noNul, false, ""},
        {"empty value", PackedFile({StringEntry("CommandLine", "")}), true, ""},
    };
    for (const auto& c : cases) {
        PayloadArchive archive;
        archive.ReadDirectoryFrom(Write("s.exe", c.file).c_str());
        ASSERT_NE(nullptr, archive.entries[0]) << c.what;
        char value[kTextBufferSize + 8];
        memset(value, 'z', sizeof value);
        EXPECT_EQ(c.readable, archive.entries[0]->ReadString(archive.file, value)) << c.what;
        EXPECT_EQ(c.value, value) << c.what;
        EXPECT_EQ('z', value[kTextBufferSize]) << c.what << ": written past the buffer";
    }
}

}  // namespace
