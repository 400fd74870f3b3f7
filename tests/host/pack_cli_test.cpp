// The wendle-pack command line, run as a separate process.
#include <gtest/gtest.h>

#include <sys/wait.h>

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

struct PackRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string ShellQuoted(const std::string& arg)
{
    std::string quoted = "'";
    for (char c : arg) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

std::string ReadText(const std::string& path)
{
    std::vector<uint8_t> bytes = test_files::ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

PackRun RunPack(const std::vector<std::string>& args)
{
    TempDir capture;
    std::string command = ShellQuoted(WENDLE_PACK_EXE);
    for (const std::string& arg : args)
        command += " " + ShellQuoted(arg);
    command += " >" + ShellQuoted(capture.File("out")) + " 2>" + ShellQuoted(capture.File("err"));
    PackRun run;
    int status = std::system(command.c_str());
    if (status != -1 && WIFEXITED(status))
        run.exitCode = WEXITSTATUS(status);
    run.out = ReadText(capture.File("out"));
    run.err = ReadText(capture.File("err"));
    return run;
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
    const std::vector<std::vector<std::string>> requests = {
        {"--help"}, {"-h"}, {"build", "--help"}, {"list", "-h"}};
    for (const auto& args : requests) {
        SCOPED_TRACE(args.back());
        PackRun run = RunPack(args);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_TRUE(Contains(run.out, "usage: wendle-pack build --stub STUB")) << run.out;
        EXPECT_TRUE(Contains(run.out, "wendle-pack list FILE")) << run.out;
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
    unknownOption.push_back("--force");
    std::vector<std::string> strayArgument = inputs.Args();
    strayArgument.push_back("extra.class");

    const struct {
        const char* description;
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {"an unknown command", {"pack", "x"}, "unknown command pack"},
        {"an unknown option", unknownOption, "unknown option --force"},
        {"an option without its value", outputWithoutValue, "option -o needs a value"},
        {"a missing option", withoutUrl, "build needs --url"},
        {"an option given twice", urlTwice, "option --url given twice"},
        {"a stray argument", strayArgument, "unexpected argument extra.class"},
        {"list without a file", {"list"}, "list needs exactly one file"},
        {"list with two files", {"list", "a.exe", "b.exe"}, "list needs exactly one file"},
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
     "already carries a payload", true},
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

TEST(Build, WritesTheStubThenTheThreeEntriesAndTheTrailer)
{
    TempDir dir;
    BuildInputs inputs(dir);
    const std::vector<uint8_t> stub = FakeStub(16);
    test_files::WriteBytes(inputs.stub, stub);
    inputs.classFile = dir.File("T.class");
    test_files::WriteBytes(inputs.classFile, {0xCA, 0xFE, 0xBA, 0xBE, 0x00, 0x03});
    inputs.url = "http://x/";

    PackRun run = RunPack(inputs.Args());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");

    std::vector<uint8_t> expected = stub;
    const std::vector<uint8_t> payload = {
        't', 'v', 'q', 'C', 'o', 'm', 'm', 'a', 'n', 'd', 'L', 'i', 'n', 'e', 0,
        0, 0, 0, 0,  8, 0, 0, 0,
        '1', '.', '1', ':', 'A', ':', 'A', 0,
        't', 'v', 'q', 'U', 'R', 'L', 0,
        0, 0, 0, 0,  10, 0, 0, 0,
        'h', 't', 't', 'p', ':', '/', '/', 'x', '/', 0,
        't', 'v', 'q', 'T', '.', 'c', 'l', 'a', 's', 's', 0,
        0, 0, 0, 0,  6, 0, 0, 0,
        0xCA, 0xFE, 0xBA, 0xBE, 0x00, 0x03,
        16, 0, 0, 0,
    };
    expected.insert(expected.end(), payload.begin(), payload.end());
    EXPECT_EQ(test_files::ReadBytes(inputs.output), expected);
    EXPECT_EQ(dir.List(), std::vector<std::string>({"T.class", "Wendle.exe", "setup.class",
                                                    "setup.exe"}));
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
    // The stub, then each entry's header and data, then the trailer.
    EXPECT_EQ(packed.size(), 2048u + (23 + 8) + (15 + 25) + (23 + 64) + 4);
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
    ASSERT_EQ(RunPack(inputs.Args()).exitCode, 0);

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

}  // namespace
