// The payload of a signed launcher: its trailer sits in front of the
// certificate table that signing appends. Files are made from the release
// Wendle.exe, so the PE headers are the launcher's own.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "payload/payload_archive.h"
#include "payload/text_buffer.h"
#include "test_support.h"
#include "tools/wendle-pack/pack_format.h"

using test_support::Bytes;
using test_support::ScratchDir;
using wendle_pack::Entry;
using wendle_pack::StringEntry;

namespace {

const uint32_t kTableSize = 0x5C8;

uint32_t UInt32At(const Bytes& bytes, size_t offset)
{
    return bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16 |
           (uint32_t)bytes[offset + 3] << 24;
}

void PutUInt16(Bytes& bytes, size_t offset, uint16_t value)
{
    bytes[offset] = (uint8_t)value;
    bytes[offset + 1] = (uint8_t)(value >> 8);
}

void PutUInt32(Bytes& bytes, size_t offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = (uint8_t)(value >> (8 * i));
}

// Offsets in the launcher's headers.
size_t PeHeader(const Bytes& exe)
{
    return UInt32At(exe, 0x3C);
}
size_t OptionalHeader(const Bytes& exe)
{
    return PeHeader(exe) + 4 + 20;
}
size_t SecurityEntry(const Bytes& exe)
{
    return OptionalHeader(exe) + 96 + 4 * 8;
}

Bytes Launcher()
{
    return test_support::ReadBytes(WENDLE_EXE_PATH);
}

std::vector<Entry> StandardEntries()
{
    Entry installer;
    installer.name = "Installer.class";
    installer.data = test_support::FakeClassFile(70000);
    return {StringEntry("CommandLine", "1.1:A:A"), StringEntry("URL", "https://example.org/java"),
            installer};
}

Bytes Packed(Bytes exe, uint32_t alignment = 8)
{
    Bytes payload = wendle_pack::EncodePayload(StandardEntries(), (uint32_t)exe.size(), alignment);
    exe.insert(exe.end(), payload.begin(), payload.end());
    return exe;
}

// Appends a certificate table (bytes that are never zero) and names it in
// the security directory, as a signing tool does.
Bytes Signed(Bytes file)
{
    const uint32_t offset = (uint32_t)file.size();
    for (uint32_t i = 0; i < kTableSize; ++i)
        file.push_back((uint8_t)(0x80 | i));
    PutUInt32(file, SecurityEntry(file), offset);
    PutUInt32(file, SecurityEntry(file) + 4, kTableSize);
    return file;
}

Bytes WithSecurityEntry(Bytes file, uint32_t offset, uint32_t size)
{
    PutUInt32(file, SecurityEntry(file), offset);
    PutUInt32(file, SecurityEntry(file) + 4, size);
    return file;
}

// The same file with a PE32+ optional header: directories 16 bytes deeper.
Bytes AsPe32Plus(Bytes file)
{
    const size_t optional = OptionalHeader(file);
    const uint32_t offset = UInt32At(file, SecurityEntry(file));
    const uint32_t size = UInt32At(file, SecurityEntry(file) + 4);
    PutUInt32(file, SecurityEntry(file), 0);
    PutUInt32(file, SecurityEntry(file) + 4, 0);
    PutUInt16(file, optional, 0x20B);
    PutUInt32(file, optional + 108, 16);
    PutUInt32(file, optional + 144, offset);
    PutUInt32(file, optional + 148, size);
    return file;
}

// Headers that no longer lead to the security directory.
struct Damage {
    const char* what;
    std::function<void(Bytes&)> apply;
};

std::vector<Damage> Damages()
{
    return {
        {"no MZ", [](Bytes& f) { f[1] = 'X'; }},
        {"a PE header offset beyond the file", [](Bytes& f) { PutUInt32(f, 0x3C, 0x7FFFFFF0); }},
        {"a PE header offset that leaves no room for the headers",
         [](Bytes& f) { PutUInt32(f, 0x3C, (uint32_t)f.size() - 16); }},
        {"no PE signature", [](Bytes& f) { f[PeHeader(f) + 1] = 'X'; }},
        {"an unknown optional header magic",
         [](Bytes& f) { PutUInt16(f, OptionalHeader(f), 0x107); }},
        {"an optional header too small for the security entry",
         [](Bytes& f) { PutUInt16(f, PeHeader(f) + 4 + 16, 96 + 4 * 8); }},
        {"four data directories only", [](Bytes& f) { PutUInt32(f, OptionalHeader(f) + 92, 4); }},
    };
}

class SignedPayload : public ::testing::Test {
protected:
    ScratchDir dir{"sp"};

    std::string Write(const Bytes& bytes)
    {
        std::string path = dir / "setup.exe";
        test_support::WriteBytes(path, bytes);
        return path;
    }

    DWORD PayloadEndOf(const Bytes& bytes)
    {
        std::string path = Write(bytes);
        FileHandle file;
        file.OpenRead(path.c_str());
        return FindPayloadEnd(file, file.GetSize());
    }

    std::vector<std::string> NamesOf(const Bytes& bytes)
    {
        PayloadArchive archive;
        archive.ReadDirectoryFrom(Write(bytes).c_str());
        std::vector<std::string> names;
        for (int slot = 0; slot < archive.CountEntries(); ++slot)
            names.push_back(archive.entries[slot]->name);
        return names;
    }
};

const std::vector<std::string> kAllThree{"CommandLine", "URL", "Installer.class"};

TEST_F(SignedPayload, ThePayloadEndsAtTheCertificateTableOnlyWhenItEndsTheFile)
{
    const Bytes packed = Packed(Launcher());
    const Bytes signedFile = Signed(packed);
    const DWORD size = (DWORD)signedFile.size();
    const DWORD tableOffset = (DWORD)packed.size();
    Bytes signedThenPacked = Packed(Signed(Launcher()));

    const struct {
        const char* what;
        Bytes file;
        DWORD end;
    } cases[] = {
        {"the plain launcher", Launcher(), (DWORD)Launcher().size()},
        {"an unsigned installer", packed, (DWORD)packed.size()},
        {"a signed installer", signedFile, tableOffset},
        {"a signed installer with a PE32+ header", AsPe32Plus(signedFile), tableOffset},
        {"bytes behind the certificate table", signedThenPacked, (DWORD)signedThenPacked.size()},
        {"a table reaching beyond the file",
         WithSecurityEntry(signedFile, tableOffset, kTableSize + 1), size},
        {"a table starting beyond the file", WithSecurityEntry(signedFile, size + 8, 8), size},
        {"offset and size overflowing 32 bits",
         WithSecurityEntry(signedFile, 0xFFFFFFF0u, 0x20), size},
        {"a size of 0", WithSecurityEntry(signedFile, tableOffset, 0), size},
        {"an offset of 0", WithSecurityEntry(signedFile, 0, size), size},
        {"a file of 3 bytes", Bytes{'M', 'Z', 0}, 3},
        {"an empty file", Bytes{}, 0},
        {"only a DOS header", Bytes(signedFile.begin(), signedFile.begin() + 0x40), 0x40},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.end, PayloadEndOf(c.file)) << c.what;

    for (const Damage& damage : Damages()) {
        Bytes file = signedFile;
        damage.apply(file);
        EXPECT_EQ(size, PayloadEndOf(file)) << damage.what;
    }
}

TEST_F(SignedPayload, ASignedInstallerReadsLikeTheUnsignedOne)
{
    const Bytes packed = Packed(Launcher());
    PayloadArchive unsignedArchive;
    unsignedArchive.ReadDirectoryFrom(Write(packed).c_str());
    ASSERT_EQ(3, unsignedArchive.CountEntries());

    for (const Bytes& file : {Signed(packed), AsPe32Plus(Signed(packed))}) {
        std::string path = dir / "signed.exe";
        test_support::WriteBytes(path, file);
        PayloadArchive archive;
        archive.ReadDirectoryFrom(path.c_str());
        ASSERT_EQ(3, archive.CountEntries());
        for (int slot = 0; slot < 3; ++slot) {
            EXPECT_STREQ(unsignedArchive.entries[slot]->name, archive.entries[slot]->name);
            EXPECT_EQ(unsignedArchive.entries[slot]->length, archive.entries[slot]->length);
            EXPECT_EQ(unsignedArchive.entries[slot]->dataOffset, archive.entries[slot]->dataOffset);
        }
        char value[kTextBufferSize];
        ASSERT_TRUE(archive.entries[0]->ReadString(archive.file, value));
        EXPECT_STREQ("1.1:A:A", value);
        ASSERT_TRUE(archive.entries[1]->ReadString(archive.file, value));
        EXPECT_STREQ("https://example.org/java", value);

        ScratchDir out("sp-out");
        archive.ExtractAll(out.path().c_str(), 0);
        EXPECT_EQ(StandardEntries()[2].data, test_support::ReadBytes(out / "Installer.class"));
        archive.DeleteExtracted(out.path().c_str(), 0);
        EXPECT_TRUE(test_support::ListDir(out.path()).empty());
    }
}

TEST_F(SignedPayload, DamagedOrMisplacedDirectoriesReadAsUnsigned)
{
    const Bytes packed = Packed(Launcher());
    const Bytes signedFile = Signed(packed);
    const DWORD size = (DWORD)signedFile.size();
    const std::vector<std::string> none;

    // Read as unsigned, a signed installer's last 4 bytes belong to the
    // table: no payload. An unsigned installer with the same headers still
    // has its trailer at the end: unchanged.
    for (const Damage& damage : Damages()) {
        Bytes damagedSigned = signedFile;
        damage.apply(damagedSigned);
        EXPECT_EQ(none, NamesOf(damagedSigned)) << damage.what << ", signed";
        Bytes damagedUnsigned = packed;
        damage.apply(damagedUnsigned);
        EXPECT_EQ(kAllThree, NamesOf(damagedUnsigned)) << damage.what << ", unsigned";
    }
    EXPECT_EQ(none, NamesOf(WithSecurityEntry(signedFile, size - kTableSize, kTableSize + 1)))
        << "a table reaching beyond the file";
    EXPECT_EQ(kAllThree, NamesOf(WithSecurityEntry(packed, (DWORD)packed.size() - 8, 16)))
        << "an unsigned installer whose directory points beyond the file";
    EXPECT_EQ(kAllThree, NamesOf(WithSecurityEntry(packed, 0xFFFFFFF0u, 0x20)))
        << "an unsigned installer whose directory overflows";
    EXPECT_EQ(kAllThree, NamesOf(Packed(Signed(Launcher()))))
        << "packed behind a signature: the trailer is the file's last 4 bytes";
}

TEST_F(SignedPayload, ZeroPaddingInFrontOfTheTrailerIsInvisible)
{
    const Bytes launcher = Launcher();
    const Bytes unpadded = Packed(launcher, 1);
    PayloadArchive reference;
    reference.ReadDirectoryFrom(Write(unpadded).c_str());
    ASSERT_EQ(3, reference.CountEntries());

    for (size_t zeros = 0; zeros <= 7; ++zeros) {
        Bytes padded(unpadded.begin(), unpadded.end() - 4);
        padded.insert(padded.end(), zeros, 0);
        wendle_pack::AppendUInt32(padded, (uint32_t)launcher.size());
        for (bool signedFile : {false, true}) {
            const Bytes file = signedFile ? Signed(padded) : padded;
            PayloadArchive archive;
            std::string path = dir / "padded.exe";
            test_support::WriteBytes(path, file);
            archive.ReadDirectoryFrom(path.c_str());
            const std::string what =
                std::to_string(zeros) + " zeros" + (signedFile ? ", signed" : ", unsigned");
            ASSERT_EQ(3, archive.CountEntries()) << what;
            for (int slot = 0; slot < 3; ++slot) {
                EXPECT_STREQ(reference.entries[slot]->name, archive.entries[slot]->name) << what;
                EXPECT_EQ(reference.entries[slot]->length, archive.entries[slot]->length) << what;
                EXPECT_EQ(reference.entries[slot]->dataOffset, archive.entries[slot]->dataOffset)
                    << what;
            }
        }
    }
}

TEST_F(SignedPayload, TheTrailerMustStandRightInFrontOfTheTable)
{
    // Packed without alignment and then padded by a signing tool: the
    // zeros in front of the table are read as the trailer, pointing at the
    // executable's own header.
    Bytes file = Packed(Launcher(), 1);
    file.insert(file.end(), 8 - file.size() % 8, 0);
    EXPECT_EQ(std::vector<std::string>(), NamesOf(Signed(file)));
}

}  // namespace
