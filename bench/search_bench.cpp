// Launcher overhead of a search: Wendle.exe in probe mode against
// search_floor.exe, which does the same file and process work (a folder of
// its own with the probe class in it, each VM started with the same command
// line and capture file, the folder removed) and nothing else, and against
// the same floor bound to the launcher's DLLs. A copy of Wendle.exe linked
// to load comdlg32 and shell32 on first use (wendle_lazy) shows what that
// would save. All are started from here the same way, so Wine's process
// start-up weighs on each alike; they take turns, and the first round of
// each phase only warms the caches.
#include <windows.h>

#include <sstream>
#include <string>
#include <vector>

#include "benches.h"
#include "harness.h"
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
    wt::ForgetAllVms();
    return 0;
}

}  // namespace bench
