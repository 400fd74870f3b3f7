// wendle-pack verify: what the launcher relies on, checked and put in words.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pack_format.h"
#include "pe_signature.h"
#include "test_files.h"
#include "verify.h"

using namespace wendle_pack;
using test_files::TempDir;

namespace {

using Bytes = std::vector<uint8_t>;

// The launcher's own tests write a stub of 1000 bytes of 'M'.
const uint32_t kStubSize = 1000;

Bytes Stub()
{
    return Bytes(kStubSize, 'M');
}

Bytes PackedFile(const std::vector<Entry>& entries, uint32_t alignment = 1)
{
    Bytes file = Stub();
    const Bytes payload = EncodePayload(entries, kStubSize, alignment);
    file.insert(file.end(), payload.begin(), payload.end());
    return file;
}

Bytes WithTrailer(Bytes file, uint32_t firstEntry)
{
    AppendUInt32(file, firstEntry);
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

Entry Installer()
{
    return DataEntry("Installer.class", test_files::FakeClassFile(5000));
}

std::vector<Entry> StandardEntries()
{
    return {StringEntry("CommandLine", "A:A:A"), StringEntry("URL", "https://example.org/java"),
            Installer()};
}

std::string Texts(const std::vector<Finding>& findings, Finding::Severity severity)
{
    std::string texts;
    for (const Finding& finding : findings) {
        if (finding.severity == severity)
            texts += finding.text + "\n";
    }
    return texts;
}

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

int VerifyExitCode(const Bytes& file)
{
    TempDir dir;
    test_files::WriteBytes(dir.File("case.exe"), file);
    return test_files::RunCommand({WENDLE_PACK_EXE, "verify", dir.File("case.exe")}).exitCode;
}

// --- The malformed payloads of the launcher's own tests -------------------

struct Malformed {
    const char* what;   // as the launcher's tests name the case
    Bytes file;
    const char* error;  // a part of the error that names the fault
};

std::vector<Malformed> MalformedPayloads()
{
    std::vector<Malformed> cases;
    // tests/payload: MalformedPayloadsEndTheWalkWhereTheyGoWrong
    cases.push_back({"offset beyond the file", WithTrailer(Stub(), kStubSize + 10),
                     "the trailer at 0x3E8 points at 0x3F2, beyond the end of the file"});
    cases.push_back({"offset equal to the file size", WithTrailer(Stub(), kStubSize + 4),
                     "points at 0x3EC, not in front of itself"});
    cases.push_back({"offset into the executable image", WithTrailer(Stub(), 0),
                     "points at 0x0, where no entry starts"});
    cases.push_back({"offset pointing at the trailer itself", WithTrailer(Stub(), kStubSize),
                     "points at 0x3E8, not in front of itself"});

    Bytes wrongCase = PackedFile(StandardEntries());
    wrongCase[kStubSize] = 'T';
    cases.push_back({"magic in other letter case", wrongCase,
                     "entry 0 at 0x3E8 starts with \"Tvq\": the magic must read \"tvq\""});

    std::vector<Entry> many;
    for (int index = 0; index < 11; ++index)
        many.push_back(StringEntry("e" + std::to_string(index), "v"));
    cases.push_back({"eleventh entry is not read", PackedFile(many),
                     "more than ten entries: the launcher reads ten"});
    many.pop_back();
    cases.push_back({"ten entries", PackedFile(many),
                     "entry 0 is named \"e0\"; the launcher reads the requirement string from "
                     "an entry named \"CommandLine\""});

    cases.push_back({"name of 19 characters",
                     PackedFile({StringEntry("CommandLine", "A:A:A"),
                                 StringEntry(std::string(19, 'n'), "v")}),
                     "the launcher needs three entries"});
    cases.push_back({"name of 20 characters ends the walk",
                     PackedFile({StringEntry("CommandLine", "A:A:A"),
                                 StringEntry(std::string(20, 'n'), "v"),
                                 StringEntry("after", "v")}),
                     "entry 1 at 0x405 has a name of 20 characters; the launcher holds names of "
                     "at most 19"});

    Bytes longData = Stub();
    AppendEntryBytes(longData, "CommandLine", 0, 6, {'A', ':', 'A', ':', 'A', 0});
    AppendEntryBytes(longData, "URL", 0, 5000, {'u', 0});
    cases.push_back({"data past the end of the file", WithTrailer(longData, kStubSize),
                     "entry 1 at 0x405: its 5000 bytes of data reach past the trailer"});

    Bytes cutHeader = Stub();
    AppendEntryBytes(cutHeader, "CommandLine", 0, 2, {'A', 0});
    cutHeader.insert(cutHeader.end(), {'t', 'v', 'q', 'U', 'R'});
    cases.push_back({"header cut off", WithTrailer(cutHeader, kStubSize),
                     "entry 1 at 0x401: its header runs into the trailer"});

    cases.push_back({"name with a path",
                     PackedFile({StringEntry("CommandLine", "A:A:A"),
                                 StringEntry("..\\evil.txt", "v")}),
                     "entry 1 at 0x405 is named \"..\\evil.txt\", which is not a plain file name"});
    cases.push_back({"name ..",
                     PackedFile({StringEntry("CommandLine", "A:A:A"), StringEntry("..", "v")}),
                     "is named \"..\", which is not a plain file name"});
    cases.push_back({"name with a drive",
                     PackedFile({StringEntry("CommandLine", "A:A:A"), StringEntry("C:evil", "v")}),
                     "is named \"C:evil\", which is not a plain file name"});
    cases.push_back({"file of three bytes", Bytes{1, 2, 3}, "shorter than the 4-byte trailer"});
    cases.push_back({"empty file", Bytes{}, "shorter than the 4-byte trailer"});

    // tests/payload: StringValuesMustEndWithinTheirDataAnd260Bytes
    cases.push_back({"260 characters",
                     PackedFile({StringEntry("CommandLine", std::string(260, 'r')),
                                 StringEntry("URL", "x"), Installer()}),
                     "the requirement string has 260 characters; the launcher holds at most 259"});
    cases.push_back({"64 KiB",
                     PackedFile({StringEntry("CommandLine", std::string(65536, 'r')),
                                 StringEntry("URL", "x"), Installer()}),
                     "the requirement string has 65536 characters"});
    Bytes noNul = Stub();
    AppendEntryBytes(noNul, "CommandLine", 0, 5, {'A', ':', 'A', ':', 'A'});
    AppendEntryBytes(noNul, "URL", 0, 2, {'u', 0});
    cases.push_back({"NUL beyond the entry's own data", WithTrailer(noNul, kStubSize),
                     "entry 0 (\"CommandLine\"): its 5 bytes of data hold no NUL"});

    // tests/payload: AnEntryOfKindOneLeavesAnEmptyFileAndThrows
    cases.push_back({"an entry of kind 1",
                     PackedFile({StringEntry("CommandLine", "A:A:A"), StringEntry("URL", "x"),
                                 DataEntry("Installer.class", {0xCA, 0xFE, 0xBA, 0xBE}, 1)}),
                     "entry 2 (\"Installer.class\") has kind 1; the launcher extracts only "
                     "entries of kind 0"});

    // tests/app: PayloadsWithoutTheThreeSettingsShowTheUsageMessage
    cases.push_back({"second entry is not url",
                     PackedFile({StringEntry("CommandLine", "A:A:A"), StringEntry("Address", "x"),
                                 Installer()}),
                     "entry 1 is named \"Address\"; the launcher reads the download address "
                     "from an entry named \"URL\""});
    cases.push_back({"entries in another order",
                     PackedFile({StringEntry("URL", "x"), StringEntry("CommandLine", "A:A:A"),
                                 Installer()}),
                     "entry 0 is named \"URL\""});
    cases.push_back({"no installer class",
                     PackedFile({StringEntry("CommandLine", "A:A:A"), StringEntry("URL", "x")}),
                     "the launcher needs three entries (the requirement \"CommandLine\", the "
                     "download address \"URL\" and the installer class) and finds 2"});
    cases.push_back({"address of 300 characters",
                     PackedFile({StringEntry("CommandLine", "A:A:A"),
                                 StringEntry("URL", std::string(300, 'u')), Installer()}),
                     "the download address has 300 characters"});
    return cases;
}

TEST(Verify, FlagsEveryMalformedPayloadOfTheLaunchersTests)
{
    for (const Malformed& c : MalformedPayloads()) {
        SCOPED_TRACE(c.what);
        const Verification result = VerifyPackedFile(c.file);
        const std::string errors = Texts(result.findings, Finding::kError);
        EXPECT_TRUE(Contains(errors, c.error)) << errors;
        EXPECT_EQ(VerifyExitCode(c.file), 1);
    }
}

TEST(Verify, AcceptsAWellFormedPayloadWithoutAWord)
{
    for (uint32_t alignment : {1u, 8u, 4096u}) {
        SCOPED_TRACE(alignment);
        const Bytes file = PackedFile(StandardEntries(), alignment);
        const Verification result = VerifyPackedFile(file);
        EXPECT_TRUE(result.findings.empty()) << Texts(result.findings, Finding::kError)
                                             << Texts(result.findings, Finding::kWarning);
        EXPECT_EQ(result.walk.entries.size(), 3u);
        EXPECT_EQ(VerifyExitCode(file), 0);
    }
}

TEST(Verify, NamesAreComparedAsTheLauncherComparesThem)
{
    const Bytes file = PackedFile({StringEntry("COMMANDLINE", "A:A:A"), StringEntry("url", "x"),
                                   DataEntry("Setup.CLASS", {0xCA, 0xFE, 0xBA, 0xBE})});
    const Verification result = VerifyPackedFile(file);
    EXPECT_EQ(result.Count(Finding::kError), 0) << Texts(result.findings, Finding::kError);
}

TEST(Verify, ChecksTheInstallerClassEntry)
{
    const struct {
        const char* what;
        Entry installer;
        Finding::Severity severity;
        const char* text;
    } cases[] = {
        {"a name without .class", DataEntry("Installer.jar", {0xCA, 0xFE, 0xBA, 0xBE}),
         Finding::kError, "its name does not end in \".class\""},
        {"data that are no class file", DataEntry("Installer.class", {'P', 'K', 3, 4, 0}),
         Finding::kError, "its data do not start with CA FE BA BE"},
        {"data shorter than the class magic", DataEntry("Installer.class", {0xCA, 0xFE}),
         Finding::kError, "its data do not start with CA FE BA BE"},
        {"a dot in the class name", DataEntry("my.Setup.class", {0xCA, 0xFE, 0xBA, 0xBE}),
         Finding::kWarning, "the class name \"my.Setup\" holds a dot"},
        {"a blank in the class name", DataEntry("My Setup.class", {0xCA, 0xFE, 0xBA, 0xBE}),
         Finding::kWarning, "the class name \"My Setup\" holds a blank"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Verification result = VerifyPackedFile(PackedFile(
            {StringEntry("CommandLine", "A:A:A"), StringEntry("URL", "x"), c.installer}));
        EXPECT_TRUE(Contains(Texts(result.findings, c.severity), c.text))
            << Texts(result.findings, c.severity);
        EXPECT_EQ(result.Count(Finding::kError), c.severity == Finding::kError ? 1 : 0);
    }
}

TEST(Verify, WarnsAboutWhatWorksButIsLikelyAMistake)
{
    Bytes trailing = Stub();
    AppendEntryBytes(trailing, "CommandLine", 0, 9,
                     Bytes{'A', ':', 'A', ':', 'A', 0, 'x', 'y', 'z'});
    Entry url = StringEntry("URL", "x");
    AppendEntryBytes(trailing, url.name, 0, uint32_t(url.data.size()), url.data);
    Entry installer = Installer();
    AppendEntryBytes(trailing, installer.name, 0, uint32_t(installer.data.size()), installer.data);
    trailing = WithTrailer(trailing, kStubSize);

    const struct {
        const char* what;
        Bytes file;
        const char* warning;
    } cases[] = {
        {"text behind the requirement's NUL", trailing,
         "entry 0 (\"CommandLine\"): the 3 bytes behind the NUL are ignored"},
        {"an empty download address",
         PackedFile({StringEntry("CommandLine", "A:A:A"), StringEntry("URL", ""), Installer()}),
         "the download address is empty"},
        {"two entries of one name",
         PackedFile({StringEntry("CommandLine", "A:A:A"), StringEntry("URL", "x"), Installer(),
                     DataEntry("installer.CLASS", {1})}),
         "entry 3 (\"installer.CLASS\") has the name of entry 2"},
        {"an alternative that never matches",
         PackedFile({StringEntry("CommandLine", "1.3:A:A A:A:A"), StringEntry("URL", "x"),
                     Installer()}),
         "alternative \"1.3:A:A\" can never match"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Verification result = VerifyPackedFile(c.file);
        EXPECT_EQ(result.Count(Finding::kError), 0) << Texts(result.findings, Finding::kError);
        EXPECT_TRUE(Contains(Texts(result.findings, Finding::kWarning), c.warning))
            << Texts(result.findings, Finding::kWarning);
        EXPECT_EQ(VerifyExitCode(c.file), 0) << "warnings alone pass";
    }
}

TEST(Verify, BytesBetweenTheLastEntryAndTheTrailerMustBeZeroPadding)
{
    Bytes zeros = Stub();
    Bytes garbage = Stub();
    for (const Entry& entry : StandardEntries()) {
        AppendEntryBytes(zeros, entry.name, 0, uint32_t(entry.data.size()), entry.data);
        AppendEntryBytes(garbage, entry.name, 0, uint32_t(entry.data.size()), entry.data);
    }
    zeros.insert(zeros.end(), 13, 0);
    garbage.insert(garbage.end(), {0, 0, 'x', 0});
    EXPECT_EQ(VerifyPackedFile(WithTrailer(zeros, kStubSize)).Count(Finding::kError), 0);
    const Verification result = VerifyPackedFile(WithTrailer(garbage, kStubSize));
    EXPECT_TRUE(Contains(Texts(result.findings, Finding::kError),
                         "the 4 bytes from 0x17D0 up to the trailer at 0x17D4 are neither an "
                         "entry nor zero padding"))
        << Texts(result.findings, Finding::kError);
}

// --- The requirement string ---------------------------------------------------

TEST(CheckRequirement, ReadsAlternativesAsTheProbeDoes)
{
    const struct {
        const char* requirement;
        const char* error;     // null: none
        const char* warning;   // null: none
    } cases[] = {
        {"A:A:A", nullptr, nullptr},
        {"1.1:A:A", nullptr, nullptr},
        {"1.2:Sun:Windows", nullptr, nullptr},
        {"1.0:A:A", nullptr, nullptr},
        {"1.1.8:A:A", nullptr, nullptr},
        {"Any:A:A", nullptr, nullptr},
        {"A::", nullptr, nullptr},
        {"A:A:x:y", nullptr, nullptr},
        {"1.3:A:A  \tA:A:A", nullptr, "alternative \"1.3:A:A\" can never match: its version "
                                      "field \"1.3\" does not begin with 1.0, 1.1, 1.2 or A"},
        {"a:A:A 1.1:A:A", nullptr, "alternative \"a:A:A\" can never match"},
        {":A:A 1.1:A:A", nullptr, "its version field \"\" does not begin"},
        {"A:\"Sun:A", nullptr, "holds a double quote"},
        {"1.3:A:A", "no alternative of the requirement string can ever match",
         "alternative \"1.3:A:A\" can never match"},
        {"", "the requirement string has no alternatives", nullptr},
        {"   ", "the requirement string has no alternatives", nullptr},
        {"A:A", "alternative \"A:A\" is not of the form <version>:<vendor>:<os>: it has 1 \":\" "
                "where two are needed",
         nullptr},
        {"1.1 A:A:A", "alternative \"1.1\" is not of the form <version>:<vendor>:<os>: it has "
                      "0 \":\" where two are needed",
         nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("requirement \"") + c.requirement + "\"");
        const std::vector<Finding> findings = CheckRequirement(c.requirement);
        const std::string errors = Texts(findings, Finding::kError);
        const std::string warnings = Texts(findings, Finding::kWarning);
        if (c.error == nullptr)
            EXPECT_EQ(errors, "");
        else
            EXPECT_TRUE(Contains(errors, c.error)) << errors;
        if (c.warning == nullptr)
            EXPECT_EQ(warnings, "");
        else
            EXPECT_TRUE(Contains(warnings, c.warning)) << warnings;
    }
}

// --- Signed files ---------------------------------------------------------------

// A packed minimal executable with a certificate table behind it.
Bytes SignedPackedPe(uint32_t alignment, std::size_t signerPadding)
{
    Bytes file = test_files::MinimalPe();
    const Bytes payload = EncodePayload(StandardEntries(), uint32_t(file.size()), alignment);
    file.insert(file.end(), payload.begin(), payload.end());
    file.insert(file.end(), signerPadding, 0);
    const uint32_t offset = uint32_t(file.size());
    file.insert(file.end(), 0x500, 0x30);
    test_files::PutUInt32(file, test_files::kSecurityEntryOffset, offset);
    test_files::PutUInt32(file, test_files::kSecurityEntryOffset + 4, 0x500);
    return file;
}

TEST(Verify, ASignedFileKeepsItsPayloadInFrontOfTheCertificateTable)
{
    const Bytes file = SignedPackedPe(8, 0);
    const Verification result = VerifyPackedFile(file);
    EXPECT_TRUE(result.findings.empty()) << Texts(result.findings, Finding::kError);
    EXPECT_EQ(result.table.state, CertificateTable::kAtEnd);
    EXPECT_EQ(result.walk.entries.size(), 3u);
    EXPECT_EQ(result.walk.trailer, file.size() - 0x500 - 4);
}

TEST(Verify, ExplainsATrailerHiddenBySignerPadding)
{
    // Packed without alignment, then padded to a multiple of 8 by the signer.
    Bytes probe = test_files::MinimalPe();
    const Bytes payload = EncodePayload(StandardEntries(), uint32_t(probe.size()), 1);
    const std::size_t padding = (8 - (probe.size() + payload.size()) % 8) % 8;
    ASSERT_NE(padding, 0u) << "the case needs a file length that is not a multiple of 8";
    const Verification result = VerifyPackedFile(SignedPackedPe(1, padding));
    const std::string errors = Texts(result.findings, Finding::kError);
    EXPECT_TRUE(Contains(errors, "no payload")) << errors;
    EXPECT_TRUE(Contains(errors, "the " + std::to_string(padding) +
                                     " zero bytes in front of the certificate table look like a "
                                     "signing tool's padding"))
        << errors;
    EXPECT_TRUE(Contains(errors, "packed without --align 8")) << errors;
}

TEST(Verify, APayloadOutsideTheSignedRangeIsAnError)
{
    // Signed first, then packed: the payload follows the certificate table.
    Bytes file = test_files::MinimalPe();
    const uint32_t tableOffset = uint32_t(file.size());
    file.insert(file.end(), 0x500, 0x30);
    test_files::PutUInt32(file, test_files::kSecurityEntryOffset, tableOffset);
    test_files::PutUInt32(file, test_files::kSecurityEntryOffset + 4, 0x500);
    const Bytes payload = EncodePayload(StandardEntries(), uint32_t(file.size()), 8);
    file.insert(file.end(), payload.begin(), payload.end());

    const Verification result = VerifyPackedFile(file);
    const std::string errors = Texts(result.findings, Finding::kError);
    EXPECT_EQ(result.walk.entries.size(), 3u) << "the launcher still reads it, unsigned";
    EXPECT_TRUE(Contains(errors, "follow the certificate table (at 0x400, 1280 bytes): they lie "
                                 "outside the signed range"))
        << errors;
    EXPECT_TRUE(Contains(errors, "the payload lies behind the certificate table")) << errors;
}

TEST(Verify, ADamagedSecurityDirectoryIsAnError)
{
    Bytes file = SignedPackedPe(8, 0);
    test_files::PutUInt32(file, test_files::kSecurityEntryOffset + 4, 0x501);
    const std::string errors = Texts(VerifyPackedFile(file).findings, Finding::kError);
    EXPECT_TRUE(Contains(errors, "does not lie inside the file")) << errors;
    EXPECT_TRUE(Contains(errors, "no payload")) << errors
        << "read as unsigned, the table's last bytes are taken for the trailer";
}

}  // namespace
