// Memory: the peak working set of the real Wendle.exe through a whole
// interactive run that extracts a small and a large installer class. One
// suitable VM (vm_stub answering 314) is registered; the bench waits for the
// selection dialog to list it, confirms it, and samples the launcher's
// counters until it ends: Wine answers GetProcessMemoryInfo with zeros once
// the process has ended, and the peak never falls, so the last sample of the
// live process holds it. The launcher extracts into its own folder, then
// waits for the installer's VM without limit; the stand-in sleeps a while
// before it ends, so that many samples come after the extraction.
#include <windows.h>
#include <psapi.h>

#include <string>
#include <vector>

#include "benches.h"
#include "harness.h"
#include "timing.h"

namespace bench {

namespace {

const char kRecord[] = "C:\\vms\\runs.txt";
// Both the probe and the installer's run sleep this long.
const char kStandIn[] = "exit=314\nsleep=250\nrecord=C:\\vms\\runs.txt";
const DWORD kDialogWaitMs = 60000;
const DWORD kRunWaitMs = 300000;
const DWORD kSampleMs = 2;

// Only the working set: Wine's PeakPagefileUsage is the current value, not
// a peak.
struct Peak {
    SIZE_T workingSet = 0;
    int samples = 0;
};

void Sample(HANDLE process, Peak* peak)
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    // Wine answers for an ended process too, with zeros.
    if (!GetProcessMemoryInfo(process, &counters, sizeof counters) ||
        counters.PeakWorkingSetSize == 0)
        return;
    ++peak->samples;
    if (counters.PeakWorkingSetSize > peak->workingSet)
        peak->workingSet = counters.PeakWorkingSetSize;
}

Peak RunInteractive(const std::string& exe)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    std::string commandLine = wt::Quoted(exe);
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, "C:\\",
                        &startup, &child))
        Fail("cannot start " + exe);
    Peak peak;
    // The dialog shows with an empty list while the search runs.
    HWND dialog = wt::WaitForWindow(child.dwProcessId, [](HWND window) {
        return wt::IsSelection(window) && !wt::ComboItems(window, IDC_VM_LIST).empty();
    }, kDialogWaitMs);
    if (dialog == nullptr) {
        TerminateProcess(child.hProcess, 1);
        Fail(exe + ": no selection dialog listing the VM");
    }
    wt::Click(dialog, IDOK);
    DWORD started = GetTickCount();
    while (WaitForSingleObject(child.hProcess, kSampleMs) == WAIT_TIMEOUT) {
        Sample(child.hProcess, &peak);
        if (GetTickCount() - started > kRunWaitMs) {
            TerminateProcess(child.hProcess, 1);
            Fail(exe + ": still running after the extraction's time limit");
        }
    }
    Sample(child.hProcess, &peak);   // Windows still answers after the end
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    if (peak.samples == 0)
        Fail(exe + ": no memory counters could be read");
    return peak;
}

}  // namespace

int RunMemoryBench(int argc, char** argv)
{
    std::string small = Option(argc, argv, "--small");
    std::string big = Option(argc, argv, "--big");
    int reps = IntOption(argc, argv, "--reps", 5);

    // Only the one suitable VM: no other kind may be found or listed.
    wt::ForgetAllVms();
    wt::InstallKind(wt::kJdk, kStandIn);

    std::vector<double> smallSet, bigSet;
    size_t expectedRuns = 0;
    for (int rep = 0; rep < reps; ++rep) {
        for (int which = 0; which < 2; ++which) {
            bool isBig = (rep + which) % 2 == 1;
            Peak peak = RunInteractive(isBig ? big : small);
            // Each run probes the VM once and then starts the installer class.
            expectedRuns += 2;
            std::vector<std::string> runs = wt::RecordedRuns(kRecord);
            if (runs.size() != expectedRuns || runs.back().find("TvqVersion") != std::string::npos)
                Fail("the launcher did not start the installer class after extracting it");
            (isBig ? bigSet : smallSet).push_back((double)peak.workingSet / 1024.0);
        }
    }
    wt::ForgetAllVms();
    PrintSamples("memory.small.workingset", "KiB", smallSet);
    PrintSamples("memory.big.workingset", "KiB", bigSet);
    return 0;
}

}  // namespace bench
