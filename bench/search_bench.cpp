// Launcher overhead of a search: Wendle.exe in probe mode against
// search_floor.exe, which does the same file and process work (a folder of
// its own with the probe class in it, each VM started with the same command
// line and capture file, the folder removed) and nothing else, and against
// the same floor bound to the launcher's DLLs. A copy of Wendle.exe linked
// to load comdlg32 and shell32 on first use (wendle_lazy) shows what that
// would save. All are started from here the same way, so Wine's process
// start-up weighs on each alike; they take turns, and the first round of
// each phase only warms the caches. Then three VMs that take 2 s each, probed
// side by side, in probe mode and up to the dialog's filled list (also for an
// earlier Wendle.exe given with --wendle-before), and Cancel during a search
// whose VM hangs, from Yes to the launcher's end. Apart (bundled): an
// installer that brings its own runtime, on a prefix without Java, up to the
// list that names the unpacked runtime, against unpacking it and one run of
// its java.exe.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "benches.h"
#include "harness.h"
#include "payload/payload_archive.h"
#include "payload/runtime_archive.h"
#include "payload/text_buffer.h"
#include "payload/work_folder.h"
#include "timing.h"

namespace bench {

namespace {

const char kRoot[] = "C:\\";
const char kJdkHome[] = "C:\\vms\\jdk";
const char kJreHome[] = "C:\\vms\\jre";

// The report's first line is the number of VMs found; every further line is
// "YES path" or "NO path".
void CheckReport(const std::string& wendle, int expectedFound, const char* expectedVerdict)
{
    wt::Process launcher(wt::Quoted(wendle) + " A:A:A", kRoot);
    if (launcher.Wait() != 0)
        Fail(wendle + " A:A:A did not end with 0");
    std::string report = launcher.Output();
    std::istringstream lines(report);
    std::string line;
    std::getline(lines, line);
    if (atoi(line.c_str()) != expectedFound)
        Fail("expected " + std::to_string(expectedFound) + " VMs, the report says:\n" + report);
    while (std::getline(lines, line)) {
        if (line.rfind(expectedVerdict, 0) != 0)
            Fail(std::string("expected every VM to be ") + expectedVerdict + ", the report says:\n" + report);
    }
}

struct Contender {
    const char* name;
    std::string commandLine;
    DWORD expectedExit;
};

// Times each contender reps times after one warm-up round, in an order that
// rotates from round to round.
void TimeRound(const std::string& key, const std::vector<Contender>& contenders, int reps)
{
    std::vector<std::vector<double>> samples(contenders.size());
    for (int rep = 0; rep <= reps; ++rep) {
        for (size_t turn = 0; turn < contenders.size(); ++turn) {
            size_t which = (rep + turn) % contenders.size();
            double elapsed = TimeProcess(contenders[which].commandLine, kRoot, contenders[which].expectedExit);
            if (rep > 0)
                samples[which].push_back(elapsed);
        }
    }
    for (size_t which = 0; which < contenders.size(); ++which)
        PrintSamples(key + "." + contenders[which].name, "ms", samples[which]);
}

// The three VM kinds that the floor knows, each a vm_stub configured so.
std::string InstallThree(const std::string& config)
{
    wt::ForgetAllVms();
    return wt::Quoted(wt::InstallKind(wt::kJdk, config, kJdkHome)) + " " +
           wt::Quoted(wt::InstallKind(wt::kJre, config, kJreHome)) + " " +
           wt::Quoted(wt::InstallKind(wt::kJview, config));
}

// An installer packed behind wendle; its path.
std::string PackBehind(const std::string& wendle, const std::string& name)
{
    std::string stub = wt::ReadFile(wendle), path = std::string(kRoot) + name;
    std::vector<uint8_t> payload = wendle_pack::EncodePayload(wt::Settings("A:A:A"), (uint32_t)stub.size());
    wt::WriteFile(path, stub + std::string(payload.begin(), payload.end()));
    return path;
}

// Answers the Cancel question of the launcher's dialog with Yes; the
// milliseconds from that click to the launcher's end.
double CancelWithYes(wt::Process& launcher, HWND dialog)
{
    wt::Click(dialog, IDCANCEL);
    HWND box = wt::WaitForWindow(launcher.id(), wt::IsBox, 30000);
    if (box == nullptr)
        Fail("the Cancel question did not open");
    double started = NowMs();
    wt::Click(box, IDYES);
    // 1602 says "cancelled"; builds older than that status end with 0.
    DWORD status = launcher.Wait();
    if (status != 1602 && status != 0)
        Fail("the launcher did not end with 1602 after Cancel");
    return NowMs() - started;
}

// From the start of the installer to its dialog's filled list. With
// onlyVm, that list must hold one VM, whose path ends so; toDialog takes the
// time to the dialog's window, list or not.
double TimeToList(const std::string& setup, const std::string& onlyVm = "", double* toDialog = nullptr)
{
    double started = NowMs();
    wt::Process launcher(wt::Quoted(setup), kRoot);
    if (toDialog != nullptr) {
        wt::WaitForWindow(launcher.id(), wt::IsSelection, 90000);
        *toDialog = NowMs() - started;
    }
    HWND dialog = wt::WaitForWindow(launcher.id(), [](HWND window) {
        return wt::IsSelection(window) && !wt::ComboItems(window, IDC_VM_LIST).empty();
    }, 90000);
    double elapsed = NowMs() - started;
    if (dialog == nullptr)
        Fail("the list of " + setup + " was not filled");
    std::vector<std::string> items = wt::ComboItems(dialog, IDC_VM_LIST);
    if (!onlyVm.empty() && (items.size() != 1 || items[0].size() < onlyVm.size() ||
                            items[0].compare(items[0].size() - onlyVm.size(), onlyVm.size(), onlyVm) != 0))
        Fail("the list of " + setup + " does not name one VM ending in " + onlyVm + ": " + items[0]);
    CancelWithYes(launcher, dialog);
    return elapsed;
}

// Three stand-ins that each answer "suitable" after 2 s: the report of probe
// mode and the dialog's filled list, against one stand-in run alone.
void TimeSlowSearch(const std::string& key, const std::string& wendle, const std::string& alone, int reps)
{
    std::string setup = PackBehind(wendle, "slow-setup.exe");
    CheckReport(wendle, 3, "YES ");
    std::vector<double> report, list, single;
    for (int rep = 0; rep <= reps; ++rep) {
        double r = TimeProcess(wt::Quoted(wendle) + " A:A:A", kRoot);
        double l = TimeToList(setup);
        double s = alone.empty() ? 0 : TimeProcess(alone, kRoot, 314);
        if (rep > 0)
            report.push_back(r), list.push_back(l), single.push_back(s);
    }
    PrintSamples(key + ".report", "ms", report);
    PrintSamples(key + ".list", "ms", list);
    if (!alone.empty())
        PrintSamples(key + ".alone", "ms", single);
    DeleteFileA(setup.c_str());
}

// Cancel while the one VM hangs: from Yes to the launcher's end.
void TimeCancel(const std::string& wendle, int reps)
{
    std::string setup = PackBehind(wendle, "hang-setup.exe");
    std::vector<double> samples;
    for (int rep = 0; rep <= reps; ++rep) {
        wt::Process launcher(wt::Quoted(setup), kRoot);
        HWND dialog = wt::WaitForWindow(launcher.id(), wt::IsSelection, 30000);
        if (dialog == nullptr)
            Fail("the dialog did not open");
        Sleep(500);
        double elapsed = CancelWithYes(launcher, dialog);
        if (wt::Running("java.exe") != 0)
            Fail("a VM is left running after Cancel");
        if (rep > 0)
            samples.push_back(elapsed);
    }
    PrintSamples("search.cancel", "ms", samples);
    DeleteFileA(setup.c_str());
}

}  // namespace

int RunSearchBench(int argc, char** argv)
{
    std::string wendleExe = Option(argc, argv, "--wendle");
    std::string floorExe = Option(argc, argv, "--floor");
    std::string floorImportsExe = Option(argc, argv, "--floor-imports");
    std::string lazyExe = Option(argc, argv, "--wendle-lazy");
    std::string probeClass = Option(argc, argv, "--probe-class");
    int reps = IntOption(argc, argv, "--reps", 11);
    int jvmReps = IntOption(argc, argv, "--jvm-reps", 5);

    // The floor's exit status counts the VMs that found the probe suitable;
    // the launcher's is always 0.
    auto contenders = [&](const std::string& vms, DWORD suitable) {
        std::string floorArguments = " " + wt::Quoted(probeClass) + " " + vms;
        return std::vector<Contender>{
            {"wendle", wt::Quoted(wendleExe) + " A:A:A", 0},
            {"wendle_lazy", wt::Quoted(lazyExe) + " A:A:A", 0},
            {"floor", wt::Quoted(floorExe) + floorArguments, suitable},
            {"floor_imports", wt::Quoted(floorImportsExe) + floorArguments, suitable},
        };
    };

    // Start-up alone: nothing to find, nothing to start.
    wt::ForgetAllVms();
    CheckReport(wendleExe, 0, "");
    CheckReport(lazyExe, 0, "");
    TimeRound("search.none", contenders("- - -", 0), reps);

    // Three stand-ins that exit at once: no configuration but an empty one.
    std::string vms = InstallThree("");
    CheckReport(wendleExe, 3, "NO ");
    CheckReport(lazyExe, 3, "NO ");
    TimeRound("search.stubs", contenders(vms, 0), reps);

    // The same three, each running the probe on this machine's Linux JDK.
    vms = InstallThree(wt::RealJvm());
    CheckReport(wendleExe, 3, "YES ");
    CheckReport(lazyExe, 3, "YES ");
    TimeRound("search.jvm", contenders(vms, 3), jvmReps);

    // Slow VMs, for the launcher and, when given, an earlier build of it.
    std::string alone = InstallThree("sleep=2000\nexit=314");
    alone = alone.substr(0, alone.find(' ')) + " TvqVersion A:A:A";
    int slowReps = IntOption(argc, argv, "--slow-reps", 3);
    TimeSlowSearch("search.slow", wendleExe, alone, slowReps);
    for (int index = 1; index + 1 < argc; ++index) {
        if (strcmp(argv[index], "--wendle-before") == 0)
            TimeSlowSearch("search.slow_before", argv[index + 1], "", slowReps);
    }
    wt::ForgetAllVms();
    wt::InstallKind(wt::kJdk, "sleep=30000\nexit=314", kJdkHome);
    TimeCancel(wendleExe, slowReps);
    wt::ForgetAllVms();
    return 0;
}

// Twelve stand-ins unpacked into %USERPROFILE%\.jdks, each answering
// "suitable" after 2 s: at most eight probes run at once, so they take two
// rounds. Probe mode's report and the dialog's filled list against one
// stand-in run alone, and the most probe VMs seen running at once (polled
// in a run of its own, so that the polling does not weigh on the times).
int RunManyBench(int argc, char** argv)
{
    std::string wendle = Option(argc, argv, "--wendle");
    int reps = IntOption(argc, argv, "--reps", 3);
    wt::ForgetAllVms();
    std::string jdks = std::string(getenv("USERPROFILE")) + "\\.jdks\\jdk-", first;
    for (int vm = 1; vm <= 12; ++vm) {
        std::string exe = jdks + std::to_string(vm) + "\\bin\\java.exe";
        wt::InstallVm(exe, "sleep=2000\nexit=314");
        first = first.empty() ? exe : first;
    }
    std::string setup = PackBehind(wendle, "many-setup.exe");
    CheckReport(wendle, 12, "YES ");
    std::vector<double> report, list, alone, peak;
    for (int rep = 0; rep <= reps; ++rep) {
        double r = TimeProcess(wt::Quoted(wendle) + " A:A:A", kRoot);
        double l = TimeToList(setup);
        double a = TimeProcess(wt::Quoted(first) + " TvqVersion A:A:A", kRoot, 314);
        wt::Process launcher(wt::Quoted(wendle) + " A:A:A", kRoot);
        int most = 0;
        while (launcher.Wait(10) == ~0u)
            most = std::max(most, wt::Running("java.exe"));
        if (rep > 0)
            report.push_back(r), list.push_back(l), alone.push_back(a), peak.push_back(most);
    }
    PrintSamples("many.report", "ms", report);
    PrintSamples("many.list", "ms", list);
    PrintSamples("many.alone", "ms", alone);
    PrintSamples("many.peak", "VMs", peak);
    DeleteFileA(setup.c_str());
    wt::RemoveTree(std::string(getenv("USERPROFILE")) + "\\.jdks");
    return 0;
}

// An installer that brings its own runtime, whose java.exe answers
// "suitable" at once, on a prefix without Java: from its start to the list
// naming that java.exe, against what the launcher cannot do without, in the
// same round: RuntimeArchive::UnpackTo into a run's folder plus one run of
// the unpacked java.exe with the probe's command line. The two take turns.
int RunBundledBench(int argc, char** argv)
{
    std::string packed = Option(argc, argv, "--packed");
    std::string requirement = Option(argc, argv, "--requirement");
    int reps = IntOption(argc, argv, "--reps", 11);

    wt::ForgetAllVms();
    PayloadArchive archive;
    archive.ReadDirectoryFrom(packed.c_str());
    const PayloadEntry* entry = archive.FindEntry(kRuntimeEntry);
    if (entry == nullptr)
        Fail(packed + ": no runtime entry");
    const std::string tempDir = wt::TempDir();
    std::vector<double> list, dialog, unpack, probe;
    for (int rep = 0; rep <= reps; ++rep) {
        double l = 0, d = 0, u = 0, p = 0;
        for (int turn = 0; turn < 2; ++turn) {
            if ((rep + turn) % 2 == 0) {
                l = TimeToList(packed, "\\bundled-java-runtime\\bin\\java.exe", &d);
                continue;
            }
            char workDir[kTextBufferSize];
            if (!CreateWorkFolder(tempDir.c_str(), workDir))
                Fail("cannot make a folder in " + tempDir);
            const std::string classDir(workDir, strlen(workDir) - 1);
            const std::string target = workDir + std::string("bundled-java-runtime");
            double started = NowMs();
            if (!RuntimeArchive(archive.file, *entry).UnpackTo(target.c_str()))
                Fail("the runtime was refused");
            u = NowMs() - started;
            p = TimeProcess(wt::Quoted(target + "\\bin\\java.exe") + " -cp " + classDir + " TvqVersion " +
                            requirement, kRoot, 314);
            RemoveFolderTree(workDir);
        }
        if (rep > 0)
            list.push_back(l), dialog.push_back(d), unpack.push_back(u), probe.push_back(p);
    }
    PrintSamples("bundled.list", "ms", list);
    PrintSamples("bundled.dialog", "ms", dialog);
    PrintSamples("bundled.unpack", "ms", unpack);
    PrintSamples("bundled.probe", "ms", probe);
    return 0;
}

}  // namespace bench
