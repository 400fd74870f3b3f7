// The mutation campaign: malformed installers derived from a valid one
// (mutant_generator.h) are run through the real Wendle.exe without
// arguments, several at once, and every window they show is answered. For
// each run: no crash, exit code 0, the windows the payload calls for (the
// usage message exactly when wendle-pack's reader finds no three settings),
// the VM started with exactly the requirement and class the payload holds,
// nothing left in the temporary directory, nothing written anywhere else,
// and the end within 30 seconds.
//
// Each launcher runs on a drive of its own (a folder mapped to a letter):
// its current directory and its temporary directory lie there, so the
// capture file "\stdout.tmp", which lands in the root of the current drive,
// is its own, and so is every other write it could make.
//
// Without arguments the CI form runs: 300 mutants sampled evenly from the
// full list. Options (bench/campaign uses them):
//   --mutants=N   sample N mutants (0: the whole list)
//   --random=N    byte-flip mutants in the full list (1900)
//   --seed=S      seed of the byte flips (1)
//   --workers=N   launchers at once (3)
//   --only=I      run mutant I alone, in both phases
//   --figures=F   append the figures to file F as well
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <map>
#include <memory>
#include <thread>

#include "launcher_session.h"
#include "mutant_generator.h"
#include "test_support.h"
#include "tools/wendle-pack/pack_format.h"
#include "vm_doubles.h"

using hardening::Family;
using hardening::Outcome;
using hardening::SelectionAnswer;

namespace {

struct CampaignOptions {
    size_t mutants = 300;
    size_t random = 1900;
    uint64_t seed = 1;
    int workers = 3;
    long long only = -1;
    std::string figures;
};
CampaignOptions g_options;

const DWORD kRunLimitMs = 30000;
const char kCampaignRoot[] = "C:\\campaign";
const char kVmExe[] = "C:\\campaign\\jdk\\Bin\\java.exe";
const char kVmRecord[] = "C:\\campaign\\vm-runs.txt";
const char kFirstDrive = 'M';

enum class Phase { SuitableVm, NoVm };

const char* PhaseName(Phase phase)
{
    return phase == Phase::SuitableVm ? "suitable VM" : "no VM";
}

// The kinds of fault the figures count.
enum Problem { kCrash, kTimeout, kLeftover, kOutside, kBehaviour, kHarness, kProblemKinds };
const char* const kProblemNames[kProblemKinds] = {"crash", "timeout", "leftover", "outside",
                                                  "behaviour", "harness"};

struct MutantResult {
    size_t index = 0;
    Family family = Family::Truncated;
    std::string name;
    Outcome predicted = Outcome::Usage;
    bool launched = false;
    DWORD elapsedMs = 0;
    std::vector<std::pair<Problem, std::string>> problems;
};

std::string Join(const std::vector<std::string>& items)
{
    std::string text = "[";
    for (size_t i = 0; i < items.size(); ++i)
        text += (i ? ", " : "") + items[i];
    return text + "]";
}

std::string Hex(unsigned long value)
{
    char text[16];
    snprintf(text, sizeof text, "0x%lX", value);
    return text;
}

// A recorded command line without line breaks: the record keeps one line
// per field, so a requirement that holds CR or LF cannot come back whole.
std::string OneLine(std::string text)
{
    std::string out;
    for (char c : text)
        if (c != '\r' && c != '\n')
            out += c;
    return out;
}

bool EndsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Names that every file system here takes as they are; the extraction of a
// payload whose entries all have such names (and kind 0) must reach the VM.
bool IsOrdinaryName(const std::string& name)
{
    if (name.empty() || name.front() == '.' || name.back() == '.')
        return false;
    for (char c : name)
        if (!isalnum((unsigned char)c) && c != '.' && c != '_' && c != '-')
            return false;
    std::string device = name.substr(0, name.find('.'));
    for (char& c : device)
        c = char(toupper((unsigned char)c));
    static const char* const devices[] = {"CON", "PRN", "AUX", "NUL"};
    for (const char* reserved : devices)
        if (device == reserved)
            return false;
    if (device.size() == 4 && (device.compare(0, 3, "COM") == 0 || device.compare(0, 3, "LPT") == 0) &&
        isdigit((unsigned char)device[3]))
        return false;
    return true;
}

// The launch that the payload's entries promise: requirement, class name,
// and whether every entry extracts cleanly.
struct Expected {
    std::string requirement;
    std::string className;
    bool cleanExtraction = false;
    // The JDK kind passes "TvqVersion", a blank and the requirement in a
    // 260-byte argument buffer: a requirement of more than 248 characters
    // cannot be handed to the probe, and the VM counts as unsuitable.
    bool probeFits = false;
};
const size_t kArgumentsSize = 260;
const char kProbeClass[] = "TvqVersion";

Expected ExpectedLaunch(const hardening::Bytes& file)
{
    Expected expected;
    std::vector<wendle_pack::ListedEntry> entries;
    std::string error;
    if (!wendle_pack::ReadPayload(file, &entries, &error) || entries.size() < 3)
        return expected;
    wendle_pack::ReadStringValue(file, entries[0], &expected.requirement);
    expected.probeFits = sizeof kProbeClass + expected.requirement.size() < kArgumentsSize;
    expected.className = entries[2].name.substr(0, entries[2].name.rfind('.'));
    expected.cleanExtraction = true;
    for (const wendle_pack::ListedEntry& entry : entries)
        if (entry.kind != 0 || !IsOrdinaryName(entry.name))
            expected.cleanExtraction = false;
    return expected;
}

// One launcher at a time on a drive of its own.
class Worker {
public:
    Worker(int number, char letter)
        : folder_(std::string(kCampaignRoot) + "\\w" + std::to_string(number)), letter_(letter),
          root_(std::string(1, letter) + ":")
    {
    }

    bool Prepare(std::string* error)
    {
        CreateDirectoryA(folder_.c_str(), nullptr);
        if (!hardening::MapDrive(letter_, folder_)) {
            *error = std::string("cannot map drive ") + letter_ + ": to " + folder_;
            return false;
        }
        CreateDirectoryA((root_ + "\\tmp").c_str(), nullptr);
        CreateDirectoryA((root_ + "\\work").c_str(), nullptr);
        return true;
    }

    void Release()
    {
        hardening::UnmapDrive(letter_);
        test_support::RemoveTree(folder_);
    }

    MutantResult Run(const hardening::MutantSet& set, size_t index, Phase phase,
                     SelectionAnswer answer)
    {
        MutantResult result;
        result.index = index;
        hardening::Mutant mutant = set.Make(index);
        result.family = mutant.family;
        result.name = mutant.name;
        result.predicted = hardening::Predict(mutant.file);
        auto problem = [&result](Problem kind, const std::string& text) {
            result.problems.emplace_back(kind, text);
        };

        const std::string exe = root_ + "\\work\\setup.exe";
        hardening::WritePrivately(exe, mutant.file);
        const std::vector<std::string> before = hardening::TreeListing(root_);
        const size_t runsBefore = MyVmRuns().size();

        test_support::RunOptions options;
        options.tempDir = root_ + "\\tmp\\";
        options.currentDir = root_ + "\\work";
        hardening::RunTrace trace =
            hardening::RunAnswering("\"" + exe + "\"", options, answer, kRunLimitMs);
        result.elapsedMs = trace.elapsedMs;

        if (!trace.ended)
            problem(kTimeout, "still running after " + std::to_string(kRunLimitMs / 1000) +
                                  " s, windows " + Join(trace.windows));
        else if (trace.exitCode != 0)
            problem(kCrash, "exit code " + Hex(trace.exitCode));

        std::vector<std::string> expectedWindows;
        if (result.predicted == Outcome::Usage)
            expectedWindows = {"usage"};
        else if (phase == Phase::NoVm || !ExpectedLaunch(mutant.file).probeFits)
            expectedWindows = {"no-vm"};
        else if (answer == SelectionAnswer::Launch)
            expectedWindows = {"selection"};
        else
            expectedWindows = {"selection", "question"};
        if (trace.ended && trace.windows != expectedWindows)
            problem(kBehaviour, "showed " + Join(trace.windows) + ", the payload calls for " +
                                    Join(expectedWindows));

        std::vector<std::string> left = test_support::ListDir(root_ + "\\tmp");
        if (!left.empty())
            problem(kLeftover, "left in the temporary directory: " + Join(left));
        std::vector<std::string> after = hardening::TreeListing(root_);
        after.erase(std::remove_if(after.begin(), after.end(),
                                   [](const std::string& entry) {
                                       return entry.rfind("tmp\\", 0) == 0 && entry != "tmp\\";
                                   }),
                    after.end());
        if (after != before)
            problem(kOutside, "drive " + root_ + " was " + Join(before) + ", is " + Join(after));

        CheckVmRuns(mutant.file, phase, answer, runsBefore, &result);

        // The next mutant starts from a clean drive, whatever this one did.
        hardening::EmptyFolder(root_ + "\\tmp");
        for (const std::string& name : test_support::ListDir(root_)) {
            if (name == "tmp" || name == "work")
                continue;
            test_support::RemoveTree(root_ + "\\" + name);
            DeleteFileA((root_ + "\\" + name).c_str());
        }
        return result;
    }

private:
    // The VM runs recorded with a current directory on this drive: the
    // JDK kind runs the VM in the temporary directory.
    std::vector<vm_doubles::VmRun> MyVmRuns() const
    {
        std::vector<vm_doubles::VmRun> mine;
        for (const vm_doubles::VmRun& run : vm_doubles::ReadVmRuns(kVmRecord))
            if (_strnicmp(run.currentDir.c_str(), root_.c_str(), 2) == 0)
                mine.push_back(run);
        return mine;
    }

    void CheckVmRuns(const hardening::Bytes& file, Phase phase, SelectionAnswer answer,
                     size_t runsBefore, MutantResult* result) const
    {
        std::vector<vm_doubles::VmRun> runs = MyVmRuns();
        runs.erase(runs.begin(), runs.begin() + std::min(runsBefore, runs.size()));
        auto problem = [result](const std::string& text) { result->problems.emplace_back(kBehaviour, text); };
        if (phase == Phase::NoVm || result->predicted == Outcome::Usage) {
            if (!runs.empty())
                problem("started the VM " + std::to_string(runs.size()) + " times: " + runs[0].commandLine);
            return;
        }
        Expected expected = ExpectedLaunch(file);
        if (!expected.probeFits) {
            if (!runs.empty())
                problem("probed with a command line that cannot fit: " + runs[0].commandLine);
            return;
        }
        if (runs.empty()) {
            problem("never probed the VM");
            return;
        }
        const std::string probeTail = OneLine("\" TvqVersion " + expected.requirement);
        if (!EndsWith(OneLine(runs[0].commandLine), probeTail))
            problem("probed with " + runs[0].commandLine + ", expected ..." + probeTail);
        size_t wanted = answer == SelectionAnswer::Launch ? 2 : 1;
        if (runs.size() > wanted)
            problem("started the VM " + std::to_string(runs.size()) + " times");
        if (runs.size() >= 2) {
            result->launched = true;
            const std::string launchTail = "\" " + expected.className;
            if (!EndsWith(runs[1].commandLine, launchTail))
                problem("launched " + runs[1].commandLine + ", expected ..." + launchTail);
        } else if (answer == SelectionAnswer::Launch && expected.cleanExtraction) {
            problem("never launched the installer class " + expected.className);
        }
    }

    std::string folder_;
    char letter_;
    std::string root_;
};

struct Figures {
    size_t tried = 0, usage = 0, settings = 0, launched = 0;
    size_t problems[kProblemKinds] = {};
    size_t failedMutants = 0;
    unsigned long long runMs = 0;
};

std::string FiguresLine(const char* label, const Figures& figures)
{
    char text[512];
    snprintf(text, sizeof text,
             "%s tried=%zu usage=%zu settings=%zu launched=%zu crash=%zu timeout=%zu "
             "leftover=%zu outside=%zu behaviour=%zu harness=%zu",
             label, figures.tried, figures.usage, figures.settings, figures.launched,
             figures.problems[kCrash], figures.problems[kTimeout], figures.problems[kLeftover],
             figures.problems[kOutside], figures.problems[kBehaviour], figures.problems[kHarness]);
    return text;
}

void Report(const std::string& line)
{
    printf("[campaign] %s\n", line.c_str());
    fflush(stdout);
    if (!g_options.figures.empty()) {
        if (FILE* file = fopen(g_options.figures.c_str(), "a")) {
            fprintf(file, "%s\n", line.c_str());
            fclose(file);
        }
    }
}

// Where a launcher that lost track of its folders would write: the first
// two levels of C: (the root, the Windows folder, the profiles) and the
// whole of the usual temporary directory. Deeper levels hold the profile's
// links into the Unix home, which no listing should walk.
std::vector<std::string> DriveCListing()
{
    std::vector<std::string> listing = hardening::TreeListing("C:", 2);
    listing.erase(std::remove_if(listing.begin(), listing.end(),
                                 [](const std::string& entry) {
                                     return entry.rfind("campaign\\", 0) == 0;
                                 }),
                  listing.end());
    for (const std::string& entry : hardening::TreeListing(test_support::TempDir()))
        listing.push_back(test_support::TempDir() + "\\" + entry);
    std::sort(listing.begin(), listing.end());
    return listing;
}

std::vector<std::string> Difference(const std::vector<std::string>& a, const std::vector<std::string>& b)
{
    std::vector<std::string> out;
    std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out));
    return out;
}

class MutationCampaign : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // A crash ends with its exception code at once instead of waiting
        // behind Wine's crash dialog; Wine still reports it on stderr.
        HKEY key;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\WineDbg", 0, nullptr, 0, KEY_WRITE,
                            nullptr, &key, nullptr) == ERROR_SUCCESS) {
            DWORD zero = 0;
            RegSetValueExA(key, "ShowCrashDialog", 0, REG_DWORD, reinterpret_cast<BYTE*>(&zero), sizeof zero);
            RegCloseKey(key);
        }
        // The launcher also looks below JAVA_HOME; the campaign's VM is the
        // registered one alone.
        SetEnvironmentVariableA("JAVA_HOME", nullptr);
        CreateDirectoryA(kCampaignRoot, nullptr);
        vm_doubles::VmBehaviour suitable;
        suitable.exitCode = 314;   // the probe's yes, whatever the capture file holds
        suitable.recordPath = kVmRecord;
        vm_doubles::InstallVmDouble(kVmExe, suitable);
    }

    static void TearDownTestSuite()
    {
        hardening::DeleteJavaSoftKeys();
        test_support::RemoveTree(kCampaignRoot);
    }

    void RunPhase(Phase phase)
    {
        if (phase == Phase::SuitableVm)
            hardening::RegisterJdk("C:\\campaign\\jdk");
        else
            hardening::DeleteJavaSoftKeys();

        const hardening::MutantSet set(test_support::ReadBytes(WENDLE_EXE_PATH), g_options.seed,
                                       g_options.random);
        // Pairs of neighbours in the sample go to alternate phases, so that
        // both meet every family and both kinds of byte flips (which
        // alternate from one mutant to the next).
        std::vector<size_t> indexes;
        if (g_options.only >= 0) {
            ASSERT_LT(size_t(g_options.only), set.size()) << "no such mutant";
            indexes.push_back(size_t(g_options.only));
        } else {
            std::vector<size_t> sample = set.Sample(g_options.mutants == 0 ? set.size() : g_options.mutants);
            for (size_t position = 0; position < sample.size(); ++position)
                if ((position / 2 % 2 == 0) == (phase == Phase::SuitableVm))
                    indexes.push_back(sample[position]);
        }

        std::vector<std::unique_ptr<Worker>> workers;
        for (int number = 0; number < g_options.workers; ++number) {
            workers.push_back(std::make_unique<Worker>(number, char(kFirstDrive + number)));
            std::string error;
            ASSERT_TRUE(workers.back()->Prepare(&error)) << error;
        }
        const std::vector<std::string> driveBefore = DriveCListing();

        std::vector<MutantResult> results(indexes.size());
        std::atomic<size_t> next{0};
        const DWORD started = GetTickCount();
        std::vector<std::thread> threads;
        for (auto& worker : workers) {
            threads.emplace_back([&, worker = worker.get()] {
                for (size_t position; (position = next++) < indexes.size();) {
                    // A quarter of the selection dialogs are cancelled.
                    SelectionAnswer answer =
                        position % 4 == 3 ? SelectionAnswer::Cancel : SelectionAnswer::Launch;
                    try {
                        results[position] = worker->Run(set, indexes[position], phase, answer);
                    } catch (const std::exception& error) {
                        results[position].index = indexes[position];
                        results[position].family = set.family(indexes[position]);
                        results[position].problems.emplace_back(kHarness, error.what());
                    }
                }
            });
        }
        for (std::thread& thread : threads)
            thread.join();
        const DWORD elapsed = GetTickCount() - started;

        // A mutant that went wrong while several launchers shared a loaded
        // machine is tried once more on its own: a fault of the launcher
        // shows again, a hitch of the machine does not. Both are reported.
        std::vector<std::string> retried;
        for (size_t position = 0; position < results.size(); ++position) {
            MutantResult& result = results[position];
            if (result.problems.empty())
                continue;
            SelectionAnswer answer =
                position % 4 == 3 ? SelectionAnswer::Cancel : SelectionAnswer::Launch;
            MutantResult again;
            try {
                again = workers.front()->Run(set, indexes[position], phase, answer);
            } catch (const std::exception& error) {
                again = result;
                again.problems.emplace_back(kHarness, error.what());
            }
            if (again.problems.empty()) {
                retried.push_back("mutant " + std::to_string(result.index) + ": " +
                                  kProblemNames[result.problems.front().first] + ": " +
                                  result.problems.front().second);
                result = again;
            }
        }
        for (const std::string& entry : retried)
            Report("passed when tried again alone: " + entry);

        const std::vector<std::string> driveAfter = DriveCListing();
        for (auto& worker : workers)
            worker->Release();

        Figures total;
        std::map<Family, Figures> byFamily;
        std::vector<std::string> failures;
        for (const MutantResult& result : results) {
            for (Figures* figures : {&total, &byFamily[result.family]}) {
                ++figures->tried;
                ++(result.predicted == Outcome::Usage ? figures->usage : figures->settings);
                figures->launched += result.launched ? 1 : 0;
                figures->runMs += result.elapsedMs;
                for (const auto& problem : result.problems)
                    ++figures->problems[problem.first];
                figures->failedMutants += result.problems.empty() ? 0 : 1;
            }
            for (const auto& problem : result.problems)
                failures.push_back("mutant " + std::to_string(result.index) + " (" +
                                   hardening::FamilyName(result.family) + ": " + result.name + "): " +
                                   kProblemNames[problem.first] + ": " + problem.second);
        }
        std::vector<std::string> written = Difference(driveAfter, driveBefore);
        std::vector<std::string> removed = Difference(driveBefore, driveAfter);
        total.problems[kOutside] += written.size() + removed.size();

        const std::string phaseLabel = std::string("phase=\"") + PhaseName(phase) + "\"";
        Report(FiguresLine(phaseLabel.c_str(), total) + " seconds=" + std::to_string(elapsed / 1000.0) +
               " workers=" + std::to_string(workers.size()) +
               " ms-per-mutant=" + std::to_string(indexes.empty() ? 0 : elapsed / indexes.size()) +
               " ms-per-run=" + std::to_string(indexes.empty() ? 0 : total.runMs / indexes.size()) +
               " seed=" + std::to_string(g_options.seed) + " random=" + std::to_string(g_options.random));
        for (const auto& entry : byFamily)
            Report(FiguresLine((phaseLabel + " family=\"" + hardening::FamilyName(entry.first) + "\"").c_str(),
                               entry.second));

        for (const std::string& entry : written)
            failures.push_back("written on C: outside the campaign's folders: " + entry);
        for (const std::string& entry : removed)
            failures.push_back("gone from C: " + entry);
        for (size_t i = 0; i < failures.size() && i < 40; ++i)
            ADD_FAILURE() << failures[i];
        EXPECT_TRUE(failures.empty())
            << failures.size() << " problems; reproduce one with --seed=" << g_options.seed
            << " --random=" << g_options.random << " --only=<mutant>";
    }
};

TEST_F(MutationCampaign, WithASuitableVm)
{
    RunPhase(Phase::SuitableVm);
}

TEST_F(MutationCampaign, WithoutAnyVm)
{
    RunPhase(Phase::NoVm);
}

bool Option(const char* arg, const char* name, std::string* value)
{
    size_t length = strlen(name);
    if (strncmp(arg, name, length) != 0 || arg[length] != '=')
        return false;
    *value = arg + length + 1;
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        std::string value;
        if (Option(argv[i], "--mutants", &value))
            g_options.mutants = strtoull(value.c_str(), nullptr, 10);
        else if (Option(argv[i], "--random", &value))
            g_options.random = strtoull(value.c_str(), nullptr, 10);
        else if (Option(argv[i], "--seed", &value))
            g_options.seed = strtoull(value.c_str(), nullptr, 0);
        else if (Option(argv[i], "--workers", &value))
            g_options.workers = std::max(1, atoi(value.c_str()));
        else if (Option(argv[i], "--only", &value))
            g_options.only = strtoll(value.c_str(), nullptr, 10);
        else if (Option(argv[i], "--figures", &value))
            g_options.figures = value;
        else {
            fprintf(stderr, "unknown option %s\n", argv[i]);
            return 2;
        }
    }
    return RUN_ALL_TESTS();
}
