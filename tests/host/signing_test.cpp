// Packed installers signed with osslsigncode and a throw-away certificate
// made by openssl: the signature covers the payload, and wendle-pack reads,
// checks and re-packs the signed file.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "pack_format.h"
#include "pe_signature.h"
#include "test_files.h"

using test_files::CommandRun;
using test_files::RunCommand;
using test_files::TempDir;

namespace {

using Bytes = std::vector<uint8_t>;

const std::size_t kChecksumOffset = test_files::kOptionalHeaderOffset + 64;
const std::size_t kSecurityEntryOffset = test_files::kSecurityEntryOffset;

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

class SignedInstaller : public ::testing::Test {
protected:
    // One key and self-signed certificate for all tests, made at test time.
    static void SetUpTestSuite()
    {
        keys_ = new TempDir;
        CommandRun run = RunCommand({"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes",
                                     "-keyout", keys_->File("key.pem"), "-out",
                                     keys_->File("cert.pem"), "-days", "2", "-subj",
                                     "/CN=Wendle Test Publisher"});
        ASSERT_EQ(run.exitCode, 0) << "openssl: " << run.err;
    }
    static void TearDownTestSuite()
    {
        delete keys_;
        keys_ = nullptr;
    }

    void SetUp() override
    {
        test_files::WriteBytes(Stub(), test_files::MinimalPe());
        // 5001 bytes: an unaligned pack gives a length that is not a multiple of 8.
        test_files::WriteBytes(dir_.File("Installer.class"), test_files::FakeClassFile(5001));
    }

    std::string Stub() const { return dir_.File("Wendle.exe"); }
    std::string File(const std::string& name) const { return dir_.File(name); }

    CommandRun Pack(const std::string& stub, const std::string& output,
                    const std::vector<std::string>& extra = {},
                    const std::string& requirement = "1.1:A:A")
    {
        std::vector<std::string> args = {WENDLE_PACK_EXE, "build", "--stub", stub,
                                         "--requirement", requirement, "--url",
                                         "https://example.org/java", "--class",
                                         dir_.File("Installer.class"), "-o", output};
        args.insert(args.end(), extra.begin(), extra.end());
        return RunCommand(args);
    }

    void Sign(const std::string& input, const std::string& output)
    {
        CommandRun run = RunCommand({"osslsigncode", "sign", "-certs", keys_->File("cert.pem"),
                                     "-key", keys_->File("key.pem"), "-n", "Wendle test installer",
                                     "-in", input, "-out", output});
        ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    }

    // osslsigncode checks the digest and the chain up to the throw-away
    // certificate, which is its own CA.
    CommandRun OsslVerify(const std::string& file)
    {
        return RunCommand({"osslsigncode", "verify", "-CAfile", keys_->File("cert.pem"), "-in",
                           file});
    }

    CommandRun Tool(const std::vector<std::string>& args)
    {
        std::vector<std::string> command = {WENDLE_PACK_EXE};
        command.insert(command.end(), args.begin(), args.end());
        return RunCommand(command);
    }

    static TempDir* keys_;
    TempDir dir_;
};

TempDir* SignedInstaller::keys_ = nullptr;

TEST_F(SignedInstaller, VerifiesAndKeepsItsPayloadInFrontOfTheCertificate)
{
    ASSERT_EQ(Pack(Stub(), File("setup.exe")).exitCode, 0);
    Sign(File("setup.exe"), File("signed.exe"));

    CommandRun osslsigncode = OsslVerify(File("signed.exe"));
    EXPECT_EQ(osslsigncode.exitCode, 0) << osslsigncode.out << osslsigncode.err;
    EXPECT_TRUE(Contains(osslsigncode.out, "Signature verification: ok")) << osslsigncode.out;

    CommandRun verify = Tool({"verify", File("signed.exe")});
    EXPECT_EQ(verify.exitCode, 0) << verify.out;
    EXPECT_EQ(verify.out,
              File("signed.exe") +
                  ": ok: 3 entries; signed, the payload lies inside the signed range\n");

    // The signer added no padding: the packed file is the signed file's
    // start, apart from the checksum and the security directory entry.
    const Bytes packed = test_files::ReadBytes(File("setup.exe"));
    Bytes start = test_files::ReadBytes(File("signed.exe"));
    ASSERT_GT(start.size(), packed.size());
    const wendle_pack::CertificateTable table = wendle_pack::FindCertificateTable(start);
    EXPECT_EQ(table.state, wendle_pack::CertificateTable::kAtEnd);
    EXPECT_EQ(table.offset, packed.size());
    start.resize(packed.size());
    for (std::size_t i = 0; i < 4; ++i)
        start[kChecksumOffset + i] = packed[kChecksumOffset + i];
    for (std::size_t i = 0; i < 8; ++i)
        start[kSecurityEntryOffset + i] = packed[kSecurityEntryOffset + i];
    EXPECT_TRUE(start == packed);

    CommandRun listSigned = Tool({"list", File("signed.exe")});
    CommandRun listPacked = Tool({"list", File("setup.exe")});
    ASSERT_EQ(listSigned.exitCode, 0) << listSigned.err;
    const std::string entries = listPacked.out.substr(listPacked.out.find('\n'));
    EXPECT_TRUE(Contains(listSigned.out, entries)) << listSigned.out;
    EXPECT_TRUE(Contains(listSigned.out, "signed: certificate table at")) << listSigned.out;
}

TEST_F(SignedInstaller, TheSignatureCoversEveryByteOfThePayload)
{
    ASSERT_EQ(Pack(Stub(), File("setup.exe")).exitCode, 0);
    Sign(File("setup.exe"), File("signed.exe"));
    const Bytes good = test_files::ReadBytes(File("signed.exe"));
    std::vector<wendle_pack::ListedEntry> entries;
    std::string error;
    ASSERT_TRUE(wendle_pack::ReadPayload(good, &entries, &error)) << error;
    const uint64_t trailer = wendle_pack::PayloadEnd(good) - 4;
    ASSERT_EQ(good[trailer - 1], 0) << "the case needs a padding byte";

    const struct {
        const char* what;
        uint64_t offset;
    } places[] = {
        {"the first entry's magic", entries[0].headerOffset},
        {"the requirement string", entries[0].dataOffset},
        {"the download address", entries[1].dataOffset + 3},
        {"the installer class", entries[2].dataOffset + 4000},
        {"the padding", trailer - 1},
        {"the trailer", trailer},
    };
    for (const auto& place : places) {
        SCOPED_TRACE(place.what);
        Bytes changed = good;
        changed[place.offset] ^= 0x20;
        test_files::WriteBytes(File("changed.exe"), changed);
        CommandRun run = OsslVerify(File("changed.exe"));
        EXPECT_NE(run.exitCode, 0) << "a change went unnoticed by the signature";
        EXPECT_TRUE(Contains(run.out + run.err, "MISMATCH")) << run.out << run.err;
    }
}

TEST_F(SignedInstaller, PackedWithoutAlignmentTheSignerHidesTheTrailer)
{
    ASSERT_EQ(Pack(Stub(), File("setup.exe"), {"--align", "1"}).exitCode, 0);
    ASSERT_NE(test_files::ReadBytes(File("setup.exe")).size() % 8, 0u);
    Sign(File("setup.exe"), File("signed.exe"));
    EXPECT_EQ(OsslVerify(File("signed.exe")).exitCode, 0);

    CommandRun verify = Tool({"verify", File("signed.exe")});
    EXPECT_EQ(verify.exitCode, 1);
    EXPECT_TRUE(Contains(verify.out, "error: no payload")) << verify.out;
    EXPECT_TRUE(Contains(verify.out, "packed without --align 8")) << verify.out;
    EXPECT_EQ(Tool({"list", File("signed.exe")}).exitCode, 2);
}

TEST_F(SignedInstaller, ASignedStubIsRefusedUnlessForced)
{
    Sign(Stub(), File("signed-stub.exe"));
    CommandRun refused = Pack(File("signed-stub.exe"), File("setup.exe"));
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_TRUE(Contains(refused.err, "is signed")) << refused.err;
    EXPECT_FALSE(test_files::Exists(File("setup.exe")));

    ASSERT_EQ(Pack(File("signed-stub.exe"), File("setup.exe"), {"--force"}).exitCode, 0);
    const Bytes packed = test_files::ReadBytes(File("setup.exe"));
    EXPECT_EQ(wendle_pack::FindCertificateTable(packed).state,
              wendle_pack::CertificateTable::kNone);
    CommandRun verify = Tool({"verify", File("setup.exe")});
    EXPECT_EQ(verify.exitCode, 0) << verify.out;
    EXPECT_TRUE(Contains(verify.out, "not signed")) << verify.out;
}

TEST_F(SignedInstaller, ForceRepacksASignedInstallerWhichCanBeSignedAgain)
{
    ASSERT_EQ(Pack(Stub(), File("setup.exe")).exitCode, 0);
    Sign(File("setup.exe"), File("signed.exe"));
    ASSERT_EQ(Pack(File("signed.exe"), File("repacked.exe"), {"--force"}, "A:A:A").exitCode, 0);
    ASSERT_EQ(Pack(Stub(), File("fresh.exe"), {}, "A:A:A").exitCode, 0);

    // Only the checksum that the signer wrote tells them apart.
    Bytes repacked = test_files::ReadBytes(File("repacked.exe"));
    const Bytes fresh = test_files::ReadBytes(File("fresh.exe"));
    ASSERT_EQ(repacked.size(), fresh.size());
    for (std::size_t i = 0; i < 4; ++i)
        repacked[kChecksumOffset + i] = fresh[kChecksumOffset + i];
    EXPECT_TRUE(repacked == fresh);

    Sign(File("repacked.exe"), File("resigned.exe"));
    EXPECT_EQ(OsslVerify(File("resigned.exe")).exitCode, 0);
    CommandRun json = Tool({"list", "--json", File("resigned.exe")});
    EXPECT_TRUE(Contains(json.out, "\"requirement\": \"A:A:A\",")) << json.out;
    EXPECT_FALSE(Contains(json.out, "\"certificateTable\": null")) << json.out;
}

TEST_F(SignedInstaller, ExtractReadsTheSignedFile)
{
    ASSERT_EQ(Pack(Stub(), File("setup.exe")).exitCode, 0);
    Sign(File("setup.exe"), File("signed.exe"));
    TempDir out;
    CommandRun run = Tool({"extract", File("signed.exe"), "-C", out.path()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(out.List(), std::vector<std::string>({"CommandLine", "Installer.class", "URL"}));
    EXPECT_EQ(test_files::ReadBytes(out.File("Installer.class")),
              test_files::ReadBytes(File("Installer.class")));
}

}  // namespace
