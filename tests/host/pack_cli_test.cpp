// The wendle-pack command line, run as a separate process.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "pack_format.h"
#include "test_files.h"

using test_files::Bytes;
using test_files::FakeClassFile;
using test_files::FakeStub;
using test_files::TempDir;

namespace {

using PackRun = test_files::CommandRun;

std::string ReadText(const std::string& path)
{
    std::vector<uint8_t> bytes = test_files::ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

PackRun RunPack(const std::vector<std::string>& args)
{
    std::vector<std::string> command = {WENDLE_PACK_EXE};
    command.insert(command.end(), args.begin(), args.end());
    return test_files::RunCommand(command);
}

bool StartsWith(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// The inputs of one build, written into a scratch directory.
struct BuildInputs {
    std::string stub;
    std::string requirement = "1.1:A:A";
    std::string url = "http://java.example.com/";
    std::string classFile;
    std::string output;

    explicit BuildInputs(const TempDir& dir)
        : stub(dir.File("Wendle.exe")), classFile(dir.File("setup.class")),
          output(dir.File("setup.exe"))
    {
        test_files::WriteBytes(stub, FakeStub(2048));
        test_files::WriteBytes(classFile, FakeClassFile(64));
    }

    std::vector<std::string> Args() const
    {
        return {"build", "--stub", stub, "--requirement", requirement, "--url", url,
                "--class", classFile, "-o", output};
    }
};

// --- Usage ------------------------------------------------------------------

TEST(Usage, HelpIsPrintedOnRequest)
{
    const struct {
        std::vector<std::string> args;
        const char* firstLine;
        const char* mentions;
    } requests[] = {
        {{"--help"}, "usage: wendle-pack build --stub STUB", "wendle-pack extract FILE [-C DIR]"},
        {{"-h"}, "usage: wendle-pack build --stub STUB", "Exit status: 0 on success, 1 when"},
        {{"build", "--help"}, "usage: wendle-pack build --stub STUB", "--align N"},
        {{"build", "--stub", "x", "-h"}, "usage: wendle-pack build --stub STUB", "--force"},
        {{"list", "-h"}, "usage: wendle-pack list [--json] FILE", "--json"},
        {{"verify", "--help"}, "usage: wendle-pack verify FILE", "inside the signed range"},
        {{"extract", "--help"}, "usage: wendle-pack extract FILE [-C DIR]", "nothing written"},
    };
    for (const auto& request : requests) {
        SCOPED_TRACE(request.args[0] + " " + request.args.back());
        PackRun run = RunPack(request.args);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_TRUE(StartsWith(run.out, request.firstLine)) << run.out;
        EXPECT_TRUE(Contains(run.out, request.mentions)) << run.out;
        EXPECT_EQ(run.err, "");
    }
}

TEST(Usage, NoArgumentsPrintsUsageAsAnError)
{
    PackRun run = RunPack({});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(Contains(run.err, "usage: wendle-pack")) << run.err;
    EXPECT_EQ(run.out, "");
}

TEST(Usage, BadArgumentsAreRefusedWithExitStatus2)
{
    TempDir dir;
    BuildInputs inputs(dir);
    std::vector<std::string> withoutUrl = inputs.Args();
    withoutUrl.erase(withoutUrl.begin() + 5, withoutUrl.begin() + 7);
    std::vector<std::string> urlTwice = inputs.Args();
    urlTwice.insert(urlTwice.end(), {"--url", "http://other/"});
    std::vector<std::string> outputWithoutValue = inputs.Args();
    outputWithoutValue.pop_back();
    std::vector<std::string> unknownOption = inputs.Args();
    unknownOption.push_back("--forse");
    std::vector<std::string> strayArgument = inputs.Args();
    strayArgument.push_back("extra.class");

    const struct {
        const char* description;
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {"an unknown command", {"pack", "x"}, "unknown command pack"},
        {"an unknown option", unknownOption, "unknown option --forse"},
        {"an option without its value", outputWithoutValue, "option -o needs a value"},
        {"a missing option", withoutUrl, "build needs --url"},
        {"an option given twice", urlTwice, "option --url given twice"},
        {"a stray argument", strayArgument, "unexpected argument extra.class"},
        {"list without a file", {"list"}, "list needs exactly one file"},
        {"list with two files", {"list", "a.exe", "b.exe"}, "list needs exactly one file"},
        {"list with an unknown option", {"list", "--xml", "a.exe"}, "unknown option --xml"},
        {"verify without a file", {"verify"}, "verify needs exactly one file"},
        {"verify with two files", {"verify", "a.exe", "b.exe"}, "verify needs exactly one file"},
        {"verify with an option", {"verify", "--json", "a.exe"}, "unknown option --json"},
        {"extract without a file", {"extract", "-C", "out"}, "extract needs exactly one file"},
        {"extract with -C but no folder", {"extract", "a.exe", "-C"}, "option -C needs a value"},
        {"extract with -C twice", {"extract", "a.exe", "-C", "x", "-C", "y"},
         "option -C given twice"},
        {"extract with an unknown option", {"extract", "a.exe", "-o", "x"}, "unknown option -o"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.description);
        PackRun run = RunPack(c.args);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(StartsWith(run.err, std::string("wendle-pack: ") + c.message)) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_FALSE(test_files::Exists(inputs.output));
    }
}

// --- Refusals -----------------------------------------------------------------

struct Refusal {
    const char* name;
    std::function<void(const TempDir&, BuildInputs&)> change;
    const char* message;
    bool outputMayExist;   // false when the case is about the output's place
};

std::vector<uint8_t> PackedStub()
{
    std::vector<uint8_t> stub = FakeStub(2048);
    std::vector<uint8_t> payload = wendle_pack::EncodePayload(
        {wendle_pack::StringEntry("CommandLine", "A:A:A")}, uint32_t(stub.size()));
    stub.insert(stub.end(), payload.begin(), payload.end());
    return stub;
}

const Refusal kRefusals[] = {
    {"StubAlreadyCarriesAPayload",
     [](const TempDir&, BuildInputs& in) { test_files::WriteBytes(in.stub, PackedStub()); },
     "already carries a payload (first entry at 0x800); pack the launcher as it was built "
     "(--force replaces the payload)", true},
    {"ClassFileNameOf20Characters",
     [](const TempDir& dir, BuildInputs& in) {
         in.classFile = dir.File("ABCDEFGHIJKLMN.class");
         test_files::WriteBytes(in.classFile, FakeClassFile(64));
     },
     "class file name \"ABCDEFGHIJKLMN.class\" has 20 characters", true},
    {"RequirementOf260Characters",
     [](const TempDir&, BuildInputs& in) { in.requirement = std::string(260, 'A'); },
     "the requirement has 260 characters", true},
    {"UrlOf260Characters",
     [](const TempDir&, BuildInputs& in) { in.url = "http://" + std::string(253, 'u'); },
     "the URL has 260 characters", true},
    {"ClassFileWithoutJavaMagic",
     [](const TempDir&, BuildInputs& in) {
         test_files::WriteBytes(in.classFile, Bytes("PK\x03\x04 not a class"));
     },
     "does not start with CA FE BA BE", true},
    {"ClassFileShorterThanItsMagic",
     [](const TempDir&, BuildInputs& in) { test_files::WriteBytes(in.classFile, {0xCA, 0xFE}); },
     "does not start with CA FE BA BE", true},
    {"EmptyClassFile",
     [](const TempDir&, BuildInputs& in) { test_files::WriteBytes(in.classFile, {}); },
     "does not start with CA FE BA BE", true},
    {"MissingStub",
     [](const TempDir& dir, BuildInputs& in) { in.stub = dir.File("missing.exe"); },
     "cannot read", true},
    {"StubIsADirectory",
     [](const TempDir& dir, BuildInputs& in) {
         in.stub = dir.File("stubdir");
         std::filesystem::create_directory(in.stub);
     },
     "cannot read", true},
    {"MissingClassFile",
     [](const TempDir& dir, BuildInputs& in) { in.classFile = dir.File("missing.class"); },
     "cannot read", true},
    {"ClassNameDotDot",
     [](const TempDir& dir, BuildInputs& in) {
         std::filesystem::create_directory(dir.File("sub"));
         in.classFile = dir.File("sub/..");
     },
     "is not a plain file name", true},
    {"ClassPathEndingInSeparator",
     [](const TempDir& dir, BuildInputs& in) { in.classFile = dir.path() + "/"; },
     "is not a plain file name", true},
    {"ClassNameWithDriveColon",
     [](const TempDir& dir, BuildInputs& in) {
         in.classFile = dir.File("C:setup.class");
         test_files::WriteBytes(in.classFile, FakeClassFile(64));
     },
     "is not a plain file name", true},
    {"ClassNameWithoutClassSuffix",
     [](const TempDir& dir, BuildInputs& in) {
         in.classFile = dir.File("setup.bin");
         test_files::WriteBytes(in.classFile, FakeClassFile(64));
     },
     "does not end in \".class\"", true},
    {"OutputDirectoryMissing",
     [](const TempDir& dir, BuildInputs& in) { in.output = dir.File("nodir/setup.exe"); },
     "cannot create", false},
};

// Names the case in test output instead of dumping its bytes.
void PrintTo(const Refusal& refusal, std::ostream* out)
{
    *out << refusal.name;
}

class RefusalTest : public testing::TestWithParam<Refusal> {};

TEST_P(RefusalTest, ExitsWith2AndLeavesTheOutputAlone)
{
    const Refusal& refusal = GetParam();
    for (bool outputExists : {false, true}) {
        if (outputExists && !refusal.outputMayExist)
            continue;
        SCOPED_TRACE(outputExists ? "over an existing output" : "without an output");
        TempDir dir;
        BuildInputs inputs(dir);
        refusal.change(dir, inputs);
        const std::string previous = "the previous setup.exe";
        if (outputExists)
            test_files::WriteText(inputs.output, previous);
        const std::vector<std::string> before = dir.List();

        PackRun run = RunPack(inputs.Args());

        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(StartsWith(run.err, "wendle-pack: ")) << run.err;
        EXPECT_TRUE(Contains(run.err, refusal.message)) << run.err;
        EXPECT_EQ(run.out, "");
        if (outputExists)
            EXPECT_EQ(ReadText(inputs.output), previous);
        else
            EXPECT_FALSE(test_files::Exists(inputs.output));
        EXPECT_EQ(dir.List(), before) << "no file is left behind";
    }
}

INSTANTIATE_TEST_SUITE_P(Build, RefusalTest, testing::ValuesIn(kRefusals),
                         [](const testing::TestParamInfo<Refusal>& info) {
                             return std::string(info.param.name);
                         });

TEST(Build, OutputThatIsADirectoryIsRefusedAndNothingIsLeft)
{
    TempDir dir;
    BuildInputs inputs(dir);
    inputs.output = dir.File("outdir");
    std::filesystem::create_directory(inputs.output);
    const std::vector<std::string> before = dir.List();

    PackRun run = RunPack(inputs.Args());

    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(StartsWith(run.err, "wendle-pack: cannot rename")) << run.err;
    EXPECT_TRUE(std::filesystem::is_directory(inputs.output));
    EXPECT_EQ(dir.List(), before) << "the partial file is removed";
}

// --- Building and listing ---------------------------------------------------

TEST(Build, WritesTheStubThenTheThreeEntriesPaddingAndTheTrailer)
{
    // 16 + 81 bytes of entries + 4 of trailer: 101, padded to 104 by default.
    const std::vector<uint8_t> entries = {
        't', 'v', 'q', 'C', 'o', 'm', 'm', 'a', 'n', 'd', 'L', 'i', 'n', 'e', 0,
        0, 0, 0, 0,  8, 0, 0, 0,
        '1', '.', '1', ':', 'A', ':', 'A', 0,
        't', 'v', 'q', 'U', 'R', 'L', 0,
        0, 0, 0, 0,  10, 0, 0, 0,
        'h', 't', 't', 'p', ':', '/', '/', 'x', '/', 0,
        't', 'v', 'q', 'T', '.', 'c', 'l', 'a', 's', 's', 0,
        0, 0, 0, 0,  6, 0, 0, 0,
        0xCA, 0xFE, 0xBA, 0xBE, 0x00, 0x03,
    };
    const struct {
        const char* what;
        std::vector<std::string> options;
        std::size_t padding;
    } cases[] = {
        {"by default", {}, 3},
        {"--align 8", {"--align", "8"}, 3},
        {"--align 1", {"--align", "1"}, 0},
        {"--align 4", {"--align", "4"}, 3},
        {"--align 2", {"--align", "2"}, 1},
        {"--align 64", {"--align", "64"}, 27},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        BuildInputs inputs(dir);
        const std::vector<uint8_t> stub = FakeStub(16);
        test_files::WriteBytes(inputs.stub, stub);
        inputs.classFile = dir.File("T.class");
        test_files::WriteBytes(inputs.classFile, {0xCA, 0xFE, 0xBA, 0xBE, 0x00, 0x03});
        inputs.url = "http://x/";
        std::vector<std::string> args = inputs.Args();
        args.insert(args.end(), c.options.begin(), c.options.end());

        PackRun run = RunPack(args);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "");

        std::vector<uint8_t> expected = stub;
        expected.insert(expected.end(), entries.begin(), entries.end());
        expected.insert(expected.end(), c.padding, 0);
        expected.insert(expected.end(), {16, 0, 0, 0});
        EXPECT_EQ(test_files::ReadBytes(inputs.output), expected);
        EXPECT_EQ(dir.List(), std::vector<std::string>({"T.class", "Wendle.exe", "setup.class",
                                                        "setup.exe"}));
    }
}

TEST(Build, AlignmentGivesAMultipleOfItForEveryStubSize)
{
    for (std::size_t stubSize : {1000u, 1001u, 1002u, 1003u, 1004u, 1005u, 1006u, 1007u}) {
        for (const char* alignment : {"8", "16", "4096"}) {
            SCOPED_TRACE(std::to_string(stubSize) + " bytes, --align " + alignment);
            TempDir dir;
            BuildInputs inputs(dir);
            test_files::WriteBytes(inputs.stub, FakeStub(stubSize));
            std::vector<std::string> args = inputs.Args();
            args.insert(args.end(), {"--align", alignment});
            ASSERT_EQ(RunPack(args).exitCode, 0);
            const std::vector<uint8_t> packed = test_files::ReadBytes(inputs.output);
            EXPECT_EQ(packed.size() % std::stoul(alignment), 0u);
            std::vector<wendle_pack::ListedEntry> entries;
            std::string error;
            ASSERT_TRUE(wendle_pack::ReadPayload(packed, &entries, &error)) << error;
            ASSERT_EQ(entries.size(), 3u);
            const std::size_t end = entries[2].dataOffset + entries[2].length;
            EXPECT_LT(packed.size() - 4 - end, std::stoul(alignment));
            EXPECT_TRUE(std::all_of(packed.begin() + end, packed.end() - 4,
                                    [](uint8_t b) { return b == 0; }));
            EXPECT_EQ(RunPack({"verify", inputs.output}).exitCode, 0);
        }
    }
}

TEST(Build, AlignmentsThatAreNoPowerOfTwoAreRefused)
{
    for (const char* alignment : {"0", "3", "12", "131072", "-8", "8x", "", "0x8", " 8"}) {
        SCOPED_TRACE(std::string("--align \"") + alignment + "\"");
        TempDir dir;
        BuildInputs inputs(dir);
        std::vector<std::string> args = inputs.Args();
        args.insert(args.end(), {"--align", alignment});
        PackRun run = RunPack(args);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(StartsWith(run.err, std::string("wendle-pack: --align ") + alignment +
                                            ": not a power of two from 1 to 65536"))
            << run.err;
        EXPECT_FALSE(test_files::Exists(inputs.output));
    }
}

TEST(Build, TwoRunsWithTheSameInputsGiveTheSameBytes)
{
    TempDir dir;
    BuildInputs inputs(dir);
    ASSERT_EQ(RunPack(inputs.Args()).exitCode, 0);
    const std::vector<uint8_t> first = test_files::ReadBytes(inputs.output);
    // Other file times and another output name change nothing.
    std::filesystem::last_write_time(inputs.classFile,
                                     std::filesystem::file_time_type::clock::now() -
                                         std::chrono::hours(30));
    inputs.output = dir.File("again.exe");
    ASSERT_EQ(RunPack(inputs.Args()).exitCode, 0);
    EXPECT_TRUE(test_files::ReadBytes(inputs.output) == first);
}

TEST(Build, ForceReplacesThePayloadOfAPackedStub)
{
    TempDir dir;
    BuildInputs inputs(dir);
    ASSERT_EQ(RunPack(inputs.Args()).exitCode, 0);   // 1.1:A:A

    BuildInputs fresh = inputs;
    fresh.requirement = "A:A:A";
    fresh.output = dir.File("fresh.exe");
    ASSERT_EQ(RunPack(fresh.Args()).exitCode, 0);

    BuildInputs repacked = fresh;
    repacked.stub = inputs.output;
    repacked.output = dir.File("repacked.exe");
    PackRun refused = RunPack(repacked.Args());
    EXPECT_EQ(refused.exitCode, 2);
    std::vector<std::string> args = repacked.Args();
    args.push_back("--force");
    PackRun run = RunPack(args);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(test_files::ReadBytes(repacked.output) == test_files::ReadBytes(fresh.output))
        << "the old payload and its padding are cut away whole";

    // In place: the stub is the output.
    repacked.output = repacked.stub;
    args = repacked.Args();
    args.push_back("--force");
    ASSERT_EQ(RunPack(args).exitCode, 0);
    EXPECT_TRUE(test_files::ReadBytes(inputs.output) == test_files::ReadBytes(fresh.output));

    // A stub without payload is simply packed.
    fresh.output = dir.File("forced.exe");
    args = fresh.Args();
    args.push_back("--force");
    ASSERT_EQ(RunPack(args).exitCode, 0);
    EXPECT_TRUE(test_files::ReadBytes(fresh.output) ==
                test_files::ReadBytes(dir.File("fresh.exe")));
}

TEST(Build, ReplacesAnExistingOutput)
{
    TempDir dir;
    BuildInputs inputs(dir);
    test_files::WriteText(inputs.output, std::string(100000, 'o'));

    PackRun run = RunPack(inputs.Args());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::vector<uint8_t> packed = test_files::ReadBytes(inputs.output);
    std::vector<wendle_pack::ListedEntry> entries;
    std::string error;
    ASSERT_TRUE(wendle_pack::ReadPayload(packed, &entries, &error)) << error;
    EXPECT_EQ(entries.size(), 3u);
    // The stub, then each entry's header and data, padding, then the trailer.
    EXPECT_EQ(packed.size(), 2048u + (23 + 8) + (15 + 25) + (23 + 64) + 6 + 4);
}

TEST(List, PrintsTheReferencePayload)
{
    TempDir dir;
    BuildInputs inputs(dir);
    test_files::WriteBytes(inputs.stub, FakeStub(0x12800));
    inputs.classFile = dir.File("simpjava.class");
    test_files::WriteBytes(inputs.classFile, FakeClassFile(5449781));
    inputs.requirement = "A:A:A";
    inputs.url = "http://java.example.com/products/jdk/download/";
    std::vector<std::string> args = inputs.Args();
    args.insert(args.end(), {"--align", "1"});
    ASSERT_EQ(RunPack(args).exitCode, 0);

    PackRun run = RunPack({"list", inputs.output});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const std::string expected =
        inputs.output + ": 5525678 bytes, first entry at 0x00012800, trailer at 0x005450AA\n"
        " #  Name                 Entry offset  Kind      Length  Data offset  Value\n"
        " 0  CommandLine          0x00012800       0           6  0x00012817   \"A:A:A\"\n"
        " 1  URL                  0x0001281D       0          47  0x0001282C   "
        "\"http://java.example.com/products/jdk/download/\"\n"
        " 2  simpjava.class       0x0001285B       0     5449781  0x00012875\n";
    EXPECT_EQ(run.out, expected);
}

TEST(List, ShowsWhatTheLauncherCannotRead)
{
    TempDir dir;
    std::vector<uint8_t> file = FakeStub(32);
    wendle_pack::AppendEntryBytes(file, "CommandLine", 0, 3, Bytes("a\tb"));   // no NUL
    wendle_pack::AppendEntryBytes(file, "URL", 0, 5, Bytes(std::string("q\"\\\0", 5)));
    const std::vector<uint8_t> garbage = Bytes("garbage");
    file.insert(file.end(), garbage.begin(), garbage.end());
    wendle_pack::AppendUInt32(file, 32);
    test_files::WriteBytes(dir.File("odd.exe"), file);

    PackRun run = RunPack({"list", dir.File("odd.exe")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(Contains(run.out, "CommandLine          0x00000020       0           3  "
                                  "0x00000037   (no NUL within the data"))
        << run.out;
    EXPECT_TRUE(Contains(run.out, "\"q\\\"\\\\\"\n")) << run.out;
    EXPECT_TRUE(Contains(run.out, "note: the launcher reads no further than 0x0000004E; 7 bytes "
                                  "up to the trailer are not part of its payload"))
        << run.out;
}

TEST(List, FilesWithoutPayloadAreRefused)
{
    TempDir dir;
    test_files::WriteBytes(dir.File("Wendle.exe"), FakeStub(4096));
    const struct {
        const char* description;
        std::string path;
        const char* message;
    } cases[] = {
        {"a launcher without payload", dir.File("Wendle.exe"), "Wendle.exe: no payload"},
        {"a missing file", dir.File("missing.exe"), "cannot read"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.description);
        PackRun run = RunPack({"list", c.path});
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(StartsWith(run.err, "wendle-pack: ")) << run.err;
        EXPECT_TRUE(Contains(run.err, c.message)) << run.err;
        EXPECT_EQ(run.out, "");
    }
}

// --- list --json ------------------------------------------------------------

TEST(List, JsonGivesTheSameFactsForScripts)
{
    TempDir dir;
    BuildInputs inputs(dir);
    test_files::WriteBytes(inputs.stub, FakeStub(16));
    inputs.classFile = dir.File("T.class");
    test_files::WriteBytes(inputs.classFile, {0xCA, 0xFE, 0xBA, 0xBE, 0x00, 0x03});
    inputs.url = "http://x/";
    ASSERT_EQ(RunPack(inputs.Args()).exitCode, 0);   // 101 bytes, padded to 104

    PackRun run = RunPack({"list", "--json", inputs.output});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const std::string expected =
        "{\n"
        "  \"file\": \"" + inputs.output + "\",\n"
        "  \"size\": 104,\n"
        "  \"certificateTable\": null,\n"
        "  \"trailer\": 100,\n"
        "  \"firstEntry\": 16,\n"
        "  \"padding\": 3,\n"
        "  \"requirement\": \"1.1:A:A\",\n"
        "  \"url\": \"http://x/\",\n"
        "  \"entries\": [\n"
        "    {\"name\": \"CommandLine\", \"kind\": 0, \"length\": 8, \"offset\": 16, "
        "\"dataOffset\": 39},\n"
        "    {\"name\": \"URL\", \"kind\": 0, \"length\": 10, \"offset\": 47, "
        "\"dataOffset\": 62},\n"
        "    {\"name\": \"T.class\", \"kind\": 0, \"length\": 6, \"offset\": 72, "
        "\"dataOffset\": 91}\n"
        "  ]\n"
        "}\n";
    EXPECT_EQ(run.out, expected);
    EXPECT_EQ(RunPack({"list", inputs.output, "--json"}).out, expected) << "--json after FILE";
}

TEST(List, JsonGivesBackEveryByteOfTheSettings)
{
    TempDir dir;
    BuildInputs inputs(dir);
    inputs.requirement = "A:\"Sun\\:\xE9\x7F";
    inputs.url = "http://x/\t\xFF?a=\"b\"";
    ASSERT_EQ(RunPack(inputs.Args()).exitCode, 0);
    PackRun run = RunPack({"list", "--json", inputs.output});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    test_files::WriteText(dir.File("list.json"), run.out);

    // Python's own parser: the bytes come back as code points 0 to 255.
    PackRun parsed = test_files::RunCommand(
        {"python3", "-c",
         "import json, sys\n"
         "d = json.load(open(sys.argv[1], encoding='ascii'))\n"
         "print(d['requirement'].encode('latin-1').hex(), d['url'].encode('latin-1').hex(),\n"
         "      d['entries'][2]['name'], d['size'])\n",
         dir.File("list.json")});
    ASSERT_EQ(parsed.exitCode, 0) << parsed.err << run.out;
    auto hex = [](const std::string& text) {
        std::string out;
        char digits[3];
        for (unsigned char c : text) {
            std::snprintf(digits, sizeof digits, "%02x", c);
            out += digits;
        }
        return out;
    };
    EXPECT_EQ(parsed.out, hex(inputs.requirement) + " " + hex(inputs.url) + " setup.class " +
                              std::to_string(test_files::ReadBytes(inputs.output).size()) + "\n");
}

TEST(List, JsonShowsNoSettingThatTheLauncherWouldNotRead)
{
    TempDir dir;
    std::vector<uint8_t> file = FakeStub(32);
    wendle_pack::AppendEntryBytes(file, "Requirement", 0, 6, Bytes(std::string("A:A:A\0", 6)));
    wendle_pack::AppendEntryBytes(file, "URL", 0, 3, Bytes("abc"));   // no NUL
    wendle_pack::AppendUInt32(file, 32);
    test_files::WriteBytes(dir.File("odd.exe"), file);
    PackRun run = RunPack({"list", "--json", dir.File("odd.exe")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(Contains(run.out, "  \"requirement\": null,\n  \"url\": null,\n")) << run.out;
    EXPECT_TRUE(Contains(run.out, "{\"name\": \"Requirement\"")) << run.out;
}

// --- verify -------------------------------------------------------------------

TEST(Verify, ReportsInWordsAndByExitStatus)
{
    TempDir dir;
    BuildInputs good(dir);
    ASSERT_EQ(RunPack(good.Args()).exitCode, 0);

    BuildInputs warned(dir);
    warned.requirement = "1.1:A:A 1.4:A:A";
    warned.output = dir.File("warned.exe");
    ASSERT_EQ(RunPack(warned.Args()).exitCode, 0);

    std::vector<uint8_t> broken = test_files::ReadBytes(good.output);
    broken[2048 + 3] = 'X';   // the first entry's name: "XommandLine"
    test_files::WriteBytes(dir.File("broken.exe"), broken);

    const struct {
        const char* what;
        std::string path;
        int exitCode;
        std::string out;
        const char* err;
    } cases[] = {
        {"a well-formed file", good.output, 0, good.output + ": ok: 3 entries; not signed\n", ""},
        {"a warning", warned.output, 0,
         warned.output + ": warning: alternative \"1.4:A:A\" can never match: its version field "
                         "\"1.4\" does not begin with 1.0, 1.1, 1.2 or A (letter case counts)\n" +
             warned.output + ": ok with 1 warning: 3 entries; not signed\n",
         ""},
        {"an error", dir.File("broken.exe"), 1,
         dir.File("broken.exe") + ": error: entry 0 is named \"XommandLine\"; the launcher reads "
                                  "the requirement string from an entry named \"CommandLine\" "
                                  "(letter case ignored) and shows its usage message without "
                                  "it\n" +
             dir.File("broken.exe") + ": 1 error, 0 warnings\n",
         ""},
        {"a plain stub", good.stub, 1,
         good.stub + ": error: no payload: the trailer at 0x7FC points at 0x0, where no entry "
                     "starts\n" +
             good.stub + ": 1 error, 0 warnings\n",
         ""},
        {"a missing file", dir.File("missing.exe"), 2, "", "wendle-pack: cannot read"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PackRun run = RunPack({"verify", c.path});
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_EQ(run.out, c.out);
        EXPECT_TRUE(StartsWith(run.err, c.err)) << run.err;
    }
}

// --- extract ------------------------------------------------------------------

TEST(Extract, WritesTheEntriesAsTheLauncherDoes)
{
    TempDir dir;
    BuildInputs inputs(dir);
    ASSERT_EQ(RunPack(inputs.Args()).exitCode, 0);
    TempDir out;
    test_files::WriteText(out.File("setup.class"), std::string(10000, 'o'));

    PackRun run = RunPack({"extract", inputs.output, "-C", out.path()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, out.File("CommandLine") + "\n" + out.File("URL") + "\n" +
                           out.File("setup.class") + "\n");
    EXPECT_EQ(out.List(), std::vector<std::string>({"CommandLine", "URL", "setup.class"}));
    EXPECT_EQ(ReadText(out.File("CommandLine")), std::string("1.1:A:A\0", 8)) << "with its NUL";
    EXPECT_EQ(ReadText(out.File("URL")), inputs.url + std::string(1, '\0'));
    EXPECT_EQ(test_files::ReadBytes(out.File("setup.class")), FakeClassFile(64))
        << "an existing file is replaced";
}

TEST(Extract, WritesIntoTheCurrentFolderWithoutDashC)
{
    TempDir dir;
    BuildInputs inputs(dir);
    ASSERT_EQ(RunPack(inputs.Args()).exitCode, 0);
    TempDir out;
    PackRun run = test_files::RunCommand(
        {"sh", "-c", "cd \"$1\" && exec \"$2\" extract \"$3\"", "sh", out.path(), WENDLE_PACK_EXE,
         inputs.output});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "CommandLine\nURL\nsetup.class\n");
    EXPECT_EQ(out.List(), std::vector<std::string>({"CommandLine", "URL", "setup.class"}));
}

TEST(Extract, RefusesWhatWouldLeaveTheFolderOrWhatTheLauncherCannotExtract)
{
    using wendle_pack::Entry;
    using wendle_pack::StringEntry;
    auto packed = [](const std::vector<Entry>& entries) {
        std::vector<uint8_t> file = FakeStub(64);
        const std::vector<uint8_t> payload = wendle_pack::EncodePayload(entries, 64);
        file.insert(file.end(), payload.begin(), payload.end());
        return file;
    };
    Entry kindOne;
    kindOne.name = "Installer.class";
    kindOne.kind = 1;
    kindOne.data = FakeClassFile(8);
    const Entry requirement = StringEntry("CommandLine", "A:A:A");

    const struct {
        const char* what;
        std::vector<uint8_t> file;
        const char* message;
    } cases[] = {
        {"a name with a backslash", packed({requirement, StringEntry("..\\evil.txt", "x")}),
         "entry 1 at 0x5D is named \"..\\evil.txt\", which is not a plain file name: refused, "
         "nothing written"},
        {"a name with a slash", packed({requirement, StringEntry("../evil.txt", "x")}),
         "is named \"../evil.txt\""},
        {"the name ..", packed({requirement, StringEntry("..", "x")}), "is named \"..\""},
        {"a name with a drive", packed({requirement, StringEntry("C:evil", "x")}),
         "is named \"C:evil\""},
        {"an entry of kind 1", packed({requirement, StringEntry("URL", "x"), kindOne}),
         "entry 2 (Installer.class) has kind 1, which the launcher cannot extract: refused, "
         "nothing written"},
        {"no payload", FakeStub(4096), "no payload"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        test_files::WriteBytes(dir.File("odd.exe"), c.file);
        TempDir out;
        PackRun run = RunPack({"extract", dir.File("odd.exe"), "-C", out.path()});
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(StartsWith(run.err, "wendle-pack: " + dir.File("odd.exe") + ": ")) << run.err;
        EXPECT_TRUE(Contains(run.err, c.message)) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(out.List().empty());
        EXPECT_EQ(dir.List(), std::vector<std::string>{"odd.exe"}) << "nothing written beside it";
    }
}

TEST(Extract, UnreadableInputsAndMissingFoldersAreRefused)
{
    TempDir dir;
    BuildInputs inputs(dir);
    ASSERT_EQ(RunPack(inputs.Args()).exitCode, 0);
    PackRun missingFile = RunPack({"extract", dir.File("missing.exe"), "-C", dir.path()});
    EXPECT_EQ(missingFile.exitCode, 2);
    EXPECT_TRUE(StartsWith(missingFile.err, "wendle-pack: cannot read")) << missingFile.err;

    PackRun missingFolder = RunPack({"extract", inputs.output, "-C", dir.File("nodir")});
    EXPECT_EQ(missingFolder.exitCode, 2);
    EXPECT_TRUE(Contains(missingFolder.err, "cannot create " + dir.File("nodir/CommandLine")))
        << missingFolder.err;
    EXPECT_FALSE(test_files::Exists(dir.File("nodir")));
}

}  // namespace
