// The bounded list of the Java VMs of one run, and the operations over all
// of them. Slots 0 to 2 hold the three original kinds, found or not, as
// they always have; the installations that the further roads reach
// (vm/installations.h) follow, each once; the Java runtime that the
// installer brings has the last slot. Every operation walks the slots in
// order and skips empty ones; that order is the order of probing, of the
// report and of matching.
#pragma once

#include <stdio.h>

#include "payload/text_buffer.h"
#include "vm/installations.h"

class VmLocator;

const int kOriginalKinds = 3;
// Found VMs kept besides the bundled runtime: probing more would keep the
// user waiting for long with little to gain.
const int kMostVms = 32;
// Probe VMs running at once: each takes tens of MB, and a small PC's memory
// would not hold 32.
const int kMostChecksAtOnce = 8;
const int kVmSlots = kOriginalKinds + kMostVms + 1;
// Filled only when no installed VM suits and the payload brings a runtime;
// probe mode never fills it.
const int kRuntimeSlot = kVmSlots - 1;

class VmTable : public InstallationSink {
public:
    VmTable() : nextCheck(kVmSlots) { Clear(); }
    ~VmTable() { DeleteKinds(); }

    void Clear();
    void DeleteKinds();
    // The three original kinds, into slots 0 to 2.
    void CreateKinds();
    // Lets the original kinds look for their VMs, then adds what the further
    // roads reach.
    void LocateAll();
    // One installation that a road reached: kept in the next free slot
    // under its real path, unless a slot has it already (the same real path)
    // or kMostVms are kept (then the run's log names it, and nothing else).
    virtual void Found(const char* javaExe);
    // Probes every found VM, up to kMostChecksAtOnce side by side, and returns
    // once all have answered or been ended at their time limit. The probe
    // class lies in the run's folder workDir, which also takes the capture
    // files.
    void CheckAll(const char* workDir, const char* requirement);
    // The first kind that accepts the file name of path; it takes path as its
    // exePath. Null when none does, or when path has no backslash.
    VmLocator* FindByExecutable(const char* path);
    // The count of found VMs, then "YES " or "NO " and the path of each.
    void PrintReport(FILE* output = stdout);
    void ProbeAndReport(const char* workDir, const char* requirement);
    void Search(const char* workDir, const char* requirement);

    // The search in steps that a window's message loop can drive: the VMs
    // are located and the first probes started; CollectChecks takes the
    // verdicts that are in, starts the next probes and says whether all have
    // answered.
    void StartSearch(const char* workDir, const char* requirement);
    void StartChecks(const char* workDir, const char* requirement);
    bool CollectChecks();
    // Probes the installer's own runtime, javaExe, in kRuntimeSlot, with its
    // class folder on the command line as today's kinds run a class;
    // CollectChecks takes its verdict with the others. False when its probe
    // cannot start: it has then answered no.
    bool StartRuntimeCheck(const char* javaExe, const char* requirement);
    // Ends the probes still running (their VMs terminated).
    void StopChecks();
    // True while a probe runs or waits that CollectChecks has not taken in.
    bool IsChecking() const;
    int CountFound() const;
    int CountAnswered() const;
    // Probes running now.
    int CountRunning() const;

    // True when slot holds a VM whose executable was found.
    bool IsFound(int slot) const;

    VmLocator* slots[kVmSlots];

private:
    VmTable(const VmTable&);
    VmTable& operator=(const VmTable&);

    bool IsKept(const char* realPath) const;
    bool IsLaneTaken(int lane) const;
    bool StartCheckInSlot(int slot, const char* requirement);

    // The probes start in slot order; slots from nextCheck on wait for theirs.
    int nextCheck;
    char checkDir[kTextBufferSize];
    char checkRequirement[kTextBufferSize];
    // The capture file of each running probe is stdout<lane>.tmp, lane below
    // kMostChecksAtOnce: the names that an installer's own files may not
    // take.
    int lanes[kVmSlots];
};
