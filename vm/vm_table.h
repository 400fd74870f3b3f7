// The VM kinds of one run, in five slots, and the Java runtime that the
// installer brings, in a sixth, and the operations over all of them. Every
// operation walks the slots in order and skips empty ones; that order is the
// order of probing, of the report and of matching.
#pragma once

#include <stdio.h>

class VmLocator;

const int kVmSlots = 6;
// Filled only when no installed VM suits and the payload brings a runtime;
// probe mode never fills it.
const int kRuntimeSlot = 5;

class VmTable {
public:
    VmTable() { Clear(); }
    ~VmTable() { DeleteKinds(); }

    void Clear();
    void DeleteKinds();
    void CreateKinds();
    void LocateAll();
    // Probes every found kind, side by side, and returns once all have
    // answered or been ended at their time limit.
    void CheckAll(const char* requirement);
    // The first kind that accepts the file name of path; it takes path as its
    // exePath. Null when none does, or when path has no backslash.
    VmLocator* FindByExecutable(const char* path);
    // The count of found kinds, then "YES " or "NO " and the path of each.
    void PrintReport(FILE* output = stdout);
    void ProbeAndReport(const char* requirement);
    void Search(const char* requirement);

    // The search in steps that a window's message loop can drive: the kinds
    // are created and located and every probe is started; CollectChecks
    // takes the verdicts that are in and says whether all are.
    void StartSearch(const char* requirement);
    void StartChecks(const char* requirement);
    bool CollectChecks();
    // Probes the installer's own runtime, javaExe, in kRuntimeSlot, with its
    // class folder on the command line as today's kinds run a class;
    // CollectChecks takes its verdict with the others. False when its probe
    // cannot start: it has then answered no.
    bool StartRuntimeCheck(const char* javaExe, const char* requirement);
    // Ends the probes still running (their VMs terminated).
    void StopChecks();
    // True while a probe runs that CollectChecks has not taken in.
    bool IsChecking() const;
    int CountFound() const;
    int CountAnswered() const;

    // True when slot holds a kind whose executable was found.
    bool IsFound(int slot) const;

    VmLocator* slots[kVmSlots];

private:
    VmTable(const VmTable&);
    VmTable& operator=(const VmTable&);
};
