// The certificate table of a signed executable, and where the payload's
// trailer is looked for because of it.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "pack_format.h"
#include "pe_signature.h"
#include "test_files.h"

using namespace wendle_pack;
using test_files::kOptionalHeaderOffset;
using test_files::kPeHeaderOffset;
using test_files::kSecurityEntryOffset;
using test_files::PutUInt16;
using test_files::PutUInt32;

namespace {

using Bytes = std::vector<uint8_t>;
const std::size_t kTableSize = 0x588;

// MinimalPe with a payload appended.
Bytes PackedPe()
{
    Bytes file = test_files::MinimalPe();
    const Bytes payload = EncodePayload(
        {StringEntry("CommandLine", "A:A:A"), StringEntry("URL", "http://x/")},
        uint32_t(file.size()), kDefaultAlignment);
    file.insert(file.end(), payload.begin(), payload.end());
    return file;
}

// Appends a certificate table of kTableSize bytes (never zero, so that it
// cannot pass for padding) and names it in the security directory.
Bytes Signed(Bytes file)
{
    const uint32_t offset = uint32_t(file.size());
    for (std::size_t i = 0; i < kTableSize; ++i)
        file.push_back(uint8_t(0x80 | i));
    PutUInt32(file, kSecurityEntryOffset, offset);
    PutUInt32(file, kSecurityEntryOffset + 4, kTableSize);
    return file;
}

// The same executable with a PE32+ optional header: the directories sit 16
// bytes deeper.
Bytes AsPe32Plus(Bytes file)
{
    const std::size_t o = kOptionalHeaderOffset;
    PutUInt16(file, o, 0x20B);
    PutUInt32(file, o + 92, 0);
    PutUInt32(file, o + 108, 16);
    const uint32_t offset = uint32_t(file[kSecurityEntryOffset]) |
                            uint32_t(file[kSecurityEntryOffset + 1]) << 8 |
                            uint32_t(file[kSecurityEntryOffset + 2]) << 16 |
                            uint32_t(file[kSecurityEntryOffset + 3]) << 24;
    PutUInt32(file, kSecurityEntryOffset, 0);
    PutUInt32(file, kSecurityEntryOffset + 4, 0);
    PutUInt32(file, o + 144, offset);
    PutUInt32(file, o + 148, kTableSize);
    return file;
}

// Signed first, packed afterwards: the trailer is in the last 4 bytes.
Bytes SignedThenPacked()
{
    Bytes file = Signed(test_files::MinimalPe());
    const Bytes payload = EncodePayload({StringEntry("CommandLine", "A")}, uint32_t(file.size()));
    file.insert(file.end(), payload.begin(), payload.end());
    return file;
}

struct TableCase {
    const char* description;
    std::function<Bytes()> make;
    CertificateTable::State state;
    bool payloadInFrontOfTable;   // else the trailer is read at the end of the file
    bool payloadFound;            // false: damaged headers hide a signed file's trailer
};

Bytes WithSecurityEntry(Bytes file, uint32_t offset, uint32_t size)
{
    PutUInt32(file, kSecurityEntryOffset, offset);
    PutUInt32(file, kSecurityEntryOffset + 4, size);
    return file;
}

std::vector<TableCase> TableCases()
{
    return {
        {"an unsigned executable", [] { return PackedPe(); }, CertificateTable::kNone, false,
         true},
        {"a signed executable", [] { return Signed(PackedPe()); }, CertificateTable::kAtEnd, true,
         true},
        {"a signed PE32+ executable", [] { return AsPe32Plus(Signed(PackedPe())); },
         CertificateTable::kAtEnd, true, true},
        {"a file that is no executable at all",
         [] {
             Bytes file = test_files::FakeStub(300);
             const Bytes payload = EncodePayload({StringEntry("CommandLine", "A")}, 300);
             file.insert(file.end(), payload.begin(), payload.end());
             return file;
         },
         CertificateTable::kNone, false, true},
        {"bytes appended behind the certificate table", SignedThenPacked,
         CertificateTable::kNotAtEnd, false, true},
        {"a table reaching beyond the end of the file",
         [] {
             Bytes file = PackedPe();
             return WithSecurityEntry(file, uint32_t(file.size() - 8), 16);
         },
         CertificateTable::kOutside, false, true},
        {"a table starting beyond the end of the file",
         [] {
             Bytes file = PackedPe();
             return WithSecurityEntry(file, uint32_t(file.size() + 8), 8);
         },
         CertificateTable::kOutside, false, true},
        {"offset and size that overflow 32 bits",
         [] { return WithSecurityEntry(PackedPe(), 0xFFFFFFF0u, 0x20); },
         CertificateTable::kOutside, false, true},
        {"a size of 0",
         [] {
             Bytes file = PackedPe();
             return WithSecurityEntry(file, uint32_t(file.size()), 0);
         },
         CertificateTable::kOutside, false, true},
        {"an offset of 0 with the size of the whole file",
         [] {
             Bytes file = PackedPe();
             return WithSecurityEntry(file, 0, uint32_t(file.size()));
         },
         CertificateTable::kOutside, false, true},
        // Damaged headers: the security entry is not even looked at.
        {"no MZ signature",
         [] {
             Bytes file = Signed(PackedPe());
             file[0] = 'Z';
             return file;
         },
         CertificateTable::kNone, false, false},
        {"a PE header offset beyond the end of the file",
         [] {
             Bytes file = Signed(PackedPe());
             PutUInt32(file, 0x3C, 0x7FFFFFF0);
             return file;
         },
         CertificateTable::kNone, false, false},
        {"a PE header offset that leaves no room for the headers",
         [] {
             Bytes file = Signed(PackedPe());
             PutUInt32(file, 0x3C, uint32_t(file.size() - 10));
             return file;
         },
         CertificateTable::kNone, false, false},
        {"no PE signature",
         [] {
             Bytes file = Signed(PackedPe());
             file[kPeHeaderOffset + 1] = 'X';
             return file;
         },
         CertificateTable::kNone, false, false},
        {"an unknown optional header magic",
         [] {
             Bytes file = Signed(PackedPe());
             PutUInt16(file, kOptionalHeaderOffset, 0x107);
             return file;
         },
         CertificateTable::kNone, false, false},
        {"an optional header too small for the security entry",
         [] {
             Bytes file = Signed(PackedPe());
             PutUInt16(file, 0x54, 96 + 4 * 8);
             return file;
         },
         CertificateTable::kNone, false, false},
        {"four data directories only",
         [] {
             Bytes file = Signed(PackedPe());
             PutUInt32(file, kOptionalHeaderOffset + 92, 4);
             return file;
         },
         CertificateTable::kNone, false, false},
    };
}

TEST(FindCertificateTable, ClassifiesTheSecurityDirectory)
{
    for (const TableCase& c : TableCases()) {
        SCOPED_TRACE(c.description);
        EXPECT_EQ(FindCertificateTable(c.make()).state, c.state);
    }
}

TEST(PayloadEnd, IsTheTableOffsetOnlyForATableAtTheEnd)
{
    for (const TableCase& c : TableCases()) {
        SCOPED_TRACE(c.description);
        const Bytes file = c.make();
        const uint64_t expected = c.payloadInFrontOfTable ? file.size() - kTableSize : file.size();
        EXPECT_EQ(PayloadEnd(file), expected);
    }
}

TEST(ReadPayload, FindsThePayloadInFrontOfTheCertificateTable)
{
    for (const TableCase& c : TableCases()) {
        SCOPED_TRACE(c.description);
        const Bytes file = c.make();
        std::vector<ListedEntry> entries;
        std::string error;
        ASSERT_EQ(ReadPayload(file, &entries, &error), c.payloadFound) << error;
        if (c.payloadFound)
            EXPECT_EQ(entries[0].name, "CommandLine");
        else
            EXPECT_NE(error.find("no payload"), std::string::npos) << error;
    }
}

TEST(RemoveSignature, GivesBackTheFileAsItWasBeforeSigning)
{
    const Bytes unsigned_ = PackedPe();
    Bytes file = Signed(unsigned_);
    ASSERT_TRUE(RemoveSignature(&file));
    EXPECT_EQ(file, unsigned_);

    Bytes plain = PackedPe();
    EXPECT_FALSE(RemoveSignature(&plain));
    EXPECT_EQ(plain, unsigned_);

    Bytes appended = SignedThenPacked();
    const Bytes before = appended;
    EXPECT_FALSE(RemoveSignature(&appended)) << "a table that other bytes follow stays";
    EXPECT_EQ(appended, before);
}

}  // namespace
